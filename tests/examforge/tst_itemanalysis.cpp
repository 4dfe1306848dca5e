#include "itemanalysis.h"
#include "scorereport.h"

#include <QTest>

using namespace itemanalysis;
using namespace Qt::Literals::StringLiterals;

namespace {

// Ten students, six questions. The expected figures below were computed apart from this code
// by tests/examforge/itemanalysis_reference.py (Python's statistics module, exact fractions
// for the groups). Totals with one point each: 5 4 3 3 3 2 1 1 1 0, so the top group of 3
// places takes 5, 4 and a third of each of the three 3s, and the bottom group 0 and two
// thirds of each of the three 1s.
const QList<qint16> Keys{2, 13, 4, 1, 3, 5};
const QList<QList<qint16>> Answers{
    {2, 13, 4, 1, 3, 0}, {2, 13, 4, 1, 2, 0}, {2, 13, 4, 3, 2, 0},  {2, 13, 3, 1, 2, 0}, {2, 1, 4, 2, 3, 0},
    {2, 13, 2, 2, 1, 0}, {2, 3, 1, 3, 4, 0},  {2, 123, 0, 2, 0, 0}, {1, 0, 3, 0, 3, 0},  {3, 1, 0, 0, 4, 0},
};

QList<Question> questions(const QList<double> &marks)
{
    QList<Question> list;
    for (qsizetype j = 0; j < Keys.size(); ++j)
        list.append({Keys.at(j), marks.at(j)});
    return list;
}

QList<Student> students(const QList<QList<qint16>> &answers)
{
    QList<Student> list;
    for (const QList<qint16> &a : answers)
        list.append({a, std::nullopt});
    return list;
}

void near(const std::optional<double> &actual, double expected)
{
    QVERIFY2(actual.has_value(), "figure missing");
    QVERIFY2(
        std::abs(*actual - expected) < 1e-6,
        qPrintable(QStringLiteral("%1, expected %2").arg(*actual, 0, 'g', 10).arg(expected, 0, 'g', 10)));
}

const ChoiceCount *choice(const ItemResult &item, qint16 code)
{
    for (const ChoiceCount &c : item.choices) {
        if (c.code == code)
            return &c;
    }
    return nullptr;
}

} // namespace

class TestItemAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void equalMarksGiveKr20()
    {
        const Analysis a = analyse(questions({1, 1, 1, 1, 1, 1}), students(Answers));
        const Summary &s = a.summary;
        QCOMPARE(a.totals, (QList<double>{5, 4, 3, 3, 3, 2, 1, 1, 1, 0}));
        QCOMPARE(s.students, 10);
        QCOMPARE(s.fullScore, 6.0);
        QCOMPARE(s.groupSize, 3);
        QVERIFY(!s.alpha);
        near(s.mean, 2.3);
        near(s.median, 2.5);
        near(s.standardDeviation, 1.567021);
        near(s.lowest, 0);
        near(s.highest, 5);
        near(s.lowerQuartile, 1);
        near(s.upperQuartile, 3);
        near(s.reliability, 0.619005);
        near(s.standardError, 0.967241);

        const QList<double> facility{0.8, 0.5, 0.4, 0.3, 0.3, 0};
        const QList<double> discrimination{5.0 / 9, 8.0 / 9, 8.0 / 9, 7.0 / 9, 2.0 / 9, 0};
        const QList<double> r{0.389249, 0.514496, 0.611052, 0.553283, 0.0};
        for (int j = 0; j < 6; ++j) {
            near(a.items.at(j).facility, facility.at(j));
            near(a.items.at(j).discrimination, discrimination.at(j));
            if (j < 5)
                near(a.items.at(j).pointBiserial, r.at(j));
        }
        // Nobody answered question 6: its item does not vary, so it has no correlation.
        QVERIFY(!a.items.at(5).pointBiserial);
        QCOMPARE(a.items.at(5).answered, 0);
    }

    void distractorTableSharesTiedPlaces()
    {
        const Analysis a = analyse(questions({1, 1, 1, 1, 1, 1}), students(Answers));
        // Question 3: codes 1 2 3 4 and "not answered" last.
        const ItemResult &q3 = a.items.at(2);
        QList<qint16> codes;
        for (const ChoiceCount &c : q3.choices)
            codes.append(c.code);
        QCOMPARE(codes, (QList<qint16>{1, 2, 3, 4, 0}));
        QCOMPARE(choice(q3, 4)->all, 4);
        QCOMPARE(choice(q3, 4)->top, 8.0 / 3);
        QCOMPARE(choice(q3, 3)->top, 1.0 / 3);
        QCOMPARE(choice(q3, 3)->bottom, 2.0 / 3);
        QCOMPARE(choice(q3, 0)->bottom, 5.0 / 3);
        // Group counts of every question add up to the group size.
        for (const ItemResult &item : a.items) {
            double top = 0;
            double bottom = 0;
            for (const ChoiceCount &c : item.choices) {
                top += c.top;
                bottom += c.bottom;
            }
            QVERIFY(std::abs(top - 3) < 1e-9 && std::abs(bottom - 3) < 1e-9);
        }
    }

    void groupsDoNotDependOnStudentOrder()
    {
        QList<QList<qint16>> reversed = Answers;
        std::reverse(reversed.begin(), reversed.end());
        const Analysis a = analyse(questions({1, 1, 1, 1, 1, 1}), students(Answers));
        const Analysis b = analyse(questions({1, 1, 1, 1, 1, 1}), students(reversed));
        for (int j = 0; j < 6; ++j)
            near(b.items.at(j).discrimination, *a.items.at(j).discrimination);

        QCOMPARE(groupWeights({3, 3, 3, 5, 4}, 3, true), (QList<double>{1.0 / 3, 1.0 / 3, 1.0 / 3, 1, 1}));
        QCOMPARE(groupWeights({1, 0, 1, 1}, 2, false), (QList<double>{1.0 / 3, 1, 1.0 / 3, 1.0 / 3}));
        QCOMPARE(groupSize(1), 0);
        QCOMPARE(groupSize(2), 1);
        QCOMPARE(groupSize(10), 3);
        QCOMPARE(groupSize(50), 14); // 13.5 rounds up
        QCOMPARE(groupSize(300), 81);
    }

    void differingMarksGiveAlpha()
    {
        const Analysis a = analyse(questions({1, 2, 2, 1, 1, 1}), students(Answers));
        QVERIFY(a.summary.alpha);
        QCOMPARE(a.summary.fullScore, 8.0);
        near(a.summary.mean, 3.2);
        near(a.summary.standardDeviation, 2.394438);
        near(a.summary.upperQuartile, 4.75);
        near(a.summary.reliability, 0.609302);
        near(a.summary.standardError, 1.496663);
        near(a.items.at(1).discrimination, 1.0);
        near(a.items.at(3).discrimination, 2.0 / 3);
        near(a.items.at(4).discrimination, 1.0 / 9);
        near(a.items.at(4).pointBiserial, 0.029604);
        near(a.items.at(2).pointBiserial, 0.574979);
    }

    void flagsAndTheirReasons()
    {
        const Analysis a = analyse(questions({1, 1, 1, 1, 1, 1}), students(Answers));
        QCOMPARE(a.items.at(0).flags, 0u);
        // The top group chose 2 (5/3 of a student) more often than the key 3 (4/3).
        const ItemResult &q5 = a.items.at(4);
        QCOMPARE(q5.flags, unsigned(DistractorBeatsKey));
        QCOMPARE(q5.strongestDistractor, qint16(2));
        QCOMPARE(q5.flagReasons(), QStringList{u"The top group chose 2 more often than the key 3."_s});
        const ItemResult &q6 = a.items.at(5);
        QCOMPARE(q6.flags, unsigned(TooHard | LowDiscrimination));
        QCOMPARE(q6.flagWords(), u"hard, weak"_s);

        // A key that is wrong: the weak students give it, the strong ones another answer.
        QList<QList<qint16>> answers;
        for (int i = 0; i < 10; ++i)
            answers.append(i < 5 ? QList<qint16>{2, 13, 2} : QList<qint16>{3, 1, 1});
        const Analysis b = analyse({{2, 1}, {13, 1}, {1, 1}}, students(answers));
        near(b.items.at(2).discrimination, -1);
        QVERIFY(b.items.at(2).flags & NegativeDiscrimination);
        QVERIFY(b.items.at(2).flagReasons().first().contains(u"Check the key"_s));
        // Everybody right on question 1; question 2 has no key.
        const Analysis c = analyse({{2, 1}, {0, 1}}, students({{2, 0}, {2, 0}, {2, 1}}));
        QVERIFY(c.items.at(0).flags & TooEasy);
        QVERIFY(c.items.at(1).flags & NoKey);
        QCOMPARE(c.items.at(1).right, 2); // no key: left unanswered scores, as at the finish
    }

    void smallGroups()
    {
        // Nobody: no figure at all, nothing flagged.
        const Analysis none = analyse(questions({1, 1, 1, 1, 1, 1}), {});
        QCOMPARE(none.summary.students, 0);
        QVERIFY(!none.summary.mean && !none.summary.median && !none.summary.standardDeviation);
        QVERIFY(!none.items.at(0).facility && !none.items.at(0).discrimination);
        QCOMPARE(none.items.at(0).flags, 0u);

        // One student: figures of one score, but none that needs a spread.
        const Analysis one = analyse(questions({1, 1, 1, 1, 1, 1}), students({Answers.first()}));
        near(one.summary.mean, 5);
        near(one.summary.median, 5);
        near(one.summary.upperQuartile, 5);
        QVERIFY(!one.summary.standardDeviation && !one.summary.reliability && !one.summary.standardError);
        near(one.items.at(0).facility, 1);
        QVERIFY(!one.items.at(0).discrimination && !one.items.at(0).pointBiserial);

        // Everybody the same total: groups cannot be told apart.
        const Analysis same = analyse({{1, 1}, {2, 1}}, students({{1, 3}, {3, 2}, {1, 1}, {3, 2}}));
        QCOMPARE(same.totals, (QList<double>{1, 1, 1, 1}));
        near(same.summary.standardDeviation, 0);
        QVERIFY(!same.summary.reliability && !same.summary.standardError);
        QVERIFY(!same.items.at(0).discrimination && !same.items.at(0).pointBiserial);
        QCOMPARE(same.items.at(0).flags & (LowDiscrimination | NegativeDiscrimination), 0u);

        // One question: no reliability (k - 1 = 0).
        const Analysis single = analyse({{1, 1}}, students({{1}, {0}, {1}}));
        QVERIFY(!single.summary.reliability);
        QCOMPARE(figureText(single.summary.reliability), u"-"_s);
        QCOMPARE(figureText(-0.0001), u"0.00"_s);
        QCOMPARE(figureText(0.125, 3), u"0.125"_s);
    }

    void reportUsesScoredStudentsAndMarks()
    {
        scores::Report report;
        report.questionCount = 2;
        report.questions = {{1, 2, 0, {}}, {2, 1, 0, {}}};
        report.marks = {2.5, 2.5};
        scores::StudentRow a;
        a.answers = {2, 1};
        a.scoreValue = 4; // 0 + 2.5 + 2.5 with halves to even after each addition
        scores::StudentRow b;
        b.answers = {2, 0};
        b.scoreValue = 4;           // earns 2.5 -> 2 now: stale
        scores::StudentRow started; // no score: not in the analysis
        started.answers = {2, 1};
        report.students = {a, b, started};
        const Analysis x = analyse(report);
        QCOMPARE(x.summary.students, 2);
        QCOMPARE(x.totals, (QList<double>{5, 2.5}));
        QCOMPARE(x.summary.staleScores, 1);
    }

    void quantilesAndHistogram()
    {
        QCOMPARE(*quantile({1, 2, 3, 4}, 0.25), 1.75);
        QCOMPARE(*quantile({1, 2, 3, 4}, 0.5), 2.5);
        QCOMPARE(*quantile({7}, 0.75), 7.0);
        QVERIFY(!quantile({}, 0.5));

        // Up to 25 points: one bar per point, the full score in a bar of its own.
        const QList<Bin> small = histogram({0, 3, 3, 10}, 10);
        QCOMPARE(small.size(), 11);
        QCOMPARE(small.at(3).count, 2);
        QCOMPARE(small.at(10).count, 1);
        // 100 points: bars five wide.
        const QList<Bin> large = histogram({0, 4.5, 5, 99, 100}, 100);
        QCOMPARE(large.size(), 21);
        QCOMPARE(large.at(0).count, 2);
        QCOMPARE(large.at(1).count, 1);
        QCOMPARE(large.at(19).count, 1);
        QCOMPARE(large.at(20).count, 1);
        QCOMPARE(large.at(20).from, 100.0);
    }
};

QTEST_GUILESS_MAIN(TestItemAnalysis)
#include "tst_itemanalysis.moc"
