// One test from start to end, over one data tree: the teacher sets up a class and a paper,
// two students sit it, and the teacher reviews and exports the results. Both programs run
// their real windows in this process; the files on disk are checked after every step,
// since they are all that passes between the two programs.

#include "examdeskstartup.h"
#include "examwindow.h"
#include "imagecommand.h"
#include "mainwindow.h"
#include "numbers.h"
#include "paths.h"
#include "profile.h"
#include "prompt.h"
#include "questioneditordialog.h"
#include "richtextbox.h"
#include "rtf/rtf.h"
#include "studentloginwindow.h"
#include "testsupport.h"
#include "workbook.h"
#include "workwindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using prompt::Answer;

namespace {

/// A question as the teacher types it: text, explanation, the correct choices, own mark.
struct Question
{
    QString text;
    QString explanation;
    QList<int> key;
    QString ownMark; ///< empty: the paper's default mark
};

const QList<Question> Questions = {
    {u"What is 2 + 3? 1. four 2. five 3. six"_s, u"Two and three make five."_s, {2}, {}},
    {u"Which numbers are even? 1. two 2. three 3. four"_s, u"Even numbers divide by two."_s, {1, 3}, {}},
    {u"Which city is the capital of France? 1. Rome 2. Madrid 3. Berlin 4. Paris"_s,
     u"Paris has been the capital for centuries."_s,
     {4},
     u"20"_s},
};
// Default mark 10: full score 10 + 10 + 20.
constexpr int FullScore = 40;

/// What a student ticks for each question of the paper (by the paper's numbering).
using Choices = QMap<int, QList<int>>;
// 17: questions 1 and 3 right, 2 wrong (one of its two choices): 30 points.
const Choices Student17 = {{1, {2}}, {2, {1}}, {3, {4}}};
// 18: questions 1 and 2 right (ticked in reverse order), 3 wrong: 20 points.
const Choices Student18 = {{1, {2}}, {2, {3, 1}}, {3, {3}}};

const QString Catalogue = u"sys/sys.cho"_s;
const QString PaperFile = u"SHIJUAN/Unit3/Unit3.cho"_s;

template <typename T = QWidget> T *child(const QWidget *window, const QString &name)
{
    return requireChild<T>(window, name);
}

void click(const QWidget *window, const QString &button)
{
    child<QAbstractButton>(window, button)->click();
}

/// Replaces the text of a box as a user does: select all, then type.
void retype(QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

void press(QListWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QStringList lines(const QWidget *window, const QString &list)
{
    QStringList texts;
    const auto *l = child<QListWidget>(window, list);
    for (int i = 0; i < l->count(); ++i)
        texts.append(l->item(i)->text());
    return texts;
}

QString rule(int n)
{
    return QString(n, u'_');
}

/// The visible top-level window of that object name, if any.
QWidget *shownWindow(const QString &name)
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->objectName() == name && w->isVisible())
            return w;
    }
    return nullptr;
}

/// Runs open(), which shows the window named form modally, and lets step act from inside that
/// window's own event loop. A window the step leaves open (after a failed check) is closed, so
/// that exec() returns and the failure is reported. True when the step ran and passed.
bool insideModal(const std::function<void()> &open, const QString &form,
                 const std::function<void(QDialog *)> &step)
{
    bool reached = false;
    QObject guard; // a window that never opened must not be acted on later
    QTimer::singleShot(0, &guard, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && dialog->objectName() == form) {
            reached = true;
            step(dialog);
        }
        if (dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    });
    open();
    if (!reached)
        qWarning("window %s did not open", qPrintable(form));
    return reached && !QTest::currentTestFailed();
}

} // namespace

class TestRoadOfOneTest : public QObject
{
    Q_OBJECT

public slots:
    /// Stands in for the desktop's default application, which the exports start.
    void openFile(const QUrl &url) { m_opened.append(url.toLocalFile()); }

private slots:
    void initTestCase()
    {
        m_root = std::make_unique<TestDataRoot>();
        // A fresh installation: the two templates and nothing else.
        for (const QString &name : {u"sys/paper.dot"_s, u"sys/score.xlt"_s}) {
            QFile shipped(QStringLiteral(EXAM_ASSETS_DIR "/") + name);
            QVERIFY(shipped.open(QIODevice::ReadOnly));
            m_root->write(name, shipped.readAll());
        }
        QDesktopServices::setUrlHandler(u"file"_s, this, "openFile");
        m_forge = std::make_unique<MainWindow>();
        examforge::registerWorkWindows(*m_forge);
        m_forge->show();
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(u"file"_s);
        m_forge.reset();
        prompt::ScopedScript noQuestions;
        closeAllWindows();
        m_root.reset();
    }

