#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace scores {
struct Report;
}

/// Item analysis of one paper sat by one class: how good each question was (facility,
/// discrimination, corrected point-biserial correlation, how the answers spread in the top and
/// bottom groups) and how reliable the whole test was. Plain calculations without widgets or
/// files; the help page "itemanalysis" writes down every formula.
///
/// A figure that cannot be formed for the group at hand (too few students, no spread of
/// scores) is std::nullopt, never NaN.
namespace itemanalysis {

/// One question as the analysis needs it.
struct Question
{
    qint16 key = 0;  ///< the answer key as a number; 0 for a question without a key
    double mark = 0; ///< what a right answer earns
};

/// One student with a score.
struct Student
{
    QList<qint16> answers; ///< answer codes of questions 1..n; a short list counts as unanswered
    std::optional<double> recordedScore; ///< the score stored in the record, to spot stale ones
};

/// How many students of each group gave one answer code. Group counts can hold fractions:
/// students tied at a group's edge share its last places (see groupWeights()).
struct ChoiceCount
{
    qint16 code = 0; ///< 0 stands for "not answered"
    int all = 0;
    double top = 0;
    double bottom = 0;
};

enum Flag : unsigned
{
    TooHard = 1u << 0,                ///< facility below 0.2
    TooEasy = 1u << 1,                ///< facility above 0.9
    LowDiscrimination = 1u << 2,      ///< discrimination 0 up to below 0.2
    NegativeDiscrimination = 1u << 3, ///< discrimination below 0: check the key
    DistractorBeatsKey = 1u << 4,     ///< the top group chose a wrong answer more often than the key
    NoKey = 1u << 5,                  ///< the question has no key (it scores when left unanswered)
};

struct ItemResult
{
    int number = 0; ///< 1-based
    qint16 key = 0;
    double mark = 0;
    int right = 0;    ///< students whose code equals the key
    int answered = 0; ///< students who gave any answer
    std::optional<double> facility;
    std::optional<double> discrimination;
    std::optional<double> pointBiserial; ///< item against the total without the item
    QList<ChoiceCount> choices;          ///< every code given, ascending, "not answered" last
    unsigned flags = 0;
    qint16 strongestDistractor = 0; ///< the wrong code behind DistractorBeatsKey

    /// Short words for the flags ("hard, check key"), and one sentence per flag for a tool tip.
    QString flagWords() const;
    QStringList flagReasons() const;
};

struct Summary
{
    int students = 0;
    int questions = 0;
    double fullScore = 0; ///< the sum of the marks
    std::optional<double> mean;
    std::optional<double> median;
    std::optional<double> standardDeviation; ///< with n - 1, so it needs two students
    std::optional<double> lowest;
    std::optional<double> highest;
    std::optional<double> lowerQuartile;
    std::optional<double> upperQuartile;
    std::optional<double> reliability;   ///< KR-20, or Cronbach's alpha when marks differ
    bool alpha = false;                  ///< true when the marks differ between questions
    std::optional<double> standardError; ///< of measurement: SD * sqrt(1 - reliability)
    int groupSize = 0;                   ///< places in the top and in the bottom group
    int staleScores = 0;                 ///< recorded scores that differ from what the answers earn now
};

struct Analysis
{
    Summary summary;
    QList<ItemResult> items;
    QList<double> totals; ///< each student's total, in input order
};

/// True when an answer code earns a question's mark: the key and the code are equal as
/// numbers, so a question without a key scores when it is left unanswered.
inline bool isRight(qint16 key, qint16 code)
{
    return key == code;
}

/// Places in each of the top and bottom groups: 27% of n, rounded, at least 1 when n >= 2;
/// 0 for fewer than 2 students.
int groupSize(int students);

/// The weight of every student in the group of `size` places at the top (top = true) or at
/// the bottom by total. Students beyond the edge score count 1; those tied at the edge share
/// the places left, each counting (places left) / (students tied), so that the groups do not
/// depend on the order of the students. Weights sum to size.
QList<double> groupWeights(const QList<double> &totals, int size, bool top);

/// The quantile q (0..1) of sorted values by linear interpolation between the closest ranks:
/// position (n - 1) * q, as spreadsheet programs' QUARTILE.INC and PERCENTILE.INC do.
/// Nothing for no values.
std::optional<double> quantile(const QList<double> &sorted, double q);

/// Pearson correlation of two series of equal length; nothing for fewer than 2 pairs or when
/// either series does not vary.
std::optional<double> correlation(const QList<double> &x, const QList<double> &y);

/// The whole analysis. Each student's total is the sum of the marks of the questions the
/// student's answers match.
Analysis analyse(const QList<Question> &questions, const QList<Student> &students);

/// The analysis of what a scores refresh gathered: questions with their keys and marks, over
/// the students who have a score.
Analysis analyse(const scores::Report &report);

/// One bar of the histogram: totals t with from <= t < to.
struct Bin
{
    double from = 0;
    double to = 0;
    int count = 0;
};

/// Bars from 0 up to the full score (or the highest total, when that is above it), the top
/// score in a bar of its own: one bar per point up to 25 points, otherwise about 20 bars of
/// a whole number of points each.
QList<Bin> histogram(const QList<double> &totals, double fullScore);

/// A figure as the window and the help page show it: rounded to `decimals`, "-" when absent.
QString figureText(const std::optional<double> &value, int decimals = 2);

/// An answer code as shown: its digits, "none" for 0.
QString codeText(qint16 code);

} // namespace itemanalysis
