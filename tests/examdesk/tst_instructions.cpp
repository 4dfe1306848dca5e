#include "helptextwindow.h"
#include "instructionswindow.h"
#include "logintestdata.h"
#include "prompt.h"

#include <QLabel>
#include <QPointer>
#include <QTest>

using examdesk::ExamSession;

namespace {

ExamSession sessionFor(const QString &paperName)
{
    ExamSession s;
    s.考试名称 = paperName;
    s.班级 = QStringLiteral("Grade2A");
    s.学号 = QStringLiteral("7");
    s.姓名 = QStringLiteral("Ann");
    return s;
}

QString labelText(const QWidget *window, const QString &name)
{
    return child<QLabel>(window, name)->text();
}

} // namespace

class TestInstructions : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void showsThePaperFigures()
    {
        TestDataRoot root;
        // Written by the two authoring windows: settings without blanks, counts in the " 12" form.
        root.write(
            QStringLiteral("shijuan/Unit3/Unit3.cho"),
            "[MAIN]\r\nTESTTIME=45\r\nabout_test=  Read each question carefully. <b>No</b> notes.  \r\n"
            "Question_conut= 12\r\nfull_mark= 60\r\nMark= 5\r\n");
        QPointer<InstructionsWindow> about =
            examdesk::showInstructions(sessionFor(QStringLiteral(" Unit3 ")), {});
        QCOMPARE(about->windowTitle(), QStringLiteral("About Test"));
        QCOMPARE(labelText(about, QStringLiteral("Label1")),
                 QStringLiteral("  Read each question carefully. <b>No</b> notes."));
        QCOMPARE(child<QLabel>(about, QStringLiteral("Label1"))->textFormat(), Qt::PlainText);
        QCOMPARE(labelText(about, QStringLiteral("Lab总分")), QStringLiteral("60"));
        QCOMPARE(labelText(about, QStringLiteral("Lab考试总时间")), QStringLiteral("45"));
        QCOMPARE(labelText(about, QStringLiteral("LAB总题数")), QStringLiteral("  12"));
    }

    void missingPaperShowsZeros()
    {
        TestDataRoot root;
        QPointer<InstructionsWindow> about =
            examdesk::showInstructions(sessionFor(QStringLiteral("Gone")), {});
        QCOMPARE(labelText(about, QStringLiteral("Label1")), QStringLiteral("  0"));
        QCOMPARE(labelText(about, QStringLiteral("Lab总分")), QStringLiteral("0"));
        QCOMPARE(labelText(about, QStringLiteral("Lab考试总时间")), QStringLiteral("0"));
        QCOMPARE(labelText(about, QStringLiteral("LAB总题数")), QStringLiteral("  0"));
    }

    void startButtonHandsTheSessionOn()
    {
        TestDataRoot root;
        // Without a way to open the exam the button cannot be pressed.
        QPointer<InstructionsWindow> idle =
            examdesk::showInstructions(sessionFor(QStringLiteral("Unit3")), {});
        auto *start = child<QPushButton>(idle, QStringLiteral("Command1"));
        QCOMPARE(start->text(), QStringLiteral("Click to start test"));
        QVERIFY(!start->isEnabled());
        idle->close();

        // A paper without a time limit is refused before anything starts.
        QList<ExamSession> started;
        const auto starter = [&started](const ExamSession &s) { started.append(s); };
        prompt::ScopedScript script;
        QPointer<InstructionsWindow> untimed = examdesk::showInstructions(sessionFor(QStringLiteral("Unit3")), starter);
        child<QPushButton>(untimed, QStringLiteral("Command1"))->click();
        QVERIFY(started.isEmpty());
        QCOMPARE(script->records().size(), qsizetype(1));
        QVERIFY(script->texts().constFirst().contains(QStringLiteral("no time limit")));
        QVERIFY(untimed->isVisible());
        untimed->close();

        root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"), "[MAIN]\r\nTESTTIME=30\r\n");
        QPointer<InstructionsWindow> about = examdesk::showInstructions(sessionFor(QStringLiteral("Unit3")), starter);
        child<QPushButton>(about, QStringLiteral("Command1"))->click();
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.constFirst().姓名, QStringLiteral("Ann"));
        QCOMPARE(started.constFirst().recordId().number, QStringLiteral("7"));
        QTRY_VERIFY(!about);
    }

    void helpTextAndHowItCloses()
    {
        const QString text = HelpTextWindow::helpText();
        QVERIFY(text.startsWith(QStringLiteral("\nTo select an answer choice:  \nMark the checkbox")));
        QVERIFY(text.contains(QStringLiteral("\n\nTo complete a test:\nClick 'Finish test'.\n\n")));
        QVERIFY(text.contains(QStringLiteral(
            "choice '1. A' means 'yes' and '2.B' means 'not'.\n\nVarnhold \nExamora Ver.5.0\n\n")));
        QVERIFY(text.endsWith(QStringLiteral("@northfield-school.example.org\n\n")));
        QCOMPARE(text.count(u'\n'), 24);

        HelpTextWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Help"));
        QCOMPARE(labelText(&window, QStringLiteral("Label1")), QStringLiteral("Click to return"));
        window.setText(text);
        window.show();
        QTest::mouseClick(child<QLabel>(&window, QStringLiteral("Label1")), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        window.show();
        QTest::keyClick(&window, Qt::Key_A);
        QVERIFY(!window.isVisible());
        window.show();
        child<QPushButton>(&window, QStringLiteral("Command1"))->click();
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestInstructions)
#include "tst_instructions.moc"
