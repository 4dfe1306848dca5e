#include "answerrecord.h"
#include "imagecommand.h"
#include "mainwindow.h"
#include "profile.h"
#include "prompt.h"
#include "richtextbox.h"
#include "scorecalc.h"
#include "scoresdialog.h"
#include "testsupport.h"
#include "workwindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Catalogue = "[ClassName]\r\nClassNameCount=3\r\n1=G1\r\n2=G2\r\n3=G3\r\n"
                             "[ClassCount]\r\nG1=8\r\nG2=2\r\nG3=80\r\n"
                             "[FirstNumber]\r\nG1=1\r\nG2=11\r\nG3=1\r\n"
                             "[LastNumber]\r\nG1=8\r\nG2=12\r\nG3=80\r\n"
                             "[TestName]\r\nTestNameCount=2\r\n1=P\r\n2=Q\r\nP=1\r\nQ=0\r\n";

// Question 1 has key 2, question 2 key 13, question 3 no key and no text file.
const QByteArray Paper =
    "[MAIN]\r\nA_grade=90\r\nB_grade=80\r\nC_grade=70\r\nD_grade=60\r\nQuestion_conut= 3\r\n"
    "[1]\r\nQUESTION=101.RTF\r\nanswer=2\r\n"
    "[2]\r\nQUESTION=102.RTF\r\nanswer=13\r\n"
    "[3]\r\nQUESTION=103.RTF\r\nanswer=\r\n";

/// Class G1 of paper P: students 1..8 with 90, 85, 85, 70, (started, no score), (no record), 85, 0.
void writeTree(const TestDataRoot &root)
{
    root.write(QStringLiteral("sys/sys.cho"), Catalogue);
    root.write(QStringLiteral("SHIJUAN/P/P.cho"), Paper);
    root.write(QStringLiteral("SHIJUAN/P/101.RTF"), "{\\rtf1\\ansi How much is 1 + 1?\\par}");
    root.write(QStringLiteral("SHIJUAN/P/102.RTF"), "{\\rtf1\\ansi Which are odd?\\par}");
    root.write(QStringLiteral("CHENGJI/P/G11.cho"),
               "[G1]\r\n1=Ann\r\n1LAST=Lee\r\n1TIME2=00:10:00\r\n1DA1=2\r\n"
               "1DA2=135\r\n1DA3=0\r\n1DF= 90\r\n");
    root.write(QStringLiteral("CHENGJI/P/G12.cho"),
               "[G1]\r\n2=Bob\r\n2LAST=Ray\r\n2TIME2=00:05:00\r\n2DA1=2\r\n2DA2=13\r\n2DF= 85\r\n");
    root.write(QStringLiteral("CHENGJI/P/G13.cho"),
               "[G1]\r\n3=Cid\r\n3TIME2=00:01:00\r\n3DA1=1\r\n3DA2=13\r\n3DF= 85\r\n");
    root.write(QStringLiteral("CHENGJI/P/G14.cho"),
               "[G1]\r\n4=Dan\r\n4TIME2=00:00:00\r\n4DA2=67\r\n4DF= 70\r\n");
    root.write(QStringLiteral("CHENGJI/P/G15.cho"),
               "[G1]\r\n5=Eve\r\n5TIME1=2026,03,02  09:00:00\r\n5DA1=2\r\n");
    root.write(QStringLiteral("CHENGJI/P/G17.cho"), "[G1]\r\n7=Fay\r\n7TIME2=00:02:00\r\n7DF= 85\r\n");
    root.write(QStringLiteral("CHENGJI/P/G18.cho"), "[G1]\r\n8=Gus\r\n8TIME2=00:00:00\r\n8DF= 0\r\n");
}

template <typename T = QListWidget> T *child(const QWidget &w, const QString &name)
{
    return requireChild<T>(&w, name);
}

template <typename T = QListWidget> T *child(const QWidget &w, const char *name)
{
    return child<T>(w, QString::fromUtf8(name));
}

void click(const QWidget &w, const char *button)
{
    child<QPushButton>(w, button)->click();
}

QStringList lines(const QWidget &w, const char *list)
{
    QStringList texts;
    for (int i = 0; i < child(w, list)->count(); ++i)
        texts.append(child(w, list)->item(i)->text());
    return texts;
}

/// Student numbers in the order the lists show them.
QString shownNumbers(const ScoresDialog &w)
{
    QStringList numbers;
    for (const int row : w.studentOrder())
        numbers.append(w.report().students.at(row).number);
    return numbers.join(u',');
}

