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

template <typename T = QPushButton> T *child(const QWidget &w, const char *name)
{
    return requireChild<T>(&w, QString::fromUtf8(name));
}

QListWidget *classList(const QWidget &w)
{
    return child<QListWidget>(w, "List1");
}

QString listed(const QWidget &w)
{
    QStringList names;
    for (int i = 0; i < classList(w)->count(); ++i)
        names.append(classList(w)->item(i)->text());
    return names.join(u',');
}

/// The four boxes as shown: name, count, first and last number.
QString boxes(const QWidget &w)
{
    return QStringList({child<QLineEdit>(w, "Text1")->text(), child<QLineEdit>(w, "Text2")->text(),
                        child<QLineEdit>(w, "Text3")->text(), child<QLineEdit>(w, "Text4")->text()})
        .join(u' ');
}

void retype(QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

} // namespace

class TestClassManagement : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void cancelAndTheFrameDropEveryEdit()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        QCOMPARE(listed(w), QStringLiteral("Grade1,Grade2,Grade3"));
        QCOMPARE(boxes(w), QStringLiteral("Grade1 10 1 10"));
        classList(w)->setCurrentRow(2);
        QCOMPARE(boxes(w), QStringLiteral("Grade3 30 201 230"));

        child(w, "cmdUp")->click();
        script->queue(QStringLiteral("Grade9"));
        child(w, "Command4")->click();
        child(w, "Command2")->click();
        QVERIFY(!w.isVisible());
        // The window is reused: each opening reads the file again.
        w.show();
        QCOMPARE(listed(w), QStringLiteral("Grade1,Grade2,Grade3"));
        child(w, "cmdDown")->click();
        w.close();
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(root.read(QStringLiteral("sys/sys.cho")), ThreeClasses);
    }

    void addRefusesDuplicatesAndUnsafeNames()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        auto *add = child(w, "Command4");

        script->queue(QVariant(QString())); // Cancel
        add->click();
        script->queue(QStringLiteral("   "));
        add->click();
        QCOMPARE(script->records().size(), qsizetype(2)); // two input boxes, no message
        QCOMPARE(script->records().at(0).text, QStringLiteral("Please enter the name fo new class:"));
        QCOMPARE(script->records().at(0).caption, QStringLiteral("Please enter the name fo new class:"));

        script->clear();
        script->queue(QStringLiteral("  Grade2 "));
        add->click();
        QCOMPARE(script->texts().last(),
                 QStringLiteral("The class name is the same of a class inhered ,input another name!"));
        // A case variant would share keys and answer files with Grade2; "=" would break the file.
        for (const QString &bad : {QStringLiteral("grade2"), QStringLiteral("A=B")}) {
            script->clear();
            script->queue(bad);
            add->click();
            QCOMPARE(script->records().size(), qsizetype(2));
        }
        QCOMPARE(listed(w), QStringLiteral("Grade1,Grade2,Grade3"));

        script->queue(QStringLiteral(" Grade4 "));
        add->click();
        QCOMPARE(listed(w), QStringLiteral("Grade1,Grade2,Grade3,Grade4"));
        QCOMPARE(classList(w)->currentRow(), 0); // the selection stays
        classList(w)->setCurrentRow(3);
        QCOMPARE(boxes(w), QStringLiteral("Grade4 0 0 0"));
    }

    void deleteThenOkRewritesTheList()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        classList(w)->setCurrentRow(1);
        script->queueAnswer(Answer::Cancel);
        child(w, "Command5")->click();
        QCOMPARE(listed(w), QStringLiteral("Grade1,Grade2,Grade3"));
        QCOMPARE(script->records().at(0).buttons, prompt::Buttons::OkCancel);

        script->clear();
        script->queueAnswer(Answer::Ok);
        child(w, "Command5")->click();
        QCOMPARE(script->texts(),
                 QStringList({QStringLiteral("Will you delete all data of the present calss?"),
                              QStringLiteral("The present calss had been deleted?")}));
        QCOMPARE(script->records().at(1).caption, QStringLiteral("Manage classes"));
        QCOMPARE(listed(w), QStringLiteral("Grade1,Grade3"));
        QCOMPARE(boxes(w), QStringLiteral("Grade3 30 201 230"));

        child(w, "Command1")->click();
        QVERIFY(!w.isVisible());
        const QString file = catalogue::path();
        QCOMPARE(profile::readValue(file, QStringLiteral("ClassName"), QStringLiteral("ClassNameCount")),
                 QStringLiteral("2"));
        QCOMPARE(profile::readValue(file, QStringLiteral("ClassName"), QStringLiteral("2")),
                 QStringLiteral("Grade3"));
        QCOMPARE(profile::readValue(file, QStringLiteral("ClassName"), QStringLiteral("3")),
                 QStringLiteral("Grade3"));
        QCOMPARE(catalogue::classNames(), QStringList({QStringLiteral("Grade1"), QStringLiteral("Grade3")}));
    }

    void deletingTheLastClassSelectsTheNewLast()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        classList(w)->setCurrentRow(2);
        script->queueAnswer(Answer::Ok);
        child(w, "Command5")->click();
        QCOMPARE(classList(w)->currentRow(), 1);
        QCOMPARE(boxes(w), QStringLiteral("Grade2 20 101 120"));

        script->queueAnswer(Answer::Ok);
        child(w, "Command5")->click();
        script->clear();
        child(w, "Command5")->click();
        QCOMPARE(script->texts(), QStringList({QStringLiteral("Not allow to delete the class!")}));
        QCOMPARE(listed(w), QStringLiteral("Grade1"));
    }

    void upAndDownMoveTheClassWithItsNumbers()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), ThreeClasses);
        ClassManagementDialog w;
        w.show();
        child(w, "cmdUp")->click(); // the first class cannot go up
        classList(w)->setCurrentRow(2);
        child(w, "cmdDown")->click(); // nor the last one down
        QCOMPARE(listed(w), QStringLiteral("Grade1,Grade2,Grade3"));

        child(w, "cmdUp")->click();
        child(w, "cmdUp")->click();
        QCOMPARE(listed(w), QStringLiteral("Grade3,Grade1,Grade2"));
        QCOMPARE(boxes(w), QStringLiteral("Grade3 30 201 230"));
        child(w, "cmdDown")->click();
        QCOMPARE(classList(w)->currentRow(), 1);
        child(w, "Command1")->click();
        const QList<catalogue::ClassRecord> saved = catalogue::loadClasses();
        QCOMPARE(saved.at(1).name, QStringLiteral("Grade3"));
        QCOMPARE(int(saved.at(1).first), 201);
    }

    void countAndFirstRaiseTheLastNumber()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"),
                   "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n[ClassCount]\r\nG=0\r\n"
                   "[FirstNumber]\r\nG=101\r\n[LastNumber]\r\nG=100\r\n");
        ClassManagementDialog w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *count = child<QLineEdit>(w, "Text2");
        auto *first = child<QLineEdit>(w, "Text3");
        auto *last = child<QLineEdit>(w, "Text4");

        retype(count, QStringLiteral("30"));
        QCOMPARE(last->text(), QStringLiteral("130"));
        QCOMPARE(int(w.classes().at(0).last), 130);
        retype(count, QStringLiteral("x")); // no leading number counts as 0
        QCOMPARE(count->text(), QStringLiteral("0"));
        retype(count, QStringLiteral("30"));
        retype(first, QStringLiteral("111"));
        QCOMPARE(last->text(), QStringLiteral("140"));

        // What a 16-bit number cannot hold is refused and the box keeps its value.
        retype(count, QStringLiteral("99999"));
        QCOMPARE(count->text(), QStringLiteral("9999"));
        QCOMPARE(last->text(), QStringLiteral("10109"));
        retype(first, QStringLiteral("30000")); // 30000 + 9999 - 1 would not fit as last number
        QCOMPARE(first->text(), QStringLiteral("3000"));
        QCOMPARE(int(w.classes().at(0).first), 3000);
        QCOMPARE(int(w.classes().at(0).last), 12998);
    }

    void tooSmallLastNumberIsRefusedOnLeaving()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"),
                   "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n[ClassCount]\r\nG=30\r\n"
                   "[FirstNumber]\r\nG=101\r\n[LastNumber]\r\nG=130\r\n");
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *last = child<QLineEdit>(w, "Text4");
        retype(last, QStringLiteral("120"));
        QTest::keyClick(last, Qt::Key_Tab);
        QCOMPARE(script->texts(),
                 QStringList({QStringLiteral("The last number is too small,please input again!")}));
        QCOMPARE(script->records().at(0).caption, QStringLiteral("Manage classes"));
        QCOMPARE(last->text(), QStringLiteral("130"));
        QVERIFY(last->hasFocus());
        QCOMPARE(last->selectedText(), QStringLiteral("130"));

        retype(last, QStringLiteral("135"));
        QTest::keyClick(last, Qt::Key_Tab);
        QCOMPARE(script->records().size(), qsizetype(1));
        QCOMPARE(int(w.classes().at(0).last), 135);

        // Enter presses OK from inside the box: the check comes before the save.
        retype(last, QStringLiteral("110"));
        QTest::keyClick(last, Qt::Key_Return);
        QCOMPARE(script->records().size(), qsizetype(2));
        QVERIFY(w.isVisible());
        QTest::keyClick(last, Qt::Key_Return);
        QVERIFY(!w.isVisible());
        QCOMPARE(int(catalogue::loadClass(QStringLiteral("G")).last), 135);

        // Leaving by Cancel or Escape needs no valid number.
        for (const bool escape : {false, true}) {
            w.show();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            retype(last, QStringLiteral("1"));
            if (escape)
                QTest::keyClick(last, Qt::Key_Escape);
            else
                QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
            QVERIFY(!w.isVisible());
        }
        QCOMPARE(script->records().size(), qsizetype(2));
    }

    // The refusal must hold for a mouse click as it does for Enter and Tab: the click that
    // took the focus out of the box must not go on to save, add or move anything.
    void clickAfterARefusedLastNumberDoesNothing()
    {
        TestDataRoot root;
        const QByteArray one = "[ClassName]\r\nClassNameCount=1\r\n1=G\r\n[ClassCount]\r\nG=30\r\n"
                               "[FirstNumber]\r\nG=101\r\n[LastNumber]\r\nG=130\r\n";
        root.write(QStringLiteral("sys/sys.cho"), one);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *last = child<QLineEdit>(w, "Text4");
        for (const char *button : {"Command1", "Command4", "cmdDown"}) {
            script->clear();
            retype(last, QStringLiteral("120"));
            QTest::mouseClick(child(w, button), Qt::LeftButton);
            QCOMPARE(script->texts(), QStringList({QStringLiteral("The last number is too small,please input again!")}));
            QVERIFY(w.isVisible());
            QVERIFY(last->hasFocus());
            QCOMPARE(last->text(), QStringLiteral("130"));
            QCOMPARE(listed(w), QStringLiteral("G"));
            QCOMPARE(root.read(QStringLiteral("sys/sys.cho")), one);
        }
        // Once the number is fixed, the next click on OK saves as usual.
        retype(last, QStringLiteral("140"));
        QTest::mouseClick(child(w, "Command1"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(int(catalogue::loadClass(QStringLiteral("G")).last), 140);
    }

    // The class count is a 16-bit number: the 32768th class would vanish on the next load.
    void noMoreClassesThanTheCountCanHold()
    {
        TestDataRoot root;
        QByteArray bytes = "[ClassName]\r\nClassNameCount=32767\r\n";
        for (int i = 1; i <= 32767; ++i)
            bytes += QByteArray::number(i) + "=C" + QByteArray::number(i) + "\r\n";
        root.write(QStringLiteral("sys/sys.cho"), bytes);
        prompt::ScopedScript script;
        ClassManagementDialog w;
        w.show();
        QCOMPARE(classList(w)->count(), 32767);
        child(w, "Command4")->click();
        // A message, and no name asked for.
        QCOMPARE(script->records().size(), qsizetype(1));
        QVERIFY(script->texts().at(0).contains(QStringLiteral("32767")));
        QCOMPARE(classList(w)->count(), 32767);
        child(w, "Command1")->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(catalogue::loadClasses().size(), qsizetype(32767));

        // One below the limit, a class is still added.
        script->clear();
        script->queueAnswer(Answer::Ok);
        script->queueAnswer(Answer::Ok);
        script->queue(QStringLiteral("Last"));
        w.show();
        classList(w)->setCurrentRow(0);
        child(w, "Command5")->click();
        QCOMPARE(classList(w)->count(), 32766);
        child(w, "Command4")->click();
        QCOMPARE(classList(w)->count(), 32767);
        QCOMPARE(classList(w)->item(32766)->text(), QStringLiteral("Last"));
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
            QString opened;
            QTimer::singleShot(0, &main, [&opened] {
                if (QWidget *modal = QApplication::activeModalWidget()) {
                    opened = modal->objectName();
                    static_cast<QDialog *>(modal)->reject();
                }
            });
            main.commandPicture(command)->click();
            QCOMPARE(opened, form);
        }
    }
};

QTEST_MAIN(TestClassManagement)
#include "tst_classmanagement.moc"
