#include "catalogue.h"
#include "classmanagementdialog.h"
#include "examroomdialog.h"
#include "helpwindow.h"
#include "logindialog.h"
#include "mainwindow.h"
#include "profile.h"
#include "prompt.h"
#include "setpassworddialog.h"
#include "startup.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

template <typename T = QWidget> T *child(const QWidget *w, const char *name)
{
    return requireChild<T>(w, QString::fromUtf8(name));
}

QWidget *visibleWindow(const QString &objectName)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == objectName)
            return w;
    }
    return nullptr;
}

bool mainWindowShown()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && qobject_cast<MainWindow *>(w))
            return true;
    }
    return false;
}

/// Runs start-up while `drive` acts on the login window it shows. Returns the main window
/// start-up gave back; `loginSeen` tells whether the login came before the main window.
std::unique_ptr<MainWindow> startWithLogin(const std::function<void(QWidget *)> &drive, bool *loginSeen)
{
    *loginSeen = false;
    QTimer::singleShot(0, qApp, [drive, loginSeen] {
        QWidget *login = visibleWindow(QStringLiteral("考务登录"));
        if (!login)
            return;
        *loginSeen = !mainWindowShown();
        drive(login);
    });
    return examforge::startUp({.showSplash = false});
}

void fill(SetPasswordDialog &w, const QString &old, const QString &fresh, const QString &again)
{
    child<QLineEdit>(&w, "Text1")->setText(old);
    child<QLineEdit>(&w, "Text2")->setText(fresh);
    child<QLineEdit>(&w, "Text3")->setText(again);
}

QString storedPassword()
{
    return profile::readValue(catalogue::path(), QStringLiteral("admin"), QStringLiteral("pwd"),
                              QStringLiteral("<none>"));
}

} // namespace