    // Each step goes on from where the one before left the data tree.
    void init()
    {
        if (m_broken)
            QSKIP("an earlier step of the road failed");
        m_running = true;
    }

    void cleanup()
    {
        if (m_running && QTest::currentTestFailed())
            m_broken = true;
        m_running = false;
        // The teacher's main window stays open for the whole road; nothing else may.
        QStringList open;
        const auto windows = QApplication::topLevelWidgets();
        for (const QWidget *w : windows) {
            if (w->isVisible() && w != m_forge.get())
                open.append(w->objectName());
        }
        QCOMPARE(open, QStringList());
    }

    void teacherCreatesTheClass()
    {
        prompt::ScopedScript script;
        const auto step = [&](QDialog *w) {
            QCOMPARE(lines(w, u"List1"_s), QStringList());
            script->queue(u"Grade2A"_s);
            click(w, u"Command4"_s);
            press(child<QListWidget>(w, u"List1"_s), 0);
            QCOMPARE(child<QLineEdit>(w, u"Text1"_s)->text(), u"Grade2A"_s);
            retype(child<QLineEdit>(w, u"Text2"_s), u"30"_s);
            retype(child<QLineEdit>(w, u"Text3"_s), u"1"_s);
            QCOMPARE(child<QLineEdit>(w, u"Text4"_s)->text(), u"30"_s);
            click(w, u"Command1"_s);
        };
        QVERIFY(runCommand(MainWindow::Classes, u"班级管理"_s, step));
        QCOMPARE(script->texts(), QStringList{u"Please enter the name fo new class:"_s});
        QCOMPARE(catalogue(u"ClassName"_s, u"ClassNameCount"_s), u"1"_s);
        QCOMPARE(catalogue(u"ClassName"_s, u"1"_s), u"Grade2A"_s);
        QCOMPARE(catalogue(u"ClassCount"_s, u"Grade2A"_s), u"30"_s);
        QCOMPARE(catalogue(u"FirstNumber"_s, u"Grade2A"_s), u"1"_s);
        QCOMPARE(catalogue(u"LastNumber"_s, u"Grade2A"_s), u"30"_s);
    }

    void teacherCreatesThePaper()
    {
        prompt::ScopedScript script;
        const auto step = [&](QDialog *w) {
            QCOMPARE(lines(w, u"List1"_s), QStringList());
            script->queue(u"Unit3"_s);
            click(w, u"Command6"_s);
            QCOMPARE(lines(w, u"List1"_s), QStringList{u"Unit3"_s});
            // Nothing reaches the disk before Save.
            QVERIFY(!m_root->exists(u"SHIJUAN/Unit3"_s));

            retype(child<QLineEdit>(w, u"TXT3"_s), u"20"_s);
            const QStringList grades = {u"35"_s, u"30"_s, u"20"_s, u"10"_s};
            for (int i = 0; i < 4; ++i)
                retype(child<QLineEdit>(w, u"Txt%1"_s.arg(10 + i)), grades.at(i));
            retype(child<QLineEdit>(w, u"Txt15"_s), u"Ms. Brook"_s);
            auto *comment = child<QPlainTextEdit>(w, u"TXT17"_s);
            comment->setFocus();
            comment->selectAll();
            QTest::keyClicks(comment, u"Read each question twice."_s);
            // Exercise mode: the students may look at the key.
            QVERIFY(!child<QCheckBox>(w, u"Check2"_s)->isChecked());
            click(w, u"Check2"_s);
            QVERIFY(child<QCheckBox>(w, u"Check6"_s)->isChecked());

            click(w, u"Cmd保存"_s);
            QCOMPARE(script->texts().last(), u"Save completed!"_s);
            QVERIFY(QFileInfo(m_root->file(u"CHENGJI/Unit3"_s)).isDir());
            QVERIFY(QDir(m_root->file(u"CHENGJI/Unit3"_s)).isEmpty());
            QVERIFY(m_root->exists(PaperFile));
            click(w, u"Command3"_s);
        };
        QVERIFY(runCommand(MainWindow::Papers, u"试卷管理"_s, step));
        QCOMPARE(script->texts(),
                 (QStringList{u"Please input the name of new test. "_s, u"Save completed!"_s}));

        QCOMPARE(catalogue(u"TestName"_s, u"TestNameCount"_s), u"1"_s);
        QCOMPARE(catalogue(u"TestName"_s, u"1"_s), u"Unit3"_s);
        QCOMPARE(catalogue(u"TestName"_s, u"Unit3"_s), u"1"_s);
        // The twelve settings, in the order they are saved.
        const QList<std::pair<QString, QString>> settings = {
            {u"TESTTIME"_s, u"20"_s},      {u"EXERCISEMODE"_s, u"1"_s},
            {u"RETESTPASSWD"_s, u"827"_s}, {u"RELOGINPASSWD"_s, u"358"_s},
            {u"DISPLAY_SCORE"_s, u"1"_s},  {u"CHANGE_QUESTION_SORT"_s, u"1"_s},
            {u"A_grade"_s, u"35"_s},       {u"B_grade"_s, u"30"_s},
            {u"C_grade"_s, u"20"_s},       {u"D_grade"_s, u"10"_s},
            {u"Author"_s, u"Ms. Brook"_s}, {u"about_test"_s, u"Read each question twice."_s}};
        QStringList keys;
        for (const auto &[key, value] : settings) {
            keys.append(key);
            QCOMPARE(paperValue(u"MAIN"_s, key), value);
        }
        QCOMPARE(keysOf(m_root->read(PaperFile), "MAIN"), keys);
    }

