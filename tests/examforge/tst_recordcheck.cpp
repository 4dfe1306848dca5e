#include "answerrecord.h"
#include "excelexport.h"
#include "liveroom.h"
#include "liveview.h"
#include "profile.h"
#include "recordcheck.h"
#include "scorereport.h"
#include "scoresdialog.h"
#include "scoring.h"
#include "testsupport.h"
#include "workbook.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Catalogue = "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n"
                             "[ClassCount]\r\nG=7\r\n[FirstNumber]\r\nG=1\r\n[LastNumber]\r\nG=7\r\n"
                             "[TestName]\r\nTestNameCount=1\r\n1=P\r\nP=1\r\n";

// Four questions worth 5, 5, 10 and 5: keys 2, 13, 4, 1. Thirty minutes.
const QByteArray Paper =
    "[MAIN]\r\nQuestion_conut= 4\r\nMark= 5\r\nTESTTIME=30\r\n"
    "[1]\r\nANSWER=2\r\n[2]\r\nANSWER=13\r\n[3]\r\nANSWER=4\r\nmark=10\r\n[4]\r\nANSWER=1\r\n";

QByteArray finished(int n, const QList<int> &answers, const QByteArray &score, const QByteArray &extra = {},
                    const QByteArray &timeLeft = "00:10:00")
{
    const QByteArray N = QByteArray::number(n);
    QByteArray text = "[G]\r\n" + N + "=Name" + N + "\r\n" + N + "TIME1=2026,03,02  09:00:00\r\n";
    for (int j = 0; j < answers.size(); ++j)
        text += N + "DA" + QByteArray::number(j + 1) + "=" + QByteArray::number(answers.at(j)) + "\r\n";
    if (!extra.contains("SX")) {
        for (int k = 1; k <= 4; ++k)
            text += N + "SX" + QByteArray::number(k) + "=" + QByteArray::number(5 - k) + "\r\n";
    }
    return text + extra + N + "TIME2=" + timeLeft + "\r\n" + N + "DF=" + score + "\r\n";
}

QString currentDigest(const TestDataRoot &root)
{
    return scoring::digest(scoring::marking(profile::Snapshot(root.file(QStringLiteral("SHIJUAN/P/P.cho")))));
}

/// Students 1..7 of class G: 1 agrees (25), 2 had the score edited, 3 was scored with other
/// keys, 4 has a damaged order, 5 more time left than the test has, 6 is sitting the test,
/// 7 has no record.
void writeTree(const TestDataRoot &root)
{
    root.write(QStringLiteral("sys/sys.cho"), Catalogue);
    root.write(QStringLiteral("SHIJUAN/P/P.cho"), Paper);
    const QByteArray digest = currentDigest(root).toLatin1();
    root.write(QStringLiteral("CHENGJI/P/G1.cho"),
               finished(1, {2, 13, 4, 1}, " 25", "1DFKEY=" + digest + "\r\n"));
    root.write(QStringLiteral("CHENGJI/P/G2.cho"),
               finished(2, {2, 0, 0, 0}, " 100", "2DFKEY=" + digest + "\r\n"));
    root.write(QStringLiteral("CHENGJI/P/G3.cho"), finished(3, {2, 13, 0, 1}, " 20", "3DFKEY=0badc0de\r\n"));
    root.write(QStringLiteral("CHENGJI/P/G4.cho"),
               finished(4, {0, 0, 0, 0}, " 0", "4SX1=1\r\n4SX2=1\r\n4SX3=3\r\n4SX4=4\r\n"));
    root.write(QStringLiteral("CHENGJI/P/G5.cho"), finished(5, {1, 1, 1, 1}, " 5", {}, "01:00:00"));
    root.write(QStringLiteral("CHENGJI/P/G6.cho"),
               "[G]\r\n6=Sam\r\n6LAST=Doe\r\n6TIME1=2026,03,02  09:00:00\r\n6TIME=00:20:00\r\n"
               "6DangQian=2\r\n6DA1=2\r\n6DA2=0\r\n6DA3=4\r\n6DA4=0\r\n");
}

record::Result result(const QList<qint16> &answers, const QString &score,
                      const QString &timeLeft = QStringLiteral("00:10:00"))
{
    record::Result r;
    r.answers = answers;
    r.scoreText = score;
    r.timeLeft = timeLeft;
    return r;
}

