#include "excelexport.h"

#include "itemanalysis.h"
#include "numbers.h"
#include "paths.h"
#include "prompt.h"
#include "workbook.h"

#include <QDir>

namespace excelexport {
namespace {

enum Sheet
{
    StudentsSheet = 1,
    StatisticsSheet,
    QuestionsSheet,
    AnswersSheet
};

/// Rows of the tables: the headings are in row 5, row 5 + i holds entry i.
constexpr int HeadingRow = 5;

constexpr double SecondsPerDay = 24 * 60 * 60;

/// Time left as a spreadsheet time (a fraction of a day) when it reads as one, so that it
/// sorts and sums; otherwise the text as stored.
QVariant timeValue(const QString &text)
{
    if (text.trimmed().isEmpty())
        return {};
    if (const std::optional<qint64> seconds = numbers::parseHhmmss(text))
        return double(*seconds) / SecondsPerDay;
    return text;
}

/// An empty text leaves the cell empty rather than holding a string of nothing.
QVariant textValue(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant optionalNumber(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant();
}

/// Sets cells one after the other and remembers whether any failed, so that the filling
/// reads as a list of cells.
class Filler
{
public:
    explicit Filler(Workbook &book)
        : m_book(book)
    {}

    void set(int sheet, const QString &reference, const QVariant &value)
    {
        m_ok = m_ok && m_book.setCell(sheet, reference, value);
    }
    void set(int sheet, int row, int column, const QVariant &value)
    {
        m_ok = m_ok && m_book.setCell(sheet, row, column, value);
    }
    bool ok() const { return m_ok; }

private:
    Workbook &m_book;
    bool m_ok = true;
};

} // namespace

bool fill(Workbook &book, const scores::Report &report)
{
    Filler cells(book);
    const scores::Totals &totals = report.totals;

    // The students: one row per student number of the class. The class's student count is
    // not used to cut or stretch the table: it may disagree with the number range, and every
    // number in the range is a student of the class.
    cells.set(StudentsSheet, QStringLiteral("B2"), report.paper);
    cells.set(StudentsSheet, QStringLiteral("E1"), report.className);
    for (qsizetype i = 0; i < report.students.size() && cells.ok(); ++i) {
        const scores::StudentRow &s = report.students.at(i);
        const int row = HeadingRow + 1 + int(i);
        cells.set(StudentsSheet, row, 1, numbers::leadingNumber(s.number));
        cells.set(StudentsSheet, row, 2, textValue(s.firstName));
        cells.set(StudentsSheet, row, 3, textValue(s.lastName));
        cells.set(StudentsSheet, row, 4, optionalNumber(s.scoreValue));
        // A student without a score has no rank to show, as in the window's list.
        cells.set(StudentsSheet, row, 5,
                  s.scoreValue ? QVariant(numbers::leadingNumber(s.rank)) : QVariant());
        cells.set(StudentsSheet, row, 6, timeValue(s.timeLeft));
    }

    cells.set(StatisticsSheet, QStringLiteral("B2"), report.paper);
    cells.set(StatisticsSheet, QStringLiteral("B1"), report.className);
    cells.set(StatisticsSheet, QStringLiteral("B6"), optionalNumber(totals.average()));
    const QVariant counts[] = {
        int(totals.highest),
        int(totals.lowest),
        totals.scored,
        totals.sum,
        totals.grades[scores::GradeA],
        totals.grades[scores::GradeB],
        totals.grades[scores::GradeC],
        totals.grades[scores::GradeD],
        totals.grades[scores::GradeF],
        totals.passed,
    };
    int row = 7;
    for (const QVariant &value : counts)
        cells.set(StatisticsSheet, row++, 2, value);
    const int shared[] = {totals.grades[scores::GradeA], totals.grades[scores::GradeB],
                          totals.grades[scores::GradeC], totals.grades[scores::GradeD],
                          totals.grades[scores::GradeF], totals.passed};
    for (const int count : shared)
        cells.set(StatisticsSheet, row++, 2, optionalNumber(totals.percent(count)));

    cells.set(QuestionsSheet, QStringLiteral("B2"), report.paper);
    cells.set(QuestionsSheet, QStringLiteral("F1"), report.className);
    for (qsizetype j = 0; j < report.questions.size() && cells.ok(); ++j) {
        const scores::QuestionStat &q = report.questions.at(j);
        const int r = HeadingRow + 1 + int(j);
        cells.set(QuestionsSheet, r, 1, q.number);
        cells.set(QuestionsSheet, r, 2, int(q.key));
        cells.set(QuestionsSheet, r, 3, int(q.rate));
        for (int d = 0; d < int(q.choices.size()); ++d)
            cells.set(QuestionsSheet, r, 4 + d, q.choices[d]);
    }

    cells.set(AnswersSheet, QStringLiteral("B2"), report.paper);
    cells.set(AnswersSheet, QStringLiteral("F1"), report.className);
    for (int j = 1; j <= report.questionCount && cells.ok(); ++j)
        cells.set(AnswersSheet, HeadingRow, 3 + j, QStringLiteral("NO %1").arg(j));
    for (qsizetype i = 0; i < report.students.size() && cells.ok(); ++i) {
        const scores::StudentRow &s = report.students.at(i);
        const int r = HeadingRow + 1 + int(i);
        cells.set(AnswersSheet, r, 1, numbers::leadingNumber(s.number));
        cells.set(AnswersSheet, r, 2, textValue(s.firstName));
        cells.set(AnswersSheet, r, 3, textValue(s.lastName));
        if (!s.scoreValue)
            continue;
        for (int j = 1; j <= report.questionCount; ++j)
            cells.set(AnswersSheet, r, 3 + j, int(s.answers.value(j - 1)));
    }
    return cells.ok();
}

bool fillChecks(Workbook &book, const scores::Report &report)
{
    const int sheet = book.ensureSheet(ChecksSheetName);
    if (sheet == 0)
        return false;
    Filler cells(book);
    cells.set(sheet, QStringLiteral("A1"), QStringLiteral("Test"));
    cells.set(sheet, QStringLiteral("B1"), report.paper);
    cells.set(sheet, QStringLiteral("A2"), QStringLiteral("Class"));
    cells.set(sheet, QStringLiteral("B2"), report.className);
    const QString headings[] = {QStringLiteral("No."), QStringLiteral("First name"), QStringLiteral("Last name"),
                                QStringLiteral("Score"), QStringLiteral("Check"), QStringLiteral("Extra time")};
    for (int c = 0; c < int(std::size(headings)); ++c)
        cells.set(sheet, ChecksHeadingRow, c + 1, headings[c]);
    for (qsizetype i = 0; i < report.students.size() && cells.ok(); ++i) {
        const scores::StudentRow &s = report.students.at(i);
        const int row = ChecksHeadingRow + 1 + int(i);
        cells.set(sheet, row, 1, numbers::leadingNumber(s.number));
        cells.set(sheet, row, 2, textValue(s.firstName));
        cells.set(sheet, row, 3, textValue(s.lastName));
        cells.set(sheet, row, 4, optionalNumber(s.scoreValue));
        // Only finished records are checked: the others have nothing to agree with yet.
        const bool finished = !s.timeLeft.trimmed().isEmpty();
        cells.set(sheet, row, 5,
                  !s.check.text.isEmpty() ? QVariant(QString(s.check.text).replace(u'\n', QStringLiteral("; ")))
                  : finished              ? QVariant(QStringLiteral("OK"))
                                          : QVariant());
        cells.set(sheet, row, 6, textValue(s.extraTime));
    }
    return cells.ok();
}

bool fillItemAnalysis(Workbook &book, const scores::Report &report)
{
    const int sheet = book.ensureSheet(ItemAnalysisSheet);
    if (sheet == 0)
        return false;

    const itemanalysis::Analysis analysis = itemanalysis::analyse(report);
    const itemanalysis::Summary &s = analysis.summary;
    Filler cells(book);
    cells.set(sheet, QStringLiteral("A1"), QStringLiteral("Class"));
    cells.set(sheet, QStringLiteral("B1"), report.className);
    cells.set(sheet, QStringLiteral("A2"), QStringLiteral("Test"));
    cells.set(sheet, QStringLiteral("B2"), report.paper);
    const std::pair<QString, QVariant> figures[] = {
        {QStringLiteral("Students"), s.students},
        {QStringLiteral("Mean"), optionalNumber(s.mean)},
        {QStringLiteral("Median"), optionalNumber(s.median)},
        {QStringLiteral("Standard deviation"), optionalNumber(s.standardDeviation)},
        {QStringLiteral("Lowest"), optionalNumber(s.lowest)},
        {QStringLiteral("Highest"), optionalNumber(s.highest)},
        {QStringLiteral("Lower quartile"), optionalNumber(s.lowerQuartile)},
        {QStringLiteral("Upper quartile"), optionalNumber(s.upperQuartile)},
        {s.alpha ? QStringLiteral("Cronbach's alpha") : QStringLiteral("KR-20"),
         optionalNumber(s.reliability)},
        {QStringLiteral("Standard error of measurement"), optionalNumber(s.standardError)},
        {QStringLiteral("Full score"), s.fullScore},
        {QStringLiteral("Group size (27%)"), s.groupSize},
    };
    int row = 4;
    for (const auto &[label, value] : figures) {
        cells.set(sheet, row, 1, label);
        cells.set(sheet, row++, 2, value);
    }

    constexpr int ItemHeadingRow = 17;
    constexpr int ChoiceColumn = 12; // L
    const QStringList itemHeadings{QStringLiteral("No."),
                                   QStringLiteral("Key"),
                                   QStringLiteral("Mark"),
                                   QStringLiteral("Facility"),
                                   QStringLiteral("Discrimination"),
                                   QStringLiteral("Point-biserial"),
                                   QStringLiteral("Answered"),
                                   QStringLiteral("Right"),
                                   QStringLiteral("Flags"),
                                   QStringLiteral("Reasons")};
    for (int c = 0; c < itemHeadings.size(); ++c)
        cells.set(sheet, ItemHeadingRow, 1 + c, itemHeadings.at(c));
    const QStringList choiceHeadings{QStringLiteral("No."),       QStringLiteral("Answer"),
                                     QStringLiteral("Is key"),    QStringLiteral("All"),
                                     QStringLiteral("Top group"), QStringLiteral("Bottom group")};
    for (int c = 0; c < choiceHeadings.size(); ++c)
        cells.set(sheet, ItemHeadingRow, ChoiceColumn + c, choiceHeadings.at(c));

    row = ItemHeadingRow + 1;
    int choiceRow = ItemHeadingRow + 1;
    for (const itemanalysis::ItemResult &item : analysis.items) {
        if (!cells.ok())
            break;
        cells.set(sheet, row, 1, item.number);
        cells.set(sheet, row, 2, int(item.key));
        cells.set(sheet, row, 3, item.mark);
        cells.set(sheet, row, 4, optionalNumber(item.facility));
        cells.set(sheet, row, 5, optionalNumber(item.discrimination));
        cells.set(sheet, row, 6, optionalNumber(item.pointBiserial));
        cells.set(sheet, row, 7, item.answered);
        cells.set(sheet, row, 8, item.right);
        cells.set(sheet, row, 9, textValue(item.flagWords()));
        cells.set(sheet, row, 10, textValue(item.flagReasons().join(u' ')));
        ++row;
        // Answer code 0 stands for the students who gave no answer.
        for (const itemanalysis::ChoiceCount &c : item.choices) {
            cells.set(sheet, choiceRow, ChoiceColumn, item.number);
            cells.set(sheet, choiceRow, ChoiceColumn + 1, int(c.code));
            cells.set(sheet, choiceRow, ChoiceColumn + 2, c.code == item.key ? 1 : 0);
            cells.set(sheet, choiceRow, ChoiceColumn + 3, c.all);
            cells.set(sheet, choiceRow, ChoiceColumn + 4, c.top);
            cells.set(sheet, choiceRow, ChoiceColumn + 5, c.bottom);
            ++choiceRow;
        }
    }
    return cells.ok();
}

QString exportReport(QWidget *parent, const scores::Report &report, const Options &options)
{
    exports::WaitCursor wait;
    Workbook book(paths::sysFile(QStringLiteral("score.xlt")));
    if (!book.isValid() || !fill(book, report) || !fillItemAnalysis(book, report) || !fillChecks(book, report))
        return {};
    return exports::saveAndShow(
        parent, options, report.paper + u'_' + report.className, QStringLiteral("xlsx"),
        [&book](const QString &target) { return book.save(target); },
        QStringLiteral("The operation succeed!"), wait);
}

} // namespace excelexport