    void teacherWritesTheQuestions()
    {
        prompt::ScopedScript script;
        QString workFolder;
        const auto step = [&](QDialog *w) {
            press(child<QListWidget>(w, u"List1"_s), 0);
            const auto edit = [&](QDialog *editor) {
                workFolder = qobject_cast<QuestionEditorDialog *>(editor)->workFolder();
                writeQuestions(editor);
            };
            // "Edit selected test" opens the editor modally in its turn.
            QVERIFY(insideModal([w] { click(w, u"Command1"_s); }, u"编辑试卷"_s, edit));
            // The window shows what the editor left in the paper file.
            QCOMPARE(child<QLineEdit>(w, u"Txt14"_s)->text(), u"3"_s);
            QCOMPARE(child<QLineEdit>(w, u"Txt4"_s)->text(), QString::number(FullScore));
            QCOMPARE(child<QLineEdit>(w, u"TXT16"_s)->text(), u"10"_s);
            click(w, u"Command3"_s);
        };
        QVERIFY(runCommand(MainWindow::Papers, u"试卷管理"_s, step));
        QCOMPARE(script->texts(), QStringList());
        // Closing the editor clears its working copies.
        QVERIFY(!workFolder.isEmpty());
        QCOMPARE(paths::listFiles(workFolder, {u"*.rtf"_s}), QStringList());

        const QByteArray file = m_root->read(PaperFile);
        QVERIFY(file.contains("Question_conut= 3\r\n"));
        QVERIFY(file.contains("full_mark= 40\r\n"));
        QVERIFY(file.contains("Mark= 10\r\n"));
        QCOMPARE(paperValue(u"MAIN"_s, u"TESTTIME"_s), u"20"_s); // the settings stay
        QStringList named;
        for (int i = 1; i <= Questions.size(); ++i) {
            const Question &q = Questions.at(i - 1);
            const QString section = QString::number(i);
            QCOMPARE(keysOf(file, section.toLatin1()),
                     (QStringList{u"QUESTION"_s, u"explain"_s, u"answer"_s, u"mark"_s}));
            QCOMPARE(paperValue(section, u"answer"_s), keyText(q.key));
            QCOMPARE(paperValue(section, u"mark"_s), q.ownMark);
            const QString questionFile = paperValue(section, u"QUESTION"_s);
            const QString explainFile = paperValue(section, u"explain"_s);
            QVERIFY2(QRegularExpression(u"^\\d+\\.RTF$"_s).match(questionFile).hasMatch(),
                     qPrintable(questionFile));
            QCOMPARE(rtf::plainTextOfFile(m_root->file(u"SHIJUAN/Unit3/"_s + questionFile)), q.text);
            QCOMPARE(rtf::plainTextOfFile(m_root->file(u"SHIJUAN/Unit3/"_s + explainFile)), q.explanation);
            named << questionFile << explainFile;
        }
        // Nothing but the questions' own files is left beside the paper file.
        named.sort();
        QCOMPARE(paths::listFiles(m_root->file(u"SHIJUAN/Unit3"_s), {u"*.rtf"_s}), named);
    }