scores::CheckRules rules()
{
    scores::CheckRules rules;
    rules.marking.defaultMark = 5;
    rules.marking.questions = {{{}, {}, QStringLiteral("2"), {}},
                               {{}, {}, QStringLiteral("13"), QStringLiteral("2.5")}};
    rules.digest = scoring::digest(rules.marking);
    rules.limitSeconds = 1800;
    return rules;
}

void setModified(const QString &file, const QDateTime &when)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
}

} // namespace

class TestRecordCheck final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void voidQuestionsCountBothWays()
    {
        scoring::Marking m = rules().marking;
        m.questions.append({{}, {}, QStringLiteral("4"), QStringLiteral("10")});
        QCOMPARE(scoring::exactScore(m, {2, 13, 4}), 18.0); // 5 + 2.5 gives 8 (halves to even), + 10
        m.voided = {false, false, true};
        QCOMPARE(scoring::exactScore(m, {2, 0, 0}), 15.0);
        QCOMPARE(scoring::fullMark(m), 18.0);
        m.rule = scoring::VoidRule::DropOut;
        QCOMPARE(scoring::exactScore(m, {2, 13, 4}), 8.0);
        QCOMPARE(scoring::fullMark(m), 8.0);
    }

    void digestFollowsWhatScores()
    {
        scoring::Marking m = rules().marking;
        const QString base = scoring::digest(m);
        QCOMPARE(base.size(), 8);
        m.questions[1].answer = QStringLiteral(" 13 ");
        QCOMPARE(scoring::digest(m), base); // the same number
        m.questions[1].answer = QStringLiteral("12");
        QVERIFY(scoring::digest(m) != base);
        m = rules().marking;
        m.questions[0].mark = QStringLiteral("5"); // the default mark written out
        QCOMPARE(scoring::digest(m), base);
        m.voided = {true, false};
        const QString voidRight = scoring::digest(m);
        QVERIFY(voidRight != base);
        m.rule = scoring::VoidRule::DropOut;
        QVERIFY(scoring::digest(m) != voidRight);
    }

    void choiceCodes()
    {
        for (const qint16 code : {0, 1, 13, 1357, 12345})
            QVERIFY2(scoring::isChoiceCode(code), qPrintable(QString::number(code)));
        for (const qint16 code : {-1, 31, 8, 113, 10})
            QVERIFY2(!scoring::isChoiceCode(code), qPrintable(QString::number(code)));
    }

    void checksOfOneRecord_data()
    {
        QTest::addColumn<QList<qint16>>("answers");
        QTest::addColumn<QString>("score");
        QTest::addColumn<QString>("timeLeft");
        QTest::addColumn<QString>("digest");
        QTest::addColumn<QList<qint16>>("order");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        const QString current = rules().digest;
        const int agrees = int(scores::CheckKind::Agrees);
        const int mismatch = int(scores::CheckKind::Mismatch);
        const int changed = int(scores::CheckKind::KeyChanged);
        const QList<qint16> none;
        QTest::newRow("agrees") << QList<qint16>{2, 13} << " 8"
                                << "00:10:00" << current << QList<qint16>{2, 1} << agrees << "";
        QTest::newRow("older copy, no digest, no order") << QList<qint16>{2, 0} << " 5"
                                                         << "00:00:00"
                                                         << "" << none << agrees << "";
        QTest::newRow("score edited") << QList<qint16>{2, 0} << " 100"
                                      << "00:10:00" << current << none << mismatch
                                      << "The score 100 does not match the answers (scored 5)";
        QTest::newRow("score edited, older copy")
            << QList<qint16>{0, 0} << " 8"
            << "00:10:00"
            << "" << none << mismatch << "The score 8 does not match the answers (scored 0)";
        QTest::newRow("keys changed")
            << QList<qint16>{2, 12} << " 8"
            << "00:10:00"
            << "0badc0de" << none << changed << "The key changed after this record was scored: Regrade?";
        QTest::newRow("keys changed, score agrees") << QList<qint16>{2, 13} << " 8"
                                                    << "00:10:00"
                                                    << "0badc0de" << none << agrees << "";
        QTest::newRow("not a number")
            << QList<qint16>{2, 13} << " 8abc"
            << "00:10:00" << current << none << mismatch << "The score \"8abc\" is no number (scored 8)";
        QTest::newRow("no score") << QList<qint16>{2, 13} << ""
                                  << "00:10:00" << current << none << mismatch
                                  << "The record is finished but holds no score (scored 8)";
        QTest::newRow("order repeats") << QList<qint16>{2, 13} << " 8"
                                       << "00:10:00" << current << QList<qint16>{1, 1} << mismatch
                                       << "The question order is no arrangement of questions 1 to 2";
        QTest::newRow("order short") << QList<qint16>{2, 13} << " 8"
                                     << "00:10:00" << current << QList<qint16>{1} << mismatch
                                     << "The question order is no arrangement of questions 1 to 2";
        QTest::newRow("more time than the test")
            << QList<qint16>{2, 13} << " 8"
            << "00:30:01" << current << none << mismatch
            << "The time left 00:30:01 is more than the test time 00:30:00";
        QTest::newRow("time no time")
            << QList<qint16>{2, 13} << " 8"
            << "later" << current << none << mismatch << "The time left \"later\" is no time";
        QTest::newRow("answer no choice") << QList<qint16>{31, 0} << " 0"
                                          << "00:10:00" << current << none << mismatch
                                          << "The answer 31 to question 1 is no set of choices";
        QTest::newRow("two findings") << QList<qint16>{2, 0} << " 9"
                                      << "01:00:00" << current << none << mismatch
                                      << "The score 9 does not match the answers (scored 5)\n"
                                         "The time left 01:00:00 is more than the test time 00:30:00";
        QTest::newRow("not finished is not checked") << QList<qint16>{99, 0} << " 100"
                                                     << ""
                                                     << "x" << none << agrees << "";
    }

    void checksOfOneRecord()
    {
        QFETCH(QList<qint16>, answers);
        QFETCH(QString, score);
        QFETCH(QString, timeLeft);
        QFETCH(QString, digest);
        QFETCH(QList<qint16>, order);
        record::Result r = result(answers, score, timeLeft);
        r.digest = digest;
        r.order = order;
        const scores::Check check = scores::checkRecord(r, rules());
        QTEST(int(check.kind), "kind");
        QTEST(check.text, "text");
    }

    void scoresWindowMarksRecords()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog window;
        window.show();
        QTRY_COMPARE(window.report().students.size(), 7);
        auto *names = requireChild<QListWidget>(&window, QStringLiteral("List1"));
        auto *scoreList = requireChild<QListWidget>(&window, QStringLiteral("List2"));
        QCOMPARE(names->count(), 7);
        const QColor plain = names->item(0)->background().color();
        QCOMPARE(names->item(0)->toolTip(), QStringLiteral("1 Name1"));
        QVERIFY(names->item(1)->toolTip().endsWith(
            QStringLiteral("The score 100 does not match the answers (scored 5)")));
        QCOMPARE(scoreList->item(1)->toolTip(),
                 QStringLiteral("The score 100 does not match the answers (scored 5)"));
        QCOMPARE(scoreList->item(2)->toolTip(),
                 QStringLiteral("The key changed after this record was scored: Regrade?"));
        const QColor edited = names->item(1)->background().color();
        const QColor changed = names->item(2)->background().color();
        QVERIFY(edited != plain && changed != plain && edited != changed);
        QCOMPARE(scoreList->item(1)->background().color(), edited);
        QCOMPARE(names->item(3)->background().color(), edited); // order
        QCOMPARE(names->item(4)->background().color(), edited); // time
        QCOMPARE(names->item(5)->background(), QBrush());       // sitting: not checked
        // The marks are advice: the score column and ranks stay as stored.
        QCOMPARE(window.report().students.at(1).score, QStringLiteral("100"));
        QCOMPARE(window.report().students.at(1).rank, QStringLiteral("1"));
        // The mark follows the row through a sort.
        requireChild<QPushButton>(&window, QString::fromUtf8("CMD成绩"))->click();
        QCOMPARE(names->item(0)->text().left(1), QStringLiteral("2"));
        QCOMPARE(names->item(0)->background().color(), edited);
    }

    void exportAddsChecksSheet()
    {
        TestDataRoot root;
        writeTree(root);
        const scores::Report report = scores::loadReport(QStringLiteral("P"), QStringLiteral("G"));
        Workbook book(QStringLiteral(EXAM_ASSETS_DIR "/sys/score.xlt"));
        QVERIFY(book.isValid());
        const int before = book.sheetCount();
        QStringList names;
        for (int s = 1; s <= before; ++s)
            names.append(book.sheetName(s));
        QVERIFY(excelexport::fill(book, report));
        QVERIFY(excelexport::fillChecks(book, report));
        QCOMPARE(book.sheetCount(), before + 1);
        for (int s = 1; s <= before; ++s)
            QCOMPARE(book.sheetName(s), names.at(s - 1));
        const int sheet = before + 1;
        QCOMPARE(book.sheetName(sheet), QStringLiteral("Checks"));
        QCOMPARE(book.ensureSheet(QStringLiteral("checks")), sheet); // never twice

        const QString saved = root.file(QStringLiteral("out.xlsx"));
        QVERIFY(book.save(saved));
        const Workbook back(saved);
        QVERIFY(back.isValid());
        QCOMPARE(back.sheetCount(), before + 1);
        QCOMPARE(back.cell(sheet, QStringLiteral("B1")).toString(), QStringLiteral("P"));
        QCOMPARE(back.cell(sheet, QStringLiteral("E4")).toString(), QStringLiteral("Check"));
        QCOMPARE(back.cell(sheet, QStringLiteral("A5")).toDouble(), 1.0);
        QCOMPARE(back.cell(sheet, QStringLiteral("E5")).toString(), QStringLiteral("OK"));
        QCOMPARE(back.cell(sheet, QStringLiteral("D6")).toDouble(), 100.0);
        QCOMPARE(back.cell(sheet, QStringLiteral("E6")).toString(),
                 QStringLiteral("The score 100 does not match the answers (scored 5)"));
        QCOMPARE(back.cell(sheet, QStringLiteral("E7")).toString(),
                 QStringLiteral("The key changed after this record was scored: Regrade?"));
        QVERIFY(!back.cell(sheet, QStringLiteral("E10")).isValid()); // still sitting
        QVERIFY(!back.cell(sheet, QStringLiteral("E11")).isValid()); // no record
        // The four sheets of the template still hold what they held.
        QCOMPARE(back.cell(1, 6, 4).toDouble(), 25.0);
        QCOMPARE(book.ensureSheet(QStringLiteral("a/b")), 0);
    }

    void liveRoomReadsWhoIsSitting()
    {
        TestDataRoot root;
        writeTree(root);
        const QDateTime now = QDateTime::currentDateTime();
        setModified(root.file(QStringLiteral("CHENGJI/P/G6.cho")), now.addSecs(-30));
        live::Room room = live::read(QStringLiteral("P"), QStringLiteral("G"), now);
        QCOMPARE(room.students, 7);
        QCOMPARE(room.finished, 5);
        QCOMPARE(live::finishedText(room), QStringLiteral("Finished: 5 of 7"));
        QCOMPARE(room.sitting.size(), 1);
        const live::Sitting s = room.sitting.first();
        QCOMPARE(s.number, QStringLiteral("6"));
        QCOMPARE(s.name, QStringLiteral("Sam Doe"));
        QCOMPARE(s.answered, 2);
        QCOMPARE(s.questionCount, 4);
        QCOMPARE(s.timeLeft, QStringLiteral("00:20:00"));
        QVERIFY(!s.stale);
        QCOMPARE(live::lastSaveText(s), QStringLiteral("30 s ago"));

        setModified(root.file(QStringLiteral("CHENGJI/P/G6.cho")), now.addSecs(-200));
        room = live::read(QStringLiteral("P"), QStringLiteral("G"), now);
        QVERIFY(room.sitting.first().stale);
        QCOMPARE(live::lastSaveText(room.sitting.first()), QStringLiteral("No saves for 3 min"));

        setModified(root.file(QStringLiteral("CHENGJI/P/G6.cho")), now.addSecs(600));
        room = live::read(QStringLiteral("P"), QStringLiteral("G"), now);
        QVERIFY(room.sitting.first().clockAhead);
        QVERIFY(!room.sitting.first().stale);
        QCOMPARE(live::lastSaveText(room.sitting.first()),
                 QStringLiteral("Saved 10 min ahead of this clock"));
    }

    void liveRoomFollowsTheReadingRules()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        root.write(QStringLiteral("SHIJUAN/P/P.cho"), Paper);
        // Names and keys in other letter cases, quotes, a comment, a second section of the
        // same name (never read), answers beyond the paper and repeated keys.
        root.write(QStringLiteral("CHENGJI/P/g1.CHO"),
                   "\xEF\xBB\xBF[other]\r\n1TIME2=00:01:00\r\n[ g ]\n; 1TIME1=x\n1=\"Ann\"\n1time1=2026\r\n"
                   "1da1=2\r\n1DA1=0\r\n1DA2='13'\r\n1DA9=5\r\n1DA+3=1\r\n1TIME= 00:05:00 "
                   "\r\n[G]\r\n1TIME2=00:00:00\r\n");
        // Half-written or damaged records are no student sitting the test.
        root.write(QStringLiteral("CHENGJI/P/G2.cho"), QByteArray("\0\0\xff\xfe[G\r\n2TIME1", 15));
        root.write(QStringLiteral("CHENGJI/P/G3.cho"), "");
        // A record of a number outside the class is not counted.
        root.write(QStringLiteral("CHENGJI/P/G8.cho"), "[G]\r\n8TIME2=00:01:00\r\n");
        const live::Room room =
            live::read(QStringLiteral("P"), QStringLiteral("G"), QDateTime::currentDateTime());
        QCOMPARE(room.finished, 0);
        QCOMPARE(room.sitting.size(), 1);
        QCOMPARE(room.sitting.first().name, QStringLiteral("Ann"));
        QCOMPARE(room.sitting.first().answered, 2);
        QCOMPARE(room.sitting.first().timeLeft, QStringLiteral("00:05:00"));
        // The same keys as the profile reader sees them.
        const record::Result r =
            record::readResult({QStringLiteral("P"), QStringLiteral("G"), QStringLiteral("1")}, 4);
        QCOMPARE(r.firstName, room.sitting.first().name);
        QVERIFY(r.started);
        QVERIFY(r.timeLeft.isEmpty());
    }

    void liveViewFromTheScoresWindow()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog window;
        window.show();
        QTRY_COMPARE(window.report().students.size(), 7);
        requireChild<QPushButton>(&window, QStringLiteral("CmdLive"))->click();
        LiveView *view = window.liveView();
        QVERIFY(view);
        QCOMPARE(view->objectName(), QStringLiteral("LiveView"));
        QCOMPARE(view->windowTitle(), QStringLiteral("Testing now"));
        QTRY_VERIFY(view->isVisible());
        auto *table = requireChild<QTableWidget>(view, QStringLiteral("LiveList"));
        auto *finishedLabel = requireChild<QLabel>(view, QStringLiteral("LabFinished"));
        QCOMPARE(finishedLabel->text(), QStringLiteral("Finished: 5 of 7"));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("6"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("2 of 4"));
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("00:20:00"));
        QVERIFY(table->item(0, 4)->background() == QBrush());
        auto *timer = requireChild<QTimer>(view, QStringLiteral("TimerLive"));
        QCOMPARE(timer->interval(), 10000);
        QVERIFY(timer->isActive());

        // Student 7 starts; student 6's machine stops; the refresh button shows both.
        root.write(QStringLiteral("CHENGJI/P/G7.cho"), "[G]\r\n7=Tom\r\n7TIME1=2026,03,02  09:00:00\r\n");
        view->setClock([] { return QDateTime::currentDateTime().addSecs(300); });
        requireChild<QPushButton>(view, QStringLiteral("CmdLiveRefresh"))->click();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 4)->text(), QStringLiteral("No saves for 5 min"));
        QVERIFY(table->item(0, 4)->background() != QBrush());
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("Tom"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("0 of 4"));

        requireChild<QPushButton>(view, QStringLiteral("CmdLiveClose"))->click();
        QTRY_VERIFY(!view->isVisible());
        QVERIFY(!timer->isActive());
    }
};

QTEST_MAIN(TestRecordCheck)
#include "tst_recordcheck.moc"
