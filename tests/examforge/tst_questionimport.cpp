// "Import questions..." and "Export questions..." of the question editor, through the real
// windows.

#include "questionimportdialog.h"
#include "tst_editorsupport.h"

#include "profile.h"
#include "prompt.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using namespace Qt::Literals::StringLiterals;
using namespace editortest;

namespace {

/// Runs act on the import preview once it is open (modal, so from the event loop it runs).
void whenPreviewOpens(std::function<void(QuestionImportDialog *)> act)
{
    QTimer::singleShot(0, [act] {
        if (auto *d = qobject_cast<QuestionImportDialog *>(QApplication::activeModalWidget()))
            act(d);
        else
            whenPreviewOpens(act);
    });
}

const QByteArray Gift = "// two questions and a broken one\r\n"
                        "::One:: 一加一等于几？ {~1 =2 ~3 ####因为 1 + 1 = 2。}\r\n\r\n"
                        "::Broken:: no end {=a ~b\r\n\r\n"
                        "::Essay:: Write. {}\r\n\r\n"
                        "::Two:: Pick the vowels. {~%50%a ~%-100%b ~%50%e}\r\n";

} // namespace

class TestQuestionImport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void importsAfterPreview()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"P"_s});
        writePaper(root, u"P"_s, simpleQuestions(2));
        root.write(u"bank.txt"_s, Gift);
        const QByteArray paperBefore = root.read(u"SHIJUAN/P/P.cho"_s);
        prompt::ScopedScript script;
        Editor ed(u"P"_s);
        QTRY_COMPARE(ed.d.shownQuestion(), 1);
        const int workFilesBefore = int(ed.workFiles().size());

        // Cancel in the preview adds nothing.
        script->queue(root.file(u"bank.txt"_s));
        bool previewed = false;
        whenPreviewOpens([&](QuestionImportDialog *d) {
            previewed = true;
            d->findChild<QPushButton *>(u"CmdCancel"_s)->click();
        });
        ed.click(u"CmdImportQuestions"_s);
        QVERIFY(previewed);
        QCOMPARE(ed.questions().size(), 2);
        QCOMPARE(ed.workFiles().size(), workFilesBefore);

        // OK appends the two questions with their keys and the default mark.
        script->queue(root.file(u"bank.txt"_s));
        QString summary;
        QString preview;
        QList<QStringList> problems;
        whenPreviewOpens([&](QuestionImportDialog *d) {
            summary = requireChild<QLabel>(d, u"LblSummary"_s)->text();
            preview = requireChild<QPlainTextEdit>(d, u"TxtPreview"_s)->toPlainText();
            const QTreeWidget *list = requireChild<QTreeWidget>(d, u"LstProblems"_s);
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                problems.append({list->topLevelItem(i)->text(0), list->topLevelItem(i)->text(1)});
            requireChild<QPushButton>(d, u"CmdOK"_s)->click();
        });
        ed.click(u"CmdImportQuestions"_s);
        QVERIFY(summary.startsWith(u"2 questions found."_s));
        QVERIFY(preview.contains(u"一加一等于几？\n\nA. 1\nB. 2\nC. 3\nAnswer: B"_s));
        QCOMPARE(problems, QList<QStringList>(
                               {{u"4"_s, u"Not read"_s}, {u"6"_s, u"Skipped"_s}, {u"8"_s, u"Changed"_s}}));
        QCOMPARE(ed.questions().size(), 4);
        QCOMPARE(ed.questions().at(2).answer, u"2"_s);
        QCOMPARE(ed.questions().at(2).mark, QString());
        QCOMPARE(ed.questions().at(3).answer, u"13"_s);
        QCOMPARE(ed.workFiles().size(), workFilesBefore + 4);
        QVERIFY(ed.gridText(3).startsWith(u"一加一等于几？"_s));
        QCOMPARE(ed.d.shownQuestion(), 3);
        QCOMPARE(ed.question()->plainText(), u"一加一等于几？\n\nA. 1\nB. 2\nC. 3"_s);
        QCOMPARE(ed.explanation()->plainText(), u"因为 1 + 1 = 2。"_s);
        QVERIFY(ed.answer(2)->isChecked());
        // Nothing reaches the test before the editor's OK.
        QCOMPARE(root.read(u"SHIJUAN/P/P.cho"_s), paperBefore);

        ed.click(u"Cmd_ok"_s);
        QTRY_VERIFY(!ed.d.isVisible());
        paper::QuestionTable saved;
        paper::loadQuestions(paper::file(u"P"_s), saved);
        QCOMPARE(saved.count(), 4);
        QCOMPARE(profile::readValue(paper::file(u"P"_s), u"MAIN"_s, u"full_mark"_s), u"20"_s);
        QCOMPARE(rtf::plainTextOfFile(paper::rtfPath(u"P"_s, saved.questions.at(3).questionFile)),
                 u"Pick the vowels.\n\nA. a\nB. b\nC. e"_s);
    }

    void refusesWhatItCannotAdd()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"P"_s});
        writePaper(root, u"P"_s, simpleQuestions(1));
        root.write(u"picture.txt"_s, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        QByteArray many;
        for (int i = 0; i < 6600; ++i)
            many += "Q?\nA. a\nB. b\nANSWER: A\n\n";
        root.write(u"many.txt"_s, many);
        prompt::ScopedScript script;
        Editor ed(u"P"_s);
        QTRY_COMPARE(ed.d.shownQuestion(), 1);

        // No text: said at once, no preview.
        script->queue(root.file(u"picture.txt"_s));
        ed.click(u"CmdImportQuestions"_s);
        QCOMPARE(script->records().constLast().kind, prompt::ScriptedPrompts::Kind::Message);
        QVERIFY(script->records().constLast().text.contains(u"not a text file"_s));

        // 6601 questions at 5 points pass the full score: the preview says so and OK is off.
        script->queue(root.file(u"many.txt"_s));
        bool okEnabled = true;
        QString refusal;
        whenPreviewOpens([&](QuestionImportDialog *d) {
            okEnabled = requireChild<QPushButton>(d, u"CmdOK"_s)->isEnabled();
            refusal = requireChild<QLabel>(d, u"LblRefusal"_s)->text();
            d->reject();
        });
        ed.click(u"CmdImportQuestions"_s);
        QVERIFY(!okEnabled);
        QVERIFY(refusal.contains(u"33005"_s));
        QCOMPARE(ed.questions().size(), 1);

        // Choosing no file does nothing.
        script->clear();
        ed.click(u"CmdImportQuestions"_s);
        QCOMPARE(script->records().size(), 1);
        QCOMPARE(ed.questions().size(), 1);
    }

    void exportsGift()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"P"_s});
        writePaper(root, u"P"_s,
                   {{u"Tom has 34.\\par\\par A. 46\\par B. 22"_s, u"2"_s, {}, {}, {}},
                    {u"Free text"_s, u"1"_s, {}, {}, {}}});
        prompt::ScopedScript script;
        Editor ed(u"P"_s);
        QTRY_COMPARE(ed.d.shownQuestion(), 1);
        QTemporaryDir out;
        const QString path = out.filePath(u"P.gift"_s);
        script->queue(path);
        ed.click(u"CmdExportQuestions"_s);
        QCOMPARE(script->records().at(0).kind, prompt::ScriptedPrompts::Kind::SaveFile);
        QVERIFY(script->records().constLast().text.contains(u"questions 2 the choices could not be told"_s));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto back = questionformats::read(f.readAll());
        QCOMPARE(back.questions.size(), 1);
        QCOMPARE(back.questions.at(0).text, u"Tom has 34."_s);
        QCOMPARE(back.questions.at(0).choices, QStringList({u"46"_s, u"22"_s}));
        QCOMPARE(back.questions.at(0).answer, u"2"_s);
        QCOMPARE(back.questions.at(0).explanation, u"Why Tom has 34.\n\nA. 46\nB. 22"_s);
    }
};

QTEST_MAIN(TestQuestionImport)
#include "tst_questionimport.moc"
