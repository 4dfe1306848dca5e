#include "itemanalysiswindow.h"
#include "ui_itemanalysiswindow.h"

#include "enterkey.h"
#include "exportfile.h"
#include "helpwindow.h"
#include "itemanalysischarts.h"
#include "paperfile.h"
#include "prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSaveFile>
#include <QStandardItemModel>
#include <QStandardPaths>

#include <bit>
#include <cmath>
#include <limits>

using namespace itemanalysis;

namespace {

/// The role that holds a cell's number for sorting: texts such as "-" or "none" would sort
/// among the digits otherwise.
constexpr int SortRole = Qt::UserRole + 1;

enum ItemColumn
{
    NumberColumn,
    KeyColumn,
    MarkColumn,
    FacilityColumn,
    DiscriminationColumn,
    CorrelationColumn,
    AnsweredColumn,
    FlagsColumn,
    ItemColumnCount
};

/// A missing figure sorts below every present one.
double sortKey(const std::optional<double> &value)
{
    return value.value_or(-std::numeric_limits<double>::infinity());
}

QStandardItem *cell(const QString &text, double key,
                    Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter)
{
    auto *item = new QStandardItem(text);
    item->setData(key, SortRole);
    item->setTextAlignment(alignment);
    item->setEditable(false);
    return item;
}

/// Whole numbers without decimals; the shares of students tied at a group's edge with two.
QString countText(double count)
{
    const double whole = std::round(count);
    return std::abs(count - whole) < 1e-9 ? QString::number(whole, 'f', 0) : QString::number(count, 'f', 2);
}

QString markText(double mark)
{
    return QString::number(mark, 'g', 6);
}

} // namespace

ItemAnalysisWindow::ItemAnalysisWindow(const scores::Report &report, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ItemAnalysis>())
    , m_report(report)
    , m_analysis(analyse(report))
    , m_items(new QStandardItemModel(this))
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("itemanalysis"));

    ui->LabPaper->setText(QStringLiteral("Test: %1    Class: %2").arg(m_report.paper, m_report.className));
    const Summary &s = m_analysis.summary;
    QStringList notes;
    if (s.students == 0)
        notes << QStringLiteral("No student of this class has a score in this test yet.");
    else if (s.students < 2)
        notes << QStringLiteral(
            "Only one student has a score: figures that need a spread of scores are shown "
            "as \"-\".");
    if (s.staleScores > 0)
        notes << QStringLiteral(
                     "%1 of the recorded scores differ from what the answers earn with the keys and "
                     "marks the test has now (it was changed after it was sat). The analysis uses what "
                     "the answers earn now.")
                     .arg(s.staleScores);
    ui->LabNote->setText(notes.join(u' '));
    ui->LabNote->setVisible(!notes.isEmpty());

    ui->TblItems->setModel(m_items);
    ui->TblItems->setSortingEnabled(true);
    ui->TblItems->verticalHeader()->hide();
    ui->TblItems->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    ui->TblChoices->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    ui->TblItems->horizontalHeader()->setHighlightSections(false);
    m_items->setSortRole(SortRole);
    ui->TblChoices->setColumnCount(4);
    ui->TblChoices->setHorizontalHeaderLabels({QStringLiteral("Answer"), QStringLiteral("All"),
                                               QStringLiteral("Top group"), QStringLiteral("Bottom group")});
    ui->TblChoices->verticalHeader()->hide();
    ui->TblChoices->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->TblChoices->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    ui->TblChoices->setToolTip(
        QStringLiteral("How many students gave each answer; the key is marked. Students "
                       "tied at the edge of a group share its last places."));
    ui->RichQuestion->setReadOnly(true);
    ui->SplitQuestions->setStretchFactor(0, 3);
    ui->SplitQuestions->setStretchFactor(1, 2);
    ui->SplitQuestions->setSizes({640, 340});

    fillSummary();
    fillItems();
    ui->Histogram->setBins(histogram(m_analysis.totals, s.fullScore));
    ui->Histogram->setToolTip(QStringLiteral("How many students reached each score"));
    ui->Plot->setItems(m_analysis.items);
    ui->Plot->setToolTip(
        QStringLiteral("One point per question; red points are flagged, the shaded parts are "
                       "where the flags begin"));

    connect(ui->TblItems->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                showQuestion(current.isValid()
                                 ? m_items->item(current.row(), NumberColumn)->data(SortRole).toInt()
                                 : 0);
            });
    connect(ui->CmdSaveHistogram, &QPushButton::clicked, this,
            [this] { savePicture(ui->Histogram, QStringLiteral("histogram")); });
    connect(ui->CmdSavePlot, &QPushButton::clicked, this,
            [this] { savePicture(ui->Plot, QStringLiteral("discrimination")); });
    connect(ui->CmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->CmdHelp, &QPushButton::clicked, this, [this] { help::showFor(this); });
    ui->TblItems->setFocus(Qt::OtherFocusReason);
}

