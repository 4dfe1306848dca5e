#include "answerrecord.h"
#include "paperfile.h"
#include "profile.h"
#include "prompt.h"
#include "recordcheck.h"
#include "regrade.h"
#include "regradedialog.h"
#include "scorereport.h"
#include "scoresdialog.h"
#include "scoring.h"
#include "testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Catalogue = "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n"
                             "[ClassCount]\r\nG=6\r\n[FirstNumber]\r\nG=1\r\n[LastNumber]\r\nG=6\r\n"
                             "[TestName]\r\nTestNameCount=1\r\n1=P\r\nP=1\r\n";

// Marks 5, 5, 10, 5. The test was sat with key 13 for question 2; the teacher then corrects
// it to 12 and voids question 4.
const QByteArray PaperSat =
    "[MAIN]\r\nQuestion_conut= 4\r\nMark= 5\r\nTESTTIME=30\r\n"
    "[1]\r\nANSWER=2\r\n[2]\r\nANSWER=13\r\n[3]\r\nANSWER=4\r\nmark=10\r\n[4]\r\nANSWER=1\r\n";
const QByteArray PaperCorrected = "[MAIN]\r\nQuestion_conut= 4\r\nMark= 5\r\nTESTTIME=30\r\n"
                                  "[1]\r\nANSWER=2\r\n[2]\r\nANSWER=12\r\n[3]\r\nANSWER=4\r\nmark=10\r\n"
                                  "[4]\r\nANSWER=1\r\nVOID=1\r\n";

struct Student
{
    int number;
    QList<qint16> answers;
    qint16 score; ///< as Examdesk wrote it (student 4's was edited by hand)
};
// Scores computed by hand: sat (key 13) / corrected, void right / corrected, void left out.
//   1: {2,13,4,1}  25 / 20 / 15
//   2: {2,12,4,0}  15 / 25 / 20
//   3: {1,13,0,1}  10 /  5 /  0
//   4: {2,13,4,1}  99 (edited) / 20 / 15
const QList<Student> Finished = {
    {1, {2, 13, 4, 1}, 25}, {2, {2, 12, 4, 0}, 15}, {3, {1, 13, 0, 1}, 10}, {4, {2, 13, 4, 1}, 99}};

void writeTree(const TestDataRoot &root)
{
    root.write(QStringLiteral("sys/sys.cho"), Catalogue);
    root.write(QStringLiteral("SHIJUAN/P/P.cho"), PaperSat);
    root.write(QStringLiteral("CHENGJI/P/.keep"), "");
    const QString digest =
        scoring::digest(scoring::marking(profile::Snapshot(root.file(QStringLiteral("SHIJUAN/P/P.cho")))));
    for (const Student &s : Finished) {
        const record::Id id{QStringLiteral("P"), QStringLiteral("G"), QString::number(s.number)};
        QVERIFY(record::identify(id, QStringLiteral("Name%1").arg(s.number), QString()));
        QVERIFY(record::startAttempt(id, QDateTime::currentDateTime(), {600, 1, s.answers, {1, 2, 3, 4}}));
        QVERIFY(record::finish(id, QStringLiteral("00:10:00"), s.answers, s.score, digest));
    }
    const record::Id sitting{QStringLiteral("P"), QStringLiteral("G"), QStringLiteral("5")};
    QVERIFY(
        record::startAttempt(sitting, QDateTime::currentDateTime(), {600, 1, {2, 0, 0, 0}, {1, 2, 3, 4}}));
    root.write(QStringLiteral("SHIJUAN/P/P.cho"), PaperCorrected);
}

QString df(const TestDataRoot &root, int number)
{
    return profile::readValue(root.file(QStringLiteral("CHENGJI/P/G%1.cho").arg(number)), QStringLiteral("G"),
                              QStringLiteral("%1DF").arg(number));
}

QStringList column(const QTableWidget *table, int c)
{
    QStringList texts;
    for (int r = 0; r < table->rowCount(); ++r)
        texts.append(table->item(r, c)->text());
    return texts;
}

} // namespace