class TestAdminPassword : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void loginTrimsButKeepsLetterCase()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd= Secret \r\n");
        prompt::ScopedScript script;
        LoginDialog w;
        w.show();
        auto *box = child<QLineEdit>(&w, "Text1");
        box->setText(QStringLiteral("secret"));
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(script->texts(), QStringList({QStringLiteral("Incorrect!Please enter again!")}));
        QCOMPARE(script->records().at(0).caption, prompt::applicationTitle());
        QVERIFY(w.isVisible());
        QVERIFY(box->text().isEmpty());

        box->setText(QStringLiteral("  Secret\t"));
        child<QPushButton>(&w, "Command1")->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(script->records().size(), qsizetype(1));
    }

    void startUpAsksForThePasswordFirst()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd=Secret\r\n");
        prompt::ScopedScript script;
        bool loginSeen = false;
        auto window = startWithLogin(
            [](QWidget *login) {
                // A wrong password first: message, and the login stays for another try.
                child<QLineEdit>(login, "Text1")->setText(QStringLiteral("wrong"));
                child<QPushButton>(login, "Command1")->click();
                QVERIFY(login->isVisible());
                child<QLineEdit>(login, "Text1")->setText(QStringLiteral("Secret"));
                child<QPushButton>(login, "Command1")->click();
            },
            &loginSeen);
        QVERIFY(loginSeen);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(script->texts(), QStringList({QStringLiteral("Incorrect!Please enter again!")}));
    }

    void cancellingTheLoginEndsStartUp_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("window frame") << 1;
        QTest::newRow("Escape") << 2;
    }
    void cancellingTheLoginEndsStartUp()
    {
        QFETCH(int, how);
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd=Secret\r\n");
        bool loginSeen = false;
        auto window = startWithLogin(
            [how](QWidget *login) {
                if (how == 0)
                    child<QPushButton>(login, "Command2")->click();
                else if (how == 1)
                    login->close();
                else
                    QTest::keyClick(login, Qt::Key_Escape);
            },
            &loginSeen);
        QVERIFY(loginSeen);
        QVERIFY(!window);
        QVERIFY(!mainWindowShown());
    }

    void setPasswordChecksOldAndRepeat()
    {
        TestDataRoot root;
        prompt::ScopedScript script;
        SetPasswordDialog w;
        QCOMPARE(w.objectName(), QStringLiteral("设置密码"));
        w.show();
        auto *ok = child<QPushButton>(&w, "Command1");

        // No password yet: the old box is left blank; the repeat may differ by blanks.
        fill(w, QStringLiteral("  "), QStringLiteral("abc"), QStringLiteral("abc "));
        ok->click();
        QVERIFY(!w.isVisible());
        QVERIFY(script->records().isEmpty());
        QCOMPARE(storedPassword(), QStringLiteral("abc"));

        // A wrong old password empties only the old box.
        w.show();
        QVERIFY(child<QLineEdit>(&w, "Text2")->text().isEmpty()); // a reused window starts empty
        fill(w, QStringLiteral("ABC"), QStringLiteral("new"), QStringLiteral("new"));
        ok->click();
        QCOMPARE(script->texts(), QStringList({w.failureMessage()}));
        QVERIFY(child<QLineEdit>(&w, "Text1")->text().isEmpty());
        QCOMPARE(child<QLineEdit>(&w, "Text2")->text(), QStringLiteral("new"));

        // A repeat that differs empties both new boxes.
        script->clear();
        fill(w, QStringLiteral("abc"), QStringLiteral("new"), QStringLiteral("New"));
        ok->click();
        QCOMPARE(script->texts(), QStringList({w.failureMessage()}));
        QCOMPARE(child<QLineEdit>(&w, "Text1")->text(), QStringLiteral("abc"));
        QVERIFY(child<QLineEdit>(&w, "Text2")->text().isEmpty());
        QVERIFY(child<QLineEdit>(&w, "Text3")->text().isEmpty());
        QCOMPARE(storedPassword(), QStringLiteral("abc"));

        fill(w, QStringLiteral("abc"), QStringLiteral("x"), QStringLiteral("x"));
        child<QPushButton>(&w, "Command2")->click(); // Cancel writes nothing
        QCOMPARE(storedPassword(), QStringLiteral("abc"));
    }

    void emptyNewPasswordRemovesTheLogin()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd=abc\r\n");
        SetPasswordDialog w;
        w.show();
        fill(w, QStringLiteral("abc"), QString(), QString());
        child<QPushButton>(&w, "Command1")->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(storedPassword(), QString());

        bool loginSeen = false;
        auto window = startWithLogin([](QWidget *) {}, &loginSeen);
        QVERIFY(!loginSeen);
        QVERIFY(window && window->isVisible());
    }

    void passwordThatWouldReadBackDifferentlyIsRefused()
    {
        // Reading strips one pair of enclosing quotes: "abc" could never be typed back.
        TestDataRoot root;
        prompt::ScopedScript script;
        SetPasswordDialog w;
        w.show();
        fill(w, QString(), QStringLiteral("\"abc\""), QStringLiteral("\"abc\""));
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(script->records().size(), qsizetype(1));
        QVERIFY(w.isVisible());
        QCOMPARE(storedPassword(), QStringLiteral("<none>"));
    }

    void captionsComeFromTheLanguageFile()
    {
        TestDataRoot root;
        QFile chinese(QStringLiteral(EXAM_ASSETS_DIR "/Language.zh_CN.txt"));
        QVERIFY(chinese.open(QIODevice::ReadOnly));
        root.write(QStringLiteral("Language.txt"), chinese.readAll());
        SetPasswordDialog w;
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("设置管理员密码"));
        QCOMPARE(child<QPushButton>(&w, "Command1")->text(), QStringLiteral("确定(&O)"));
        QCOMPARE(w.failureMessage(), QStringLiteral("输入有误，请重新输入！"));
        w.hide();

        // A language file without the key: the window keeps its own English text.
        root.write(QStringLiteral("Language.txt"), "[MIMA]\r\nQUEDING=Save\r\n");
        w.show();
        QCOMPARE(child<QPushButton>(&w, "Command1")->text(), QStringLiteral("Save"));
        QCOMPARE(child<QPushButton>(&w, "Command2")->text(), QStringLiteral("&Cancel"));
        QCOMPARE(child<QLabel>(&w, "Label1")->text(), QStringLiteral("Old password:"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Set password"));
        QVERIFY(!w.failureMessage().isEmpty());
    }

    void shippedLanguageFilesAreComplete_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QStringLiteral("Language.txt") << QStringLiteral("English");
        QTest::newRow("Chinese") << QStringLiteral("Language.zh_CN.txt") << QStringLiteral("Chinese");
    }
    void shippedLanguageFilesAreComplete()
    {
        QFETCH(QString, file);
        QFETCH(QString, language);
        const QString path = QDir(QStringLiteral(EXAM_ASSETS_DIR)).filePath(file);
        QCOMPARE(profile::readValue(path, QStringLiteral("info"), QStringLiteral("Language")), language);
        for (const char *key : {"SHEZHIGUANLIYUANMIMA", "JIUDEMIMA", "XINDEMIMA", "CHONGFUSHURU", "QUEDING",
                                "QUXIAO", "bangzhu", "SHURUYOUWUQINGCHONGXINSHURU"}) {
            QVERIFY2(!profile::readValue(path, QStringLiteral("MIMA"), QString::fromLatin1(key)).isEmpty(),
                     key);
        }
    }

    void everyWindowHasItsHelpPage()
    {
        TestDataRoot root;
        const LoginDialog login;
        const SetPasswordDialog password;
        const ClassManagementDialog classes;
        const ExamRoomDialog examRoom;
        for (const QWidget *w :
             std::initializer_list<const QWidget *>{&login, &password, &classes, &examRoom}) {
            const QString page = QStringLiteral(EXAM_ASSETS_DIR "/help/%1.html").arg(help::topicFor(w));
            QVERIFY2(help::topicFor(w) != QLatin1String("index") && QFile::exists(page), qPrintable(page));
        }
    }
};

QTEST_MAIN(TestAdminPassword)
#include "tst_adminpassword.moc"
