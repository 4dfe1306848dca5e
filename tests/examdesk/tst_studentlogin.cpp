#include "instructionswindow.h"
#include "logintestdata.h"
#include "paths.h"
#include "prompt.h"
#include "studentloginwindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QDirIterator>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using examdesk::ExamSession;

namespace {

const QString WrongNumber = QStringLiteral("Your student number is wrong,Please input again!");
const QString NumberAndName = QStringLiteral("Please input your student number and name!");

QStringList items(const QComboBox *box)
{
    QStringList l;
    for (int i = 0; i < box->count(); ++i)
        l.append(box->itemText(i));
    return l;
}

} // namespace

class TestStudentLogin : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened = url; }

private slots:
    void init() { prompt::setApplicationTitle(QStringLiteral("Examdesk")); }
    void cleanup() { closeAllWindows(); }

    void listsFollowOpenFlagsAndPermissions()
    {
        TestDataRoot root;
        writeSchool(root);
        QPointer<StudentLoginWindow> login = open();
        auto *papers = child<QComboBox>(login, QStringLiteral("Combo1"));
        auto *classes = child<QComboBox>(login, QStringLiteral("Combo2"));
        // A closed paper is not offered; a flag that reads as 1 opens one.
        QCOMPARE(items(papers), (QStringList{QStringLiteral("Unit3"), QStringLiteral("Unit4")}));
        QCOMPARE(papers->currentText(), QStringLiteral("Unit3"));
        // At start a class without a permission key is missing...
        QCOMPARE(items(classes), QStringList{QStringLiteral("Grade2A")});

        // ...and offered once the paper list has been left; a refused class stays out.
        leavePaperList(login);
        QCOMPARE(items(classes), (QStringList{QStringLiteral("Grade2A"), QStringLiteral("Grade2C")}));

        // Leaving the list again keeps the class chosen.
        classes->setCurrentIndex(1);
        leavePaperList(login);
        QCOMPARE(classes->currentText(), QStringLiteral("Grade2C"));

        // A paper without any permission section offers every class after leaving the list.
        papers->setCurrentIndex(1);
        leavePaperList(login);
        QCOMPARE(items(classes), (QStringList{QStringLiteral("Grade2A"), QStringLiteral("Grade2B"),
                                              QStringLiteral("Grade2C")}));

        // Choosing another paper without leaving the list offers that paper's classes at once,
        // so a class refused for it can never be chosen with the previous paper's list.
        papers->setFocus(Qt::TabFocusReason);
        papers->setCurrentIndex(0);
        QCOMPARE(items(classes), (QStringList{QStringLiteral("Grade2A"), QStringLiteral("Grade2C")}));

        // Opening the drop-down is no leaving.
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(papers, &popup);
        QCOMPARE(classes->count(), 2);
    }

    void emptyListsAreRefused()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[ClassName]\r\nClassNameCount=1\r\n1=Grade2A\r\n"
                                                  "[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\nUnit3=0\r\n");
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = open();
        QCOMPARE(child<QComboBox>(login, QStringLiteral("Combo1"))->count(), 0);
        clickOk(login);
        QCOMPARE(script->texts(), QStringList{QStringLiteral("Please choose test name!")});
        QCOMPARE(script->records().constFirst().caption, QStringLiteral("Examdesk"));

        root.write(QStringLiteral("sys/sys.cho"), "[ClassName]\r\nClassNameCount=1\r\n1=Grade2A\r\n"
                                                  "[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\nUnit3=1\r\n");
        script->clear();
        login = open();
        clickOk(login);
        QCOMPARE(script->texts(), QStringList{QStringLiteral("Please choose class name!")});
        QVERIFY(login->isVisible());
    }

    void refusedNumbersAndNames_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("firstName");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("numberAfter");
        QTest::newRow("0 below the first number") << "Grade2A"
                                                  << "0"
                                                  << "Ann" << WrongNumber << "";
        QTest::newRow("above the last number") << "Grade2A"
                                               << "31"
                                               << "Ann" << WrongNumber << " 31";
        QTest::newRow("another class's number") << "Grade2A"
                                                << "0101"
                                                << "Ann" << WrongNumber << " 101";
        QTest::newRow("beyond 16 bits") << "Grade2A"
                                        << "99999"
                                        << "Ann" << WrongNumber << "99999";
        QTest::newRow("far beyond 16 bits")
            << "Grade2A" << QString(400, u'9') << "Ann" << WrongNumber << QString(400, u'9');
        QTest::newRow("no number, 0 in range") << "Grade2C"
                                               << ""
                                               << "Ann" << NumberAndName << "";
        QTest::newRow("no first name") << "Grade2A"
                                       << "3"
                                       << "   " << NumberAndName << " 3";
    }
    void refusedNumbersAndNames()
    {
        QFETCH(QString, className);
        QFETCH(QString, number);
        QFETCH(QString, firstName);
        QFETCH(QString, message);
        QFETCH(QString, numberAfter);
        TestDataRoot root;
        writeSchool(root);
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = open();
        leavePaperList(login);
        fill(login, className, number, firstName, QStringLiteral("Lee"));
        clickOk(login);
        QCOMPARE(script->texts(), QStringList{message});
        QCOMPARE(child<QLineEdit>(login, QStringLiteral("Text1"))->text(), numberAfter);
        QCOMPARE(login->focusWidget(), child<QWidget>(login, QStringLiteral("Text1")));
        QVERIFY(login->isVisible());
        QVERIFY(!shownWindow(QStringLiteral("考试说明")));
        QVERIFY(records().isEmpty());
    }

    void newStudentLogsInWithTheCanonicalNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("number");
        QTest::newRow("leading zeros") << "007"
                                       << "7";
        QTest::newRow("first number") << "1"
                                      << "1";
        QTest::newRow("last number") << "30"
                                     << "30";
    }
    void newStudentLogsInWithTheCanonicalNumber()
    {
        QFETCH(QString, typed);
        QFETCH(QString, number);
        TestDataRoot root;
        writeSchool(root);
        prompt::ScopedScript script;
        QList<ExamSession> started;
        QPointer<StudentLoginWindow> login = open([&started](const ExamSession &s) { started.append(s); });
        fill(login, QStringLiteral("Grade2A"), typed, QStringLiteral("  Ann "), QString());
        clickOk(login);
        QVERIFY(script->records().isEmpty());
        QCOMPARE(child<QLineEdit>(login, QStringLiteral("Text1"))->text(), QLatin1Char(' ') + number);

        // The name keys, last name empty, in the record of the canonical number.
        QCOMPARE(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A%1.cho").arg(number)),
                 QStringLiteral("[Grade2A]\r\n%1=Ann\r\n%1LAST=\r\n").arg(number).toLatin1());
        QCOMPARE(records().size(), 1);

        // The login is gone, the instructions carry the session and hand it to the exam.
        QTRY_VERIFY(!login || !login->isVisible());
        auto *about = qobject_cast<InstructionsWindow *>(shownWindow(QStringLiteral("考试说明")));
        QVERIFY(about);
        const ExamSession &s = about->session();
        QCOMPARE(s.考试名称, QStringLiteral("Unit3"));
        QCOMPARE(s.班级, QStringLiteral("Grade2A"));
        QCOMPARE(s.学号, number);
        QCOMPARE(s.姓名, QStringLiteral("Ann"));
        QCOMPARE(s.姓名LAST, QString());
        QVERIFY(!s.是否二次登录);
        child<QPushButton>(about, QStringLiteral("Command1"))->click();
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.constFirst().学号, number);
    }

    void finishedStudentNeedsTheRetestPassword()
    {
        TestDataRoot root;
        writeSchool(root);
        const QByteArray finished = "[Grade2A]\r\n5=Ann\r\n5LAST=Lee\r\n5TIME1=2026,01,05  09:00:00\r\n"
                                    "5TIME2=00:03:10\r\n5DA1=13\r\n5DF= 20\r\n";
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho"), finished);
        const QString question = QStringLiteral("The student has finished test!\nIf retest,your previous "
                                                "score will be deleted,will you insist to retest "
                                                "really?");
        prompt::ScopedScript script;

        // Cancel at the question: no password window, nothing written.
        QPointer<StudentLoginWindow> login = open();
        fill(login, QStringLiteral("Grade2A"), QStringLiteral("5"), QStringLiteral("Amy"), QString());
        script->queueAnswer(prompt::Answer::Cancel);
        clickOk(login);
        QCOMPARE(script->texts(), QStringList{question});
        QCOMPARE(script->records().constFirst().buttons, prompt::Buttons::OkCancel);

        // The hidden label holds the clean text of the last password read, and takes no room.
        auto *temp = child<QLabel>(login, QStringLiteral("LabTEMP"));
        QVERIFY(temp->isHidden());
        QCOMPARE(temp->text(), QStringLiteral("358"));

        // A wrong password leaves the window without a word.
        script->clear();
        PasswordAnswer wrong(QStringLiteral("828"));
        clickOk(login);
        QVERIFY(wrong.answered());
        QCOMPARE(wrong.caption(), QStringLiteral("Input retest password:"));
        QVERIFY(wrong.masked());
        QVERIFY(wrong.emptyWhenShown());
        QCOMPARE(script->texts(), QStringList{question});
        QVERIFY(login->isVisible());
        QCOMPARE(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho")), finished);

        // Cancel in the password window counts as a wrong password.
        PasswordAnswer cancelled(QStringLiteral("827"), false);
        clickOk(login);
        QVERIFY(cancelled.answered());
        QVERIFY(login->isVisible());

        // The right one (blanks around do not matter) starts a new attempt; the old result stays
        // until that attempt finishes.
        PasswordAnswer right(QStringLiteral(" 827 "));
        clickOk(login);
        QVERIFY(right.answered());
        QTRY_VERIFY(!login || !login->isVisible());
        auto *about = qobject_cast<InstructionsWindow *>(shownWindow(QStringLiteral("考试说明")));
        QVERIFY(about);
        QVERIFY(!about->session().是否二次登录);
        QCOMPARE(about->session().返回密码, QStringLiteral("827"));
        QCOMPARE(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho")),
                 QByteArray(finished).replace("5=Ann", "5=Amy").replace("5LAST=Lee", "5LAST="));
    }

    void finishedStudentWithoutRetestPasswordIsRefused()
    {
        TestDataRoot root;
        writeSchool(root, "RETESTPASSWD=\r\nRELOGINPASSWD=358\r\n");
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho"), "[Grade2A]\r\n5TIME2=00:00:00\r\n");
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = open();
        fill(login, QStringLiteral("Grade2A"), QStringLiteral("5"), QStringLiteral("Ann"), QString());
        clickOk(login);
        QCOMPARE(script->texts(),
                 QStringList{QStringLiteral("The student has finished test,you can't retest!")});
        QVERIFY(login->isVisible());
    }

    void startedStudentNeedsTheReloginPassword()
    {
        TestDataRoot root;
        writeSchool(root, "RETESTPASSWD=827\r\n");
        // An emptied TIME2 (a retest allowed from the scores window) reads as not finished.
        const QByteArray started =
            "[Grade2A]\r\n5=Ann\r\n5TIME1=2026,01,05  09:00:00\r\n5TIME2=\r\n5TIME=0:21:00\r\n";
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho"), started);
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = open();
        fill(login, QStringLiteral("Grade2A"), QStringLiteral("5"), QStringLiteral("Ann"), QString());
        clickOk(login);
        QCOMPARE(script->texts(),
                 QStringList{QStringLiteral("The student has been test,you can't relogin by this "
                                            "student number!Please contact with the system manager.")});
        QVERIFY(login->isVisible());

        writeSchool(root, "RELOGINPASSWD=358\r\n");
        script->clear();
        PasswordAnswer right(QStringLiteral("358"));
        clickOk(login);
        QCOMPARE(script->texts(),
                 QStringList{QStringLiteral("Will you insist to relogin by this student number?")});
        QVERIFY(right.answered());
        QCOMPARE(right.caption(), QStringLiteral("Input relogin password:"));
        QTRY_VERIFY(!login || !login->isVisible());
        auto *about = qobject_cast<InstructionsWindow *>(shownWindow(QStringLiteral("考试说明")));
        QVERIFY(about);
        QVERIFY(about->session().是否二次登录);
        // The first start stamp and the saved progress stay.
        const QByteArray after = root.read(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho"));
        QVERIFY(after.contains("5TIME1=2026,01,05  09:00:00\r\n"));
        QVERIFY(after.contains("5TIME=0:21:00\r\n"));
        QVERIFY(after.contains("5LAST=\r\n"));
    }

    void studentWithOnlyNameKeysLogsInAsNew()
    {
        TestDataRoot root;
        writeSchool(root);
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho"), "[Grade2A]\r\n5=Old\r\n5LAST=Name\r\n");
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = open();
        fill(login, QStringLiteral("Grade2A"), QStringLiteral("5"), QStringLiteral("Ann"),
             QStringLiteral("Lee"));
        clickOk(login);
        QVERIFY(script->records().isEmpty());
        QTRY_VERIFY(!login || !login->isVisible());
        QCOMPARE(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho")),
                 QByteArray("[Grade2A]\r\n5=Ann\r\n5LAST=Lee\r\n"));
        auto *about = qobject_cast<InstructionsWindow *>(shownWindow(QStringLiteral("考试说明")));
        QVERIFY(about && !about->session().是否二次登录);
    }

    void numberBoxTakesDigitsOnly()
    {
        TestDataRoot root;
        writeSchool(root);
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = open();
        auto *number = child<QLineEdit>(login, QStringLiteral("Text1"));
        number->setFocus();
        QTest::keyClicks(number, QStringLiteral("0a7 -x.2"));
        QCOMPARE(number->text(), QStringLiteral("072"));
        QTest::keyClick(number, Qt::Key_Backspace);
        QCOMPARE(number->text(), QStringLiteral("07"));
        // Pasted text gets no further than typed text.
        number->insert(QStringLiteral("1x"));
        QCOMPARE(number->text(), QStringLiteral("07"));
        // Enter in the box is OK.
        QTest::keyClick(number, Qt::Key_Return);
        QCOMPARE(script->texts(), QStringList{NumberAndName});
        QCOMPARE(number->text(), QStringLiteral(" 7"));
        // The number in its " 7" form can still be edited.
        number->end(false);
        QTest::keyClicks(number, QStringLiteral("5"));
        QCOMPARE(number->text(), QStringLiteral(" 75"));
    }

    void missingOrDamagedFilesReadAsDefaults()
    {
        TestDataRoot root;
        prompt::ScopedScript script;
        // No catalogue, or a folder where it should be: no test, no crash.
        QVERIFY(!StudentLoginWindow().load());
        QVERIFY(QDir().mkpath(root.file(QStringLiteral("sys/sys.cho"))));
        QVERIFY(!StudentLoginWindow().load());
        QCOMPARE(script->texts(),
                 (QStringList{QStringLiteral("Sorry!No test now!"), QStringLiteral("Sorry!No test now!")}));
        QVERIFY(QDir(root.file(QStringLiteral("sys/sys.cho"))).removeRecursively());

        // A damaged paper file has no passwords: retest refused.
        writeSchool(root);
        const char damaged[] = "\0\xff[MAIN\r\n=\0RETESTPASSWD=827\r\n\xfe";
        root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"), QByteArray(damaged, sizeof damaged - 1));
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho"), "[Grade2A]\r\n5TIME2=00:01:00\r\n");
        script->clear();
        QPointer<StudentLoginWindow> login = open();
        fill(login, QStringLiteral("Grade2A"), QStringLiteral("5"), QStringLiteral("Ann"), QString());
        clickOk(login);
        QCOMPARE(script->texts(),
                 QStringList{QStringLiteral("The student has finished test,you can't retest!")});
    }

    void recordThatCannotBeWrittenStopsTheLogin()
    {
        TestDataRoot root;
        writeSchool(root);
        QVERIFY(QDir(root.file(QStringLiteral("CHENGJI/Unit3"))).removeRecursively());
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = open();
        fill(login, QStringLiteral("Grade2A"), QStringLiteral("5"), QStringLiteral("Ann"), QString());
        clickOk(login);
        QCOMPARE(script->texts().size(), 1);
        QVERIFY(script->texts().constFirst().startsWith(QStringLiteral("Your answers can't be saved")));
        QVERIFY(login->isVisible());
        QVERIFY(!shownWindow(QStringLiteral("考试说明")));
        QVERIFY(!root.exists(QStringLiteral("CHENGJI/Unit3")));
    }

    void recordThatCannotBeReadIsNotTakenForANewStudent()
    {
        TestDataRoot root;
        writeSchool(root);
        // A broken-off attempt whose record does not open (a share away): letting the student
        // in as new would overwrite the saved answers.
        QVERIFY(QDir().mkpath(root.file(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho"))));
        prompt::ScopedScript script;
        QPointer<StudentLoginWindow> login = open();
        fill(login, QStringLiteral("Grade2A"), QStringLiteral("5"), QStringLiteral("Ann"), QString());
        clickOk(login);
        QCOMPARE(script->texts(), QStringList{QStringLiteral("The answer record of this student can't be read now: "
                                                             "is the network down?\nPlease try again in a moment.")});
        QVERIFY(login->isVisible());
        QVERIFY(!shownWindow(QStringLiteral("考试说明")));
        QVERIFY(QFileInfo(root.file(QStringLiteral("CHENGJI/Unit3/Grade2A5.cho"))).isDir());
    }

    void cancelAndEscapeCloseTheLogin()
    {
        TestDataRoot root;
        writeSchool(root);
        QPointer<StudentLoginWindow> login = open();
        child<QPushButton>(login, QStringLiteral("Command2"))->click();
        QTRY_VERIFY(!login);
        login = open();
        QTest::keyClick(login, Qt::Key_Escape);
        QTRY_VERIFY(!login);
        QVERIFY(records().isEmpty());
    }

    void linkOpensItsAddress()
    {
        TestDataRoot root;
        writeSchool(root);
        QPointer<StudentLoginWindow> login = open();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        auto *link = child<QLabel>(login, QStringLiteral("Label3"));
        QVERIFY(link->text().contains(StudentLoginWindow::linkAddress().toString()));
        emit link->linkActivated(StudentLoginWindow::linkAddress().toString());
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(m_opened, StudentLoginWindow::linkAddress());
        QVERIFY(m_opened.host().endsWith(QStringLiteral(".example.org")));
    }

private:
    QPointer<StudentLoginWindow> open(examdesk::ExamStarter starter = {})
    {
        auto *login = new StudentLoginWindow(std::move(starter));
        login->setAttribute(Qt::WA_DeleteOnClose);
        if (!login->load()) {
            delete login;
            return nullptr;
        }
        login->show();
        login->activateWindow();
        if (!QTest::qWaitForWindowActive(login))
            qWarning("the login window did not become active");
        return login;
    }

    /// Tabs from the paper list to the next box, as a student does.
    static void leavePaperList(StudentLoginWindow *login)
    {
        auto *papers = child<QWidget>(login, QStringLiteral("Combo1"));
        papers->setFocus(Qt::TabFocusReason);
        QTest::keyClick(papers, Qt::Key_Tab);
    }

    static void fill(StudentLoginWindow *login, const QString &className, const QString &number,
                     const QString &first, const QString &last)
    {
        auto *classes = child<QComboBox>(login, QStringLiteral("Combo2"));
        classes->setCurrentIndex(classes->findText(className.trimmed()));
        child<QLineEdit>(login, QStringLiteral("Text1"))->setText(number);
        child<QLineEdit>(login, QStringLiteral("Text2"))->setText(first);
        child<QLineEdit>(login, QStringLiteral("Text3"))->setText(last);
    }

    static void clickOk(StudentLoginWindow *login)
    {
        child<QPushButton>(login, QStringLiteral("Command1"))->click();
    }

    /// The answer records written below CHENGJI.
    static QStringList records()
    {
        QStringList found;
        QDirIterator it(paths::dataRoot() + QStringLiteral("/CHENGJI"), {QStringLiteral("*.cho")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
        return found;
    }

    QUrl m_opened;
};

QTEST_MAIN(TestStudentLogin)
#include "tst_studentlogin.moc"
