#include "itemanalysis.h"

#include "scorereport.h"

#include <QMap>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace itemanalysis {
namespace {

constexpr double HardBelow = 0.2;
constexpr double EasyAbove = 0.9;
constexpr double WeakBelow = 0.2;
// Group counts are sums of fractions: compare them with some slack.
constexpr double Slack = 1e-9;

double mean(const QList<double> &values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

/// Sample variance (n - 1); callers make sure n >= 2.
double variance(const QList<double> &values)
{
    const double m = mean(values);
    double sum = 0;
    for (const double v : values)
        sum += (v - m) * (v - m);
    return sum / double(values.size() - 1);
}

} // namespace

int groupSize(int students)
{
    if (students < 2)
        return 0;
    // 27% rounded, halves up, in integers so that 50 students give exactly 13.5 -> 14.
    return qMax(1, (27 * students + 50) / 100);
}

QList<double> groupWeights(const QList<double> &totals, int size, bool top)
{
    QList<double> weights(totals.size(), 0.0);
    if (size <= 0 || totals.isEmpty())
        return weights;
    size = qMin(size, int(totals.size()));
    QList<double> sorted = totals;
    std::sort(sorted.begin(), sorted.end());
    if (top)
        std::reverse(sorted.begin(), sorted.end());
    const double edge = sorted.at(size - 1);
    const auto beyond = [&](double t) { return top ? t > edge : t < edge; };
    int inside = 0;
    int tied = 0;
    for (const double t : totals) {
        if (beyond(t))
            ++inside;
        else if (t == edge)
            ++tied;
    }
    const double share = double(size - inside) / double(tied);
    for (qsizetype i = 0; i < totals.size(); ++i) {
        if (beyond(totals.at(i)))
            weights[i] = 1;
        else if (totals.at(i) == edge)
            weights[i] = share;
    }
    return weights;
}

std::optional<double> quantile(const QList<double> &sorted, double q)
{
    if (sorted.isEmpty())
        return std::nullopt;
    const double h = double(sorted.size() - 1) * q;
    const auto low = qsizetype(std::floor(h));
    const qsizetype high = qMin(low + 1, sorted.size() - 1);
    return sorted.at(low) + (h - double(low)) * (sorted.at(high) - sorted.at(low));
}

std::optional<double> correlation(const QList<double> &x, const QList<double> &y)
{
    const qsizetype n = qMin(x.size(), y.size());
    if (n < 2)
        return std::nullopt;
    double mx = 0;
    double my = 0;
    for (qsizetype i = 0; i < n; ++i) {
        mx += x.at(i);
        my += y.at(i);
    }
    mx /= double(n);
    my /= double(n);
    double sxy = 0;
    double sxx = 0;
    double syy = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double dx = x.at(i) - mx;
        const double dy = y.at(i) - my;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    // A series that does not vary has no correlation; rounding can leave a trace of spread.
    if (sxx <= Slack * Slack || syy <= Slack * Slack)
        return std::nullopt;
    return sxy / std::sqrt(sxx * syy);
}

Analysis analyse(const QList<Question> &questions, const QList<Student> &students)
{
    Analysis result;
    Summary &s = result.summary;
    const int n = int(students.size());
    const int k = int(questions.size());
    s.students = n;
    s.questions = k;
    for (const Question &q : questions)
        s.fullScore += q.mark;
    s.alpha = std::any_of(questions.begin(), questions.end(),
                          [&](const Question &q) { return q.mark != questions.first().mark; });

    // right[j][i]: student i answered question j right.
    QList<QList<bool>> right(k, QList<bool>(n, false));
    result.totals.fill(0.0, n);
    for (int i = 0; i < n; ++i) {
        const QList<qint16> &answers = students.at(i).answers;
        double total = 0;
        double asRecorded = 0; // the exam rounds after each addition, halves to even
        for (int j = 0; j < k; ++j) {
            if (!isRight(questions.at(j).key, answers.value(j)))
                continue;
            right[j][i] = true;
            total += questions.at(j).mark;
            asRecorded = std::nearbyint(asRecorded + questions.at(j).mark);
        }
        result.totals[i] = total;
        const std::optional<double> &recorded = students.at(i).recordedScore;
        if (recorded && *recorded != asRecorded)
            ++s.staleScores;
    }

    QList<double> sorted = result.totals;
    std::sort(sorted.begin(), sorted.end());
    if (n >= 1) {
        s.mean = mean(sorted);
        s.lowest = sorted.first();
        s.highest = sorted.last();
        s.median = quantile(sorted, 0.5);
        s.lowerQuartile = quantile(sorted, 0.25);
        s.upperQuartile = quantile(sorted, 0.75);
    }
    const bool spread = n >= 2 && sorted.first() != sorted.last();
    double totalVariance = 0;
    if (n >= 2) {
        totalVariance = variance(result.totals);
        s.standardDeviation = std::sqrt(totalVariance);
    }

    // Groups only tell strong from weak students when the totals differ.
    s.groupSize = spread ? groupSize(n) : 0;
    const QList<double> top = groupWeights(result.totals, s.groupSize, true);
    const QList<double> bottom = groupWeights(result.totals, s.groupSize, false);

    double itemVariances = 0;
    result.items.reserve(k);
    QList<double> item(n);
    QList<double> rest(n);
    for (int j = 0; j < k; ++j) {
        const Question &q = questions.at(j);
        ItemResult r;
        r.number = j + 1;
        r.key = q.key;
        r.mark = q.mark;
        QMap<qint16, ChoiceCount> codes;
        double topRight = 0;
        double bottomRight = 0;
        for (int i = 0; i < n; ++i) {
            const qint16 code = students.at(i).answers.value(j);
            ChoiceCount &c = codes[code];
            c.code = code;
            ++c.all;
            c.top += top.at(i);
            c.bottom += bottom.at(i);
            if (code != 0)
                ++r.answered;
            const bool ok = right.at(j).at(i);
            if (ok) {
                ++r.right;
                topRight += top.at(i);
                bottomRight += bottom.at(i);
            }
            item[i] = ok ? q.mark : 0.0;
            rest[i] = result.totals.at(i) - item.at(i);
        }
        for (auto it = codes.cbegin(); it != codes.cend(); ++it) {
            if (it.key() != 0)
                r.choices.append(it.value());
        }
        if (codes.contains(0))
            r.choices.append(codes.value(0));

        if (n >= 1)
            r.facility = double(r.right) / double(n);
        if (s.groupSize > 0) {
            r.discrimination = (topRight - bottomRight) / double(s.groupSize);
            r.pointBiserial = correlation(item, rest);
        }
        if (n >= 2)
            itemVariances += variance(item);

        if (r.key == 0)
            r.flags |= NoKey;
        if (r.facility && *r.facility < HardBelow)
            r.flags |= TooHard;
        if (r.facility && *r.facility > EasyAbove)
            r.flags |= TooEasy;
        if (r.discrimination && *r.discrimination < -Slack)
            r.flags |= NegativeDiscrimination;
        else if (r.discrimination && *r.discrimination < WeakBelow - Slack)
            r.flags |= LowDiscrimination;
        if (s.groupSize > 0) {
            const double keyTop = codes.value(r.key).top;
            double best = keyTop;
            for (const ChoiceCount &c : std::as_const(r.choices)) {
                if (c.code != 0 && c.code != r.key && c.top > best + Slack) {
                    best = c.top;
                    r.strongestDistractor = c.code;
                }
            }
            if (r.strongestDistractor != 0)
                r.flags |= DistractorBeatsKey;
        }
        result.items.append(r);
    }

    if (k >= 2 && spread) {
        s.reliability = double(k) / double(k - 1) * (1.0 - itemVariances / totalVariance);
        s.standardError = *s.standardDeviation * std::sqrt(qMax(0.0, 1.0 - *s.reliability));
    }
    return result;
}

Analysis analyse(const scores::Report &report)
{
    QList<Question> questions;
    questions.reserve(report.questions.size());
    for (qsizetype j = 0; j < report.questions.size(); ++j)
        questions.append({report.questions.at(j).key, report.marks.value(j, 1.0)});
    QList<Student> students;
    students.reserve(report.students.size());
    for (const scores::StudentRow &row : report.students) {
        if (row.scoreValue)
            students.append({row.answers, row.scoreValue});
    }
    return analyse(questions, students);
}

QList<Bin> histogram(const QList<double> &totals, double fullScore)
{
    double high = qMax(0.0, fullScore);
    for (const double t : totals)
        high = qMax(high, t);
    constexpr int WholePointsUpTo = 25;
    constexpr int Bars = 20;
    const double width = high <= WholePointsUpTo ? 1.0 : std::ceil(high / Bars);
    const int count = int(std::floor(high / width)) + 1;
    QList<Bin> bins(count);
    for (int b = 0; b < count; ++b) {
        bins[b].from = b * width;
        bins[b].to = (b + 1) * width;
    }
    for (const double t : totals) {
        const int b = qBound(0, int(std::floor(qMax(0.0, t) / width)), count - 1);
        ++bins[b].count;
    }
    return bins;
}

QString figureText(const std::optional<double> &value, int decimals)
{
    if (!value || !std::isfinite(*value))
        return QStringLiteral("-");
    // A small negative figure that rounds to nothing is shown without a sign.
    const double shown = std::abs(*value) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : *value;
    return QString::number(shown, 'f', decimals);
}

QString codeText(qint16 code)
{
    return code == 0 ? QStringLiteral("none") : QString::number(code);
}

QStringList ItemResult::flagReasons() const
{
    QStringList reasons;
    if (flags & TooHard)
        reasons << QStringLiteral("Facility %1 is below 0.2: few students answered it right.")
                       .arg(figureText(facility));
    if (flags & TooEasy)
        reasons << QStringLiteral("Facility %1 is above 0.9: nearly everybody answered it right.")
                       .arg(figureText(facility));
    if (flags & NegativeDiscrimination)
        reasons << QStringLiteral("Discrimination %1 is negative: the bottom group did better than the top "
                                  "group. Check the key.")
                       .arg(figureText(discrimination));
    if (flags & LowDiscrimination)
        reasons << QStringLiteral("Discrimination %1 is below 0.2: the question hardly tells strong students "
                                  "from weak ones.")
                       .arg(figureText(discrimination));
    if (flags & DistractorBeatsKey)
        reasons << QStringLiteral("The top group chose %1 more often than the key %2.")
                       .arg(codeText(strongestDistractor), codeText(key));
    if (flags & NoKey)
        reasons << QStringLiteral("The question has no key: it scores only when left unanswered.");
    return reasons;
}

QString ItemResult::flagWords() const
{
    QStringList words;
    if (flags & TooHard)
        words << QStringLiteral("hard");
    if (flags & TooEasy)
        words << QStringLiteral("easy");
    if (flags & NegativeDiscrimination)
        words << QStringLiteral("check key");
    if (flags & LowDiscrimination)
        words << QStringLiteral("weak");
    if (flags & DistractorBeatsKey)
        words << QStringLiteral("distractor");
    if (flags & NoKey)
        words << QStringLiteral("no key");
    return words.join(QStringLiteral(", "));
}

} // namespace itemanalysis
