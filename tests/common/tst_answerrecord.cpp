#include "answerrecord.h"
#include "paths.h"
#include "profile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <atomic>
#include <thread>

using namespace record;

class TestAnswerRecord : public QObject
{
    Q_OBJECT

private slots:
    void statesFollowTheKeysPresent()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/Unit3/.keep"), {});
        const Id id{QStringLiteral("Unit3"), QStringLiteral("Grade2A"), QStringLiteral("17")};
        QCOMPARE(path(id), root.file(QStringLiteral("CHENGJI/Unit3/Grade2A17.cho")));
        QCOMPARE(state(id), State::None);
        QVERIFY(identify(id, QStringLiteral(" Ann "), QString()));
        QCOMPARE(state(id), State::Identified);
        QVERIFY(stampStart(id, QDateTime(QDate(2004, 5, 6), QTime(14, 3, 22))));
        QCOMPARE(profile::readValue(path(id), QStringLiteral("Grade2A"), QStringLiteral("17TIME1")),
                 QStringLiteral("2004,05,06  14:03:22"));
        QCOMPARE(state(id), State::Started);
        QVERIFY(finish(id, QStringLiteral("00:12:00"), {13, 0}, 0));
        QCOMPARE(state(id), State::Finished);
        QVERIFY(allowRetest(id));
        QCOMPARE(state(id), State::Started); // an empty TIME2 is not finished
        QCOMPARE(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A17.cho")),
                 QByteArray("[Grade2A]\r\n17=Ann\r\n17LAST=\r\n17TIME1=2004,05,06  14:03:22\r\n"
                            "17TIME2=\r\n17DA1=13\r\n17DA2=0\r\n17DF= 0\r\n"));
    }

    void twoStudentsShareOneFileInTwoSections()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/P/.keep"), {});
        const Id a{QStringLiteral("P"), QStringLiteral("Grade1"), QStringLiteral("12")};
        const Id b{QStringLiteral("P"), QStringLiteral("Grade11"), QStringLiteral("2")};
        QCOMPARE(path(a), path(b));
        QVERIFY(identify(a, QStringLiteral("Ann"), QStringLiteral("Lee")));
        QVERIFY(identify(b, QStringLiteral("Bob"), QStringLiteral("Ray")));
        QVERIFY(finish(b, QStringLiteral("00:01:00"), {1}, 5));
        QCOMPARE(readResult(a, 1).firstName, QStringLiteral("Ann"));
        QVERIFY(!readResult(a, 1).score);
        QCOMPARE(*readResult(b, 1).score, 5.0);
        // Deleting one student's record keeps the other's.
        QVERIFY(remove(b));
        QCOMPARE(state(b), State::None);
        QCOMPARE(readResult(a, 1).lastName, QStringLiteral("Lee"));
        QVERIFY(remove(a));
        QVERIFY(!root.exists(QStringLiteral("CHENGJI/P/Grade112.cho")));
    }

    void progressRoundTripAndZeroQuestions()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/P/.keep"), {});
        const Id id{QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("3")};
        Progress p{1785, 2, {13, 0, 7}, {3, 1, 2}};
        QVERIFY(saveProgress(id, p));
        const Progress back = resume(id, 3, 1800);
        QCOMPARE(back.secondsLeft, qint64(1785));
        QCOMPARE(int(back.position), 2);
        QCOMPARE(back.answers, p.answers);
        QCOMPARE(back.order, p.order);

        const Id empty{QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("4")};
        QVERIFY(saveProgress(empty, {60, 1, {}, {}}));
        QVERIFY(finish(empty, QStringLiteral("00:00:00"), {}, 0));
        const QByteArray bytes = root.read(QStringLiteral("CHENGJI/P/C4.cho"));
        QVERIFY(!bytes.contains("DA"));
        QVERIFY(!bytes.contains("SX"));
    }

    void startOfAnAttemptCarriesItsFirstSave()
    {
        TestDataRoot root;
        // A retest: the earlier score stays until the new finish, but the finish mark goes, so
        // a retest that breaks off is resumed like any other attempt.
        root.write(QStringLiteral("CHENGJI/P/C6.cho"),
                   "[C]\r\n6=Ann\r\n6TIME2=00:01:00\r\n6DA1=2\r\n6DF= 5\r\n");
        const Id id{QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("6")};
        QVERIFY(startAttempt(id, QDateTime(QDate(2026, 3, 2), QTime(9, 5, 0)), {1800, 1, {0, 0}, {2, 1}}));
        QCOMPARE(root.read(QStringLiteral("CHENGJI/P/C6.cho")),
                 QByteArray(
                     "[C]\r\n6=Ann\r\n6TIME2=\r\n6DA1=0\r\n6DF= 5\r\n6TIME1=2026,03,02  09:05:00\r\n"
                     "6TIME=00:30:00\r\n6DangQian=1\r\n6DA2=0\r\n6SX1=2\r\n6SX2=1\r\n"));
        QCOMPARE(state(id), State::Started);
        QCOMPARE(*readResult(id, 2).score, 5.0);
        QCOMPARE(resume(id, 2, 60).order, (QList<qint16>{2, 1}));
        // Nothing is written where the record cannot be.
        QVERIFY(!startAttempt({QStringLiteral("Gone"), QStringLiteral("C"), QStringLiteral("6")}, QDateTime(),
                              {60, 1, {}, {}}));
    }

    void resumeFallsBackWhereTheSaveIsUnusable()
    {
        TestDataRoot root;
        const Id id{QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("5")};
        // Started, never saved: paper order, position 1, full time.
        root.write(QStringLiteral("CHENGJI/P/C5.cho"), "[C]\r\n5TIME1=2026,01,01  08:00:00\r\n");
        Progress p = resume(id, 3, 1800);
        QCOMPARE(p.order, (QList<qint16>{1, 2, 3}));
        QCOMPARE(int(p.position), 1);
        QCOMPARE(p.secondsLeft, qint64(1800));
        QCOMPARE(p.answers, (QList<qint16>{0, 0, 0}));
        // A damaged order and position.
        root.write(QStringLiteral("CHENGJI/P/C5.cho"),
                   "[C]\r\n5TIME=garbage\r\n5DangQian=9\r\n5SX1=2\r\n5SX2=2\r\n5SX3=1\r\n5DA2=24\r\n");
        p = resume(id, 3, 600);
        QCOMPARE(p.order, (QList<qint16>{1, 2, 3}));
        QCOMPARE(int(p.position), 1);
        QCOMPARE(p.secondsLeft, qint64(600));
        QCOMPARE(p.answers, (QList<qint16>{0, 24, 0}));
    }

    void resultOfAScoresRead()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/P/C7.cho"),
                   "[C]\r\n7=Ann\r\n7LAST=Lee\r\n7TIME2=00:05:00\r\n7DA1=13\r\n7DF= 85\r\n");
        const Result r = readResult({QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("7")}, 2);
        QCOMPARE(r.firstName, QStringLiteral("Ann"));
        QCOMPARE(r.timeLeft, QStringLiteral("00:05:00"));
        QCOMPARE(*r.score, 85.0);
        QCOMPARE(r.answers, (QList<qint16>{13, 0}));
        root.write(QStringLiteral("CHENGJI/P/C8.cho"), "[C]\r\n8DF=-1\r\n");
        QVERIFY(!readResult({QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("8")}, 0).score);
        root.write(QStringLiteral("CHENGJI/P/C9.cho"), "[C]\r\n9DF=\r\n");
        QVERIFY(!readResult({QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("9")}, 0).score);
    }

    void resultsOfAClass()
    {
        TestDataRoot root;
        // Copied from a case-insensitive disk: found whatever the letter case.
        root.write(QStringLiteral("CHENGJI/P/c7.CHO"), "[C]\r\n7=Ann\r\n7DA2=13\r\n7DF= 0\r\n");
        root.write(QStringLiteral("CHENGJI/P/C9.cho"), "[C]\r\n9=Bob\r\n9DF= 12\r\n");
        const QList<Result> results =
            readResults(QStringLiteral("P"), QStringLiteral(" C "),
                        {QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")}, 2);
        QCOMPARE(results.size(), 3);
        QCOMPARE(results[0].firstName, QStringLiteral("Ann"));
        QCOMPARE(*results[0].score, 0.0); // a score of 0 is a score
        QCOMPARE(results[0].answers, (QList<qint16>{0, 13}));
        QVERIFY(results[1].firstName.isEmpty());
        QVERIFY(!results[1].score);
        QCOMPARE(results[1].answers, (QList<qint16>{0, 0}));
        QCOMPARE(*results[2].score, 12.0);
    }

    // On a network folder a record being replaced can read as empty for a moment: a record
    // the folder lists is tried again before it counts as missing.
    void aListedRecordThatReadsEmptyIsTriedAgain()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/P/C7.cho"), {});
        std::thread writer([&root] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            root.write(QStringLiteral("CHENGJI/P/C7.cho"), "[C]\r\n7=Ann\r\n7DF= 5\r\n");
        });
        const QList<Result> results =
            readResults(QStringLiteral("P"), QStringLiteral("C"), {QStringLiteral("7"), QStringLiteral("8")}, 0);
        writer.join();
        QCOMPARE(results[0].firstName, QStringLiteral("Ann"));
        QCOMPARE(*results[0].score, 5.0);
        QVERIFY(results[1].firstName.isEmpty());
    }

    void aRecordThatCannotBeReadIsNeverTakenForNoRecord()
    {
        TestDataRoot root;
        const Id id{QStringLiteral("Unit3"), QStringLiteral("Grade2A"), QStringLiteral("7")};
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"), "[Grade2A]\r\n7=Ann\r\n7TIME1=x\r\n7SX1=1\r\n7DA1=4\r\n");
        QCOMPARE(state(id), State::Started);
        QCOMPARE(tryResume(id, 1, 60)->answers, QList<qint16>{4});

        // A record being replaced reads empty for a moment: the reader waits for it.
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"), {});
        std::thread writer([&root] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"), "[Grade2A]\r\n7=Ann\r\n7TIME1=x\r\n");
        });
        QCOMPARE(state(id), State::Started);
        writer.join();

        // There, but it does not open.
        QVERIFY(QFile::remove(root.file(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"))));
        QVERIFY(QDir().mkpath(root.file(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"))));
        QCOMPARE(state(id), State::Unreadable);
        QVERIFY(!tryResume(id, 1, 60));
        QCOMPARE(resume(id, 2, 60).order, (QList<qint16>{1, 2}));

        // The whole data tree is out of sight: the share is away.
        const Id other{QStringLiteral("Unit3"), QStringLiteral("Grade2A"), QStringLiteral("8")};
        QCOMPARE(state(other), State::None);
        paths::setProgramFolderForTesting(root.path() + QStringLiteral("/gone"));
        QCOMPARE(state(other), State::Unreadable);
        paths::setProgramFolderForTesting(root.path());
    }

    void aRecordTheShareFailsToShowIsNeverReplacedByAPartOne()
    {
        TestDataRoot root;
        const Id id{QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("3")};
        const QString file = root.file(QStringLiteral("CHENGJI/P/C3.cho"));
        root.write(QStringLiteral("CHENGJI/P/.keep"), {});
        QVERIFY(identify(id, QStringLiteral("Ann"), QString()));
        Saver saver(id, nullptr, {});
        Progress p;
        p.order = {2, 1};
        p.answers = {4, 0};
        QVERIFY(saver.wait(saver.submitProgress(p, QDateTime::currentDateTime()), 5000));

        // The record is out of sight for a moment: the finish is not written into a new file.
        QVERIFY(QFile::rename(file, file + QStringLiteral(".away")));
        const quint64 first = saver.submitFinish({QStringLiteral("00:10:00"), {4, 5}, 5});
        QVERIFY(!saver.wait(first, 5000));
        QVERIFY(!QFile::exists(file));
        // Back again: the next try writes it, and nothing of the attempt is gone.
        QVERIFY(QFile::rename(file + QStringLiteral(".away"), file));
        QVERIFY(saver.wait(saver.submitFinish({QStringLiteral("00:10:00"), {4, 5}, 5}), 5000));
        const QByteArray bytes = root.read(QStringLiteral("CHENGJI/P/C3.cho"));
        QVERIFY(bytes.startsWith("[C]\r\n3=Ann\r\n"));
        QVERIFY(bytes.contains("3TIME1="));
        QVERIFY(bytes.contains("3SX1=2\r\n"));
        QVERIFY(bytes.endsWith("3DF= 5\r\n"));

        // Writes that may make the record still do.
        QVERIFY(QFile::remove(file));
        profile::Batch required(file, profile::Existing::Required);
        required.write(QStringLiteral("C"), QStringLiteral("3"), QStringLiteral("Ann"));
        QVERIFY(!required.commit());
        QVERIFY(finish(id, QStringLiteral("00:01:00"), {1, 1}, 0));
        QVERIFY(QFile::exists(file));
    }

    void saverWritesTheNewestStateAndTheFinishLast()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/P/.keep"), {});
        const Id id{QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("3")};
        QObject context;
        QList<std::pair<quint64, bool>> told;
        quint64 last = 0;
        quint64 finishing = 0;
        {
            Saver saver(id, &context, [&told](quint64 s, bool ok) { told.append({s, ok}); });
            Progress p;
            p.order = {1, 2};
            for (qint16 v = 1; v <= 50; ++v) {
                p.answers = {v, qint16(v + 1)};
                p.position = qint16(1 + v % 2);
                last = saver.submitProgress(p, v == 1 ? std::optional<QDateTime>(QDateTime::currentDateTime())
                                                      : std::nullopt);
            }
            finishing = saver.submitFinish({QStringLiteral("00:10:00"), {7, 8}, 15});
            QVERIFY(saver.wait(finishing, 5000));
            QVERIFY(saver.wait(last, 0));
            QVERIFY(saver.writes() < 50); // states handed in meanwhile were not all written
            QCOMPARE(saver.failures(), 0);
        }
        const QByteArray bytes = root.read(QStringLiteral("CHENGJI/P/C3.cho"));
        QVERIFY(bytes.contains("3TIME1="));
        QVERIFY(bytes.contains("3DA1=7\r\n"));
        QVERIFY(bytes.contains("3DangQian=1\r\n")); // the 50th state
        QVERIFY(bytes.endsWith("3DF= 15\r\n"));
        // The outcomes reach the context's thread.
        QTRY_VERIFY(!told.isEmpty() && told.constLast().first == finishing && told.constLast().second);

        // A record that cannot be written says so, quickly, and is not retried on its own.
        QVERIFY(QDir(root.file(QStringLiteral("CHENGJI/P"))).removeRecursively());
        Saver failing(id, nullptr, {});
        const quint64 s = failing.submitFinish({QStringLiteral("00:00:00"), {}, 0});
        QVERIFY(!failing.wait(s, 5000));
        QVERIFY(failing.outcomeKnown(s));
        QCOMPARE(failing.failures(), 1);
    }

    void allowRetestMakesNoRecord()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/P/.keep"), {});
        const Id id{QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("4")};
        QVERIFY(allowRetest(id));
        QVERIFY(!root.exists(QStringLiteral("CHENGJI/P/C4.cho")));
        QVERIFY(identify(id, QStringLiteral("Ann"), QString()));
        const QByteArray before = root.read(QStringLiteral("CHENGJI/P/C4.cho"));
        QVERIFY(allowRetest(id)); // not finished: nothing to reopen
        QCOMPARE(root.read(QStringLiteral("CHENGJI/P/C4.cho")), before);
    }

    void aRecordBeingRewrittenIsReadWhole()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/P/.keep"), {});
        const Id id{QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("5")};
        constexpr int n = 200;
        QVERIFY(finish(id, QStringLiteral("00:01:00"), QList<qint16>(n, 1), 10));
        // Examdesk's finish, again and again: codes all 1 with score 10, or all 2 with 20.
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            for (int round = 0; !stop; ++round) {
                const qint16 v = round % 2 ? 2 : 1;
                finish(id, QStringLiteral("00:01:00"), QList<qint16>(n, v), qint16(10 * v));
            }
        });
        int torn = 0;
        for (int i = 0; i < 300; ++i) {
            const Result r =
                readResults(QStringLiteral("P"), QStringLiteral("C"), {QStringLiteral("5")}, n).first();
            const qint16 v = r.answers.value(0);
            if (!r.score || *r.score != 10.0 * v || r.answers != QList<qint16>(n, v))
                ++torn;
        }
        stop = true;
        writer.join();
        QCOMPARE(torn, 0);
    }
};

QTEST_GUILESS_MAIN(TestAnswerRecord)
#include "tst_answerrecord.moc"