QString counters(const QWidget &w)
{
    QStringList texts;
    for (int d = 0; d <= 7; ++d)
        texts.append(child<QLabel>(w, QStringLiteral("Lab分布(%1)").arg(d))->text());
    return texts.join(u',');
}

void choose(QListWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QString rule(int n)
{
    return QString(n, u'_');
}

} // namespace

class TestScores : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void openingShowsTheClassTableAndStatistics()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog w;
        w.show();
        QCOMPARE(child<QComboBox>(w, "Combo1")->count(), 2); // closed papers are listed too
        QCOMPARE(child<QComboBox>(w, "Combo1")->currentText(), QStringLiteral("P"));
        QCOMPARE(child<QComboBox>(w, "Combo2")->currentText(), QStringLiteral("G1"));
        QCOMPARE(shownNumbers(w), QStringLiteral("1,2,3,4,5,6,7,8"));

        const QStringList names = lines(w, "List1");
        QCOMPARE(names.size(), 8);
        QCOMPARE(names.at(0),
                 scores::nameLine(QStringLiteral("1"), QStringLiteral("Ann"), QStringLiteral("Lee")));
        QCOMPARE(names.at(5), QStringLiteral("6_____") + QStringLiteral("_|___") + rule(29));
        const QStringList results = lines(w, "List2");
        QCOMPARE(results.at(0), QStringLiteral("90_____|_1____|_00:10:00") + rule(20));
        QCOMPARE(results.at(1), QStringLiteral("85_____|_2____|_00:05:00") + rule(20));
        QCOMPARE(results.at(3), QStringLiteral("70_____|_5____|_00:00:00") + rule(20));
        QCOMPARE(results.at(4), scores::scoreLine(QString(), QString(), QString()));    // started, no score
        QCOMPARE(results.at(7), QStringLiteral("0______|_6____|_00:00:00") + rule(20)); // 0 is a score
        QCOMPARE(w.report().students.at(5).rank, QStringLiteral("6")); // no score ranks as 0 points

        const scores::Totals &t = w.report().totals;
        QCOMPARE(t.scored, 6);
        QCOMPARE(t.sum, 415.0);
        QCOMPARE(t.grades, (std::array<int, scores::GradeCount>{1, 3, 1, 0, 1}));
        const QStringList stats = lines(w, "Lst统计");
        QCOMPARE(stats.at(1), QStringLiteral(" 69.16") + rule(16));
        QVERIFY(stats.contains(QStringLiteral(" 5") + rule(16))); // passed

        // Question 1: three right answers (one without a score) of six scored students.
        QCOMPARE(lines(w, "List5"), (QStringList{QStringLiteral(" 1________|_ 50_______|_ 2") + rule(13),
                                                 QStringLiteral(" 2________|_ 33_______|_ 13") + rule(13),
                                                 QStringLiteral(" 3________|_ 0________|_ 0") + rule(13)}));
        QVERIFY(lines(w, "List6").isEmpty());
        QCOMPARE(counters(w), QStringLiteral(",,,,,,,"));
        QVERIFY(!child<QPushButton>(w, "Cmd输出")->isEnabled());
        QVERIFY(!child<QPushButton>(w, "Cmd删除成绩")->isEnabled());
        QCOMPARE(w.report().classCount, qint16(8));
        QCOMPARE(w.report().students.at(0).answers, (QList<qint16>{2, 135, 0}));

        // The export gets the report of the last refresh once one is wired.
        int exported = -1;
        w.setExporter([&exported](QWidget *, const scores::Report &r) { exported = int(r.students.size()); });
        QVERIFY(child<QPushButton>(w, "Cmd输出")->isEnabled());
        click(w, "Cmd输出");
        QCOMPARE(exported, 8);

        // Another class refreshes at once; a class without records shows rows without scores.
        child<QComboBox>(w, "Combo2")->setCurrentIndex(1);
        QCOMPARE(shownNumbers(w), QStringLiteral("11,12"));
        QCOMPARE(w.report().totals.scored, 0);
        QCOMPARE(lines(w, "Lst统计").at(1), rule(16));
    }

    // A score beyond the 16-bit range counts as 32767 everywhere: the row, the sum, the
    // highest score and the rank must not tell three different stories.
    void scoreBeyondTheRangeCountsAlikeEverywhere()
    {
        TestDataRoot root;
        writeTree(root);
        root.write(QStringLiteral("CHENGJI/P/G18.cho"), "[G1]\r\n8=Gus\r\n8TIME2=00:00:00\r\n8DF= 40000\r\n");
        ScoresDialog w;
        w.show();
        QCOMPARE(lines(w, "List2").at(7), QStringLiteral("32767__|_1____|_00:00:00") + rule(20));
        const scores::Totals &t = w.report().totals;
        QCOMPARE(t.highest, qint16(32767));
        QCOMPARE(t.sum, 415.0 + 32767);
        QCOMPARE(*w.report().students.at(7).scoreValue, 32767.0);
        const QStringList stats = lines(w, "Lst统计");
        QCOMPARE(stats.at(stats.indexOf(QStringLiteral("Highest Score") + rule(16)) + 1), QStringLiteral(" 32767") + rule(16));
        QCOMPARE(stats.at(stats.indexOf(QStringLiteral("Sum Total score") + rule(16)) + 1), QStringLiteral(" 33182") + rule(16));
    }

    void sortButtonsFlipAndKeepTheChosenStudent()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog w;
        w.show();
        choose(child(w, "List1"), 2); // student 3
        QCOMPARE(child(w, "List2")->currentRow(), 2);

        click(w, "CMD成绩");
        // Equal scores: the higher number first when descending.
        QCOMPARE(shownNumbers(w), QStringLiteral("1,7,3,2,4,8,6,5"));
        QCOMPARE(child(w, "List1")->currentRow(), 2);
        QCOMPARE(child(w, "List2")->currentRow(), 2);
        QCOMPARE(child(w, "List1")->currentItem()->text().left(1), QStringLiteral("3"));
        click(w, "CMD成绩");
        QCOMPARE(shownNumbers(w), QStringLiteral("5,6,8,4,2,3,7,1"));

        click(w, "CMD学号"); // first press after a refresh descends
        QCOMPARE(shownNumbers(w), QStringLiteral("8,7,6,5,4,3,2,1"));
        click(w, "CMD学号");
        QCOMPARE(shownNumbers(w), QStringLiteral("1,2,3,4,5,6,7,8"));

        click(w, "CMD姓名");
        QCOMPARE(shownNumbers(w), QStringLiteral("8,7,5,4,3,2,1,6"));
        click(w, "Cmd名次");
        QCOMPARE(shownNumbers(w), QStringLiteral("8,6,5,4,7,3,2,1"));
        click(w, "Cmd剩余时间");
        QCOMPARE(shownNumbers(w), QStringLiteral("1,2,7,3,8,4,6,5"));

        // A refresh returns to number order and keeps the student.
        click(w, "CMD_刷新");
        QCOMPARE(shownNumbers(w), QStringLiteral("1,2,3,4,5,6,7,8"));
        QCOMPARE(w.selectedStudent(), 2);
    }

    void studentListsScrollTogether()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog w;
        w.show();
        child<QComboBox>(w, "Combo2")->setCurrentIndex(2); // 80 students
        QListWidget *names = child(w, "List1");
        QListWidget *results = child(w, "List2");
        QCOMPARE(names->count(), 80);
        QTRY_VERIFY(results->verticalScrollBar()->maximum() > 0);
        results->verticalScrollBar()->setValue(30);
        QCOMPARE(names->verticalScrollBar()->value(), 30);
        names->setCurrentRow(70);
        QCOMPARE(results->currentRow(), 70);
        QCOMPARE(results->verticalScrollBar()->value(), names->verticalScrollBar()->value());
        // The rows stand level.
        QCOMPARE(names->visualItemRect(names->item(70)).top(),
                 results->visualItemRect(results->item(70)).top());
    }

    void chosenStudentAndQuestion()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog w;
        w.show();
        choose(child(w, "List2"), 0); // student 1, from the score column
        QCOMPARE(child(w, "List1")->currentRow(), 0);
        QCOMPARE(lines(w, "List6"),
                 (QStringList{QStringLiteral("2") + rule(16), QStringLiteral("135") + rule(16),
                              QStringLiteral("0") + rule(16)}));

        choose(child(w, "List5"), 1); // question 2
        auto *text = child<RichTextBox>(w, "Rich考题");
        QCOMPARE(text->plainText().trimmed(), QStringLiteral("Which are odd?"));
        QVERIFY(text->isReadOnly());
        // Codes 135, 13, 13, 67 and four unanswered: 67 counts for 6 and 7 here.
        QCOMPARE(counters(w), QStringLiteral("4,3,0,3,0,1,1,1"));
        choose(child(w, "List5"), 2); // question 3 names a file that is missing
        QVERIFY(text->plainText().isEmpty());
        QCOMPARE(counters(w), QStringLiteral("8,0,0,0,0,0,0,0"));

        // Sorting the questions reorders the chosen student's answers with them.
        click(w, "Cmd标准答案");
        QCOMPARE(w.questionOrder(), (QList<int>{2, 1, 3}));
        QCOMPARE(lines(w, "List6").first(), QStringLiteral("135") + rule(16));
        QCOMPARE(child(w, "List5")->currentRow(), 2); // question 3 stays chosen
        click(w, "Cmd得分率");
        QCOMPARE(w.questionOrder(), (QList<int>{1, 2, 3}));
        click(w, "Cmd得分率");
        QCOMPARE(w.questionOrder(), (QList<int>{3, 2, 1}));
        click(w, "Cmd题号");
        QCOMPARE(w.questionOrder(), (QList<int>{3, 2, 1}));
        click(w, "CMD_刷新");
        QCOMPARE(w.questionOrder(), (QList<int>{1, 2, 3}));
        QCOMPARE(counters(w), QStringLiteral("8,0,0,0,0,0,0,0"));
    }

    void deleteScoreAsksFirst()
    {
        TestDataRoot root;
        writeTree(root);
        prompt::ScopedScript script;
        ScoresDialog w;
        w.show();
        child(w, "List1")->setCurrentRow(1); // student 2
        script->queueAnswer(prompt::Answer::No);
        click(w, "Cmd删除成绩");
        QCOMPARE(script->records().size(), 1);
        const auto &asked = script->records().first();
        QVERIFY(asked.text.contains(QStringLiteral("student 2 (Bob Ray)")));
        QCOMPARE(asked.buttons, prompt::Buttons::YesNo);
        QCOMPARE(asked.defaultAnswer, prompt::Answer::No);
        QVERIFY(root.exists(QStringLiteral("CHENGJI/P/G12.cho")));

        script->queueAnswer(prompt::Answer::Yes);
        click(w, "Cmd删除成绩");
        QVERIFY(!root.exists(QStringLiteral("CHENGJI/P/G12.cho")));
        QCOMPARE(w.selectedStudent(), 1);
        QCOMPARE(lines(w, "List2").at(1), scores::scoreLine(QString(), QString(), QString()));
        QCOMPARE(w.report().totals.scored, 5);
        QCOMPARE(script->records().size(), 2);

        // A record that cannot be deleted is reported, not passed over (here a folder stands
        // where student 6's record would be).
        QVERIFY(QDir().mkpath(root.file(QStringLiteral("CHENGJI/P/G16.cho"))));
        child(w, "List1")->setCurrentRow(5);
        script->queueAnswer(prompt::Answer::Yes);
        click(w, "Cmd删除成绩");
        QVERIFY(script->records().last().text.startsWith(
            QStringLiteral("The answer record of student 6 could not be deleted")));
        QVERIFY(root.exists(QStringLiteral("CHENGJI/P/G16.cho")));
    }

    void allowRetestResumesTheSavedAttempt()
    {
        TestDataRoot root;
        writeTree(root);
        // Student 6 sat the paper: a periodic save, then the finish.
        const record::Id id{QStringLiteral("P"), QStringLiteral("G1"), QStringLiteral("6")};
        QVERIFY(record::identify(id, QStringLiteral("Hal"), QString()));
        QVERIFY(record::stampStart(id, QDateTime::currentDateTime()));
        QVERIFY(record::saveProgress(id, {754, 3, {2, 13, 0}, {3, 1, 2}}));
        QVERIFY(record::finish(id, QStringLiteral("00:12:34"), {2, 13, 4}, 90));
        ScoresDialog w;
        w.show();
        child(w, "List1")->setCurrentRow(5);
        QCOMPARE(lines(w, "List2").at(5), QStringLiteral("90_____|_1____|_00:12:34") + rule(20));

        click(w, "Cmd允许重考");
        QCOMPARE(record::state(id), record::State::Started); // the next login is a relogin
        const record::Progress resumed = record::resume(id, 3, 1800);
        QCOMPARE(resumed.answers, (QList<qint16>{2, 13, 4}));
        QCOMPARE(resumed.order, (QList<qint16>{3, 1, 2}));
        QCOMPARE(resumed.secondsLeft, qint64(754));
        QCOMPARE(int(resumed.position), 3);
        // The score stays until the next finish; the time left is gone.
        QCOMPARE(lines(w, "List2").at(5), QStringLiteral("90_____|_1____|_") + rule(20));

        // A student without a record gets none made for him.
        const record::Id absent{QStringLiteral("P"), QStringLiteral("G2"), QStringLiteral("11")};
        child<QComboBox>(w, "Combo2")->setCurrentIndex(1);
        child(w, "List1")->setCurrentRow(0);
        click(w, "Cmd允许重考");
        QVERIFY(!QFile::exists(record::path(absent)));
    }

    void autoRefreshFollowsTheBox()
    {
        TestDataRoot root;
        writeTree(root);
        ScoresDialog w;
        w.show();
        auto *timer = w.findChild<QTimer *>(QStringLiteral("Timer刷新"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 30000);
        QVERIFY(!timer->isActive());
        auto *box = child<QCheckBox>(w, "Chk自动刷新");
        box->setChecked(true);
        QVERIFY(timer->isActive());

        root.write(QStringLiteral("CHENGJI/P/G16.cho"), "[G1]\r\n6=Ivy\r\n6TIME2=00:03:00\r\n6DF= 60\r\n");
        w.autoRefresh();
        QCOMPARE(w.report().students.at(5).score, QStringLiteral("60"));
        box->setChecked(false);
        QVERIFY(!timer->isActive());
        root.write(QStringLiteral("CHENGJI/P/G16.cho"), "[G1]\r\n6=Ivy\r\n6TIME2=00:03:00\r\n6DF= 65\r\n");
        w.autoRefresh();
        QCOMPARE(w.report().students.at(5).score, QStringLiteral("60"));
        click(w, "CMD_刷新");
        QCOMPARE(w.report().students.at(5).score, QStringLiteral("65"));

        // A closed window stops reading; opening it again with the box ticked restarts.
        box->setChecked(true);
        click(w, "CMD_退出");
        QVERIFY(!w.isVisible());
        QVERIFY(!timer->isActive());
        w.show();
        QVERIFY(timer->isActive());
    }

    void noPaperOrNoClassClosesOnlyThisWindow()
    {
        TestDataRoot root;
        prompt::ScopedScript script;
        MainWindow main;
        examforge::registerWorkWindows(main);
        main.show();
        QVERIFY(main.commandPicture(MainWindow::Scores)->isEnabled());

        root.write(QStringLiteral("sys/sys.cho"), "[ClassName]\r\nClassNameCount=1\r\n1=G1\r\n");
        main.runCommand(MainWindow::Scores); // returns once the window has closed itself
        QCOMPARE(script->texts(), QStringList{QStringLiteral("Sorry!No test now.")});
        QVERIFY(main.isVisible());

        root.write(QStringLiteral("sys/sys.cho"), "[TestName]\r\nTestNameCount=1\r\n1=P\r\n");
        main.runCommand(MainWindow::Scores);
        QCOMPARE(script->texts().last(), QStringLiteral("Sorry!No achievement now."));
        QVERIFY(main.isVisible());

        // With data the command shows the filled window; Back returns to the main window.
        writeTree(root);
        QString seen;
        QTimer::singleShot(0, &main, [&seen] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            seen = QStringLiteral("%1:%2").arg(modal->objectName()).arg(child(*modal, "List1")->count());
            child<QPushButton>(*modal, "CMD_退出")->click();
        });
        main.runCommand(MainWindow::Scores);
        QCOMPARE(seen, QStringLiteral("考务成绩:8"));
        QCOMPARE(script->records().size(), 2);
    }

    void keyboard()
    {
        TestDataRoot root;
        writeTree(root);
        prompt::ScopedScript script;
        ScoresDialog w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QListWidget *names = child(w, "List1");
        QVERIFY(names->hasFocus());
        QTest::keyClick(names, Qt::Key_Down);
        QCOMPARE(w.selectedStudent(), 0);
        QCOMPARE(child(w, "List2")->currentRow(), 0);
        // Enter in the list deletes nothing; on the focused button it asks.
        QTest::keyClick(names, Qt::Key_Return);
        QVERIFY(script->records().isEmpty());
        child<QPushButton>(w, "Cmd删除成绩")->setFocus();
        QTest::keyClick(child<QPushButton>(w, "Cmd删除成绩"), Qt::Key_Return);
        QCOMPARE(script->records().size(), 1);
        QVERIFY(root.exists(QStringLiteral("CHENGJI/P/G11.cho"))); // the default answer is No
        QCOMPARE(w.property("helpTopic").toString(), QStringLiteral("scores"));
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        // The window fits a small school screen.
        QVERIFY(w.minimumSizeHint().width() <= 1000);
        QVERIFY(w.minimumSizeHint().height() <= 700);
    }
};

QTEST_MAIN(TestScores)
#include "tst_scores.moc"
