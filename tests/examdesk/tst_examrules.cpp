#include "examrules.h"

#include <QTest>

#include <algorithm>

using namespace examdesk;

namespace {

Choices of(std::initializer_list<int> choices)
{
    Choices set = 0;
    for (const int c : choices)
        set |= 1u << (c - 1);
    return set;
}

paper::Question question(const QString &key, const QString &mark = QString())
{
    return {QStringLiteral("1.RTF"), QStringLiteral("2.RTF"), key, mark};
}

} // namespace

class TestExamRules : public QObject
{
    Q_OBJECT

private slots:
    void ordersArePermutations()
    {
        std::mt19937 generator(7);
        QCOMPARE(newAttemptOrder(4, 0, generator), (QList<qint16>{1, 2, 3, 4}));
        QCOMPARE(newAttemptOrder(4, 2, generator), (QList<qint16>{1, 2, 3, 4}));
        QVERIFY(shuffledOrder(0, generator).isEmpty());
        QCOMPARE(shuffledOrder(1, generator), QList<qint16>{1});
        int unchanged = 0;
        for (int round = 0; round < 200; ++round) {
            const int n = 1 + round % 40;
            QList<qint16> order = newAttemptOrder(n, 1, generator);
            const QList<qint16> drawn = order;
            std::sort(order.begin(), order.end());
            QCOMPARE(order, paperOrder(n));
            if (n >= 10 && drawn == paperOrder(n))
                ++unchanged;
        }
        QCOMPARE(unchanged, 0);
    }

    void answerCodesStayInRange()
    {
        QCOMPARE(*answerCode(0), qint16(0));
        QCOMPARE(*answerCode(of({1, 3})), qint16(13));
        QCOMPARE(*answerCode(of({3, 1})), qint16(13));
        QCOMPARE(*answerCode(of({1, 2, 3, 4, 5})), qint16(12345));
        QCOMPARE(*answerCode(of({2, 4, 5, 6, 7})), qint16(24567));
        QVERIFY(!answerCode(of({3, 4, 5, 6, 7})));
        QVERIFY(!answerCode(of({1, 2, 3, 4, 5, 6})));
        QVERIFY(!answerCode(of({1, 2, 3, 4, 5, 6, 7})));
        // Every code that can be formed reads back as the same choices.
        for (Choices set = 0; set < 128; ++set) {
            if (const auto code = answerCode(set))
                QCOMPARE(choicesOf(*code), set);
        }
        QCOMPARE(choicesOf(0), Choices(0));
    }

    void scoringIsExactWithoutPartialCredit()
    {
        const QList<paper::Question> questions = {
            question(QStringLiteral("13")),      question(QStringLiteral("31")),
            question(QStringLiteral("1234567")), question(QString()),
            question(QStringLiteral("0")),       question(QStringLiteral("2"), QStringLiteral("7")),
        };
        // Only the exact code scores; "31" and 1234567 never can; no key scores when unanswered.
        QCOMPARE(score(questions, {13, 13, 12345, 0, 0, 2}, 5), qint16(5 + 5 + 5 + 7));
        QCOMPARE(score(questions, {1, 13, 0, 4, 1, 3}, 5), qint16(0));
        QCOMPARE(score(questions, {134, 0, 0, 0, 0, 0}, 5), qint16(10));
        QCOMPARE(score(questions, {}, 5), qint16(10)); // missing codes count as unanswered
        QVERIFY(!answerMatches(QStringLiteral("1.3"), 1));
        QVERIFY(answerMatches(QStringLiteral(" 13 "), 13));
    }

    void marksRoundHalvesToEvenAfterEachAddition()
    {
        const QList<paper::Question> halves = {question(QStringLiteral("1"), QStringLiteral("2.5")),
                                               question(QStringLiteral("1"), QStringLiteral("2.5"))};
        QCOMPARE(score(halves, {1, 1}, 5), qint16(4)); // 0 + 2.5 -> 2, 2 + 2.5 -> 4
        QCOMPARE(score(halves, {1, 0}, 5), qint16(2));
        const QList<paper::Question> mixed = {question(QStringLiteral("1"), QStringLiteral("3.5")),
                                              question(QStringLiteral("1")),
                                              question(QStringLiteral("1"), QStringLiteral("-2"))};
        QCOMPARE(score(mixed, {1, 1, 1}, 6), qint16(4 + 6 - 2));
        // A total beyond 16 bits is clamped, never wrapped.
        QList<paper::Question> many(3, question(QStringLiteral("1"), QStringLiteral("20000")));
        QCOMPARE(score(many, {1, 1, 1}, 0), qint16(32767));
    }

    void selectorFollowsThePosition()
    {
        QCOMPARE(selectorMaximum(25), 20);
        QCOMPARE(selectorMaximum(20), 20);
        QCOMPARE(selectorMaximum(9), 0);
        QCOMPARE(selectorMaximum(-3), 0);
        QCOMPARE(selectorValueFor(0, 20), 0);
        QCOMPARE(selectorValueFor(0, 21), 10); // 11..30 shown
        QCOMPARE(selectorValueFor(10, 10), 0); // back below the first shown
        QCOMPARE(selectorValueFor(10, 30), 10);
        QCOMPARE(selectorValueFor(0, 157), 140); // a resume far into the paper still shows it
        QCOMPARE(selectorValueFor(140, 3), 0);
        QCOMPARE(selectorValueFor(0, 1), 0);
    }

    void finishMessages()
    {
        QCOMPARE(finishMessage(true, 30, 25, true),
                 QStringLiteral("        The test full mark is: 30\n        Your test mark is: 25          \n"
                                "            Good Bye!"));
        QCOMPARE(finishMessage(false, 30, 25, true),
                 QStringLiteral("        Your test mark is saved.          \n"
                                "       Thank you very much! Good Bye!         "));
        for (const bool display : {true, false}) {
            const QString unsaved = finishMessage(display, 30, 0, false);
            QVERIFY(!unsaved.contains(QStringLiteral("is saved")));
            QVERIFY(unsaved.contains(QStringLiteral("NOT saved")));
            QCOMPARE(unsaved.contains(QStringLiteral("Your test mark is: 0")), display);
        }
    }
};

QTEST_GUILESS_MAIN(TestExamRules)
#include "tst_examrules.moc"