class TestRegrade final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void finishWritesTheDigestBesideTheScore()
    {
        TestDataRoot root;
        root.write(QStringLiteral("CHENGJI/P/.keep"), "");
        const record::Id id{QStringLiteral("P"), QStringLiteral("G"), QStringLiteral("7")};
        QVERIFY(record::finish(id, QStringLiteral("00:01:00"), {1}, 5, QStringLiteral("abcd1234")));
        const QStringList keys = keysOf(root.read(QStringLiteral("CHENGJI/P/G7.cho")), "G");
        QCOMPARE(keys, (QStringList{QStringLiteral("7TIME2"), QStringLiteral("7DA1"),
                                    QStringLiteral("7DFKEY"), QStringLiteral("7DF")}));
        QCOMPARE(record::readResult(id, 1).digest, QStringLiteral("abcd1234"));
    }

    void voidFlagTravelsWithTheQuestion()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("p.cho"));
        paper::QuestionTable table;
        table.questions = {{QStringLiteral("1.RTF"), QStringLiteral("2.RTF"), QStringLiteral("1"), {}},
                           {QStringLiteral("3.RTF"), QStringLiteral("4.RTF"), QStringLiteral("2"), {}}};
        QVERIFY(paper::saveQuestions(file, table));
        QVERIFY(!root.read(QStringLiteral("p.cho")).contains("VOID")); // older copies see the old form
        table.questions[1].isVoid = true;
        QVERIFY(paper::saveQuestions(file, table));
        std::swap(table.questions[0], table.questions[1]); // moved up in the editor
        QVERIFY(paper::saveQuestions(file, table));
        paper::QuestionTable back;
        paper::loadQuestions(file, back);
        QVERIFY(back.questions.at(0).isVoid);
        QVERIFY(!back.questions.at(1).isVoid);
        QCOMPARE(profile::readValue(file, QStringLiteral("2"), QStringLiteral("VOID")), QStringLiteral("0"));
    }

    void previewBothWaysOfVoiding()
    {
        TestDataRoot root;
        writeTree(root);
        const QByteArray before = root.read(QStringLiteral("CHENGJI/P/G1.cho"));
        regrade::Preview p =
            regrade::preview(QStringLiteral("P"), QStringLiteral("G"), scoring::VoidRule::CountAsRight);
        QCOMPARE(p.finished, 4);
        QCOMPARE(p.stillTesting, 1);
        QCOMPARE(p.changedCount(), 4);
        QStringList order;
        QList<int> scores;
        for (const regrade::Line &l : p.lines) {
            order.append(l.number);
            scores.append(l.stillTesting ? -1 : l.newScore);
        }
        QCOMPARE(order, (QStringList{u"2"_s, u"1"_s, u"3"_s, u"4"_s, u"5"_s}));
        QCOMPARE(scores, (QList<int>{25, 20, 5, 20, -1}));
        QCOMPARE(p.lines.at(3).difference, -79.0);
        QCOMPARE(p.lines.at(0).questions, QStringLiteral("4 (void), keys or marks"));
        QVERIFY(p.lines.at(4).stillTesting);

        p = regrade::preview(QStringLiteral("P"), QStringLiteral("G"), scoring::VoidRule::DropOut);
        QHash<QString, int> dropped;
        for (const regrade::Line &l : p.lines)
            dropped.insert(l.number, l.newScore);
        QCOMPARE(dropped.value(u"1"_s), 15);
        QCOMPARE(dropped.value(u"2"_s), 20);
        QCOMPARE(dropped.value(u"3"_s), 0);
        QCOMPARE(dropped.value(u"4"_s), 15);
        QCOMPARE(scoring::fullMark(p.marking), 20.0);
        // A preview writes nothing.
        QCOMPARE(root.read(QStringLiteral("CHENGJI/P/G1.cho")), before);
        QVERIFY(!root.exists(QStringLiteral("CHENGJI/P/regrade.log")));
    }

    void applyWritesOnceAndLogs()
    {
        TestDataRoot root;
        writeTree(root);
        // Before the regrade the checks tell the corrected key from the edited score.
        scores::Report report = scores::loadReport(QStringLiteral("P"), QStringLiteral("G"));
        QCOMPARE(int(report.students.at(0).check.kind), int(scores::CheckKind::KeyChanged));
        QCOMPARE(int(report.students.at(3).check.kind), int(scores::CheckKind::KeyChanged));

        const regrade::Preview p =
            regrade::preview(QStringLiteral("P"), QStringLiteral("G"), scoring::VoidRule::CountAsRight);
        const QByteArray sitting = root.read(QStringLiteral("CHENGJI/P/G5.cho"));
        const regrade::Outcome out =
            regrade::apply(p, QStringLiteral("ROOM12"), QDateTime(QDate(2026, 3, 2), QTime(10, 0)));
        QCOMPARE(out.written, 4);
        QCOMPARE(out.skipped, 0);
        QVERIFY(out.failed.isEmpty());
        QCOMPARE(df(root, 1), QStringLiteral("20"));
        QCOMPARE(df(root, 2), QStringLiteral("25"));
        QCOMPARE(df(root, 3), QStringLiteral("5"));
        QCOMPARE(df(root, 4), QStringLiteral("20"));
        QVERIFY(root.read(QStringLiteral("CHENGJI/P/G4.cho")).contains("4DF= 20\r\n"));
        QCOMPARE(profile::readValue(root.file(QStringLiteral("CHENGJI/P/G4.cho")), QStringLiteral("G"),
                                    QStringLiteral("4DFOLD")),
                 QStringLiteral("99"));
        QCOMPARE(root.read(QStringLiteral("CHENGJI/P/G5.cho")), sitting);
        QCOMPARE(profile::readValue(root.file(QStringLiteral("SHIJUAN/P/P.cho")), QStringLiteral("MAIN"),
                                    QStringLiteral("VOID_RULE")),
                 QStringLiteral("0"));
        const QList<QByteArray> log = root.read(QStringLiteral("CHENGJI/P/regrade.log")).split('\n');
        QCOMPARE(log.size(), 5); // four lines and the end
        QCOMPARE(log.at(0).trimmed(), QByteArray("2026-03-02 10:00:00\tROOM12\tG2.cho G 2\t15\t25\tchanged: "
                                                 "questions 4 (void), keys or marks"));

        // After the regrade every record agrees with the paper.
        report = scores::loadReport(QStringLiteral("P"), QStringLiteral("G"));
        for (const scores::StudentRow &row : report.students)
            QVERIFY2(row.check.kind == scores::CheckKind::Agrees, qPrintable(row.number + row.check.text));
        QCOMPARE(report.students.at(1).score, QStringLiteral("25"));
        QCOMPARE(report.students.at(1).rank, QStringLiteral("1"));

        // A second run finds nothing, and writes nothing.
        const regrade::Preview again =
            regrade::preview(QStringLiteral("P"), QStringLiteral("G"), scoring::VoidRule::CountAsRight);
        QCOMPARE(again.changedCount(), 0);

        // Now dropping the void question: the kept keys tell exactly which question changed.
        const regrade::Preview drop =
            regrade::preview(QStringLiteral("P"), QStringLiteral("G"), scoring::VoidRule::DropOut);
        QCOMPARE(drop.changedCount(), 4);
        QCOMPARE(drop.lines.at(0).questions, QStringLiteral("4"));
    }

    void recordsChangedMeanwhileAreLeftAlone()
    {
        TestDataRoot root;
        writeTree(root);
        const regrade::Preview p =
            regrade::preview(QStringLiteral("P"), QStringLiteral("G"), scoring::VoidRule::CountAsRight);
        // Student 2 starts a retest and student 3 is mended by hand before OK.
        const record::Id two{QStringLiteral("P"), QStringLiteral("G"), QStringLiteral("2")};
        QVERIFY(
            record::startAttempt(two, QDateTime::currentDateTime(), {600, 1, {0, 0, 0, 0}, {1, 2, 3, 4}}));
        QVERIFY(profile::writeValue(root.file(QStringLiteral("CHENGJI/P/G3.cho")), QStringLiteral("G"),
                                    QStringLiteral("3DF"), QStringLiteral(" 7")));
        const regrade::Outcome out = regrade::apply(p, QStringLiteral("X"), QDateTime::currentDateTime());
        QCOMPARE(out.written, 2);
        QCOMPARE(out.skipped, 2);
        QCOMPARE(df(root, 2), QStringLiteral("15"));
        QCOMPARE(df(root, 3), QStringLiteral("7"));
    }

    void paperWithoutKeys()
    {
        TestDataRoot root;
        writeTree(root);
        root.write(QStringLiteral("SHIJUAN/P/P.cho"), "[MAIN]\r\nQuestion_conut= 4\r\nMark= 5\r\n");
        const regrade::Preview p =
            regrade::preview(QStringLiteral("P"), QStringLiteral("G"), scoring::VoidRule::CountAsRight);
        QVERIFY(p.noKeys);
        RegradeDialog dialog(QStringLiteral("P"), QStringLiteral("G"));
        QVERIFY(!requireChild<QPushButton>(&dialog, QStringLiteral("CmdRegradeOk"))->isEnabled());
        QVERIFY(requireChild<QLabel>(&dialog, QStringLiteral("LabRegradeSummary"))
                    ->text()
                    .contains(QStringLiteral("no answer keys")));
    }

    void regradeFromTheScoresWindow()
    {
        TestDataRoot root;
        writeTree(root);
        prompt::ScopedScript script;
        ScoresDialog window;
        window.show();
        QTRY_COMPARE(window.report().students.size(), 6);
        QCOMPARE(window.report().students.at(1).score, QStringLiteral("15"));
        QStringList seen;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<RegradeDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *table = requireChild<QTableWidget>(dialog, QStringLiteral("RegradeList"));
            seen = column(table, 0);
            QCOMPARE(column(table, 4).first(), QStringLiteral("+10"));
            QCOMPARE(column(table, 5).last(), QStringLiteral("still testing"));
            requireChild<QRadioButton>(dialog, QStringLiteral("OptVoidDrop"))->click();
            QCOMPARE(table->item(0, 3)->text(), QStringLiteral("20"));
            requireChild<QPushButton>(dialog, QStringLiteral("CmdRegradeOk"))->click();
        });
        requireChild<QPushButton>(&window, QStringLiteral("CmdRegrade"))->click();
        QCOMPARE(seen, (QStringList{u"2"_s, u"1"_s, u"3"_s, u"4"_s, u"5"_s}));
        QCOMPARE(script->texts(), QStringList{QStringLiteral("4 scores were changed.")});
        QCOMPARE(window.report().students.at(1).score, QStringLiteral("20"));
        QCOMPARE(profile::readValue(root.file(QStringLiteral("SHIJUAN/P/P.cho")), QStringLiteral("MAIN"),
                                    QStringLiteral("VOID_RULE")),
                 QStringLiteral("1"));
    }
};

QTEST_MAIN(TestRegrade)
#include "tst_regrade.moc"
