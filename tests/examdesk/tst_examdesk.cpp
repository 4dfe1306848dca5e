#include "examdeskstartup.h"
#include "logintestdata.h"
#include "prompt.h"
#include "singleinstance.h"
#include "studentloginwindow.h"
#include "vnckeyboard.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTest>

class TestExamdesk : public QObject
{
    Q_OBJECT

private slots:
    void init() { prompt::setApplicationTitle(QString()); }
    void cleanup() { closeAllWindows(); }

    void secondCopyIsRefused()
    {
        TestDataRoot root;
        writeSchool(root);
        SingleInstance first(QStringLiteral("examdesk"));
        QVERIFY(first.isFirst());
        prompt::ScopedScript script;
        QCOMPARE(examdesk::run(), 0);
        QCOMPARE(script->texts(), QStringList{QStringLiteral("The test program has been running!")});
        QCOMPARE(script->records().constFirst().caption, QStringLiteral("Examdesk"));
        QVERIFY(!shownWindow(QStringLiteral("考试登录")));
    }

    void startUpEndsWithoutPaperOrClass_data()
    {
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<QString>("message");
        QTest::newRow("no catalogue") << QByteArray() << QStringLiteral("Sorry!No test now!");
        QTest::newRow("paper count 0") << QByteArray("[TestName]\r\nTestNameCount=0\r\n1=Unit3\r\nUnit3=1\r\n"
                                                     "[ClassName]\r\nClassNameCount=1\r\n1=Grade2A\r\n")
                                       << QStringLiteral("Sorry!No test now!");
        QTest::newRow("class count 0")
            << QByteArray("[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\nUnit3=1\r\n")
            << QStringLiteral("Sorry!No class allowed to test now!");
    }
    void startUpEndsWithoutPaperOrClass()
    {
        QFETCH(QByteArray, catalogue);
        QFETCH(QString, message);
        TestDataRoot root;
        if (!catalogue.isEmpty())
            root.write(QStringLiteral("sys/sys.cho"), catalogue);
        prompt::ScopedScript script;
        QVERIFY(!examdesk::startUp({}));
        QCOMPARE(script->texts(), QStringList{message});
        QCOMPARE(script->records().constFirst().caption, QStringLiteral("Examdesk"));
        QVERIFY(!shownWindow(QStringLiteral("考试登录")));
    }

    void startUpShowsTheLogin()
    {
        TestDataRoot root;
        writeSchool(root);
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = examdesk::startUp({});
        QVERIFY(login);
        QVERIFY(login->isVisible());
        QCOMPARE(login->windowTitle(), QStringLiteral("Student login"));
        QVERIFY(script->records().isEmpty());
        QCOMPARE(child<QComboBox>(login, QStringLiteral("Combo1"))->currentText(), QStringLiteral("Unit3"));
        login->close();
        QTRY_VERIFY(!login); // closing the login window ends its life
    }

    void realProgramRefusesASecondCopy()
    {
        // The real program in a folder of its own with a usable catalogue: a copy that did not
        // refuse would show its login, which no Enter key ends.
        TestDataRoot root;
        writeSchool(root);
        const QString program = root.file(QStringLiteral("examdesk"));
        QVERIFY(QFile::copy(QStringLiteral(EXAMDESK_BIN), program));
        SingleInstance first(QStringLiteral("examdesk"));
        QVERIFY(first.isFirst());
        int requests = 0;
        first.setActivationHandler([&] { ++requests; });

        const quint16 port = freePort();
        QVERIFY(port != 0);
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("vnc:addr=127.0.0.1:port=%1").arg(port));
        second.setProcessEnvironment(env);
        second.start(program, {});
        QVERIFY(second.waitForStarted(5000));

        VncKeyboard keyboard;
        QTRY_VERIFY_WITH_TIMEOUT(keyboard.connectTo(port) || second.state() == QProcess::NotRunning, 15000);
        QVERIFY2(second.state() == QProcess::Running, second.readAllStandardError().constData());
        // The running copy was asked to come to the front before the refusal was shown.
        QTRY_COMPARE(requests, 1);
        // Enter answers the refusal box; the program then ends on its own.
        QTRY_VERIFY_WITH_TIMEOUT((keyboard.press(0xff0d), second.state() == QProcess::NotRunning), 15000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!root.exists(QStringLiteral("CHENGJI/Unit3/Grade2A.cho")));
        QCOMPARE(QDir(root.file(QStringLiteral("CHENGJI/Unit3"))).entryList(QDir::Files), QStringList{});
    }

    void realProgramNamesAHalfCopiedTree()
    {
        // Tests and results copied, the catalogue not: the program says so and ends, where it
        // would otherwise have ended with "Sorry!No test now!" (exit code 0).
        TestDataRoot root;
        writeSchool(root);
        QVERIFY(QFile::remove(root.file(QStringLiteral("sys/sys.cho"))));
        const QString program = root.file(QStringLiteral("examdesk"));
        QVERIFY(QFile::copy(QStringLiteral(EXAMDESK_BIN), program));

        const quint16 port = freePort();
        QVERIFY(port != 0);
        QProcess desk;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("vnc:addr=127.0.0.1:port=%1").arg(port));
        desk.setProcessEnvironment(env);
        desk.start(program, {});
        QVERIFY(desk.waitForStarted(5000));
        VncKeyboard keyboard;
        QTRY_VERIFY_WITH_TIMEOUT(keyboard.connectTo(port) || desk.state() == QProcess::NotRunning, 15000);
        QVERIFY2(desk.state() == QProcess::Running, desk.readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT((keyboard.press(0xff0d), desk.state() == QProcess::NotRunning), 15000);
        QCOMPARE(desk.exitStatus(), QProcess::NormalExit);
        QCOMPARE(desk.exitCode(), 1);
    }
};

QTEST_MAIN(TestExamdesk)
#include "tst_examdesk.moc"