    void teacherAllowsTheClass()
    {
        prompt::ScopedScript script;
        const auto step = [&](QDialog *w) {
            QCOMPARE(lines(w, u"List11"_s), QStringList{u"Unit3"_s});
            QCOMPARE(lines(w, u"List1"_s), QStringList{u"Yes"_s}); // opened when it was created
            QCOMPARE(lines(w, u"List22"_s), QStringList{u"Grade2A"_s});
            press(child<QListWidget>(w, u"List11"_s), 0);
            click(w, u"全部选定取消"_s);
            QCOMPARE(lines(w, u"List2"_s), QStringList{u"No"_s});
            press(child<QListWidget>(w, u"List2"_s), 0);
            QCOMPARE(lines(w, u"List2"_s), QStringList{u"Yes"_s});
            click(w, u"Command1"_s);
        };
        QVERIFY(runCommand(MainWindow::ExamRoom, u"考场管理"_s, step));
        QCOMPARE(script->texts(), QStringList());
        QCOMPARE(catalogue(u"Unit3"_s, u"Grade2A"_s), u"1"_s);
        QCOMPARE(catalogue(u"TestName"_s, u"Unit3"_s), u"1"_s);
    }

    void student17FinishesTheTest()
    {
        prompt::ScopedScript script;
        ExamWindow *exam = startExam(u"17"_s, u"Ann"_s, u"Lee"_s);
        QVERIFY(exam);
        QCOMPARE(exam->windowTitle(), u"Grade2A 17 Ann Lee"_s);
        QCOMPARE(child<QLabel>(exam, u"Lab_TIMER"_s)->text(), u"00:20:00"_s);
        // The paper's settings reached the exam: the key may be looked at.
        QVERIFY(child<QWidget>(exam, u"Command3"_s)->isVisible());
        QVERIFY(!recordValue(u"17"_s, u"TIME1"_s).isEmpty());
        QVERIFY(QRegularExpression(u"^\\d{4},\\d\\d,\\d\\d  \\d\\d:\\d\\d:\\d\\d$"_s)
                    .match(recordValue(u"17"_s, u"TIME1"_s))
                    .hasMatch());

        QList<int> shown; // the question at each position, as the student saw them
        shown << answerShown(exam, Student17, false);
        click(exam, u"Command2"_s);
        shown << answerShown(exam, Student17, false);
        QVERIFY(!shown.contains(0));
        // A minute and a half later the periodic save runs.
        m_now += 95'000;
        exam->tick();
        QCOMPARE(child<QLabel>(exam, u"Lab_TIMER"_s)->text(), u"00:18:25"_s);
        QVERIFY(exam->saveProgress());
        QCOMPARE(recordValue(u"17"_s, u"TIME"_s), u"00:18:25"_s);
        QCOMPARE(recordValue(u"17"_s, u"DangQian"_s), u"2"_s);
        for (int k = 1; k <= 2; ++k) {
            QCOMPARE(recordValue(u"17"_s, u"SX%1"_s.arg(k)), QString::number(shown.at(k - 1)));
            QCOMPARE(recordValue(u"17"_s, u"DA%1"_s.arg(shown.at(k - 1))),
                     keyText(Student17.value(shown.at(k - 1))));
        }
        const int last = 6 - shown.at(0) - shown.at(1);
        QCOMPARE(recordValue(u"17"_s, u"SX3"_s), QString::number(last));
        QCOMPARE(recordValue(u"17"_s, u"DA%1"_s.arg(last)), u"0"_s);
        QCOMPARE(recordValue(u"17"_s, u"TIME2"_s), u"<none>"_s);

        // The last one by the keyboard, then "Finish test".
        click(exam, u"Command2"_s);
        QCOMPARE(answerShown(exam, Student17, true), last);
        m_now += 30'000;
        exam->tick();
        QVERIFY(script->texts().isEmpty());
        script->queueAnswer(Answer::Yes);
        click(exam, u"Command6"_s);
        QCOMPARE(script->texts(), (QStringList{u"Will you finsh the test really?"_s, finishMessage(30)}));
        QCOMPARE(script->records().at(1).caption, u"Examdesk"_s);
        QCOMPARE(m_exits, 1);
        QTRY_VERIFY(!m_exam);

        QCOMPARE(recordValue(u"17"_s, u"TIME2"_s), u"00:17:55"_s);
        for (int i = 1; i <= Questions.size(); ++i)
            QCOMPARE(recordValue(u"17"_s, u"DA%1"_s.arg(i)), keyText(Student17.value(i)));
        QVERIFY(m_root->read(u"CHENGJI/Unit3/Grade2A17.cho"_s).endsWith("\r\n17DF= 30\r\n"));
        QCOMPARE(recordValue(u"17"_s, QString()), u"Ann"_s);
        QCOMPARE(recordValue(u"17"_s, u"LAST"_s), u"Lee"_s);
    }

