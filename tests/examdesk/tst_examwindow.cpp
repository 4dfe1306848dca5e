#include "examrules.h"
#include "examtestdata.h"
#include "examwindow.h"
#include "instructionswindow.h"
#include "logintestdata.h"
#include "paths.h"
#include "profile.h"
#include "prompt.h"
#include "richtextbox.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <thread>

#include <sys/stat.h>

namespace {

/// An exam window on a clock the test moves, whose end of program is only counted.
class Exam
{
public:
    explicit Exam(const examdesk::ExamSession &session = examSession())
        : window(new ExamWindow(session))
    {
        window->setClock([this] { return now; });
        window->setExit([this] { ++exits; });
        window->show();
    }
    ~Exam() { delete window.data(); }

    template <class T = QWidget> T *get(const QString &name) const { return child<T>(window, name); }
    void click(const QString &name) const { get<QAbstractButton>(name)->click(); }
    QString text(const QString &name) const { return get<QLabel>(name)->text(); }
    QString title(const QString &name) const { return get<QGroupBox>(name)->title(); }
    QString question() const { return get<RichTextBox>(QStringLiteral("Rich题目"))->plainText().trimmed(); }
    bool isChecked(int choice) const
    {
        return get<QCheckBox>(QStringLiteral("Op_XZ(%1)").arg(choice))->isChecked();
    }
    /// The colour a choice is painted in, as the student sees it.
    QColor choiceColour(int choice) const
    {
        const QImage image = get(QStringLiteral("Op_XZ(%1)").arg(choice))->grab().toImage();
        return image.pixelColor(image.width() - 8, image.height() / 2);
    }
    QColor selectorColour(int button) const
    {
        return get(QStringLiteral("CmdQuestion(%1)").arg(button))->palette().color(QPalette::Button);
    }
    void rightClick(const QString &name) const { QTest::mouseClick(get(name), Qt::RightButton); }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(window->focusWidget() ? window->focusWidget() : window.data(), Qt::Key(k), modifiers);
    }
    void pass(int seconds)
    {
        now += qint64(seconds) * 1000;
        window->tick();
    }

    qint64 now = 0;
    int exits = 0;
    QPointer<ExamWindow> window;
};

const QColor Red(255, 0, 0);
const QColor Teal(0, 192, 192);
const QColor Green(0, 255, 0);

QString stored(const QString &key)
{
    return profile::readValue(record::path(examSession().recordId()), QStringLiteral("Grade2A"),
                              QStringLiteral("7") + key);
}

QList<qint16> storedList(const QString &prefix, int n)
{
    QList<qint16> values;
    for (int i = 1; i <= n; ++i)
        values.append(qint16(stored(prefix + QString::number(i)).toInt()));
    return values;
}

QString plain(QString caption)
{
    return caption.remove(u'&');
}

} // namespace

class TestExamWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { prompt::setApplicationTitle(QStringLiteral("Examdesk")); }
    void cleanup()
    {
        prompt::ScopedScript noQuestions; // a window still open is not finished by the clean-up
        closeAllWindows();
        paths::setRunningLocallyForTesting(-1);
    }

    void newAttemptIsInTheRecordAtOnce()
    {
        TestDataRoot root;
        writeExamPaper(root, 25, "TESTtime=30\r\n");
        prompt::ScopedScript script;
        Exam exam;
        QCOMPARE(exam.window->windowTitle(), QStringLiteral("Grade2A 7 Ann Lee"));
        QCOMPARE(exam.text(QStringLiteral("Lab_TIMER")), QStringLiteral("00:30:00"));
        // No CHANGE_QUESTION_SORT: shuffled, and the order, answers, time and position are
        // stored with the start stamp before the student does anything.
        const QList<qint16> order = exam.window->order();
        QVERIFY(order != examdesk::paperOrder(25));
        QList<qint16> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(sorted, examdesk::paperOrder(25));
        QVERIFY(!stored(QStringLiteral("TIME1")).isEmpty());
        QCOMPARE(stored(QStringLiteral("TIME")), QStringLiteral("00:30:00"));
        QCOMPARE(stored(QStringLiteral("DangQian")), QStringLiteral("1"));
        QCOMPARE(storedList(QStringLiteral("SX"), 25), order);
        QCOMPARE(storedList(QStringLiteral("DA"), 25), QList<qint16>(25, 0));
        QCOMPARE(exam.question(), QStringLiteral("Question %1").arg(order.first()));
        QCOMPARE(exam.title(QStringLiteral("Fram_题目")), QStringLiteral("Question No: 1    Mark:5"));
        QVERIFY(!exam.get(QStringLiteral("Command3"))->isVisible());
        QVERIFY(!exam.get(QStringLiteral("FrmExplain"))->isVisible());
        QVERIFY(script->records().isEmpty());
        QCOMPARE(exam.get<QTimer>(QStringLiteral("Timer保存"))->interval(), ExamWindow::SaveIntervalMs);
        QVERIFY(exam.get<QTimer>(QStringLiteral("Timer1"))->isActive());
    }

    void selectorScrollsByTen()
    {
        TestDataRoot root;
        writeExamPaper(root, 25, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\n");
        prompt::ScopedScript script;
        Exam exam;
        QCOMPARE(exam.window->order(), examdesk::paperOrder(25));
        auto *scroll = exam.get<QScrollBar>(QStringLiteral("VSlquestion"));
        QCOMPARE(scroll->maximum(), 20);
        QCOMPARE(exam.title(QStringLiteral("FrmSelQuestion")),
                 QStringLiteral("Select question          Questions total:25"));
        for (int i = 1; i <= 20; ++i) {
            QVERIFY(exam.get(QStringLiteral("CmdQuestion(%1)").arg(i))->isVisible());
            QCOMPARE(plain(exam.get<QPushButton>(QStringLiteral("CmdQuestion(%1)").arg(i))->text()),
                     QString::number(i));
        }
        exam.click(QStringLiteral("CmdQuestion(20)"));
        QCOMPARE(scroll->value(), 0);
        exam.click(QStringLiteral("Command2"));
        QCOMPARE(exam.window->position(), qint16(21));
        QCOMPARE(scroll->value(), 10);
        QCOMPARE(exam.question(), QStringLiteral("Question 21"));
        for (int i = 1; i <= 20; ++i) {
            auto *button = exam.get<QPushButton>(QStringLiteral("CmdQuestion(%1)").arg(i));
            QCOMPARE(plain(button->text()), QString::number(i + 10));
            QCOMPARE(button->isVisible(), i <= 15); // 26..30 are no questions
        }
        exam.click(QStringLiteral("CmdQuestion(15)"));
        QCOMPARE(exam.question(), QStringLiteral("Question 25"));
        // Back to 10: the selector shows 1..20 again.
        for (int i = 0; i < 15; ++i)
            exam.click(QStringLiteral("Command1"));
        QCOMPARE(exam.window->position(), qint16(10));
        QCOMPARE(scroll->value(), 0);
    }

    void answerCodesColoursAndKey()
    {
        TestDataRoot root;
        writeExamPaper(root, 3, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\nEXERCISEMODE=1\r\n",
                       {QStringLiteral("13"), QStringLiteral("31")});
        prompt::ScopedScript script;
        Exam exam;
        exam.click(QStringLiteral("Op_XZ(3)"));
        exam.click(QStringLiteral("Op_XZ(1)"));
        QCOMPARE(exam.window->answers(), (QList<qint16>{13, 0, 0}));
        QCOMPARE(exam.choiceColour(1), Red);
        QCOMPARE(exam.choiceColour(3), Red);
        QCOMPARE(exam.choiceColour(2), Teal);
        QCOMPARE(exam.selectorColour(1), Green);
        QCOMPARE(exam.selectorColour(2), QApplication::palette().color(QPalette::Button));

        // Key mode: key digits in green, the verdict, and the countdown stands still.
        auto *key = exam.get<QPushButton>(QStringLiteral("Command3"));
        QVERIFY(key->isVisible());
        QCOMPARE(plain(key->text()), QStringLiteral("Display key"));
        exam.pass(5);
        key->click();
        QCOMPARE(plain(key->text()), QStringLiteral("Continue test"));
        QVERIFY(exam.window->keyMode());
        QVERIFY(!exam.get<QTimer>(QStringLiteral("Timer1"))->isActive());
        QCOMPARE(exam.title(QStringLiteral("Fram_题目")),
                 QStringLiteral("Question No: 1    Mark:5   Correct answer key:13"));
        QCOMPARE(exam.title(QStringLiteral("FrmExplain")),
                 QStringLiteral("Explain   Your answer is correct!"));
        QVERIFY(exam.get(QStringLiteral("FrmExplain"))->isVisible());
        QCOMPARE(exam.get<RichTextBox>(QStringLiteral("Rich解题辅导"))->plainText().trimmed(),
                 QStringLiteral("Explain 1"));
        QCOMPARE(exam.choiceColour(1), Green);
        QCOMPARE(exam.choiceColour(2), Teal);
        exam.pass(100);
        QCOMPARE(exam.text(QStringLiteral("Lab_TIMER")), QStringLiteral("00:29:55"));

        exam.click(QStringLiteral("Command2"));
        QCOMPARE(exam.title(QStringLiteral("FrmExplain")), QStringLiteral("Explain   You haven't answered!"));
        exam.click(QStringLiteral("Op_XZ(1)"));
        exam.click(QStringLiteral("Op_XZ(3)"));
        QCOMPARE(exam.window->answers().at(1), qint16(13));
        QCOMPARE(exam.title(QStringLiteral("FrmExplain")),
                 QStringLiteral("Explain   Your answer is uncorrect!"));
        exam.click(QStringLiteral("Command2"));
        QCOMPARE(exam.title(QStringLiteral("Fram_题目")),
                 QStringLiteral("Question No: 3    Mark:5   Correct answer key isn't setted."));

        key->click();
        QCOMPARE(plain(key->text()), QStringLiteral("Display key"));
        QVERIFY(!exam.get(QStringLiteral("FrmExplain"))->isVisible());
        QVERIFY(exam.get<QTimer>(QStringLiteral("Timer1"))->isActive());
        exam.pass(1);
        QCOMPARE(exam.text(QStringLiteral("Lab_TIMER")), QStringLiteral("00:29:54"));
        QVERIFY(script->records().isEmpty());
    }

    void choiceBeyondTheCodeRangeIsRefused()
    {
        TestDataRoot root;
        writeExamPaper(root, 2, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\n");
        prompt::ScopedScript script;
        Exam exam;
        for (int c = 1; c <= 5; ++c)
            exam.click(QStringLiteral("Op_XZ(%1)").arg(c));
        QCOMPARE(exam.window->answers().first(), qint16(12345));
        exam.click(QStringLiteral("Op_XZ(6)"));
        QVERIFY(!exam.isChecked(6));
        QCOMPARE(exam.choiceColour(6), Teal);
        QCOMPARE(exam.window->answers().first(), qint16(12345));
        QCOMPARE(script->texts(),
                 QStringList{QStringLiteral("Too many answer choices are marked: this one can't be added.")});

        // 3, 4, 5, 6 and 7 together would be 34567.
        exam.click(QStringLiteral("Command2"));
        for (int c = 3; c <= 7; ++c)
            exam.click(QStringLiteral("Op_XZ(%1)").arg(c));
        QVERIFY(!exam.isChecked(7));
        QCOMPARE(exam.window->answers().at(1), qint16(3456));
        QCOMPARE(script->records().size(), 2);
        QVERIFY(exam.window->saveProgress());
        QCOMPARE(stored(QStringLiteral("DA2")), QStringLiteral("3456"));
    }

    void navigationButtonsKeysAndPageAuto()
    {
        TestDataRoot root;
        writeExamPaper(root, 20, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\n");
        prompt::ScopedScript script;
        Exam exam;
        auto *previous = exam.get<QPushButton>(QStringLiteral("Command1"));
        auto *next = exam.get<QPushButton>(QStringLiteral("Command2"));
        // Previous on the first question only disables itself.
        previous->click();
        QCOMPARE(exam.window->position(), qint16(1));
        QVERIFY(!previous->isEnabled());
        QVERIFY(next->isEnabled());

        exam.rightClick(QStringLiteral("Command2"));
        QCOMPARE(exam.window->position(), qint16(6));
        QVERIFY(previous->isEnabled());
        exam.click(QStringLiteral("CmdQuestion(18)"));
        exam.rightClick(QStringLiteral("Command2"));
        QCOMPARE(exam.window->position(), qint16(20));
        QVERIFY(!next->isEnabled());
        QCOMPARE(exam.question(), QStringLiteral("Question 20"));
        exam.click(QStringLiteral("Command2")); // disabled: nothing
        QCOMPARE(exam.window->position(), qint16(20));

        exam.click(QStringLiteral("CmdQuestion(3)"));
        QVERIFY(next->isEnabled());
        exam.rightClick(QStringLiteral("Command1"));
        QCOMPARE(exam.window->position(), qint16(1));
        QVERIFY(!previous->isEnabled());

        // Keys: Page Down and Page Up move, digits and letters tick choices, also from the text.
        exam.get(QStringLiteral("Rich题目"))->setFocus();
        exam.key(Qt::Key_PageDown);
        exam.key(Qt::Key_PageDown);
        QCOMPARE(exam.window->position(), qint16(3));
        exam.key(Qt::Key_1);
        exam.key(Qt::Key_C);
        exam.key(Qt::Key_4, Qt::KeypadModifier);
        exam.key(Qt::Key_D, Qt::ControlModifier); // not a choice
        QCOMPARE(exam.window->answers().at(2), qint16(134));
        exam.key(Qt::Key_4);
        QCOMPARE(exam.window->answers().at(2), qint16(13));
        exam.key(Qt::Key_PageUp);
        QCOMPARE(exam.window->position(), qint16(2));
        QCOMPARE(exam.selectorColour(3), Green);

        // Page Auto.: an answer moves on by itself, and stops at the last question.
        exam.click(QStringLiteral("Check1"));
        exam.click(QStringLiteral("Op_XZ(2)"));
        QCOMPARE(exam.window->position(), qint16(3));
        exam.click(QStringLiteral("CmdQuestion(20)"));
        exam.key(Qt::Key_B);
        QCOMPARE(exam.window->position(), qint16(20));
        QVERIFY(!next->isEnabled());
        QCOMPARE(exam.window->answers().at(19), qint16(2));
        QVERIFY(script->records().isEmpty());
    }

    void countdownFollowsTheClockAndTimesOut()
    {
        TestDataRoot root;
        // 600 minutes do not fit the 16-bit seconds of old.
        writeExamPaper(root, 2,
                       "TESTtime=600\r\nCHANGE_QUESTION_SORT=0\r\nDISPLAY_SCORE=1\r\nfull_mark= 10\r\n",
                       {QStringLiteral("2"), QStringLiteral("1")});
        prompt::ScopedScript script;
        Exam exam;
        QCOMPARE(exam.text(QStringLiteral("Lab_TIMER")), QStringLiteral("10:00:00"));
        exam.pass(1);
        QCOMPARE(exam.text(QStringLiteral("Lab_TIMER")), QStringLiteral("09:59:59"));
        // A window that was busy for 90 s loses 90 s, not one tick.
        exam.pass(90);
        QCOMPARE(exam.text(QStringLiteral("Lab_TIMER")), QStringLiteral("09:58:29"));
        QVERIFY(exam.window->saveProgress());
        QCOMPARE(stored(QStringLiteral("TIME")), QStringLiteral("09:58:29"));

        exam.click(QStringLiteral("Op_XZ(2)"));
        exam.now += qint64(10) * 3600 * 1000;
        QCOMPARE(exam.exits, 0);
        exam.window->tick();
        // No question: the mark is written and shown, the program ends.
        QCOMPARE(script->texts(), QStringList{examdesk::finishMessage(true, 10, 5, true)});
        QCOMPARE(stored(QStringLiteral("TIME2")), QStringLiteral("00:00:00"));
        QCOMPARE(stored(QStringLiteral("DA1")), QStringLiteral("2"));
        QCOMPARE(stored(QStringLiteral("DA2")), QStringLiteral("0"));
        QVERIFY(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho")).endsWith("\r\n7DF= 5\r\n"));
        QCOMPARE(exam.exits, 1);
        QVERIFY(!exam.window->isVisible());
        exam.window->tick();
        QVERIFY(!exam.window->saveProgress());
        QCOMPARE(exam.exits, 1);
    }

    void finishAsksFirst()
    {
        TestDataRoot root;
        writeExamPaper(root, 2, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\nDISPLAY_SCORE=0\r\n",
                       {QStringLiteral("2"), QString()});
        prompt::ScopedScript script;
        Exam exam;
        exam.click(QStringLiteral("Op_XZ(2)"));
        // No (the default) keeps the test running, from the button and from the close box.
        exam.click(QStringLiteral("Command6"));
        exam.window->close();
        QCOMPARE(script->texts(), QStringList(2, QStringLiteral("Will you finsh the test really?")));
        QCOMPARE(script->records().constFirst().buttons, prompt::Buttons::YesNo);
        QCOMPARE(script->records().constFirst().defaultAnswer, prompt::Answer::No);
        QVERIFY(exam.window->isVisible());
        QVERIFY(exam.get<QTimer>(QStringLiteral("Timer1"))->isActive());
        QVERIFY(stored(QStringLiteral("TIME2")).isEmpty());
        QCOMPARE(exam.exits, 0);

        script->clear();
        exam.pass(75);
        script->queueAnswer(prompt::Answer::Yes);
        exam.window->close();
        QCOMPARE(script->texts(), (QStringList{QStringLiteral("Will you finsh the test really?"),
                                               examdesk::finishMessage(false, 0, 10, true)}));
        QCOMPARE(stored(QStringLiteral("TIME2")), QStringLiteral("00:28:45"));
        // 2 right, and the question without key left blank.
        QVERIFY(root.read(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho")).endsWith("\r\n7DF= 10\r\n"));
        QCOMPARE(exam.exits, 1);
        QVERIFY(!exam.window->isVisible());
    }

    void unwritableRecordIsRetriedAndNeverReportedSaved()
    {
        TestDataRoot root;
        writeExamPaper(root, 1, "TESTtime=30\r\nDISPLAY_SCORE=1\r\n", {QStringLiteral("1")});
        QVERIFY(QDir(root.file(QStringLiteral("CHENGJI/Unit3"))).removeRecursively());
        prompt::ScopedScript script;
        Exam exam;
        // The start could not be written: it is tried again after a few seconds, not a minute,
        // and the start stamp goes with the save that succeeds.
        QCOMPARE(exam.get<QTimer>(QStringLiteral("Timer保存"))->interval(), ExamWindow::SaveRetryMs);
        QVERIFY(exam.get<QTimer>(QStringLiteral("Timer保存"))->isActive());
        QVERIFY(!exam.window->saveProgress());
        root.write(QStringLiteral("CHENGJI/Unit3/.keep"), {});
        exam.click(QStringLiteral("Op_XZ(1)"));
        QVERIFY(exam.window->saveProgress());
        QCOMPARE(exam.get<QTimer>(QStringLiteral("Timer保存"))->interval(), ExamWindow::SaveIntervalMs);
        QVERIFY(!stored(QStringLiteral("TIME1")).isEmpty());
        QCOMPARE(stored(QStringLiteral("DA1")), QStringLiteral("1"));
        QVERIFY(script->records().isEmpty());

        QVERIFY(QDir(root.file(QStringLiteral("CHENGJI/Unit3"))).removeRecursively());
        const QString failed = QStringLiteral(
            "Your answers can't be saved: the answer record of this test can't be written.\nPlease tell your "
            "teacher.\n\nClick OK to try again, or Cancel to end the test without saving.");
        script->queueAnswer(prompt::Answer::Yes);
        script->queueAnswer(prompt::Answer::Ok);
        script->queueAnswer(prompt::Answer::Cancel);
        exam.click(QStringLiteral("Command6"));
        QCOMPARE(script->texts(), (QStringList{QStringLiteral("Will you finsh the test really?"), failed,
                                               failed, examdesk::finishMessage(true, 0, 5, false)}));
        QCOMPARE(exam.exits, 1);
        QVERIFY(!root.exists(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho")));
    }

    void resumeRestoresTheSavedAttempt()
    {
        TestDataRoot root;
        writeExamPaper(root, 3, "TESTtime=30\r\n");
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"),
                   "[Grade2A]\r\n7=Ann\r\n7TIME1=2026,03,02  09:00:00\r\n7TIME=00:12:34\r\n7DangQian=2\r\n"
                   "7DA1=0\r\n7DA2=13\r\n7DA3=4\r\n7SX1=3\r\n7SX2=1\r\n7SX3=2\r\n");
        prompt::ScopedScript script;
        {
            Exam exam(examSession(true));
            QCOMPARE(exam.window->order(), (QList<qint16>{3, 1, 2}));
            QCOMPARE(exam.window->answers(), (QList<qint16>{0, 13, 4}));
            QCOMPARE(exam.window->position(), qint16(2));
            QCOMPARE(exam.question(), QStringLiteral("Question 1"));
            QCOMPARE(exam.text(QStringLiteral("Lab_TIMER")), QStringLiteral("00:12:34"));
            QCOMPARE(exam.selectorColour(1), Green); // position 1 shows question 3
            QCOMPARE(exam.selectorColour(2), QApplication::palette().color(QPalette::Button));
            QCOMPARE(exam.selectorColour(3), Green);
            QCOMPARE(stored(QStringLiteral("TIME1")), QStringLiteral("2026,03,02  09:00:00"));
        }
        // Started but never saved: paper order, the first question, the whole time.
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"),
                   "[Grade2A]\r\n7TIME1=2026,03,02  09:00:00\r\n");
        Exam exam(examSession(true));
        QCOMPARE(exam.window->order(), (QList<qint16>{1, 2, 3}));
        QCOMPARE(exam.window->position(), qint16(1));
        QCOMPARE(exam.text(QStringLiteral("Lab_TIMER")), QStringLiteral("00:30:00"));
        QVERIFY(script->records().isEmpty());
    }

    void missingOrUnsafeFilesShowEmptyBoxes()
    {
        TestDataRoot root;
        writeExamPaper(root, 3, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\nEXERCISEMODE=1\r\n",
                       {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")});
        QFile::remove(root.file(QStringLiteral("SHIJUAN/Unit3/q2.RTF")));
        QFile::remove(root.file(QStringLiteral("SHIJUAN/Unit3/e2.RTF")));
        root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"),
                   root.read(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"))
                       .replace("QUESTION=q3.RTF", "QUESTION=../Unit3/q1.RTF"));
        prompt::ScopedScript script;
        Exam exam;
        exam.click(QStringLiteral("Command3"));
        QCOMPARE(exam.question(), QStringLiteral("Question 1"));
        exam.click(QStringLiteral("Command2"));
        QCOMPARE(exam.question(), QString());
        QCOMPARE(exam.get<RichTextBox>(QStringLiteral("Rich解题辅导"))->plainText().trimmed(), QString());
        exam.click(QStringLiteral("Command2"));
        QCOMPARE(exam.question(), QString());
        QCOMPARE(exam.get<RichTextBox>(QStringLiteral("Rich解题辅导"))->plainText().trimmed(),
                 QStringLiteral("Explain 3"));
    }

    void aQuestionsNotesAreShownBelowIt()
    {
        TestDataRoot root;
        writeExamPaper(root, 1, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\n", {QStringLiteral("1")});
        root.write(QStringLiteral("SHIJUAN/Unit3/q1.RTF"),
                   "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 What is 25 + 17?{\\super\\chftn}"
                   "{\\footnote\\pard\\plain\\fs20{\\super\\chftn} Add the ones.}{\\*\\atnid MB}"
                   "{\\*\\atnauthor Ms. Brook}\\chatn{\\*\\annotation\\pard\\plain Tens first.}\\par}");
        prompt::ScopedScript script;
        Exam exam;
        QCOMPARE(exam.question(), QStringLiteral("What is 25 + 17?1\uFFFC[MB1]\uFFFC\n\n1 Add the ones.\n"
                                                 "[MB1] Ms. Brook: Tens first."));
        const QTextDocument *shown = exam.get<RichTextBox>(QStringLiteral("Rich题目"))->document();
        const QTextBlockFormat rule = shown->findBlockByNumber(1).blockFormat();
        QVERIFY(rule.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth));
    }

    void overAShareThePaperIsCopiedOnce()
    {
        TestDataRoot root;
        writeExamPaper(root, 2, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\nEXERCISEMODE=1\r\n");
        paths::setRunningLocallyForTesting(0);
        const QString work = paths::workFolder(QStringLiteral("examdesk"));
        QVERIFY(work.startsWith(root.workBase()));
        QFile stale(QDir(work).filePath(QStringLiteral("99.RTF")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        prompt::ScopedScript script;
        Exam exam;
        // The first question is copied before it is shown, the rest in the background, so that
        // moving on never waits for the share.
        QTRY_COMPARE(QDir(work).entryList(QDir::Files, QDir::Name),
                     (QStringList{QStringLiteral("Unit3.cho"), QStringLiteral("e1.RTF"), QStringLiteral("e2.RTF"),
                                  QStringLiteral("q1.RTF"), QStringLiteral("q2.RTF")}));
        // A question shown again comes from the copy made the first time.
        root.write(QStringLiteral("SHIJUAN/Unit3/q1.RTF"), rtfLine(QStringLiteral("Changed")));
        root.write(QStringLiteral("SHIJUAN/Unit3/q2.RTF"), rtfLine(QStringLiteral("Changed")));
        exam.click(QStringLiteral("Command2"));
        QCOMPARE(exam.question(), QStringLiteral("Question 2"));
        exam.click(QStringLiteral("Command1"));
        QCOMPARE(exam.question(), QStringLiteral("Question 1"));
        exam.click(QStringLiteral("Command3"));

        script->queueAnswer(prompt::Answer::Yes);
        exam.click(QStringLiteral("Command6"));
        QCOMPARE(exam.exits, 1);
        QCOMPARE(QDir(work).entryList(QDir::Files), QStringList{});
        QCOMPARE(stored(QStringLiteral("DF")), QStringLiteral("10")); // two questions without key
    }

    void overAShareAQuestionOnItsWayNeverHoldsTheWindow()
    {
        TestDataRoot root;
        writeExamPaper(root, 3, "TESTtime=30\r\nCHANGE_QUESTION_SORT=0\r\n");
        // A pipe nobody writes to yet stands for a share that hangs while question 2 is read.
        const QString q2 = root.file(QStringLiteral("SHIJUAN/Unit3/q2.RTF"));
        QVERIFY(QFile::remove(q2));
        QCOMPARE(::mkfifo(QFile::encodeName(q2).constData(), 0600), 0);
        paths::setRunningLocallyForTesting(0);
        prompt::ScopedScript script;
        Exam exam;
        QTRY_COMPARE(exam.question(), QStringLiteral("Question 1"));
        QElapsedTimer held;
        held.start();
        exam.click(QStringLiteral("Command2"));
        QVERIFY(held.elapsed() < 2000);
        const QString onItsWay = QStringLiteral("This question is still being read from the shared folder...");
        QCOMPARE(exam.question(), onItsWay);
        QCOMPARE(exam.window->position(), qint16(2));
        exam.click(QStringLiteral("Op_XZ(3)")); // the student answers meanwhile

        // Then the share goes away altogether: question 3 waits for it, and appears when it is back.
        const QString folder = root.file(QStringLiteral("SHIJUAN/Unit3"));
        const QString away = root.file(QStringLiteral("SHIJUAN/away"));
        QVERIFY(QDir().rename(folder, away));
        QFile pipe(away + QStringLiteral("/q2.RTF"));
        QVERIFY(pipe.open(QIODevice::WriteOnly));
        pipe.close();
        exam.click(QStringLiteral("Command2"));
        QCOMPARE(exam.question(), onItsWay);
        QVERIFY(QDir().rename(away, folder));
        QTRY_COMPARE(exam.question(), QStringLiteral("Question 3"));

        script->queueAnswer(prompt::Answer::Yes);
        exam.click(QStringLiteral("Command6"));
        QCOMPARE(exam.exits, 1);
        QCOMPARE(stored(QStringLiteral("DA2")), QStringLiteral("3"));
    }

    void aPaperThatCannotBeReadIsNotSatAsEmpty()
    {
        TestDataRoot root;
        writeExamPaper(root, 2, "TESTtime=30\r\n");
        const QString paper = root.file(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"));
        QVERIFY(QFile::remove(paper));
        QVERIFY(QDir().mkpath(paper)); // there, but it does not open
        prompt::ScopedScript script;
        script->queueAnswer(prompt::Answer::Cancel);
        Exam exam;
        QCOMPARE(script->texts(), QStringList{QStringLiteral(
                                      "The test paper can't be read now: is the network down?\n\nClick OK to try "
                                      "again, or Cancel to leave the test; the answers saved so far are kept.")});
        QTRY_COMPARE(exam.exits, 1);
        QVERIFY(!root.exists(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho")));
    }

    void aReloginWhoseRecordCannotBeReadOverwritesNothing()
    {
        TestDataRoot root;
        writeExamPaper(root, 2, "TESTtime=30\r\n");
        const QByteArray saved = "[Grade2A]\r\n7=Ann\r\n7TIME1=2026,03,02  09:00:00\r\n7TIME=00:12:34\r\n"
                                 "7DangQian=2\r\n7DA1=4\r\n7DA2=13\r\n7SX1=2\r\n7SX2=1\r\n";
        const QString record = root.file(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho"));
        const QString aside = record + QStringLiteral(".aside");
        root.write(QStringLiteral("CHENGJI/Unit3/Grade2A7.cho.aside"), saved);
        QVERIFY(QDir().mkpath(record)); // there, but it does not open
        prompt::ScopedScript script;
        const QString cannotRead = QStringLiteral(
            "The answer record of this test can't be read now: is the network down?\n\nClick OK to try again, or "
            "Cancel to leave the test; the answers saved so far are kept.");
        {
            script->queueAnswer(prompt::Answer::Cancel);
            Exam exam(examSession(true));
            QCOMPARE(script->texts(), QStringList{cannotRead});
            QTRY_COMPARE(exam.exits, 1);
            QVERIFY(!exam.window || !exam.window->isVisible());
            QVERIFY(QFileInfo(record).isDir()); // nothing written
        }
        // The share comes back while the student is asked: the attempt goes on where it was.
        script->clear();
        std::thread back([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            QDir(record).removeRecursively();
            QFile::rename(aside, record);
        });
        Exam exam(examSession(true));
        back.join();
        QVERIFY(!script->texts().isEmpty());
        QCOMPARE(script->texts().constLast(), cannotRead);
        QCOMPARE(exam.window->answers(), (QList<qint16>{4, 13}));
        QCOMPARE(exam.window->position(), qint16(2));
        QCOMPARE(exam.exits, 0);
    }

    void startButtonAndHelpOpenTheirWindows()
    {
        TestDataRoot root;
        writeExamPaper(root, 1, "TESTtime=30\r\n");
        prompt::ScopedScript script;
        QPointer<InstructionsWindow> about =
            examdesk::showInstructions(examSession(), &examdesk::showExamWindow);
        child<QPushButton>(about, QStringLiteral("Command1"))->click();
        QTRY_VERIFY(!about);
        auto *exam = qobject_cast<ExamWindow *>(shownWindow(QStringLiteral("网络考试")));
        QVERIFY(exam);
        QVERIFY(exam->testAttribute(Qt::WA_DeleteOnClose));

        QString helpTitle;
        QTimer::singleShot(0, this, [&helpTitle] {
            if (QWidget *help = QApplication::activeModalWidget()) {
                helpTitle = help->windowTitle();
                help->close();
            }
        });
        child<QPushButton>(exam, QStringLiteral("Command5"))->click();
        QCOMPARE(helpTitle, QStringLiteral("Help"));
        QVERIFY(script->records().isEmpty());
    }
};

QTEST_MAIN(TestExamWindow)
#include "tst_examwindow.moc"
