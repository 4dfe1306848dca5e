#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

/// The calculations of the scores window, without widgets or files: the sort routine, the
/// ranking, the class statistics, the per-question statistics and the ruled list lines.
namespace scores {

/// The sort routine. Returns the positions 0..n-1 of keys ordered by key. Flag 0 gives
/// descending order, where equal keys come out later position first; any other flag gives the
/// ascending order, which is the descending one read backwards (equal keys in position order).
/// Text keys compare by character codes.
QList<int> sortOrder(const QList<double> &keys, int flag);
QList<int> sortOrder(const QStringList &keys, int flag);

/// A sort button's press: flips its direction flag (2 becomes 1, anything else 2) and returns
/// the sort routine's flag for it (1 ascending after 2, 0 descending otherwise).
int pressSortButton(int &directionFlag);

/// Ranks by score, highest first: equal scores share a rank and the next different score
/// skips as many ranks (90, 85, 85, 70 give 1, 2, 2, 4). keys[i] is the score of student i, 0
/// for a student without one.
QList<int> ranks(const QList<double> &keys);

/// The paper's grade thresholds.
struct Thresholds
{
    qint16 a = 0;
    qint16 b = 0;
    qint16 c = 0;
    qint16 d = 0;
};

enum Grade
{
    GradeA,
    GradeB,
    GradeC,
    GradeD,
    GradeF,
    GradeCount
};

/// What the class's scores add up to.
struct Totals
{
    qint16 highest = 0; ///< 0 when nobody has a score
    qint16 lowest = 0;  ///< 0 when nobody has a score
    int scored = 0;     ///< students with a score
    /// Sum of the scores, rounded to an integer after each addition. Kept wider than 16 bits:
    /// a class of a few hundred students on a long paper sums beyond 32767.
    double sum = 0;
    std::array<int, GradeCount> grades{}; ///< A, B, C, D, F
    int passed = 0;                       ///< A + B + C + D

    /// sum / scored; nothing when nobody has a score.
    std::optional<double> average() const;
    /// count * 100 / scored; nothing when nobody has a score.
    std::optional<double> percent(int count) const;
};

/// Totals over the scores present (nothing = the student has no score).
Totals tally(const QList<std::optional<double>> &scores, const Thresholds &thresholds);

/// The entries of the statistics list: each label, then its value, each followed by 16
/// underscores.
QStringList statisticsEntries(const Totals &totals);

/// One question's line of the question statistics.
struct QuestionStat
{
    int number = 0;  ///< question number, 1-based
    qint16 key = 0;  ///< the answer key as a number, 0 when the question has none
    qint16 rate = 0; ///< percent of the students with a score who would match, see questionStatistics()
    std::array<int, 5> choices{}; ///< students whose answer code holds the digit 1..5
};

/// Statistics of questions 1..keys.size() over every student's answer codes
/// (answers[student][question - 1]; a short row counts as 0). The rate is the number of
/// students whose code equals a key above 0, times 100, divided by scored and rounded (halves
/// to even); 0 when scored is 0. Students without a score count in the numerator when they
/// answered correctly.
QList<QuestionStat> questionStatistics(const QList<qint16> &keys, const QList<QList<qint16>> &answers,
                                       int scored);

/// For one question, how many codes hold each digit: result[d] for d = 1..7, result[0] the
/// codes holding 0, which are the unanswered ones.
std::array<int, 8> answerDistribution(const QList<qint16> &codes);

/// Decimal text of a score as shown (no blank: "85", "72.5").
QString scoreText(double score);

/// The ruled lines of the lists.
QString nameLine(const QString &number, const QString &firstName, const QString &lastName);
/// score empty: the score and rank fields are ruled only.
QString scoreLine(const QString &score, const QString &rank, const QString &timeLeft);
QString questionLine(const QuestionStat &question);
QString answerLine(qint16 code);

} // namespace scores
