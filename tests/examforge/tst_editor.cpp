#include "tst_editorsupport.h"

#include "helpwindow.h"
#include "mainwindow.h"
#include "papermanagementdialog.h"
#include "profile.h"
#include "prompt.h"
#include "workwindows.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontDatabase>
#include <QMenu>
#include <QTextBlock>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace editortest;
using prompt::Answer;

namespace {

const QString ExitQuestion = u"Will you went to exit without save?"_s;

QString value(const TestDataRoot &root, const QString &paper, const QString &section, const QString &key)
{
    return profile::readValue(root.file(u"SHIJUAN/%1/%1.cho"_s.arg(paper)), section, key, u"<none>"_s);
}

void selectText(RichTextBox *box, int from, int to)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

QTextCharFormat formatAt(RichTextBox *box, int position)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

QAction *action(const Editor &e, const QString &name)
{
    return e.get<QAction>(name);
}

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QApplication::clipboard()->clear();
        closeAllWindows();
    }

    void emptyPaperOpensWithOneNewQuestion()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit5"_s});
        writePaper(root, u"Unit5"_s, {}, -1);
        Editor e(u"Unit5"_s, false);
        // Left over from an earlier run: cleared at opening.
        QFile stale(e.workFile(u"old.RTF"_s));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        e.d.show();

        QCOMPARE(e.d.windowTitle(), u"Edit paper --Unit5"_s);
        QCOMPARE(e.questions().size(), 1);
        QCOMPARE(e.grid()->rowCount(), 1);
        QCOMPARE(e.grid()->horizontalHeaderItem(0)->text(), u" No."_s);
        QCOMPARE(e.grid()->horizontalHeaderItem(1)->text(), u" Question"_s);
        QCOMPARE(e.grid()->item(0, 0)->text(), u" 1"_s);
        const paper::Question q = e.questions().first();
        QCOMPARE(e.workFiles().size(), 2);
        QVERIFY(e.workFiles().contains(q.questionFile) && e.workFiles().contains(q.explainFile));
        QVERIFY(q.questionFile != q.explainFile);
        QVERIFY(q.answer.isEmpty() && q.mark.isEmpty());
        // Both new files are empty documents the editors can read.
        QTextDocument doc;
        QVERIFY(rtf::loadFile(e.workFile(q.questionFile), doc));
        QVERIFY(doc.toPlainText().isEmpty());
        QCOMPARE(e.d.shownQuestion(), 1);
        // No Mark key: the default mark that paper management shows for a new paper.
        QCOMPARE(e.get<QLineEdit>(u"Text设置默认分值"_s)->text(), u"5"_s);
        QCOMPARE(e.caption(), u"No.1  Total:1   Full Score:5"_s);
        QCOMPARE(help::topicFor(&e.d), u"editor"_s);
    }

    void storedDefaultMarkIsKeptAndAZeroFullMarkIsAskedAbout()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(2), 0);
        const QByteArray before = root.read(u"SHIJUAN/Unit3/Unit3.cho"_s);
        Editor e(u"Unit3"_s);
        QCOMPARE(e.get<QLineEdit>(u"Text设置默认分值"_s)->text(), u"0"_s);

        const QString question = u"The full mark of this test is 0: every student will score 0. Save anyway?"_s;
        prompt::ScopedScript script;
        script->queueAnswer(Answer::No);
        e.click(u"Cmd_ok"_s);
        QCOMPARE(script->texts(), QStringList{question});
        QCOMPARE(script->records().first().buttons, prompt::Buttons::YesNo);
        QCOMPARE(script->records().first().defaultAnswer, Answer::No);
        QVERIFY(e.d.isVisible());
        QCOMPARE(root.read(u"SHIJUAN/Unit3/Unit3.cho"_s), before);

        script->queueAnswer(Answer::Yes);
        e.click(u"Cmd_ok"_s);
        QVERIFY(!e.d.isVisible());
        QCOMPARE(value(root, u"Unit3"_s, u"MAIN"_s, u"full_mark"_s), u"0"_s);
        QCOMPARE(value(root, u"Unit3"_s, u"MAIN"_s, u"Mark"_s), u"0"_s);
    }

    void aNewPaperSavedUnchangedIsWorthItsDefaultMarks()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit5"_s});
        writePaper(root, u"Unit5"_s, {}, -1);
        Editor e(u"Unit5"_s);
        e.click(u"Cmd下一题"_s); // Next on the last question appends one
        prompt::ScopedScript script;
        e.click(u"Cmd_ok"_s);
        QVERIFY(script->records().isEmpty());
        QVERIFY(!e.d.isVisible());
        QCOMPARE(value(root, u"Unit5"_s, u"MAIN"_s, u"Question_conut"_s), u"2"_s);
        QCOMPARE(value(root, u"Unit5"_s, u"MAIN"_s, u"Mark"_s), u"5"_s);
        QCOMPARE(value(root, u"Unit5"_s, u"MAIN"_s, u"full_mark"_s), u"10"_s);
    }

    void openingCopiesTheFilesAndShowsQuestionOne()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s,
                   {{u"First"_s, u"13"_s, {}, {}, {}},
                    {u"Second"_s, u"2"_s, u"7"_s, {}, {}},
                    {u"Third"_s, {}, {}, {}, {}}});
        Editor e(u"Unit3"_s);

        QCOMPARE(e.workFiles().size(), 6);
        QCOMPARE(e.gridText(1), u"First"_s);
        QCOMPARE(e.gridText(3), u"Third"_s);
        QCOMPARE(e.grid()->item(2, 0)->text(), u" 3"_s);
        QCOMPARE(e.question()->plainText(), u"First"_s);
        QCOMPARE(e.explanation()->plainText(), u"Why First"_s);
        QCOMPARE(e.grid()->item(0, 0)->background().color(), QColor(0, 192, 192));
        QCOMPARE(e.grid()->item(0, 1)->background().color(), QColor(0, 192, 192));
        QCOMPARE(e.caption(), u"No.1  Total:3   Full Score:17"_s);
        for (int k = 1; k <= 7; ++k)
            QCOMPARE(e.answer(k)->isChecked(), k == 1 || k == 3);
        QVERIFY(e.answer(1)->styleSheet().contains(QColor(192, 0, 0).name()));
        QVERIFY(e.answer(2)->styleSheet().contains(QColor(192, 255, 255).name()));
        QVERIFY(e.get<QCheckBox>(u"Chk使用默认分值"_s)->isChecked());
        QVERIFY(e.get<QLineEdit>(u"Text分值"_s)->isReadOnly());

        // Choosing a row shows it and moves the highlight.
        e.select(2);
        QCOMPARE(e.d.shownQuestion(), 2);
        QCOMPARE(e.question()->plainText(), u"Second"_s);
        QCOMPARE(e.get<QLineEdit>(u"Text分值"_s)->text(), u"7"_s);
        QVERIFY(!e.get<QCheckBox>(u"Chk使用默认分值"_s)->isChecked());
        QVERIFY(!e.grid()->item(0, 0)->background().color().isValid() ||
                e.grid()->item(0, 0)->background().color() != QColor(0, 192, 192));
        QCOMPARE(e.grid()->item(1, 1)->background().color(), QColor(0, 192, 192));

        // Showing a question counts as an edit, so Cancel asks even now.
        QVERIFY(e.d.hasUnsavedChanges());
    }

    void missingFileShowsEmptyEditorAndSavingWritesIt()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s,
                   {{u"First"_s, {}, {}, {}, {}}, {{}, {}, {}, u"gone.RTF"_s, u"gone2.RTF"_s}});
        root.write(u"SHIJUAN/Unit3/gone2.RTF"_s, "not rich text");
        Editor e(u"Unit3"_s);
        QCOMPARE(e.gridText(2), QString());
        e.select(2);
        QVERIFY(e.question()->plainText().isEmpty());
        QVERIFY(e.explanation()->plainText().isEmpty());
        QTest::keyClicks(e.question(), u"Typed"_s);
        e.select(1);
        QCOMPARE(rtf::plainTextOfFile(e.workFile(u"gone.RTF"_s)), u"Typed"_s);
        // An unreadable file that nobody typed into is not replaced by an empty one.
        QCOMPARE(QFile(e.workFile(u"gone2.RTF"_s)).size(), qint64(13));
        QCOMPARE(e.gridText(2), u"Typed"_s);
    }

    void insertAfterThreeOfFiveAndNextAppends()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        QList<PaperQuestion> five = simpleQuestions(5);
        five[2].mark = u"4"_s;
        five[3].answer = u"2"_s;
        writePaper(root, u"Unit3"_s, five);
        Editor e(u"Unit3"_s);
        const QList<paper::Question> before = e.questions();

        e.select(3);
        e.click(u"Cmd_Insert"_s);
        QCOMPARE(e.questions().size(), 6);
        QCOMPARE(e.questions().at(4), before.at(3));
        QCOMPARE(e.questions().at(5), before.at(4));
        const paper::Question added = e.questions().at(3);
        QVERIFY(added.answer.isEmpty());
        QCOMPARE(added.mark, u"4"_s);
        QVERIFY(QFile::exists(e.workFile(added.questionFile)) &&
                QFile::exists(e.workFile(added.explainFile)));
        QCOMPARE(e.d.shownQuestion(), 4);
        QCOMPARE(e.d.currentQuestion(), 4);
        QCOMPARE(e.gridText(5), u"Question 4"_s);
        QCOMPARE(e.gridText(4), QString());
        QCOMPARE(e.grid()->item(5, 0)->text(), u" 6"_s);

        // Previous on the first question does nothing; Next on the last appends.
        e.select(1);
        e.click(u"Cmd上一题"_s);
        QCOMPARE(e.d.currentQuestion(), 1);
        e.select(6);
        e.click(u"Cmd下一题"_s);
        QCOMPARE(e.questions().size(), 7);
        QCOMPARE(e.d.shownQuestion(), 7);
        QCOMPARE(e.questions().at(6).mark, before.at(4).mark);
        e.click(u"Cmd上一题"_s);
        QCOMPARE(e.d.shownQuestion(), 6);
        QCOMPARE(e.question()->plainText(), u"Question 5"_s);
        // At the top, a new question takes the default mark.
        e.grid()->setCurrentCell(-1, -1);
        action(e, u"edit_Insert_blank"_s)->trigger();
        QCOMPARE(e.questions().size(), 8);
        QCOMPARE(e.d.shownQuestion(), 1);
        QVERIFY(e.questions().first().mark.isEmpty());
    }

    void deleteAndMove()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(3));
        Editor e(u"Unit3"_s);
        const QList<paper::Question> before = e.questions();

        // Deleting the first question leaves nothing shown and nothing editable.
        e.select(1);
        e.click(u"Cmd_Delete"_s);
        QCOMPARE(e.questions(), (QList<paper::Question>{before.at(1), before.at(2)}));
        QCOMPARE(e.grid()->rowCount(), 2);
        QCOMPARE(e.gridText(1), u"Question 2"_s);
        QCOMPARE(e.d.shownQuestion(), 0);
        QCOMPARE(e.d.currentQuestion(), 0);
        QVERIFY(e.question()->plainText().isEmpty() && e.question()->fileName().isEmpty());
        QVERIFY(!e.question()->isEnabled() && !e.answer(1)->isEnabled());
        // Moving with no question selected does nothing.
        e.click(u"Cmd上移"_s);
        e.click(u"Cmd下移"_s);
        QCOMPARE(e.questions(), (QList<paper::Question>{before.at(1), before.at(2)}));

        // Move Down swaps the rows and the editors follow the moved question.
        e.select(1);
        action(e, u"edit_down"_s)->trigger();
        QCOMPARE(e.questions(), (QList<paper::Question>{before.at(2), before.at(1)}));
        QCOMPARE(e.gridText(1), u"Question 3"_s);
        QCOMPARE(e.gridText(2), u"Question 2"_s);
        QCOMPARE(e.grid()->item(0, 0)->text(), u" 1"_s);
        QCOMPARE(e.d.currentQuestion(), 2);
        QCOMPARE(e.question()->plainText(), u"Question 2"_s);
        QCOMPARE(e.caption(), u"No.2  Total:2   Full Score:10"_s);
        e.click(u"Cmd下移"_s); // already last
        QCOMPARE(e.d.currentQuestion(), 2);
        e.click(u"Cmd上移"_s);
        QCOMPARE(e.questions(), (QList<paper::Question>{before.at(1), before.at(2)}));

        // The grid's menu opens on the row under the mouse, which it shows first.
        const QPoint onRow2 = e.grid()->visualItemRect(e.grid()->item(1, 1)).center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, onRow2, e.grid()->viewport()->mapToGlobal(onRow2));
        e.select(1);
        QApplication::sendEvent(e.grid()->viewport(), &menuEvent);
        QTRY_VERIFY(e.get<QMenu>(u"Edit"_s)->isVisible());
        QCOMPARE(e.d.shownQuestion(), 2);
        e.get<QMenu>(u"Edit"_s)->close();

        // Deleting question 2 of 2 shows question 1; the last one cannot go.
        e.select(2);
        prompt::ScopedScript script;
        action(e, u"edit_Delete"_s)->trigger();
        QCOMPARE(e.d.shownQuestion(), 1);
        e.click(u"Cmd_Delete"_s);
        QCOMPARE(script->texts(), QStringList{u"Not allow to delete the question!"_s});
        QCOMPARE(script->records().first().buttons, prompt::Buttons::Ok);
        QCOMPARE(e.questions().size(), 1);
    }

    void answerKeyAndMarks()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s,
                   {{u"A"_s, {}, {}, {}, {}}, {u"B"_s, {}, u"2"_s, {}, {}}, {u"C"_s, {}, u"3.5"_s, {}, {}}});
        Editor e(u"Unit3"_s);
        // 5, then 5 + 2 = 7, then 7 + 3.5 = 10.5, which rounds to the even 10.
        QCOMPARE(e.caption(), u"No.1  Total:3   Full Score:10"_s);

        QTest::mouseClick(e.answer(3), Qt::LeftButton);
        QTest::mouseClick(e.answer(1), Qt::LeftButton);
        QCOMPARE(e.questions().at(0).answer, u"13"_s);
        QVERIFY(e.answer(3)->styleSheet().contains(QColor(192, 0, 0).name()));
        // The keyboard ticks a box as well as the mouse does.
        e.answer(7)->setFocus();
        QTest::keyClick(e.answer(7), Qt::Key_Space);
        QCOMPARE(e.questions().at(0).answer, u"137"_s);
        for (int k : {1, 3, 7})
            QTest::mouseClick(e.answer(k), Qt::LeftButton);
        QCOMPARE(e.questions().at(0).answer, QString());
        QVERIFY(e.answer(3)->styleSheet().contains(QColor(192, 255, 255).name()));

        // The default mark: typing it recomputes the full score with its own caption.
        QLineEdit *defaultMark = e.get<QLineEdit>(u"Text设置默认分值"_s);
        defaultMark->selectAll();
        QTest::keyClicks(defaultMark, u"6"_s);
        QCOMPARE(e.caption(), u"No.1  Total:3   Full mark:12"_s);
        QCOMPARE(examforge::session().questions.defaultMark, qint16(6));
        QCOMPARE(e.get<QLineEdit>(u"Text分值"_s)->text(), u" 6"_s);
        // A number that cannot be held is refused as it is typed.
        QTest::keyClicks(defaultMark, u"00000"_s);
        QCOMPARE(defaultMark->text(), u"6000"_s);

        // Own mark: unticking "Default" takes the box's value, typing changes it, ticking clears it.
        QCheckBox *useDefault = e.get<QCheckBox>(u"Chk使用默认分值"_s);
        QLineEdit *mark = e.get<QLineEdit>(u"Text分值"_s);
        QTest::mouseClick(useDefault, Qt::LeftButton);
        QVERIFY(!mark->isReadOnly());
        QCOMPARE(e.questions().at(0).mark, u"6000"_s);
        mark->selectAll();
        QTest::keyClicks(mark, u" 4.5 "_s);
        QCOMPARE(e.questions().at(0).mark, u"4.5"_s);
        QTest::mouseClick(useDefault, Qt::LeftButton);
        QVERIFY(e.questions().at(0).mark.isEmpty());
        QVERIFY(mark->isReadOnly());
    }

    void okSavesCopiesBackAndCleansJunk()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        QList<PaperQuestion> three = simpleQuestions(3);
        three[0].file = u"X77.RTF"_s; // a file 77.RTF is kept: its name occurs inside this one
        three[2].mark = u"2"_s;
        writePaper(root, u"Unit3"_s, three);
        root.write(u"SHIJUAN/Unit3/77.RTF"_s, rtfText(u"kept"_s));
        root.write(u"SHIJUAN/Unit3/999.rtf"_s, rtfText(u"junk"_s));
        Editor e(u"Unit3"_s);

        e.select(2);
        e.click(u"Cmd_Delete"_s);
        QCOMPARE(e.d.shownQuestion(), 1);
        QTest::keyClicks(e.question(), u"New "_s);
        e.click(u"Cmd_ok"_s);

        QVERIFY(!e.d.isVisible());
        QCOMPARE(e.d.result(), int(QDialog::Accepted));
        QVERIFY(e.workFiles().isEmpty());
        const QStringList left = paths::listFiles(root.file(u"SHIJUAN/Unit3"_s), {u"*.rtf"_s});
        QCOMPARE(left, (QStringList{u"77.RTF"_s, u"X77.RTF"_s, u"e1.RTF"_s, u"e3.RTF"_s, u"q3.RTF"_s}));
        QCOMPARE(rtf::plainTextOfFile(root.file(u"SHIJUAN/Unit3/X77.RTF"_s)), u"New Question 1"_s);
        const QByteArray file = root.read(u"SHIJUAN/Unit3/Unit3.cho"_s);
        QVERIFY(file.contains("Question_conut= 2\r\n") && file.contains("full_mark= 7\r\n"));
        QVERIFY(file.contains("TESTTIME=30"));
        QCOMPARE(value(root, u"Unit3"_s, u"2"_s, u"QUESTION"_s), u"q3.RTF"_s);
        QCOMPARE(value(root, u"Unit3"_s, u"2"_s, u"mark"_s), u"2"_s);
        QCOMPARE(examforge::session().questions.fullScore, qint16(7));
    }

    void aQuestionsNotesSurviveAnEdit()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(1));
        root.write(u"SHIJUAN/Unit3/q1.RTF"_s,
                   "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 What is 25 + 17?{\\super\\chftn}"
                   "{\\footnote\\pard\\plain\\fs20{\\super\\chftn} Add the ones.}{\\*\\atnid MB}"
                   "{\\*\\atnauthor Ms. Brook}\\chatn{\\*\\annotation\\pard\\plain Tens first.}\\par}");
        Editor e(u"Unit3"_s);
        // The notes show below the question, under a rule.
        QCOMPARE(e.question()->plainText(),
                 QString(u"What is 25 + 17?1\uFFFC[MB1]\uFFFC\n\n1 Add the ones.\n[MB1] Ms. Brook: Tens first."_s));
        QTest::keyClicks(e.question(), u"Now: "_s);
        e.click(u"Cmd_ok"_s);
        const QByteArray saved = root.read(u"SHIJUAN/Unit3/q1.RTF"_s);
        QVERIFY(saved.contains("{\\footnote"));
        QVERIFY(saved.contains("{\\*\\atnauthor Ms. Brook}\\chatn{\\*\\annotation"));
        QCOMPARE(rtf::plainTextOfFile(root.file(u"SHIJUAN/Unit3/q1.RTF"_s)),
                 QString(u"Now: What is 25 + 17?1\uFFFC[MB1]\uFFFC\n\n1 Add the ones.\n"
                         u"[MB1] Ms. Brook: Tens first."_s));
    }

    void okRecountsTheFullScoreAfterTyping()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(2));
        Editor e(u"Unit3"_s);
        QTest::mouseClick(e.get<QCheckBox>(u"Chk使用默认分值"_s), Qt::LeftButton);
        QLineEdit *mark = e.get<QLineEdit>(u"Text分值"_s);
        mark->selectAll();
        QTest::keyClicks(mark, u"20"_s);
        e.click(u"Cmd_ok"_s);
        QCOMPARE(value(root, u"Unit3"_s, u"MAIN"_s, u"full_mark"_s), u"25"_s);
    }

    void okRefusesAFullScoreBeyondSixteenBits()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, {{u"A"_s, {}, u"30000"_s, {}, {}}, {u"B"_s, {}, u"30000"_s, {}, {}}});
        const QByteArray before = root.read(u"SHIJUAN/Unit3/Unit3.cho"_s);
        Editor e(u"Unit3"_s);
        e.click(u"Cmd_Insert"_s);
        prompt::ScopedScript script;
        e.click(u"Cmd_ok"_s);
        QCOMPARE(script->records().size(), 1);
        QVERIFY(script->texts().first().contains(u"90000"_s));
        QVERIFY(e.d.isVisible());
        QCOMPARE(root.read(u"SHIJUAN/Unit3/Unit3.cho"_s), before);
        QCOMPARE(paths::listFiles(root.file(u"SHIJUAN/Unit3"_s), {u"*.rtf"_s}).size(), 4);
    }

    void failedWritesAreReportedAndNothingIsLost()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(2));
        Editor e(u"Unit3"_s);
        prompt::ScopedScript script;

        // The editor's file cannot be written: the question stays shown with its text.
        QTest::keyClicks(e.question(), u"Kept "_s);
        QFile::remove(e.workFile(u"q1.RTF"_s));
        QVERIFY(QDir().mkdir(e.workFile(u"q1.RTF"_s)));
        e.click(u"Cmd下一题"_s);
        QCOMPARE(e.d.shownQuestion(), 1);
        QCOMPARE(e.d.currentQuestion(), 1);
        QCOMPARE(e.question()->plainText(), u"Kept Question 1"_s);
        QCOMPARE(script->records().size(), 1);
        QVERIFY(script->texts().first().contains(QDir::toNativeSeparators(e.workFile(u"q1.RTF"_s))));
        QVERIFY(QDir().rmdir(e.workFile(u"q1.RTF"_s)));
        e.click(u"Cmd下一题"_s);
        QCOMPARE(e.d.shownQuestion(), 2);
        QCOMPARE(rtf::plainTextOfFile(e.workFile(u"q1.RTF"_s)), u"Kept Question 1"_s);

        // The paper file cannot be written: OK says which file and the window stays open.
        script->clear();
        const QString paperFile = root.file(u"SHIJUAN/Unit3/Unit3.cho"_s);
        QFile::remove(paperFile);
        QVERIFY(QDir().mkdir(paperFile));
        e.click(u"Cmd_ok"_s);
        QVERIFY(e.d.isVisible());
        QCOMPARE(script->records().size(), 1);
        QVERIFY(script->texts().first().contains(QDir::toNativeSeparators(paperFile)));
        QVERIFY(QDir().rmdir(paperFile));
        e.click(u"Cmd_ok"_s);
        QVERIFY(!e.d.isVisible());
        QCOMPARE(value(root, u"Unit3"_s, u"MAIN"_s, u"Question_conut"_s), u"2"_s);
    }

    void cancelAsksAndNoKeepsTheEdits()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(2));
        const QByteArray before = root.read(u"SHIJUAN/Unit3/Unit3.cho"_s);
        Editor e(u"Unit3"_s);
        QTest::keyClicks(e.question(), u"Edited "_s);
        e.click(u"Cmd_Insert"_s);
        prompt::ScopedScript script;
        script->queueAnswer(Answer::No);
        e.click(u"Cmd_Cancel"_s);
        QVERIFY(e.d.isVisible());
        QCOMPARE(script->records().size(), 1);
        QCOMPARE(script->records().first().text, ExitQuestion);
        QCOMPARE(script->records().first().buttons, prompt::Buttons::YesNo);
        QCOMPARE(script->records().first().defaultAnswer, Answer::No);
        QCOMPARE(e.questions().size(), 3);
        QCOMPARE(e.gridText(1), u"Edited Question 1"_s);
        QCOMPARE(e.workFiles().size(), 6);

        // The close box and Escape ask the same; Yes leaves without writing anything.
        script->queueAnswer(Answer::No);
        e.d.close();
        QVERIFY(e.d.isVisible());
        script->queueAnswer(Answer::Yes);
        QTest::keyClick(&e.d, Qt::Key_Escape);
        QVERIFY(!e.d.isVisible());
        QCOMPARE(script->texts(), QStringList(3, ExitQuestion));
        QVERIFY(e.workFiles().isEmpty());
        QCOMPARE(root.read(u"SHIJUAN/Unit3/Unit3.cho"_s), before);
        QCOMPARE(paths::listFiles(root.file(u"SHIJUAN/Unit3"_s), {u"*.rtf"_s}).size(), 4);
        QCOMPARE(rtf::plainTextOfFile(root.file(u"SHIJUAN/Unit3/q1.RTF"_s)), u"Question 1"_s);
    }

    void leavingAnEditorSavesItsFile()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(2));
        Editor e(u"Unit3"_s);
        QApplication::setActiveWindow(&e.d);
        QVERIFY(QTest::qWaitForWindowActive(&e.d));
        e.explanation()->setFocus();
        QTRY_VERIFY(e.explanation()->hasFocus());
        QTest::keyClicks(e.explanation(), u"More "_s);
        e.question()->setFocus();
        QTRY_COMPARE(rtf::plainTextOfFile(e.workFile(u"e1.RTF"_s)), u"More Why Question 1"_s);
        QTest::keyClicks(e.question(), u"Also "_s);
        QCOMPARE(e.gridText(1), u"Also Question 1"_s);
        e.grid()->setFocus();
        QTRY_COMPARE(rtf::plainTextOfFile(e.workFile(u"q1.RTF"_s)), u"Also Question 1"_s);
    }

    void editingMenus()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(1));
        Editor e(u"Unit3"_s);
        RichTextBox *question = e.question();
        RichTextBox *explanation = e.explanation();
        const QString explained = explanation->plainText();

        // Cut and copy only with a selection.
        QVERIFY(!action(e, u"mnucut"_s)->isEnabled() && !action(e, u"mnucopy"_s)->isEnabled());
        QVERIFY(action(e, u"mnupaste"_s)->isEnabled() && action(e, u"mnuundo"_s)->isEnabled());
        selectText(question, 0, 1);
        QVERIFY(action(e, u"mnucut"_s)->isEnabled() && action(e, u"mnucopy"_s)->isEnabled());
        QVERIFY(!action(e, u"mnurich2cut"_s)->isEnabled());

        // Sizes 5 to 40, fonts as installed, each only on its own editor.
        QCOMPARE(e.get<QMenu>(u"MNUFontSize"_s)->actions().size(), 36);
        QCOMPARE(action(e, u"字号列表(0)"_s)->text(), u"5"_s);
        action(e, u"字号列表(0)"_s)->trigger();
        QCOMPARE(formatAt(question, 0).fontPointSize(), 5.0);
        action(e, u"字号列表(35)"_s)->trigger();
        QCOMPARE(formatAt(question, 0).fontPointSize(), 40.0);
        const QStringList families = QFontDatabase::families();
        QCOMPARE(e.get<QMenu>(u"mnuFontName"_s)->actions().size(), families.size());
        QCOMPARE(e.get<QMenu>(u"MNURICH2FontNAME"_s)->actions().size(), families.size());
        if (!families.isEmpty()) {
            action(e, u"字体列表(%1)"_s.arg(families.size() - 1))->trigger();
            QCOMPARE(formatAt(question, 0).fontFamilies().toStringList().value(0), families.last());
        }
        selectText(explanation, 0, 3);
        action(e, u"字号列表2(3)"_s)->trigger();
        QCOMPARE(formatAt(explanation, 0).fontPointSize(), 8.0);
        QCOMPARE(formatAt(question, 0).fontPointSize(), 40.0);

        // Colour: cancelled changes nothing, chosen colours the selection of that editor only.
        prompt::ScopedScript script;
        const QBrush before = formatAt(question, 0).foreground();
        action(e, u"MNU颜色"_s)->trigger();
        QCOMPARE(script->records().size(), 1);
        QCOMPARE(script->records().first().kind, prompt::ScriptedPrompts::Kind::Color);
        QCOMPARE(formatAt(question, 0).foreground(), before);
        script->queue(QColor(Qt::red));
        action(e, u"MNU颜色"_s)->trigger();
        QCOMPARE(formatAt(question, 0).foreground().color(), QColor(Qt::red));
        QVERIFY(formatAt(explanation, 0).foreground().color() != QColor(Qt::red));

        // Cut, paste and undo run as keystrokes: the grid follows the question's text.
        selectText(question, 0, 9);
        action(e, u"mnucut"_s)->trigger();
        QCOMPARE(question->plainText(), u"1"_s);
        QCOMPARE(e.gridText(1), u"1"_s);
        QCOMPARE(QApplication::clipboard()->text(), u"Question "_s);
        action(e, u"mnupaste"_s)->trigger();
        QCOMPARE(question->plainText(), u"Question 1"_s);
        action(e, u"mnuundo"_s)->trigger();
        QCOMPARE(question->plainText(), u"1"_s);
        QCOMPARE(e.gridText(1), u"1"_s);
        selectText(explanation, 0, 4);
        action(e, u"mnurich2copy"_s)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), u"Why "_s);
        action(e, u"mnurich2paste"_s)->trigger();
        QCOMPARE(explanation->plainText(), explained);
        QCOMPARE(question->plainText(), u"1"_s);

        // The right button opens the editor's own menu.
        QTest::mouseClick(explanation->viewport(), Qt::RightButton);
        QTRY_VERIFY(e.get<QMenu>(u"menuRich2"_s)->isVisible());
        QVERIFY(!e.get<QMenu>(u"MenuRich"_s)->isVisible());
        e.get<QMenu>(u"menuRich2"_s)->close();
    }

    void paperManagementOpensTheEditor()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit3"_s});
        writePaper(root, u"Unit3"_s, simpleQuestions(2));
        MainWindow main;
        examforge::registerWorkWindows(main);
        bool sawEditor = false;
        // Paper management opens modally, and the editor modally from it.
        QTimer::singleShot(0, this, [&] {
            auto *papers = qobject_cast<PaperManagementDialog *>(QApplication::activeModalWidget());
            QVERIFY(papers);
            QTimer::singleShot(0, this, [&, papers] {
                auto *editor = qobject_cast<QuestionEditorDialog *>(QApplication::activeModalWidget());
                if (editor) {
                    sawEditor = editor->windowTitle() == u"Edit paper --Unit3"_s;
                    editor->done(QDialog::Rejected);
                }
                papers->reject();
            });
            papers->findChild<QPushButton *>(u"Command1"_s)->click();
        });
        main.runCommand(MainWindow::Papers);
        QVERIFY(sawEditor);
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