    void student18RunsOutOfTime()
    {
        prompt::ScopedScript script;
        ExamWindow *exam = startExam(u"18"_s, u"Bob"_s, u"Ray"_s);
        QVERIFY(exam);
        for (int position = 1; position <= Questions.size(); ++position) {
            if (position > 1)
                click(exam, u"Command2"_s);
            answerShown(exam, Student18, false);
        }
        m_now += 19 * 60'000;
        exam->tick();
        QCOMPARE(child<QLabel>(exam, u"Lab_TIMER"_s)->text(), u"00:01:00"_s);
        QCOMPARE(m_exits, 1);
        // The time runs out: no question, straight to the finish.
        m_now += 60'000;
        exam->tick();
        QCOMPARE(script->texts(), QStringList{finishMessage(20)});
        QCOMPARE(m_exits, 2);
        QTRY_VERIFY(!m_exam);

        QCOMPARE(recordValue(u"18"_s, u"TIME2"_s), u"00:00:00"_s);
        for (int i = 1; i <= Questions.size(); ++i)
            QCOMPARE(recordValue(u"18"_s, u"DA%1"_s.arg(i)), keyText(Student18.value(i)));
        QVERIFY(m_root->read(u"CHENGJI/Unit3/Grade2A18.cho"_s).endsWith("\r\n18DF= 20\r\n"));
        // Each student wrote only their own record.
        QCOMPARE(QDir(m_root->file(u"CHENGJI/Unit3"_s)).entryList(QDir::Files, QDir::Name),
                 (QStringList{u"Grade2A17.cho"_s, u"Grade2A18.cho"_s}));
    }

    void teacherReviewsAndExportsTheScores()
    {
        prompt::ScopedScript script;
        QString workbook;
        const auto step = [&](QDialog *w) {
            QCOMPARE(child<QComboBox>(w, u"Combo1"_s)->currentText(), u"Unit3"_s);
            QCOMPARE(child<QComboBox>(w, u"Combo2"_s)->currentText(), u"Grade2A"_s);
            const QStringList names = lines(w, u"List1"_s);
            QCOMPARE(names.size(), 30);
            QCOMPARE(names.at(16), u"17_____|_Ann__Lee"_s + rule(29));
            QCOMPARE(names.at(17), u"18_____|_Bob__Ray"_s + rule(29));
            const QStringList results = lines(w, u"List2"_s);
            QCOMPARE(results.at(16), u"30_____|_1____|_00:17:55"_s + rule(20));
            QCOMPARE(results.at(17), u"20_____|_2____|_00:00:00"_s + rule(20));
            const QString noScore = rule(6) + u"_|_"_s + rule(4) + u"_|_"_s + rule(20);
            QCOMPARE(results.count(noScore), 28);

            // Each statistic is a label line followed by a value line.
            const QStringList labels =
                u"Average Score|Highest Score|Lowest Score|Amount of testees|Sum Total score|"
                u"A grade|B grade|C grade|D grade|F grade|Passed Students:|A%|B%|C%|D%|F%"_s.split(u'|');
            const QStringList values = u" 25| 30| 20| 2| 50| 0| 1| 1| 0| 0| 2| 0| 50| 50| 0| 0"_s.split(u'|');
            QStringList statistics;
            for (int i = 0; i < labels.size(); ++i)
                statistics << labels.at(i) + rule(16) << values.at(i) + rule(16);
            QCOMPARE(lines(w, u"Lst统计"_s), statistics);
            QCOMPARE(lines(w, u"List5"_s), (QStringList{u" 1________|_ 100______|_ 2"_s + rule(13),
                                                        u" 2________|_ 50_______|_ 13"_s + rule(13),
                                                        u" 3________|_ 50_______|_ 4"_s + rule(13)}));
            // Sorted by score, the two who sat the test come first.
            click(w, u"CMD成绩"_s);
            QVERIFY(lines(w, u"List1"_s).at(0).startsWith(u"17_"_s));
            QVERIFY(lines(w, u"List1"_s).at(1).startsWith(u"18_"_s));

            m_opened.clear();
            click(w, u"Cmd输出"_s);
            QCOMPARE(m_opened.size(), 1);
            workbook = m_opened.value(0);
            click(w, u"CMD_退出"_s);
        };
        QVERIFY(runCommand(MainWindow::Scores, u"考务成绩"_s, step));
        QCOMPARE(script->texts(), QStringList{u"The operation succeed!"_s});
        QCOMPARE(QFileInfo(workbook).fileName(), u"Unit3_Grade2A.xlsx"_s);
        const ExportFolder folder(workbook);

        Workbook book(workbook);
        QVERIFY2(book.isValid(), qPrintable(book.errorString()));
        QCOMPARE(book.cell(1, u"B2"_s), QVariant(u"Unit3"_s));
        QCOMPARE(book.cell(1, u"E1"_s), QVariant(u"Grade2A"_s));
        // Students in number order from row 6: number, names, score, rank, time left.
        QCOMPARE(book.cell(1, 6, 1), QVariant(1.0));
        QCOMPARE(book.cell(1, 35, 1), QVariant(30.0));
        QVERIFY(!book.cell(1, 36, 1).isValid());
        const QList<QVariantList> sat = {
            {17.0, u"Ann"_s, u"Lee"_s, 30.0, 1.0, (17 * 60 + 55) / 86400.0},
            {18.0, u"Bob"_s, u"Ray"_s, 20.0, 2.0, 0.0},
        };
        for (int i = 0; i < sat.size(); ++i) {
            for (int c = 0; c < sat.at(i).size(); ++c)
                QCOMPARE(book.cell(1, 22 + i, 1 + c), sat.at(i).at(c));
        }
        QVERIFY(!book.cell(1, 6, 4).isValid());
        // Statistics, then per question: number, key, rate, how often choices 1 to 5 were ticked.
        const QList<double> statistics = {25, 30, 20, 2, 50, 0, 1, 1, 0, 0, 2, 0, 50, 50, 0, 0, 100};
        for (int r = 0; r < statistics.size(); ++r)
            QCOMPARE(book.cell(2, 6 + r, 2), QVariant(statistics.at(r)));
        const QList<QList<double>> questions = {
            {1, 2, 100, 0, 2, 0, 0, 0}, {2, 13, 50, 2, 0, 1, 0, 0}, {3, 4, 50, 0, 0, 1, 1, 0}};
        for (int j = 0; j < questions.size(); ++j) {
            for (int c = 0; c < questions.at(j).size(); ++c)
                QCOMPARE(book.cell(3, 6 + j, 1 + c), QVariant(questions.at(j).at(c)));
        }
        for (int i = 1; i <= Questions.size(); ++i) {
            QCOMPARE(book.cell(4, 22, 3 + i), QVariant(numbers::leadingNumber(keyText(Student17.value(i)))));
            QCOMPARE(book.cell(4, 23, 3 + i), QVariant(numbers::leadingNumber(keyText(Student18.value(i)))));
        }
    }

