#include "regradedialog.h"
#include "ui_regradedialog.h"

#include "prompt.h"

#include <QHeaderView>
#include <QTableWidgetItem>

namespace {

enum Column
{
    NumberColumn,
    NameColumn,
    OldColumn,
    NewColumn,
    DifferenceColumn,
    QuestionsColumn,
    ColumnCount
};

QString scoreText(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

RegradeDialog::RegradeDialog(const QString &paper, const QString &className, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::RegradeDialog>())
    , m_paper(paper)
    , m_className(className)
{
    ui->setupUi(this);
    QTableWidget *table = ui->RegradeList;
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Name"),
                                      QStringLiteral("Old score"), QStringLiteral("New score"),
                                      QStringLiteral("Difference"), QStringLiteral("Questions")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QuestionsColumn, QHeaderView::Stretch);
    table->setColumnWidth(NumberColumn, 60);
    table->setColumnWidth(NameColumn, 190);
    table->setColumnWidth(OldColumn, 80);
    table->setColumnWidth(NewColumn, 80);
    table->setColumnWidth(DifferenceColumn, 80);

    connect(ui->OptVoidRight, &QRadioButton::toggled, this, &RegradeDialog::recompute);
    connect(ui->CmdRegradeOk, &QPushButton::clicked, this, &RegradeDialog::write);
    connect(ui->CmdRegradeCancel, &QPushButton::clicked, this, &QDialog::reject);
    recompute();
}

RegradeDialog::~RegradeDialog() = default;

void RegradeDialog::recompute()
{
    const scoring::VoidRule rule =
        ui->OptVoidDrop->isChecked() ? scoring::VoidRule::DropOut : scoring::VoidRule::CountAsRight;
    m_preview = regrade::preview(m_paper, m_className, rule);
    fill();
}

void RegradeDialog::fill()
{
    const regrade::Preview &p = m_preview;
    QStringList voided;
    for (qsizetype j = 0; j < p.marking.questions.size(); ++j) {
        if (p.marking.isVoid(j))
            voided.append(QString::number(j + 1));
    }
    ui->FrameVoid->setEnabled(!voided.isEmpty());
    ui->FrameVoid->setTitle(
        voided.isEmpty() ? QStringLiteral("Void questions: none")
                         : QStringLiteral("Void questions: %1").arg(voided.join(QStringLiteral(", "))));
    QString summary =
        QStringLiteral("Test %1, class %2: %3 finished, %4 to change, %5 still testing. Full mark now %6.")
            .arg(p.paper, p.className)
            .arg(p.finished)
            .arg(p.changedCount())
            .arg(p.stillTesting)
            .arg(scoreText(scoring::fullMark(p.marking)));
    if (p.noKeys)
        summary += QStringLiteral("\nThe test has no answer keys: there is nothing to regrade by.");
    ui->LabRegradeSummary->setText(summary);
    ui->CmdRegradeOk->setEnabled(!p.noKeys && p.changedCount() > 0);

    QTableWidget *table = ui->RegradeList;
    table->setUpdatesEnabled(false);
    table->clearContents();
    table->setRowCount(int(p.lines.size()));
    for (int row = 0; row < int(p.lines.size()); ++row) {
        const regrade::Line &l = p.lines.at(row);
        const QString cells[ColumnCount] = {
            l.number,
            l.name,
            l.stillTesting ? QString() : (l.oldText.isEmpty() ? QStringLiteral("-") : l.oldText),
            l.stillTesting ? QString() : QString::number(l.newScore),
            l.stillTesting ? QString()
                           : (l.difference > 0 ? QStringLiteral("+") : QString()) + scoreText(l.difference),
            l.stillTesting ? QStringLiteral("still testing") : l.questions,
        };
        for (int c = 0; c < ColumnCount; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == NameColumn || c == QuestionsColumn ? Qt::AlignLeft | Qt::AlignVCenter
                                                                           : Qt::AlignCenter);
            if (l.stillTesting)
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            table->setItem(row, c, item);
        }
    }
    table->setUpdatesEnabled(true);
}

void RegradeDialog::write()
{
    if (m_preview.noKeys || m_preview.changedCount() == 0)
        return;
    m_outcome = regrade::apply(m_preview, regrade::machineName(), QDateTime::currentDateTime());
    QString text = QStringLiteral("%1 scores were changed.").arg(m_outcome.written);
    if (m_outcome.skipped > 0)
        text += QStringLiteral(
                    "\n%1 records changed meanwhile and were left as they are: regrade again to see them.")
                    .arg(m_outcome.skipped);
    if (!m_outcome.failed.isEmpty())
        text +=
            QStringLiteral("\nThe records of students %1 could not be written: check that the folder can be "
                           "written to, then regrade again.")
                .arg(m_outcome.failed.join(QStringLiteral(", ")));
    if (!m_outcome.logWritten)
        text += QStringLiteral("\nThe regrade log could not be written.");
    prompt::inform(this, text);
    accept();
}
