#include "scorecalc.h"

#include <QTest>

using namespace scores;

namespace {

QString rule(int n)
{
    return QString(n, u'_');
}

/// The value entry that follows a label in the statistics list, empty when the label is absent.
QString valueAfter(const QStringList &entries, const QString &label)
{
    const qsizetype at = entries.indexOf(label + rule(16));
    return at < 0 || at + 1 >= entries.size() ? QString() : entries.at(at + 1).chopped(16);
}

} // namespace

class TestScoreCalc : public QObject
{
    Q_OBJECT

private slots:
    void ranksShareAndSkip()
    {
        QCOMPARE(ranks({90, 85, 85, 70}), (QList<int>{1, 2, 2, 4}));
        QCOMPARE(ranks({70, 85, 90, 85}), (QList<int>{4, 2, 1, 2}));
        // Nobody has a score: every key is 0 and everybody shares rank 1.
        QCOMPARE(ranks({0, 0, 0}), (QList<int>{1, 1, 1}));
        QVERIFY(ranks({}).isEmpty());
    }

    void sortKeepsTiesInRowOrderReversed()
    {
        // Students 1..8; students 3 and 7 both have 85.
        const QList<double> scores{10, 20, 85, 30, 40, 50, 85, 60};
        const QList<int> down = sortOrder(scores, 0);
        QCOMPARE(down.mid(0, 2), (QList<int>{6, 2})); // student 7 before student 3
        QCOMPARE(down.last(), 0);
        QList<int> up = sortOrder(scores, 1);
        QCOMPARE(up.mid(6, 2), (QList<int>{2, 6}));
        std::reverse(up.begin(), up.end());
        QCOMPARE(up, down);
        QCOMPARE(sortOrder(scores, 2), sortOrder(scores, 1)); // any flag but 0 ascends

        // Text compares by character codes: capitals before small letters, empty first.
        const QStringList names{QStringLiteral("anna"), QStringLiteral("Zoe"), QString(), QStringLiteral("Bob")};
        QCOMPARE(sortOrder(names, 1), (QList<int>{2, 3, 1, 0}));
        // Time texts sort as texts.
        const QStringList times{QStringLiteral("00:09:59"), QString(), QStringLiteral("00:10:00")};
        QCOMPARE(sortOrder(times, 0), (QList<int>{2, 0, 1}));
    }

    void sortButtonsAlternate()
    {
        int flag = 0;
        QCOMPARE(pressSortButton(flag), 0); // first press descends
        QCOMPARE(flag, 2);
        QCOMPARE(pressSortButton(flag), 1);
        QCOMPARE(flag, 1);
        QCOMPARE(pressSortButton(flag), 0);
        // After a refresh the number column's flag is 2 and its sort ascends, so its next press descends.
        flag = 2;
        QCOMPARE(pressSortButton(flag), 1);
        QCOMPARE(pressSortButton(flag), 0);
    }

    void gradesAndStatistics()
    {
        const Thresholds t{90, 80, 70, 60};
        const Totals totals = tally({95.0, 80.0, 79.0, 60.0, 59.0, std::nullopt}, t);
        QCOMPARE(totals.grades, (std::array<int, GradeCount>{1, 1, 1, 1, 1}));
        QCOMPARE(totals.passed, 4);
        QCOMPARE(totals.scored, 5);
        QCOMPARE(totals.sum, 373.0);
        QCOMPARE(int(totals.highest), 95);
        QCOMPARE(int(totals.lowest), 59);

        const QStringList entries = statisticsEntries(totals);
        QCOMPARE(entries.size(), 32);
        QCOMPARE(entries.first(), QStringLiteral("Average Score") + rule(16));
        QCOMPARE(valueAfter(entries, QStringLiteral("Average Score")), QStringLiteral(" 74.6"));
        QCOMPARE(valueAfter(entries, QStringLiteral("Highest Score")), QStringLiteral(" 95"));
        QCOMPARE(valueAfter(entries, QStringLiteral("Lowest Score")), QStringLiteral(" 59"));
        QCOMPARE(valueAfter(entries, QStringLiteral("Amount of testees")), QStringLiteral(" 5"));
        QCOMPARE(valueAfter(entries, QStringLiteral("Sum Total score")), QStringLiteral(" 373"));
        QCOMPARE(valueAfter(entries, QStringLiteral("F grade")), QStringLiteral(" 1"));
        QCOMPARE(valueAfter(entries, QStringLiteral("Passed Students:")), QStringLiteral(" 4"));
        QCOMPARE(valueAfter(entries, QStringLiteral("A%")), QStringLiteral(" 20"));
        QCOMPARE(entries.last(), QStringLiteral(" 20") + rule(16));

        // The average is cut to six characters, percentages keep their decimals.
        const Totals thirds = tally({100.0, 0.0, 0.0}, t);
        const QStringList third = statisticsEntries(thirds);
        QCOMPARE(valueAfter(third, QStringLiteral("Average Score")), QStringLiteral(" 33.33"));
        QCOMPARE(valueAfter(third, QStringLiteral("A%")), QStringLiteral(" 33.3333333333333"));
        // A score of 0 counts (in grade F and as the lowest).
        QCOMPARE(thirds.scored, 3);
        QCOMPARE(int(thirds.lowest), 0);
        QCOMPARE(valueAfter(third, QStringLiteral("F%")), QStringLiteral(" 66.6666666666667"));

        // A paper without thresholds puts every scored student in grade A.
        QCOMPARE(tally({0.0, 12.0}, {}).grades[GradeA], 2);
    }

