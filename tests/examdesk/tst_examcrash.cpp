#include "answerrecord.h"
#include "examtestdata.h"
#include "logintestdata.h"
#include "numbers.h"
#include "profile.h"
#include "vnckeyboard.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QProcess>
#include <QTest>

namespace {

/// The program under test, copied into the data root (its folder is its data root) and run on
/// Qt's VNC platform, so that the test can press keys in it.
class Program
{
public:
    explicit Program(const QString &path, bool ownSaves = false)
    {
        m_port = freePort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (ownSaves)
            env.insert(QStringLiteral("EXAMDESK_OWN_SAVES"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("vnc:addr=127.0.0.1:port=%1").arg(m_port));
        m_process.setProcessEnvironment(env);
        m_process.start(path, {});
        m_process.waitForStarted(5000);
    }
    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool connect() { return m_keys.connectTo(m_port); }
    bool running() const { return m_process.state() == QProcess::Running; }
    /// The class of the window that is active now, as the program reports it.
    QString active()
    {
        m_output += QString::fromUtf8(m_process.readAllStandardOutput());
        const QStringList lines = m_output.split(u'\n', Qt::SkipEmptyParts).filter(QStringLiteral("active"));
        return lines.isEmpty() ? QString() : lines.constLast().section(u' ', 1);
    }
    VncKeyboard &keys() { return m_keys; }
    QProcess &process() { return m_process; }

    /// The login as a student types it: number 7, first name Ann, Enter.
    void logIn()
    {
        m_keys.pressWithAlt('n');
        m_keys.type(QStringLiteral("7"));
        m_keys.pressWithAlt('f');
        m_keys.type(QStringLiteral("Ann"));
        m_keys.press(VncKeyboard::EnterKey);
    }

private:
    quint16 m_port = 0;
    QProcess m_process;
    VncKeyboard m_keys;
    QString m_output;
};

QString stored(const QString &key)
{
    return profile::readValue(record::path(examSession().recordId()), QStringLiteral("Grade2A"),
                              QStringLiteral("7") + key);
}

qint16 storedAnswer(int question)
{
    return qint16(stored(QStringLiteral("DA%1").arg(question)).toInt());
}

} // namespace

class TestExamCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedExamResumesOnRelogin()
    {
        TestDataRoot root;
        writeSchool(root);
        // Every open test complete, so the program starts without a warning about the tree.
        root.write(QStringLiteral("SHIJUAN/Unit4/Unit4.cho"), "[MAIN]\r\n");
        writeExamPaper(root, 5, "TESTtime=30\r\nRELOGINPASSWD=358\r\nDISPLAY_SCORE=1\r\n");
        const QString program = root.file(QStringLiteral("examdesk"));
        QVERIFY(QFile::copy(QStringLiteral(EXAMDESK_QUICKSAVE_BIN), program));
        const int timeout = 20000;

        QList<qint16> order;
        {
            Program first(program);
            QTRY_VERIFY_WITH_TIMEOUT(first.connect() || !first.running(), timeout);
            QTRY_COMPARE_WITH_TIMEOUT(first.active(), QStringLiteral("StudentLoginWindow"), timeout);
            first.logIn();
            QTRY_COMPARE_WITH_TIMEOUT(first.active(), QStringLiteral("InstructionsWindow"), timeout);
            first.keys().press(VncKeyboard::EnterKey);
            QTRY_COMPARE_WITH_TIMEOUT(first.active(), QStringLiteral("ExamWindow"), timeout);
            // Choices 1 and 3 at position 1, B at position 2, then on to position 3.
            first.keys().type(QStringLiteral("13"));
            first.keys().press(VncKeyboard::PageDownKey);
            first.keys().type(QStringLiteral("b"));
            first.keys().press(VncKeyboard::PageDownKey);
            QTRY_COMPARE_WITH_TIMEOUT(stored(QStringLiteral("DangQian")), QStringLiteral("3"), timeout);
            for (int k = 1; k <= 5; ++k)
                order.append(qint16(stored(QStringLiteral("SX%1").arg(k)).toInt()));
            QTRY_COMPARE_WITH_TIMEOUT(storedAnswer(order[0]), qint16(13), timeout);
            QTRY_COMPARE_WITH_TIMEOUT(storedAnswer(order[1]), qint16(2), timeout);

            first.process().kill(); // SIGKILL: no chance to write anything more
            QVERIFY(first.process().waitForFinished(5000));
            QCOMPARE(first.process().exitStatus(), QProcess::CrashExit);
        }
        QCOMPARE(record::state(examSession().recordId()), record::State::Started);
        QVERIFY(stored(QStringLiteral("TIME2")).isEmpty());
        // The time of an older save, so that a resumed time cannot be mistaken for a fresh one.
        QVERIFY(profile::writeValue(record::path(examSession().recordId()), QStringLiteral("Grade2A"),
                                    QStringLiteral("7TIME"), QStringLiteral("00:20:00")));

        Program second(program);
        QTRY_VERIFY_WITH_TIMEOUT(second.connect() || !second.running(), timeout);
        QTRY_COMPARE_WITH_TIMEOUT(second.active(), QStringLiteral("StudentLoginWindow"), timeout);
        second.logIn();
        QTRY_COMPARE_WITH_TIMEOUT(second.active(), QStringLiteral("QMessageBox"), timeout); // relogin?
        second.keys().press(VncKeyboard::EnterKey);
        QTRY_COMPARE_WITH_TIMEOUT(second.active(), QStringLiteral("PasswordEntryWindow"), timeout);
        second.keys().type(QStringLiteral("358"));
        second.keys().press(VncKeyboard::EnterKey);
        QTRY_COMPARE_WITH_TIMEOUT(second.active(), QStringLiteral("InstructionsWindow"), timeout);
        second.keys().press(VncKeyboard::EnterKey);
        QTRY_COMPARE_WITH_TIMEOUT(second.active(), QStringLiteral("ExamWindow"), timeout);

