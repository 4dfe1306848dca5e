#include "catalogue.h"
#include "classmanagementdialog.h"
#include "imagecommand.h"
#include "mainwindow.h"
#include "profile.h"
#include "prompt.h"
#include "testsupport.h"
#include "workwindows.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using prompt::Answer;

namespace {

const QByteArray ThreeClasses = "[ClassName]\r\nClassNameCount=3\r\n1=Grade1\r\n2=Grade2\r\n3=Grade3\r\n"
                                "[ClassCount]\r\nGrade1=10\r\nGrade2=20\r\nGrade3=30\r\n"
                                "[FirstNumber]\r\nGrade1=1\r\nGrade2=101\r\nGrade3=201\r\n"
                                "[LastNumber]\r\nGrade1=10\r\nGrade2=120\r\nGrade3=230\r\n";

template<typename T = QWidget>
T *child(const QWidget &w, const char *name)
{
    auto *c = w.findChild<T *>(QString::fromUtf8(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

QStringList listed(const QWidget &w)
{
    QStringList names;
    auto *list = child<QListWidget>(w, "List1");
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

/// The four boxes as shown: name, count, first, last.
QStringList boxes(const QWidget &w)
{
    return {child<QLineEdit>(w, "Text1")->text(), child<QLineEdit>(w, "Text2")->text(),
            child<QLineEdit>(w, "Text3")->text(), child<QLineEdit>(w, "Text4")->text()};
}

void retype(QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

void showActive(QWidget &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

class TestClassManagement : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void showsTheCatalogueEachTimeItOpens()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        ClassManagementDialog w;
        QCOMPARE(w.objectName(), QStringLiteral("班级管理"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Create Class"));
        w.show();
        QCOMPARE(listed(w), QStringList({QStringLiteral("Grade1"), QStringLiteral("Grade2"), QStringLiteral("Grade3")}));
        QCOMPARE(boxes(w), QStringList({QStringLiteral("Grade1"), QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("10")}));
        child<QListWidget>(w, "List1")->setCurrentRow(2);
        QCOMPARE(boxes(w), QStringList({QStringLiteral("Grade3"), QStringLiteral("30"), QStringLiteral("201"), QStringLiteral("230")}));

        // Edits are dropped by Cancel and the next opening reads the file again.
        child<QPushButton>(w, "cmdUp")->click();
        child<QPushButton>(w, "Command2")->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(root.read(QStringLiteral("sys/sys.cho")), ThreeClasses);
        w.show();
        QCOMPARE(listed(w).first(), QStringLiteral("Grade1"));
        QCOMPARE(child<QListWidget>(w, "List1")->currentRow(), 0);
    }

    void emptyCatalogueShowsNothingSelected()
    {
        TestDataRoot root;
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        QVERIFY(listed(w).isEmpty());
        QCOMPARE(boxes(w), QStringList({QString(), QString(), QString(), QString()}));
        QVERIFY(!child<QLineEdit>(w, "Text2")->isEnabled());
        // Nothing to delete or move, and no message about it.
        child<QPushButton>(w, "Command5")->click();
        child<QPushButton>(w, "cmdDown")->click();
        QVERIFY(script->records().isEmpty());
    }

    void addRefusesDuplicatesAndUnsafeNames()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        auto *add = child<QPushButton>(w, "Command4");

        script->queue(QVariant(QString())); // Cancel
        add->click();
        script->queue(QStringLiteral("   "));
        add->click();
        QCOMPARE(script->records().size(), qsizetype(2));
        QCOMPARE(script->records().at(0).kind, prompt::ScriptedPrompts::Kind::Input);
        QCOMPARE(script->records().at(0).text, QStringLiteral("Please enter the name fo new class:"));
        QCOMPARE(script->records().at(0).caption, QStringLiteral("Please enter the name fo new class:"));
        QCOMPARE(listed(w).size(), qsizetype(3));

        script->clear();
        script->queue(QStringLiteral("  Grade2 "));
        add->click();
        QCOMPARE(script->texts().last(), QStringLiteral("The class name is the same of a class inhered ,input another name!"));
        QCOMPARE(script->records().last().caption, prompt::applicationTitle());

        // Names that would share keys or files with another class, or break the file.
        for (const QString &bad : {QStringLiteral("grade2"), QStringLiteral("A=B"), QStringLiteral("[X"),
                                   QStringLiteral("a/b"), QStringLiteral("ClassCount")}) {
            script->clear();
            script->queue(bad);
            add->click();
            QCOMPARE(script->records().size(), qsizetype(2));
            QVERIFY2(!script->texts().last().isEmpty(), qPrintable(bad));
        }
        QCOMPARE(listed(w).size(), qsizetype(3));

        script->clear();
        script->queue(QStringLiteral(" Grade4 "));
        add->click();
        QCOMPARE(script->records().size(), qsizetype(1));
        QCOMPARE(listed(w).last(), QStringLiteral("Grade4"));
        QCOMPARE(child<QListWidget>(w, "List1")->currentRow(), 0); // the selection stays
        child<QListWidget>(w, "List1")->setCurrentRow(3);
        QCOMPARE(boxes(w), QStringList({QStringLiteral("Grade4"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}));
    }

    void deleteThenOkRewritesTheList()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        auto *list = child<QListWidget>(w, "List1");
        auto *remove = child<QPushButton>(w, "Command5");

        list->setCurrentRow(1);
        script->queueAnswer(Answer::Cancel);
        remove->click();
        QCOMPARE(listed(w).size(), qsizetype(3));
        QCOMPARE(script->records().size(), qsizetype(1));
        QCOMPARE(script->records().at(0).buttons, prompt::Buttons::OkCancel);
        QCOMPARE(script->records().at(0).caption, QStringLiteral("Manage classes"));
        QCOMPARE(script->records().at(0).text, QStringLiteral("Will you delete all data of the present calss?"));

        script->clear();
        script->queueAnswer(Answer::Ok);
        remove->click();
        QCOMPARE(script->texts(), QStringList({QStringLiteral("Will you delete all data of the present calss?"),
                                               QStringLiteral("The present calss had been deleted?")}));
        QCOMPARE(script->records().at(1).caption, QStringLiteral("Manage classes"));
        QCOMPARE(listed(w), QStringList({QStringLiteral("Grade1"), QStringLiteral("Grade3")}));
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(boxes(w).at(0), QStringLiteral("Grade3"));

        child<QPushButton>(w, "Command1")->click();
        QVERIFY(!w.isVisible());
        const QString file = catalogue::path();
        QCOMPARE(profile::readValue(file, QStringLiteral("ClassName"), QStringLiteral("ClassNameCount")), QStringLiteral("2"));
        QCOMPARE(profile::readValue(file, QStringLiteral("ClassName"), QStringLiteral("2")), QStringLiteral("Grade3"));
        // The old key 3 stays in the file, unread.
        QCOMPARE(profile::readValue(file, QStringLiteral("ClassName"), QStringLiteral("3")), QStringLiteral("Grade3"));
        QCOMPARE(catalogue::classNames(), QStringList({QStringLiteral("Grade1"), QStringLiteral("Grade3")}));
        QCOMPARE(int(catalogue::loadClass(QStringLiteral("Grade3")).last), 230);
    }

    void deletingTheLastClassSelectsTheNewLast()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        auto *list = child<QListWidget>(w, "List1");
        list->setCurrentRow(2);
        script->queueAnswer(Answer::Ok);
        child<QPushButton>(w, "Command5")->click();
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(boxes(w).at(0), QStringLiteral("Grade2"));

        // The only class left cannot be deleted.
        script->queueAnswer(Answer::Ok);
        child<QPushButton>(w, "Command5")->click();
        script->clear();
        child<QPushButton>(w, "Command5")->click();
        QCOMPARE(script->texts(), QStringList({QStringLiteral("Not allow to delete the class!")}));
        QCOMPARE(listed(w), QStringList({QStringLiteral("Grade1")}));
    }

    void upAndDownMoveTheClassWithItsNumbers()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        ClassManagementDialog w;
        w.show();
        auto *list = child<QListWidget>(w, "List1");
        child<QPushButton>(w, "cmdUp")->click(); // the first one cannot go up
        QCOMPARE(listed(w).first(), QStringLiteral("Grade1"));
        list->setCurrentRow(2);
        child<QPushButton>(w, "cmdDown")->click(); // nor the last one down
        QCOMPARE(listed(w).last(), QStringLiteral("Grade3"));

        child<QPushButton>(w, "cmdUp")->click();
        child<QPushButton>(w, "cmdUp")->click();
        QCOMPARE(listed(w), QStringList({QStringLiteral("Grade3"), QStringLiteral("Grade1"), QStringLiteral("Grade2")}));
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(boxes(w), QStringList({QStringLiteral("Grade3"), QStringLiteral("30"), QStringLiteral("201"), QStringLiteral("230")}));
        child<QPushButton>(w, "cmdDown")->click();
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(listed(w).at(1), QStringLiteral("Grade3"));

        child<QPushButton>(w, "Command1")->click();
        const QList<catalogue::ClassRecord> saved = catalogue::loadClasses();
        QCOMPARE(saved.at(0).name, QStringLiteral("Grade1"));
        QCOMPARE(saved.at(1).name, QStringLiteral("Grade3"));
        QCOMPARE(int(saved.at(1).count), 30);
        QCOMPARE(int(saved.at(1).first), 201);
    }

    void countAndFirstRaiseTheLastNumber()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n[ClassCount]\r\nG=0\r\n"
                                                  "[FirstNumber]\r\nG=101\r\n[LastNumber]\r\nG=100\r\n");
        ClassManagementDialog w;
        showActive(w);
        auto *count = child<QLineEdit>(w, "Text2");
        auto *first = child<QLineEdit>(w, "Text3");
        auto *last = child<QLineEdit>(w, "Text4");

        retype(count, QStringLiteral("30"));
        QCOMPARE(last->text(), QStringLiteral("130"));
        QCOMPARE(int(w.classes().at(0).last), 130);

        // Text without a leading number counts as 0; what follows a number is dropped.
        retype(count, QStringLiteral("x"));
        QCOMPARE(count->text(), QStringLiteral("0"));
        retype(count, QStringLiteral("007"));
        QCOMPARE(count->text(), QStringLiteral("7"));
        retype(count, QStringLiteral("30"));

        retype(first, QStringLiteral("111"));
        QCOMPARE(last->text(), QStringLiteral("140"));
        retype(first, QStringLiteral("1"));
        QCOMPARE(last->text(), QStringLiteral("140")); // lowering the first number keeps the last
        QCOMPARE(int(w.classes().at(0).first), 1);

        // A number a 16-bit box cannot hold is refused and the box keeps its value.
        retype(count, QStringLiteral("99999"));
        QCOMPARE(count->text(), QStringLiteral("9999"));
        QCOMPARE(last->text(), QStringLiteral("9999"));
        retype(count, QStringLiteral("30"));
        retype(first, QStringLiteral("32760"));
        QCOMPARE(first->text(), QStringLiteral("3276")); // 32760 + 29 would not fit as last number
        QCOMPARE(int(w.classes().at(0).first), 3276);
        QCOMPARE(int(w.classes().at(0).last), 9999);
    }

    void tooSmallLastNumberIsRefusedOnLeaving()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n[ClassCount]\r\nG=30\r\n"
                                                  "[FirstNumber]\r\nG=101\r\n[LastNumber]\r\nG=130\r\n");
        prompt::ScopedScript script;
        ClassManagementDialog w;
        showActive(w);
        auto *last = child<QLineEdit>(w, "Text4");
        retype(last, QStringLiteral("120"));
        QTest::keyClick(last, Qt::Key_Tab);
        QCOMPARE(script->texts(), QStringList({QStringLiteral("The last number is too small,please input again!")}));
        QCOMPARE(script->records().at(0).caption, QStringLiteral("Manage classes"));
        QCOMPARE(last->text(), QStringLiteral("130"));
        QTRY_VERIFY(last->hasFocus());
        QCOMPARE(last->selectedText(), QStringLiteral("130"));

        script->clear();
        retype(last, QStringLiteral("135"));
        QTest::keyClick(last, Qt::Key_Tab);
        QVERIFY(script->records().isEmpty());
        QCOMPARE(int(w.classes().at(0).last), 135);

        // Enter presses OK from inside the box: the check runs before anything is saved.
        retype(last, QStringLiteral("110"));
        QTest::keyClick(last, Qt::Key_Return);
        QCOMPARE(script->records().size(), qsizetype(1));
        QVERIFY(w.isVisible());
        QCOMPARE(profile::readValue(catalogue::path(), QStringLiteral("LastNumber"), QStringLiteral("G")), QStringLiteral("130"));
        QTest::keyClick(last, Qt::Key_Return);
        QVERIFY(!w.isVisible());
        QCOMPARE(profile::readValue(catalogue::path(), QStringLiteral("LastNumber"), QStringLiteral("G")), QStringLiteral("135"));
    }

