#include "imagecommand.h"
#include "mainwindow.h"
#include "prompt.h"
#include "session.h"
#include "singleinstance.h"
#include "splashwindow.h"
#include "startup.h"
#include "testsupport.h"
#include "windowfront.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLockFile>
#include <QProcess>
#include <QTest>
#include <QTimer>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void secondCopyEndsSilently()
    {
        SingleInstance first(QStringLiteral("examforge"));
        QVERIFY(first.isFirst());
        int requests = 0;
        first.setActivationHandler([&] { ++requests; });
        QCOMPARE(examforge::run(), 0);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible());
        QTRY_COMPARE(requests, 1);

        // The running copy's windows come back from the task bar and to the front.
        QWidget running;
        running.setObjectName(QStringLiteral("running"));
        running.show();
        running.showMinimized();
        QVERIFY(running.isMinimized());
        first.setActivationHandler([&] {
            ++requests;
            windowfront::bringToFront();
        });

        // The real program, started while this copy holds the lock, shows nothing and ends.
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        second.start(QStringLiteral(EXAMFORGE_BIN), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(second.readAllStandardOutput().isEmpty());
        QTRY_COMPARE(requests, 2);
        QTRY_VERIFY(!running.isMinimized());
        QVERIFY(running.isVisible());
    }

    void aCopyThatDoesNotListenIsNotWaitedForLong()
    {
        // A lock held without a socket, as an older copy of the program holds it.
        QLockFile lock(SingleInstance::lockPath(QStringLiteral("examforge-mute-test")));
        QVERIFY(lock.tryLock(0));
        SingleInstance second(QStringLiteral("examforge-mute-test"));
        QVERIFY(!second.isFirst());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!second.activateFirst(300));
        QVERIFY(clock.elapsed() < 3000);
    }

    void staleLockOfADeadCopyDoesNotBlock()
    {
        // A copy that was killed leaves its lock file behind.
        QProcess holder;
        holder.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
        QVERIFY(holder.waitForFinished());
        const qint64 deadPid = holder.processId() ? holder.processId() : 999999;
        const QString lock = SingleInstance::lockPath(QStringLiteral("examforge-stale-test"));
        QFile file(lock);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::number(deadPid > 0 ? deadPid : 999999) + "\nexamforge\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        file.close();
        SingleInstance instance(QStringLiteral("examforge-stale-test"));
        QVERIFY(instance.isFirst());
    }

    void titleFollowsTheLanguageName_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("chinese");
        QTest::newRow("Chinese") << QStringLiteral("Chinese") << true;
        QTest::newRow("lower case") << QStringLiteral("chinese") << false;
        QTest::newRow("English") << QStringLiteral("English") << false;
        QTest::newRow("none") << QString() << false;
        QTest::newRow("blank around") << QStringLiteral(" Chinese ") << true; // profile values are trimmed
    }
    void titleFollowsTheLanguageName()
    {
        QFETCH(QString, language);
        QFETCH(bool, chinese);
        TestDataRoot root;
        if (!language.isNull())
            root.write(QStringLiteral("Language.txt"), "[info]\r\nLanguage=" + language.toUtf8() + "\r\n");
        auto window = examforge::startUp({.showSplash = false});
        QVERIFY(window);
        const QString title = chinese ? examforge::chineseTitle() : QStringLiteral("Examora");
        QCOMPARE(examforge::session().applicationTitle, title);
        QCOMPARE(prompt::applicationTitle(), title);
        QCOMPARE(window->windowTitle(), title + QStringLiteral(" 5.0"));
        QVERIFY(window->isVisible());
    }

    void passwordOfBlanksCountsAsNone()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd=   \r\n");
        prompt::ScopedScript script;
        auto window = examforge::startUp({.showSplash = false});
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(script->records().isEmpty());
    }

    void splashClosesOnItsTimer()
    {
        SplashWindow splash;
        QCOMPARE(splash.timer()->interval(), 1500);
        QVERIFY(splash.timer()->isActive());
        QVERIFY(splash.timer()->isSingleShot());
        splash.show();
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 5000);
        QVERIFY(clock.elapsed() >= 1000);
        QCOMPARE(splash.result(), int(QDialog::Accepted));
    }

    void splashClosesOnAClickOrAKey()
    {
        {
            SplashWindow splash;
            splash.show();
            QTest::mouseClick(&splash, Qt::LeftButton);
            QVERIFY(!splash.isVisible());
        }
        {
            SplashWindow splash;
            splash.show();
            QTest::keyClick(&splash, Qt::Key_A);
            QVERIFY(!splash.isVisible());
        }
    }

    void quitEndsAtOnce()
    {
        TestDataRoot root;
        auto window = examforge::startUp({.showSplash = false});
        QTimer::singleShot(0, window.get(), [&window] { window->commandPicture(MainWindow::Quit)->click(); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(clock.elapsed() < 2000);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