        // D lands on the resumed position 3; the saves then carry the earlier answers along.
        second.keys().type(QStringLiteral("d"));
        QTRY_COMPARE_WITH_TIMEOUT(storedAnswer(order[2]), qint16(4), timeout);
        QCOMPARE(storedAnswer(order[0]), qint16(13));
        QCOMPARE(storedAnswer(order[1]), qint16(2));
        QCOMPARE(stored(QStringLiteral("DangQian")), QStringLiteral("3"));
        for (int k = 1; k <= 5; ++k)
            QCOMPARE(qint16(stored(QStringLiteral("SX%1").arg(k)).toInt()), order[k - 1]);
        const qint64 left = numbers::parseHhmmss(stored(QStringLiteral("TIME"))).value_or(-1);
        QVERIFY2(left <= 20 * 60 && left > 19 * 60, qPrintable(stored(QStringLiteral("TIME"))));

        // Finish: Alt+F, Yes, and the score message ends the program.
        second.keys().pressWithAlt('f');
        QTRY_COMPARE_WITH_TIMEOUT(second.active(), QStringLiteral("QMessageBox"), timeout);
        second.keys().press('y');
        QTRY_VERIFY_WITH_TIMEOUT(!stored(QStringLiteral("DF")).isEmpty(), timeout);
        QTRY_VERIFY_WITH_TIMEOUT((second.keys().press(VncKeyboard::EnterKey), !second.running()), timeout);
        QCOMPARE(second.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process().exitCode(), 0);
        QCOMPARE(record::state(examSession().recordId()), record::State::Finished);
        // No keys: the two unanswered questions score.
        QVERIFY(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho")).contains("\r\n7DF= 10\r\n"));
    }

    // The exam window's own saves, killed at random moments: every answer given more than a
    // second before the kill is in the record a relogin resumes from, with the position.
    void everyAnswerOlderThanASecondSurvivesAKill()
    {
        auto *random = QRandomGenerator::global();
        for (int run = 0; run < 3; ++run) {
            TestDataRoot root;
            writeSchool(root);
            // Every open test has its file, or the start-up check warns first.
            root.write(QStringLiteral("SHIJUAN/Unit4/Unit4.cho"), "[MAIN]\r\n");
            writeExamPaper(root, 12, "TESTtime=30\r\nRELOGINPASSWD=358\r\n");
            const QString program = root.file(QStringLiteral("examdesk"));
            QVERIFY(QFile::copy(QStringLiteral(EXAMDESK_QUICKSAVE_BIN), program));
            const int timeout = 20000;
            Program exam(program, true);
            QTRY_VERIFY_WITH_TIMEOUT(exam.connect() || !exam.running(), timeout);
            QTRY_COMPARE_WITH_TIMEOUT(exam.active(), QStringLiteral("StudentLoginWindow"), timeout);
            exam.logIn();
            QTRY_COMPARE_WITH_TIMEOUT(exam.active(), QStringLiteral("InstructionsWindow"), timeout);
            exam.keys().press(VncKeyboard::EnterKey);
            QTRY_COMPARE_WITH_TIMEOUT(exam.active(), QStringLiteral("ExamWindow"), timeout);
            QTRY_VERIFY_WITH_TIMEOUT(!stored(QStringLiteral("SX12")).isEmpty(), timeout);

            // Position k gets choice k % 7 + 1; the student pauses between 0 and 1.5 s, and
            // moves on only sometimes right away.
            QElapsedTimer clock;
            clock.start();
            QList<qint64> answeredAt;
            int position = 1;
            const int steps = int(random->bounded(3, 8));
            for (int k = 1; k <= steps; ++k) {
                exam.keys().type(QString::number(k % 7 + 1));
                answeredAt.append(clock.elapsed());
                QTest::qSleep(int(random->bounded(0, 1500))); // the student's pace
                exam.keys().press(VncKeyboard::PageDownKey);
                ++position;
            }
            QTest::qSleep(int(random->bounded(0, 1500)));
            const qint64 killedAt = clock.elapsed();
            exam.process().kill();
            QVERIFY(exam.process().waitForFinished(5000));

            const record::Progress saved = record::resume(examSession().recordId(), 12, 1800);
            for (int k = 1; k <= answeredAt.size(); ++k) {
                if (answeredAt.at(k - 1) >= killedAt - 1000)
                    continue;
                const int q = saved.order.at(k - 1);
                QVERIFY2(saved.answers.at(q - 1) == k % 7 + 1,
                         qPrintable(QStringLiteral("run %1: answer at position %2, given %3 ms before the kill, "
                                                   "is lost").arg(run).arg(k).arg(killedAt - answeredAt.at(k - 1))));
            }
            // The last move came more than a second before the kill: the position is there too.
            if (killedAt - answeredAt.constLast() > 2600)
                QCOMPARE(int(saved.position), position);
        }
    }
};

QTEST_GUILESS_MAIN(TestExamCrash)
#include "tst_examcrash.moc"
