#include "excelexport.h"

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
    if (cells.ok())
        fillChecks(book, report);
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

QString exportReport(QWidget *parent, const scores::Report &report, const Options &options)
{
    exports::WaitCursor wait;
    Workbook book(paths::sysFile(QStringLiteral("score.xlt")));
    if (!book.isValid() || !fill(book, report))
        return {};
    return exports::saveAndShow(
        parent, options, report.paper + u'_' + report.className, QStringLiteral("xlsx"),
        [&book](const QString &target) { return book.save(target); }, QStringLiteral("The operation succeed!"),
        wait);
}

} // namespace excelexport