    void teacherExportsThePaperToWord()
    {
        prompt::ScopedScript script;
        const QByteArray paperBefore = m_root->read(PaperFile);
        script->queueAnswer(Answer::Yes);
        QString document;
        const auto step = [&](QDialog *w) {
            press(child<QListWidget>(w, u"List1"_s), 0);
            m_opened.clear();
            click(w, u"CmdToWORD"_s);
            QCOMPARE(m_opened.size(), 1);
            document = m_opened.value(0);
            click(w, u"Command4"_s);
        };
        QVERIFY(runCommand(MainWindow::Papers, u"试卷管理"_s, step));
        QCOMPARE(script->texts(), (QStringList{u"Will you export the test included explains for answer?"_s,
                                               u"The test has been exported!"_s}));
        QCOMPARE(QFileInfo(document).fileName(), u"Unit3.rtf"_s);
        QCOMPARE(m_root->read(PaperFile), paperBefore);
        const ExportFolder folder(document);

        QTextDocument doc;
        QVERIFY(rtf::loadFile(document, doc));
        const QStringList text = doc.toPlainText().split(u'\n');
        QCOMPARE(text.value(0), u"Unit3"_s);
        QCOMPARE(text.value(1), u"Teacher: Ms. Brook"_s);
        QVERIFY2(text.value(2).startsWith(u"Time allowed: 20 minutes"_s), qPrintable(text.value(2)));
        QVERIFY2(text.value(2).contains(u"Questions: 3 "_s), qPrintable(text.value(2)));
        QVERIFY2(text.value(2).endsWith(u"Full marks: 40"_s), qPrintable(text.value(2)));
        // Each question with its mark, text and explanation, then the key.
        QStringList expected;
        for (int i = 1; i <= Questions.size(); ++i) {
            const Question &q = Questions.at(i - 1);
            expected << u"Question %1  (%2 points)"_s.arg(i).arg(q.ownMark.isEmpty() ? u" 10"_s : q.ownMark)
                     << q.text << q.explanation << u"[OPTION]"_s;
        }
        expected << u"Answer key"_s;
        for (int i = 1; i <= Questions.size(); ++i)
            expected << u"Question %1:   %2"_s.arg(i).arg(keyText(Questions.at(i - 1).key));
        // The block's end mark stays at the end of the template's answer line.
        const auto matches = [](const QString &line, const QString &wanted) {
            return wanted == u"[OPTION]"_s ? line.endsWith(wanted) : line == wanted;
        };
        qsizetype at = 0;
        for (const QString &wanted : expected) {
            while (at < text.size() && !matches(text.at(at), wanted))
                ++at;
            QVERIFY2(at < text.size(),
                     qPrintable(u"missing in order: %1\n%2"_s.arg(wanted, text.join(u'\n'))));
            ++at;
        }
    }

private:
    /// The folder an export made for its file, removed with its content at the end of the step.
    class ExportFolder
    {
    public:
        explicit ExportFolder(const QString &file)
            : m_folder(QFileInfo(file).absolutePath())
        {}
        ~ExportFolder()
        {
            if (QFileInfo(m_folder).fileName().startsWith(u"examforge-"_s))
                QDir(m_folder).removeRecursively();
        }
        ExportFolder(const ExportFolder &) = delete;
        ExportFolder &operator=(const ExportFolder &) = delete;