ItemAnalysisWindow::~ItemAnalysisWindow() = default;

void ItemAnalysisWindow::keyPressEvent(QKeyEvent *event)
{
    if (!enterkey::pressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

QLabel *ItemAnalysisWindow::figure(int row, int column, const QString &caption, const QString &name,
                                   const QString &tip)
{
    auto *label = new QLabel(caption, ui->GrpTest);
    auto *value = new QLabel(ui->GrpTest);
    value->setObjectName(name);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("00000.00")));
    label->setToolTip(tip);
    value->setToolTip(tip);
    auto *grid = static_cast<QGridLayout *>(ui->GrpTest->layout());
    grid->addWidget(label, row, 2 * column);
    grid->addWidget(value, row, 2 * column + 1);
    return value;
}

void ItemAnalysisWindow::fillSummary()
{
    const Summary &s = m_analysis.summary;
    const auto score = [](const std::optional<double> &v) { return figureText(v, 2); };
    figure(0, 0, QStringLiteral("Students:"), QStringLiteral("FigStudents"),
           QStringLiteral("Students with a score"))
        ->setText(QString::number(s.students));
    figure(0, 1, QStringLiteral("Mean:"), QStringLiteral("FigMean"), QStringLiteral("The average score"))
        ->setText(score(s.mean));
    figure(0, 2, QStringLiteral("Median:"), QStringLiteral("FigMedian"), QStringLiteral("The middle score"))
        ->setText(score(s.median));
    figure(0, 3, QStringLiteral("Std. deviation:"), QStringLiteral("FigDeviation"),
           QStringLiteral("How far the scores spread around the mean (needs two students)"))
        ->setText(score(s.standardDeviation));
    figure(1, 0, QStringLiteral("Lowest:"), QStringLiteral("FigLowest"), QStringLiteral("The lowest score"))
        ->setText(score(s.lowest));
    figure(1, 1, QStringLiteral("Highest:"), QStringLiteral("FigHighest"),
           QStringLiteral("The highest score"))
        ->setText(score(s.highest));
    figure(1, 2, QStringLiteral("Lower quartile:"), QStringLiteral("FigLowerQuartile"),
           QStringLiteral("A quarter of the scores lie below it"))
        ->setText(score(s.lowerQuartile));
    figure(1, 3, QStringLiteral("Upper quartile:"), QStringLiteral("FigUpperQuartile"),
           QStringLiteral("A quarter of the scores lie above it"))
        ->setText(score(s.upperQuartile));
    figure(2, 0, s.alpha ? QStringLiteral("Cronbach's alpha:") : QStringLiteral("KR-20:"),
           QStringLiteral("FigReliability"),
           QStringLiteral("Reliability of the test, 0 to 1: how consistently its questions measure the same"))
        ->setText(figureText(s.reliability, 3));
    figure(2, 1, QStringLiteral("Std. error:"), QStringLiteral("FigStandardError"),
           QStringLiteral("Standard error of measurement: by how much a student's score may be off"))
        ->setText(score(s.standardError));
    figure(2, 2, QStringLiteral("Full score:"), QStringLiteral("FigFullScore"),
           QStringLiteral("The sum of the questions' marks"))
        ->setText(markText(s.fullScore));
    figure(2, 3, QStringLiteral("Group size:"), QStringLiteral("FigGroupSize"),
           QStringLiteral("Places in each of the top and bottom groups: 27% of the students"))
        ->setText(s.groupSize > 0 ? QString::number(s.groupSize) : QStringLiteral("-"));
}

