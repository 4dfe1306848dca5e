#include "answerrecord.h"
#include "examrules.h"
#include "examtestdata.h"
#include "examwindow.h"
#include "instructionswindow.h"
#include "paths.h"
#include "profile.h"
#include "prompt.h"
#include "scoring.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QTest>

namespace {

QString stored(const QString &key)
{
    return profile::readValue(record::path(examSession().recordId()), QStringLiteral("Grade2A"),
                              QStringLiteral("7") + key);
}

QString timer(ExamWindow *window)
{
    return requireChild<QLabel>(window, QStringLiteral("Lab_TIMER"))->text();
}

} // namespace

class TestExamFairness final : public QObject
{
    Q_OBJECT

private slots:
    void init() { paths::setRunningLocallyForTesting(1); }
    void cleanup()
    {
        prompt::ScopedScript noQuestions;
        closeAllWindows();
        paths::setRunningLocallyForTesting(-1);
    }

    void extraTimeStartsTheCountdownLater()
    {
        TestDataRoot root;
        writeExamPaper(root, 2, "TESTtime=30\r\n");
        prompt::ScopedScript script;
        examdesk::ExamSession session = examSession();
        session.extraTime = {1.5, 10};
        InstructionsWindow instructions(session, {});
        instructions.show();
        QCOMPARE(requireChild<QLabel>(&instructions, QStringLiteral("Lab考试总时间"))->text(),
                 QStringLiteral("30"));
        QCOMPARE(requireChild<QLabel>(&instructions, QStringLiteral("LabOwnTime"))->text(),
                 QStringLiteral("Your time: 00:55:00 (with extra time x1.5 +10 min)"));
        QVERIFY(requireChild<QLabel>(&instructions, QStringLiteral("LabOwnTime"))->isVisible());

        QPointer<ExamWindow> exam = new ExamWindow(session);
        exam->show();
        QCOMPARE(timer(exam), QStringLiteral("00:55:00"));
        QCOMPARE(stored(QStringLiteral("TIME")), QStringLiteral("00:55:00"));
        delete exam.data();

        // A resumed attempt goes on from the time it saved, extra time or not.
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"),
                   "[Grade2A]\r\n7=Ann\r\n7TIME1=2026,03,02  09:00:00\r\n7TIME=00:12:34\r\n");
        session.是否二次登录 = true;
        InstructionsWindow again(session, {});
        again.show();
        QVERIFY(!requireChild<QLabel>(&again, QStringLiteral("LabOwnTime"))->isVisible());
        exam = new ExamWindow(session);
        exam->show();
        QCOMPARE(timer(exam), QStringLiteral("00:12:34"));
        delete exam.data();
    }

    void finishScoresVoidQuestionsAndWritesTheDigest()
    {
        // Question 2 is void; the rule in the paper decides how it counts.
        for (const auto &[rule, expected] :
             {std::pair{QByteArray("0"), QByteArray(" 10")}, {QByteArray("1"), QByteArray(" 5")}}) {
            TestDataRoot root;
            writeExamPaper(root, 2,
                           "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\nDISPLAY_SCORE=0\r\nVOID_RULE=" + rule +
                               "\r\n",
                           {QStringLiteral("2"), QStringLiteral("3")});
            QByteArray paperFile = root.read(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"));
            paperFile.replace("[2]\r\n", "[2]\r\nVOID=1\r\n");
            root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"), paperFile);
            prompt::ScopedScript script;
            QPointer<ExamWindow> exam = new ExamWindow(examSession());
            exam->setExit([] {});
            exam->show();
            requireChild<QAbstractButton>(exam, QStringLiteral("Op_XZ(2)"))->click();
            script->queueAnswer(prompt::Answer::Yes);
            exam->close();
            QVERIFY(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"))
                        .endsWith("\r\n7DF=" + expected + "\r\n"));
            const QString digest = scoring::digest(
                scoring::marking(profile::Snapshot(root.file(QStringLiteral("SHIJUAN/Unit3/Unit3.cho")))));
            QCOMPARE(stored(QStringLiteral("DFKEY")), digest);
            delete exam.data();
        }
    }
};

QTEST_MAIN(TestExamFairness)
#include "tst_examfairness.moc"