    private:
        QString m_folder;
    };

    /// Clicks a command of the teacher's main window and drives the work window it opens.
    bool runCommand(MainWindow::Command command, const QString &form,
                    const std::function<void(QDialog *)> &step)
    {
        return insideModal([this, command] { m_forge->commandPicture(command)->click(); }, form, step);
    }

    QString catalogue(const QString &section, const QString &key) const
    {
        return profile::readValue(m_root->file(Catalogue), section, key, u"<none>"_s);
    }
    QString paperValue(const QString &section, const QString &key) const
    {
        return profile::readValue(m_root->file(PaperFile), section, key, u"<none>"_s);
    }
    QString recordValue(const QString &number, const QString &key) const
    {
        return profile::readValue(m_root->file(u"CHENGJI/Unit3/Grade2A%1.cho"_s.arg(number)), u"Grade2A"_s,
                                  number + key, u"<none>"_s);
    }

    /// The answer key or answer code of a set of choices: their digits in ascending order.
    static QString keyText(QList<int> choices)
    {
        std::sort(choices.begin(), choices.end());
        QString text;
        for (int c : choices)
            text += QString::number(c);
        return text.isEmpty() ? u"0"_s : text;
    }

    static QString finishMessage(int mark)
    {
        return u"        The test full mark is: %1\n        Your test mark is: %2          \n            Good Bye!"_s
            .arg(FullScore)
            .arg(mark);
    }

    /// Types the paper's questions into the editor of an empty paper, as a teacher does.
    void writeQuestions(QDialog *editor)
    {
        QCOMPARE(editor->windowTitle(), u"Edit paper --Unit3"_s);
        auto *grid = child<QTableWidget>(editor, u"Grid试卷"_s);
        // An empty paper opens with one new question.
        QCOMPARE(grid->rowCount(), 1);
        retype(child<QLineEdit>(editor, u"Text设置默认分值"_s), u"10"_s);
        for (int i = 1; i <= Questions.size(); ++i) {
            const Question &q = Questions.at(i - 1);
            if (i > 1)
                click(editor, u"Cmd下一题"_s); // Next on the last question appends one
            QCOMPARE(grid->rowCount(), i);
            auto *question = child<RichTextBox>(editor, u"RichTextBox1"_s);
            question->setFocus();
            QTest::keyClicks(question, q.text);
            auto *explanation = child<RichTextBox>(editor, u"RichTextBox2"_s);
            explanation->setFocus();
            QTest::keyClicks(explanation, q.explanation);
            for (int k : q.key)
                QTest::mouseClick(child<QCheckBox>(editor, u"Chk答案(%1)"_s.arg(k)), Qt::LeftButton);
            if (!q.ownMark.isEmpty()) {
                QTest::mouseClick(child<QCheckBox>(editor, u"Chk使用默认分值"_s), Qt::LeftButton);
                retype(child<QLineEdit>(editor, u"Text分值"_s), q.ownMark);
            }
            QCOMPARE(grid->item(i - 1, 1)->text(), q.text);
        }
        // Going back shows question 2 with the full score counted again.
        click(editor, u"Cmd上一题"_s);
        QCOMPARE(child<QGroupBox>(editor, u"Frame考题"_s)->title(), u"No.2  Total:3   Full Score:40"_s);
        QVERIFY(child<QCheckBox>(editor, u"Chk答案(1)"_s)->isChecked());
        QVERIFY(child<QCheckBox>(editor, u"Chk答案(3)"_s)->isChecked());
        QCOMPARE(child<RichTextBox>(editor, u"RichTextBox2"_s)->plainText(), Questions.at(1).explanation);
        click(editor, u"Cmd_ok"_s);
        QVERIFY(!editor->isVisible());
    }