    void nobodyScored()
    {
        const Totals totals = tally({std::nullopt, std::nullopt}, {90, 80, 70, 60});
        QCOMPARE(int(totals.highest), 0);
        QCOMPARE(int(totals.lowest), 0);
        const QStringList entries = statisticsEntries(totals);
        QCOMPARE(entries.at(1), rule(16)); // the average's value entry is the rule alone
        QCOMPARE(valueAfter(entries, QStringLiteral("Lowest Score")), QStringLiteral(" 0"));
        QCOMPARE(entries.size(), 22); // no percentages
        QVERIFY(!entries.contains(QStringLiteral("A%") + rule(16)));
    }

    void largeClassesAndScores()
    {
        // Scores above 1000 still give the true lowest, and sums beyond 16 bits stay exact.
        QList<std::optional<double>> scores;
        for (int i = 0; i < 400; ++i)
            scores.append(1200.0 + i);
        const Totals totals = tally(scores, {90, 80, 70, 60});
        QCOMPARE(int(totals.lowest), 1200);
        QCOMPARE(int(totals.highest), 1599);
        QCOMPARE(totals.sum, 559800.0);
        QCOMPARE(valueAfter(statisticsEntries(totals), QStringLiteral("A%")), QStringLiteral(" 100"));
        QCOMPARE(valueAfter(statisticsEntries(totals), QStringLiteral("Average Score")), QStringLiteral(" 1399."));
    }

    void questionRatesAndChoices()
    {
        // Question 1 key 2, question 2 key 13, question 3 without key.
        const QList<qint16> keys{2, 13, 0};
        const QList<QList<qint16>> answers{{2, 135, 0}, {2, 13, 0}, {1, 67, 0}, {2, 13}};
        QList<QuestionStat> stats = questionStatistics(keys, answers, 3);
        QCOMPARE(stats.size(), 3);
        QCOMPARE(stats[0].number, 1);
        QCOMPARE(int(stats[0].key), 2);
        // Three correct (one of them without a score) over three scored students.
        QCOMPARE(int(stats[0].rate), 100);
        QCOMPARE(int(stats[1].rate), 67); // two correct of three
        QCOMPARE(int(stats[2].rate), 0);  // no key, even though nobody answered
        QCOMPARE(stats[1].choices, (std::array<int, 5>{3, 0, 3, 0, 1})); // 67 counts for none
        QCOMPARE(stats[2].choices, (std::array<int, 5>{}));
        QCOMPARE(int(questionStatistics(keys, answers, 0)[0].rate), 0);
        // Halves round to the even neighbour: 1 of 8 is 12.5.
        QCOMPARE(int(questionStatistics({1}, {{1}, {0}, {0}, {0}, {0}, {0}, {0}, {0}}, 8)[0].rate), 12);

        const std::array<int, 8> spread = answerDistribution({135, 13, 67, 0, 0, 2});
        QCOMPARE(spread, (std::array<int, 8>{2, 2, 1, 2, 0, 1, 1, 1}));
    }

    void ruledLines()
    {
        QCOMPARE(nameLine(QStringLiteral("7"), QStringLiteral("Ann"), QStringLiteral("Lee")),
                 QStringLiteral("7______|_Ann__Lee") + rule(29));
        QCOMPARE(nameLine(QStringLiteral("1234567"), QString(), QString()),
                 QStringLiteral("123456_|___") + rule(29));
        QCOMPARE(scoreLine(QStringLiteral("85"), QStringLiteral("2"), QStringLiteral("00:05:00")),
                 QStringLiteral("85_____|_2____|_00:05:00") + rule(20));
        QCOMPARE(scoreLine(QString(), QStringLiteral("3"), QString()), QStringLiteral("_______|______|_") + rule(20));
        QuestionStat q;
        q.number = 12;
        q.rate = 67;
        q.key = 13;
        QCOMPARE(questionLine(q), QStringLiteral(" 12_______|_ 67_______|_ 13") + rule(13));
        QCOMPARE(answerLine(135), QStringLiteral("135") + rule(16));
        QCOMPARE(scoreText(85), QStringLiteral("85"));
        QCOMPARE(scoreText(72.5), QStringLiteral("72.5"));
    }
};

QTEST_APPLESS_MAIN(TestScoreCalc)
#include "tst_scorecalc.moc"
