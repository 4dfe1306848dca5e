#include "scorecalc.h"

#include "numbers.h"
#include "paperfile.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace scores {
namespace {

QString underscores(int n)
{
    return QString(n, u'_');
}

const QString Rule = underscores(16);

/// Descending with later positions first among equal keys; ascending is that read backwards.
template <typename Key> QList<int> order(const QList<Key> &keys, int flag)
{
    QList<int> result(keys.size());
    std::iota(result.begin(), result.end(), 0);
    std::sort(result.begin(), result.end(), [&keys](int x, int y) {
        if (keys.at(x) == keys.at(y))
            return x > y;
        return keys.at(y) < keys.at(x);
    });
    if (flag != 0)
        std::reverse(result.begin(), result.end());
    return result;
}

/// Bit d set when the decimal text of code holds the digit d.
int digitMask(qint16 code)
{
    int value = code < 0 ? -int(code) : int(code);
    int mask = 0;
    do {
        mask |= 1 << (value % 10);
        value /= 10;
    } while (value > 0);
    return mask;
}

} // namespace

QList<int> sortOrder(const QList<double> &keys, int flag)
{
    return order(keys, flag);
}

QList<int> sortOrder(const QStringList &keys, int flag)
{
    return order(keys, flag);
}

int pressSortButton(int &directionFlag)
{
    if (directionFlag == 2) {
        directionFlag = 1;
        return 1;
    }
    directionFlag = 2;
    return 0;
}

QList<int> ranks(const QList<double> &keys)
{
    const QList<int> byScore = sortOrder(keys, 0);
    QList<int> result(keys.size(), 0);
    for (qsizetype p = 0; p < byScore.size(); ++p) {
        const int row = byScore.at(p);
        if (p > 0 && keys.at(row) == keys.at(byScore.at(p - 1)))
            result[row] = result.at(byScore.at(p - 1));
        else
            result[row] = int(p + 1);
    }
    return result;
}

std::optional<double> Totals::average() const
{
    if (scored <= 0)
        return std::nullopt;
    return sum / scored;
}

std::optional<double> Totals::percent(int count) const
{
    if (scored <= 0)
        return std::nullopt;
    // Formed in double: a 16-bit product would overflow beyond 327 students in one grade.
    return count * 100.0 / scored;
}

Totals tally(const QList<std::optional<double>> &scores, const Thresholds &t)
{
    Totals totals;
    bool any = false;
    for (const std::optional<double> &score : scores) {
        if (!score || *score < 0)
            continue;
        const double s = *score;
        totals.sum = std::nearbyint(totals.sum + s);
        ++totals.scored;
        switch (paper::grade(s, t.a, t.b, t.c, t.d)) {
        case 'A':
            ++totals.grades[GradeA];
            break;
        case 'B':
            ++totals.grades[GradeB];
            break;
        case 'C':
            ++totals.grades[GradeC];
            break;
        case 'D':
            ++totals.grades[GradeD];
            break;
        default:
            ++totals.grades[GradeF];
            break;
        }
        // The lowest starts from the first score, so that scores above any fixed start value
        // still give the true lowest.
        if (s > totals.highest)
            totals.highest = numbers::toInt16(s);
        if (!any || s < totals.lowest)
            totals.lowest = numbers::toInt16(s);
        any = true;
    }
    totals.passed =
        totals.grades[GradeA] + totals.grades[GradeB] + totals.grades[GradeC] + totals.grades[GradeD];
    return totals;
}

QStringList statisticsEntries(const Totals &totals)
{
    QStringList entries;
    const auto add = [&entries](const QString &label, const QString &value) {
        entries.append(label + Rule);
        entries.append(value + Rule);
    };
    const std::optional<double> average = totals.average();
    add(QStringLiteral("Average Score"), average ? numbers::signBlank(*average).left(6) : QString());
    add(QStringLiteral("Highest Score"), numbers::signBlank(qint64(totals.highest)));
    add(QStringLiteral("Lowest Score"), numbers::signBlank(qint64(totals.lowest)));
    add(QStringLiteral("Amount of testees"), numbers::signBlank(qint64(totals.scored)));
    add(QStringLiteral("Sum Total score"), numbers::signBlank(totals.sum));
    static const char *const Letters[GradeCount] = {"A", "B", "C", "D", "F"};
    for (int g = 0; g < GradeCount; ++g)
        add(QLatin1String(Letters[g]) + QStringLiteral(" grade"),
            numbers::signBlank(qint64(totals.grades[g])));
    add(QStringLiteral("Passed Students:"), numbers::signBlank(qint64(totals.passed)));
    if (totals.scored > 0) {
        for (int g = 0; g < GradeCount; ++g)
            add(QLatin1String(Letters[g]) + u'%', numbers::signBlank(*totals.percent(totals.grades[g])));
    }
    return entries;
}

QList<QuestionStat> questionStatistics(const QList<qint16> &keys, const QList<QList<qint16>> &answers,
                                       int scored)
{
    QList<QuestionStat> stats(keys.size());
    QList<int> correct(keys.size(), 0);
    for (qsizetype j = 0; j < keys.size(); ++j) {
        stats[j].number = int(j + 1);
        stats[j].key = keys.at(j);
    }
    for (const QList<qint16> &row : answers) {
        // Codes 0 (not answered) match no key and hold no choice: a student who answered
        // nothing, as every student without a record, adds nothing.
        if (std::all_of(row.cbegin(), row.cend(), [](qint16 code) { return code == 0; }))
            continue;
        for (qsizetype j = 0; j < keys.size(); ++j) {
            const qint16 code = j < row.size() ? row.at(j) : qint16(0);
            if (keys.at(j) > 0 && code == keys.at(j))
                ++correct[j];
            const int mask = digitMask(code);
            for (int d = 1; d <= 5; ++d) {
                if (mask & (1 << d))
                    ++stats[j].choices[d - 1];
            }
        }
    }
    for (qsizetype j = 0; j < keys.size(); ++j)
        stats[j].rate = scored > 0 ? numbers::toInt16(correct.at(j) * 100.0 / scored) : qint16(0);
    return stats;
}

std::array<int, 8> answerDistribution(const QList<qint16> &codes)
{
    std::array<int, 8> counts{};
    for (const qint16 code : codes) {
        const int mask = digitMask(code);
        for (int d = 0; d <= 7; ++d) {
            if (mask & (1 << d))
                ++counts[d];
        }
    }
    return counts;
}

QString scoreText(double score)
{
    return QString::number(score, 'g', 15);
}

QString nameLine(const QString &number, const QString &firstName, const QString &lastName)
{
    return (number + underscores(19)).left(6) + QStringLiteral("_|_") + firstName + QStringLiteral("__") +
           lastName + underscores(29);
}

QString scoreLine(const QString &score, const QString &rank, const QString &timeLeft)
{
    const QString scoreField = score.isEmpty() ? underscores(6) : (score + underscores(20)).left(6);
    const QString rankField = score.isEmpty() ? underscores(4) : (rank + underscores(14)).left(4);
    return scoreField + QStringLiteral("_|_") + rankField + QStringLiteral("_|_") + timeLeft +
           underscores(20);
}

QString questionLine(const QuestionStat &q)
{
    return (numbers::signBlank(qint64(q.number)) + underscores(14)).left(9) + QStringLiteral("_|_") +
           (numbers::signBlank(qint64(q.rate)) + underscores(9)).left(9) + QStringLiteral("_|_") +
           numbers::signBlank(qint64(q.key)) + underscores(13);
}

QString answerLine(qint16 code)
{
    return QString::number(code) + Rule;
}

} // namespace scores