    void closingByTheFrameWritesNothing()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        showActive(w);
        retype(child<QLineEdit>(w, "Text2"), QStringLiteral("12"));
        script->queue(QStringLiteral("Grade9"));
        child<QPushButton>(w, "Command4")->click();
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(root.read(QStringLiteral("sys/sys.cho")), ThreeClasses);
    }

    void mainWindowCommandsOpenTheirWindows()
    {
        TestDataRoot root;
        MainWindow main;
        examforge::registerWorkWindows(main);
        main.show();
        const QList<std::pair<int, QString>> commands = {{MainWindow::Classes, QStringLiteral("班级管理")},
                                                         {MainWindow::ExamRoom, QStringLiteral("考场管理")},
                                                         {MainWindow::Password, QStringLiteral("设置密码")}};
        for (const auto &[command, form] : commands) {
            QVERIFY(main.commandPicture(command)->isEnabled());
            QString opened;
            QTimer::singleShot(0, &main, [&opened] {
                if (QWidget *modal = QApplication::activeModalWidget()) {
                    opened = modal->objectName();
                    static_cast<QDialog *>(modal)->reject();
                }
            });
            main.runCommand(command);
            QCOMPARE(opened, form);
        }
    }
};

QTEST_MAIN(TestClassManagement)
#include "tst_classmanagement.moc"
