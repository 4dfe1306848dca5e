#include "questionimportdialog.h"
#include "ui_questionimportdialog.h"

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

namespace {

QString formatName(questionformats::Format format)
{
    switch (format) {
    case questionformats::Format::Aiken:
        return QStringLiteral("Aiken");
    case questionformats::Format::Gift:
        return QStringLiteral("GIFT");
    case questionformats::Format::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString kindName(questionformats::Problem::Kind kind)
{
    switch (kind) {
    case questionformats::Problem::Unreadable:
        return QStringLiteral("Not read");
    case questionformats::Problem::Skipped:
        return QStringLiteral("Skipped");
    case questionformats::Problem::Note:
        return QStringLiteral("Changed");
    }
    return {};
}

QString keyLetters(const QString &key)
{
    QStringList letters;
    for (const QChar d : key)
        letters.append(QString(QChar(u'A' + (d.unicode() - u'1'))));
    return letters.join(QStringLiteral(", "));
}

} // namespace

QuestionImportDialog::QuestionImportDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::QuestionImport>())
{
    ui->setupUi(this);
    QTreeWidget *problems = ui->LstProblems;
    problems->header()->setStretchLastSection(true);
    problems->setColumnWidth(0, fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    problems->setColumnWidth(1, fontMetrics().horizontalAdvance(QStringLiteral("Not read___")));
    ui->LblRefusal->hide();
    connect(ui->CmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->CmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QuestionImportDialog::~QuestionImportDialog() = default;

void QuestionImportDialog::setResult(const QString &fileName, const questionformats::ReadResult &result,
                                     const QString &refusal)
{
    using questionformats::Problem;
    ui->LblFile->setText(
        QStringLiteral("File: %1\nForm: %2, text in %3")
            .arg(QDir::toNativeSeparators(fileName), formatName(result.format), result.encoding));

    int unreadable = 0;
    int skipped = 0;
    int notes = 0;
    QList<QTreeWidgetItem *> items;
    items.reserve(result.problems.size());
    for (const Problem &p : result.problems) {
        (p.kind == Problem::Unreadable ? unreadable : p.kind == Problem::Skipped ? skipped : notes)++;
        auto *item = new QTreeWidgetItem({QString::number(p.line), kindName(p.kind), p.reason});
        item->setToolTip(2, p.reason);
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    ui->LstProblems->clear();
    ui->LstProblems->addTopLevelItems(items);

    const qsizetype found = result.questions.size();
    QString summary =
        found == 1 ? QStringLiteral("1 question found.") : QStringLiteral("%1 questions found.").arg(found);
    if (unreadable > 0)
        summary += QStringLiteral(" %1 not read because of the lines below.").arg(unreadable);
    if (skipped > 0)
        summary += QStringLiteral(" %1 skipped: the test holds only multiple-choice questions.").arg(skipped);
    if (notes > 0)
        summary += QStringLiteral(" %1 taken with a change.").arg(notes);
    if (found > 0 && refusal.isEmpty())
        summary +=
            QStringLiteral(" OK adds them to the end of the test; the test is saved by the editor's OK.");
    ui->LblSummary->setText(summary);

    QStringList preview;
    for (qsizetype i = 0; i < std::min<qsizetype>(found, PreviewCount); ++i) {
        const questionformats::Question &q = result.questions.at(i);
        preview.append(QStringLiteral("(line %1)\n%2\nAnswer: %3")
                           .arg(q.line)
                           .arg(questionformats::paperText(q), keyLetters(q.answer)));
        if (!q.explanation.isEmpty())
            preview.last() += QStringLiteral("\nExplanation: ") + q.explanation;
    }
    if (found > PreviewCount)
        preview.append(QStringLiteral("... and %1 more.").arg(found - PreviewCount));
    ui->TxtPreview->setPlainText(preview.join(QStringLiteral("\n\n")));

    ui->LblRefusal->setText(refusal);
    ui->LblRefusal->setVisible(!refusal.isEmpty());
    ui->CmdOK->setEnabled(found > 0 && refusal.isEmpty());
    ui->CmdOK->setText(found > 0 && refusal.isEmpty()
                           ? (found == 1 ? QStringLiteral("&OK: add 1 question")
                                         : QStringLiteral("&OK: add %1 questions").arg(found))
                           : QStringLiteral("&OK"));
    if (!ui->CmdOK->isEnabled())
        ui->CmdCancel->setDefault(true);
}