void ItemAnalysisWindow::fillItems()
{
    m_items->setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Key"), QStringLiteral("Mark"),
                                        QStringLiteral("Facility"), QStringLiteral("Discrim."),
                                        QStringLiteral("Pt-biserial"), QStringLiteral("Answered"),
                                        QStringLiteral("Flags")});
    const QStringList tips{
        QStringLiteral("Question number"),
        QStringLiteral("The answer key"),
        QStringLiteral("What a right answer earns"),
        QStringLiteral("Share of the students who answered it right"),
        QStringLiteral("Discrimination: facility in the top 27% minus facility in the bottom 27%"),
        QStringLiteral(
            "Corrected point-biserial: correlation of the question with the score on the other questions"),
        QStringLiteral("Students who gave any answer"),
        QStringLiteral("Why the question may need a look; point at a flag for the reason"),
    };
    for (int c = 0; c < ItemColumnCount; ++c)
        m_items->horizontalHeaderItem(c)->setToolTip(tips.at(c));
    m_items->setRowCount(0);
    for (const ItemResult &r : m_analysis.items) {
        QList<QStandardItem *> row;
        row << cell(QString::number(r.number), r.number)
            << cell(r.key == 0 ? QStringLiteral("none") : QString::number(r.key), r.key)
            << cell(markText(r.mark), r.mark) << cell(figureText(r.facility), sortKey(r.facility))
            << cell(figureText(r.discrimination), sortKey(r.discrimination))
            << cell(figureText(r.pointBiserial), sortKey(r.pointBiserial))
            << cell(QString::number(r.answered), r.answered)
            << cell(r.flagWords(), double(std::popcount(r.flags)), Qt::AlignLeft | Qt::AlignVCenter);
        if (r.flags != 0) {
            row.at(FlagsColumn)->setToolTip(r.flagReasons().join(u'\n'));
            row.at(FlagsColumn)->setForeground(QColor(170, 20, 20));
        }
        m_items->appendRow(row);
    }
    ui->TblItems->sortByColumn(-1, Qt::AscendingOrder);
    ui->TblItems->resizeColumnsToContents();
    ui->TblItems->horizontalHeader()->setStretchLastSection(true);
}

void ItemAnalysisWindow::showQuestion(int number)
{
    m_shownQuestion = number >= 1 && number <= int(m_analysis.items.size()) ? number : 0;
    ui->TblChoices->setRowCount(0);
    ui->RichQuestion->clear();
    if (m_shownQuestion == 0)
        return;
    const ItemResult &r = m_analysis.items.at(m_shownQuestion - 1);
    ui->TblChoices->setRowCount(int(r.choices.size()));
    for (int i = 0; i < r.choices.size(); ++i) {
        const ChoiceCount &c = r.choices.at(i);
        const bool isKey = c.code == r.key;
        const QStringList texts{isKey ? codeText(c.code) + QStringLiteral("  (key)") : codeText(c.code),
                                QString::number(c.all), countText(c.top), countText(c.bottom)};
        for (int col = 0; col < texts.size(); ++col) {
            auto *item = new QTableWidgetItem(texts.at(col));
            item->setTextAlignment(col == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                            : Qt::AlignRight | Qt::AlignVCenter);
            if (isKey) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            ui->TblChoices->setItem(i, col, item);
        }
    }
    // The same file the scores window shows for the question.
    const QString file = paper::rtfPath(m_report.paper, m_report.questionFiles.value(m_shownQuestion - 1));
    if (file.isEmpty() || !ui->RichQuestion->loadFile(file))
        ui->RichQuestion->clear();
}

void ItemAnalysisWindow::savePicture(const AnalysisChart *chart, const QString &what)
{
    QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    const QString folder = prompt::service().chooseFolder(this, QStringLiteral("Save the picture in"), start);
    if (folder.isEmpty())
        return;
    const QString path = QDir(folder).filePath(
        exports::fileName(m_report.paper + u'_' + m_report.className + u'_' + what, QStringLiteral("png")));
    const QString shown = QDir::toNativeSeparators(path);
    if (QFileInfo::exists(path) &&
        prompt::ask(this, QStringLiteral("%1 exists already. Replace it?").arg(shown), prompt::Buttons::YesNo,
                    QString(), prompt::Answer::No) != prompt::Answer::Yes)
        return;
    QSaveFile file(path);
    const bool saved =
        file.open(QIODevice::WriteOnly) && chart->picture(pictureSize()).save(&file, "PNG") && file.commit();
    if (saved)
        prompt::inform(this, QStringLiteral("The picture was saved as %1.").arg(shown));
    else
        prompt::inform(this,
                       QStringLiteral("The picture could not be saved as %1.\nCheck that the folder can be "
                                      "written to, then try again.")
                           .arg(shown));
}