    /// Starts the student's program, logs the student in to Unit3 as a member of Grade2A and
    /// starts the test from the instructions. Returns the exam window.
    ExamWindow *startExam(const QString &number, const QString &first, const QString &last)
    {
        m_exam = nullptr;
        QPointer<StudentLoginWindow> login = examdesk::startUp([this](const examdesk::ExamSession &session) {
            // What the program's own starter does, on a clock the test moves and with an end
            // of program that is only counted.
            auto *window = new ExamWindow(session);
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->setClock([this] { return m_now; });
            window->setExit([this] { ++m_exits; });
            window->show();
            m_exam = window;
        });
        if (!login) {
            qWarning("the login window did not open");
            return nullptr;
        }
        auto *papers = child<QComboBox>(login, u"Combo1"_s);
        auto *classes = child<QComboBox>(login, u"Combo2"_s);
        papers->setCurrentIndex(papers->findText(u"Unit3"_s));
        classes->setCurrentIndex(classes->findText(u"Grade2A"_s));
        if (papers->currentText() != u"Unit3"_s || classes->currentText() != u"Grade2A"_s) {
            qWarning("Unit3 or Grade2A is not offered");
            login->close();
            return nullptr;
        }
        QTest::keyClicks(child<QLineEdit>(login, u"Text1"_s), number);
        QTest::keyClicks(child<QLineEdit>(login, u"Text2"_s), first);
        QTest::keyClicks(child<QLineEdit>(login, u"Text3"_s), last);
        click(login, u"Command1"_s);
        // The login writes who sits the test before anything else.
        if (recordValue(number, QString()) != first || recordValue(number, u"LAST"_s) != last) {
            qWarning("the login did not write the name");
            return nullptr;
        }
        QWidget *about = shownWindow(u"考试说明"_s);
        if (!about || !QTest::qWaitFor([&login] { return !login; })) {
            qWarning("the instructions did not follow the login");
            return nullptr;
        }
        if (child<QLabel>(about, u"Lab考试总时间"_s)->text() != u"20"_s ||
            child<QLabel>(about, u"Lab总分"_s)->text() != QString::number(FullScore) ||
            child<QLabel>(about, u"Label1"_s)->text().trimmed() != u"Read each question twice."_s) {
            qWarning("the instructions do not show the paper's figures");
            return nullptr;
        }
        QPointer<QWidget> instructions = about;
        click(about, u"Command1"_s);
        if (!QTest::qWaitFor([&instructions] { return !instructions; }))
            return nullptr;
        return m_exam;
    }

    /// Ticks the student's choices for the question the exam window shows (with the mouse, or
    /// by letter keys) and returns its number in the paper.
    int answerShown(ExamWindow *exam, const Choices &choices, bool byKeyboard)
    {
        const QString text = child<RichTextBox>(exam, u"Rich题目"_s)->plainText().trimmed();
        int question = 0;
        for (int i = 1; i <= Questions.size(); ++i) {
            if (Questions.at(i - 1).text == text)
                question = i;
        }
        if (question == 0) {
            qWarning("unknown question shown: %s", qPrintable(text));
            return 0;
        }
        for (int c : choices.value(question)) {
            if (byKeyboard) {
                QWidget *target = exam->focusWidget() ? exam->focusWidget() : exam;
                QTest::keyClick(target, Qt::Key(Qt::Key_A + c - 1));
            } else {
                click(exam, u"Op_XZ(%1)"_s.arg(c));
            }
        }
        return question;
    }

    std::unique_ptr<TestDataRoot> m_root;
    std::unique_ptr<MainWindow> m_forge;
    QPointer<ExamWindow> m_exam;
    QStringList m_opened;
    qint64 m_now = 0;
    int m_exits = 0;
    bool m_running = false;
    bool m_broken = false;
};

QTEST_MAIN(TestRoadOfOneTest)
#include "tst_roadofonetest.moc"
