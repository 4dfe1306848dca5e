#include "papermanagementdialog.h"
#include "prompt.h"
#include "rtf/rtf.h"
#include "session.h"
#include "testsupport.h"
#include "wordexport.h"
#include "wordprocessor.h"

#include <QBuffer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

using namespace Qt::Literals::StringLiterals;
using prompt::Answer;

namespace {

const QString Asked = u"Will you export the test included explains for answer?"_s;
const QString Exported = u"The test has been exported!"_s;
const QString Failed = u"The function will be operated with WORD."_s;

/// Keeps a copy of a produced file where EXAM_EXPORT_SAMPLES names a folder, so that
/// scripts/check-exports.sh can open it with office software.
void keepSample(const QString &path, const QString &name)
{
    const QString folder = qEnvironmentVariable("EXAM_EXPORT_SAMPLES");
    if (!folder.isEmpty() && !path.isEmpty())
        QFile::copy(path, QDir(folder).filePath(name));
}

QByteArray shippedTemplate()
{
    QFile f(QStringLiteral(EXAM_ASSETS_DIR "/sys/paper.dot"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no template");
    return f.readAll();
}

QByteArray pictureRtf()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "{\\rtf1\\ansi Second question {\\pict\\pngblip\\picw4\\pich3 " + png.toHex() + "} end\\par}";
}

/// Paper Unit3 listed in the catalogue, with three questions:
/// 1: default mark, key 13, a red word, an explanation;
/// 2: mark 2.5, key 2, a picture, placeholders in its own text, no explanation;
/// 3: default mark, no key, an explanation of two paragraphs;
/// 4: mark 1, key 7, no files (listed after the catalogue's count of 3 was read).
void writePaper(const TestDataRoot &root)
{
    root.write(u"sys/sys.cho"_s, "[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\nUnit3=1\r\n");
    root.write(u"sys/paper.dot"_s, shippedTemplate());
    root.write(
        u"SHIJUAN/Unit3/Unit3.cho"_s,
        "[MAIN]\r\nTESTTIME=45\r\nAuthor=Ms. Brook\r\nQuestion_conut= 3\r\nfull_mark= 13\r\nMark= 5\r\n"
        "[1]\r\nQUESTION=11.RTF\r\nexplain=12.RTF\r\nanswer=13\r\nmark=\r\n"
        "[2]\r\nQUESTION=21.RTF\r\nexplain=\r\nanswer=2\r\nmark=2.5\r\n"
        "[3]\r\nQUESTION=31.RTF\r\nexplain=32.RTF\r\nanswer=\r\nmark=\r\n"
        "[4]\r\nQUESTION=\r\nanswer=7\r\nmark=1\r\n");
    root.write(u"SHIJUAN/Unit3/11.RTF"_s, "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}First question "
                                          "\\cf1\\b red\\b0\\cf0  word\\par}");
    root.write(u"SHIJUAN/Unit3/12.RTF"_s, "{\\rtf1\\ansi Because one and three.\\par}");
    root.write(u"SHIJUAN/Unit3/21.RTF"_s, pictureRtf());
    root.write(u"SHIJUAN/Unit3/31.RTF"_s, "{\\rtf1\\ansi Third question [MARK] [OP] [ANSWER No]\\par}");
    root.write(u"SHIJUAN/Unit3/32.RTF"_s,
               "{\\rtf1\\ansi\\pard\\qc Nobody knows.\\par\\pard More to say.\\par}");
}

/// Every file below a folder with its bytes.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files.insert(path, f.readAll());
    }
    return files;
}

/// The paragraphs of a written document.
QStringList paragraphs(const QString &path)
{
    QTextDocument doc;
    if (!rtf::loadFile(path, doc))
        return {u"<not RTF>"_s};
    return doc.toPlainText().split(u'\n');
}

/// Runs the export of the first listed paper through the window's button.
struct Run
{
    QString path;
    QList<QUrl> opened;
    QStringList prompts;
};

Run exportThroughWindow(const TestDataRoot &, const QString &temporary, Answer explanations,
                        bool openable = true, const std::function<void()> &beforeExport = {})
{
    Run run;
    prompt::ScopedScript script;
    script->queueAnswer(explanations);
    PaperManagementDialog dialog;
    dialog.setWordExporter([&](QWidget *parent, const papers::PaperRow &row) {
        wordexport::Options options;
        options.temporaryFolder = temporary;
        options.open = [&](const QUrl &url) {
            run.opened.append(url);
            return openable;
        };
        run.path = wordexport::exportPaper(parent, row, options);
    });
    dialog.show();
    if (beforeExport)
        beforeExport();
    auto *button = dialog.findChild<QPushButton *>(u"CmdToWORD"_s);
    if (!button->isEnabled())
        return run;
    button->click();
    run.prompts = script->texts();
    return run;
}

} // namespace

class TestWordExport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void threeQuestionsWithExplanations()
    {
        TestDataRoot root;
        writePaper(root);
        QTemporaryDir temporary;
        // The list is read when the window opens; a fourth question added since shows the
        // listed count in the header while the blocks follow the paper file.
        QMap<QString, QByteArray> before;
        const Run run = exportThroughWindow(root, temporary.path(), Answer::Yes, true, [&] {
            const QByteArray file = root.read(u"SHIJUAN/Unit3/Unit3.cho"_s);
            root.write(u"SHIJUAN/Unit3/Unit3.cho"_s, QByteArray(file).replace("conut= 3", "conut= 4"));
            before = snapshot(root.path());
        });
        QCOMPARE(run.prompts, (QStringList{Asked, Exported}));
        QVERIFY(!run.path.isEmpty());
        QCOMPARE(QFileInfo(run.path).fileName(), u"Unit3.rtf"_s);
        keepSample(run.path, u"Unit3.rtf"_s);
        QVERIFY(run.path.startsWith(temporary.path()));
        QCOMPARE(run.opened, QList<QUrl>{QUrl::fromLocalFile(run.path)});
        QCOMPARE(snapshot(root.path()), before);
        QCOMPARE(examforge::session().currentPaperName, u"Unit3"_s);
        QCOMPARE(examforge::session().questions.count(), qint16(4));

        const QStringList text = paragraphs(run.path);
        const QString all = text.join(u'\n');
        // Header: the list's values.
        QCOMPARE(text.at(0), u"Unit3"_s);
        QCOMPARE(text.at(1), u"Teacher: Ms. Brook"_s);
        QVERIFY2(text.at(2).startsWith(u"Time allowed: 45 minutes"_s), qPrintable(text.at(2)));
        QVERIFY2(text.at(2).contains(u"Questions: 3 "_s), qPrintable(text.at(2)));
        QVERIFY2(text.at(2).endsWith(u"Full marks: 13"_s), qPrintable(text.at(2)));

        // Four blocks in paper order, numbers and default marks after one blank, each block
        // ending in "[OPTION]"; each question's explanation follows it, in its own paragraphs.
        const QStringList expectedOrder = {u"Question 1  ( 5 points)"_s,
                                           u"First question red word"_s,
                                           u"Because one and three."_s,
                                           u"[OPTION]"_s,
                                           u"Question 2  (2.5 points)"_s,
                                           u"Second question "_s,
                                           u"[OPTION]"_s,
                                           u"Question 3  ( 5 points)"_s,
                                           u"Third question [MARK] [OP] [ANSWER No]"_s,
                                           u"Nobody knows."_s,
                                           u"More to say."_s,
                                           u"[OPTION]"_s,
                                           u"Question 4  (1 points)"_s,
                                           u"[QUESTION]"_s,
                                           u"[OPTION]"_s,
                                           u"Answer key"_s,
                                           u"Question 1:   13"_s,
                                           u"Question 2:   2"_s,
                                           u"Question 3:   [no answer]"_s,
                                           u"Question 4:   7"_s};
        qsizetype at = 0;
        for (const QString &expected : expectedOrder) {
            const qsizetype found = all.indexOf(expected, at);
            QVERIFY2(found >= 0, qPrintable(u"missing after %1: %2\n%3"_s.arg(at).arg(expected, all)));
            at = found + expected.size();
        }
        QCOMPARE(all.count(u"[OPTION]"_s), 4);
        QCOMPARE(all.count(u"Answer: "_s), 4);
        QVERIFY(!all.contains(u"[QUESTION No]"_s));
        QVERIFY(!all.contains(u"[ANSWER No]:"_s));
        QCOMPARE(all.count(u"[MARK]"_s), 1); // the one in question 3's own text

        // What the files hold comes with its formats: the red word, the centred paragraph,
        // the picture.
        QTextDocument doc;
        QVERIFY(rtf::loadFile(run.path, doc));
        const QTextCursor red = doc.find(u"red"_s);
        QVERIFY(!red.isNull());
        QCOMPARE(red.charFormat().foreground().color(), QColor(255, 0, 0));
        QVERIFY(red.charFormat().fontWeight() >= QFont::Bold);
        QCOMPARE(int(doc.find(u"Nobody knows."_s).blockFormat().alignment() & Qt::AlignHorizontal_Mask),
                 int(Qt::AlignHCenter));
        QFile written(run.path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("\\pngblip"));
    }

    void noExplanationsAndNoApplicationToShowIt()
    {
        TestDataRoot root;
        writePaper(root);
        QTemporaryDir temporary;
        const Run run = exportThroughWindow(root, temporary.path(), Answer::No, false);
        QCOMPARE(run.opened.size(), 1);
        // The file stays, and the teacher is told where.
        QCOMPARE(run.prompts.size(), 3);
        QCOMPARE(run.prompts.at(1), Exported);
        QVERIFY2(run.prompts.at(2).contains(QDir::toNativeSeparators(run.path)),
                 qPrintable(run.prompts.at(2)));
        QVERIFY(QFileInfo::exists(run.path));

        const QString all = paragraphs(run.path).join(u'\n');
        QVERIFY(all.contains(u"First question red word"_s));
        QVERIFY(all.contains(u"Third question"_s));
        QVERIFY(!all.contains(u"Because one and three."_s));
        QVERIFY(!all.contains(u"Nobody knows."_s));
        QCOMPARE(all.count(u"[OPTION]"_s), 3);
    }

    void emptyPlainTextTableAndCjkFiles()
    {
        // Files teachers bring along: an empty question file, explanations saved as plain text
        // (UTF-8 and ANSI), a question with a table and a bold 20 pt Chinese title.
        TestDataRoot root;
        writePaper(root);
        root.write(u"SHIJUAN/Unit3/11.RTF"_s, QByteArray());
        root.write(u"SHIJUAN/Unit3/12.RTF"_s, "Because one\r\nand three: caf\xc3\xa9.\r\n");
        root.write(u"SHIJUAN/Unit3/21.RTF"_s,
                   "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 {\\dbch\\afs40\\ab \\u31532?\\u19977?}\\par"
                   "\\trowd\\trgaph108\\clbrdrb\\brdrs\\brdrw15\\cellx2000\\cellx4000"
                   "\\pard\\intbl Name\\cell Mark\\cell\\row\\pard After.\\par}");
        root.write(u"SHIJUAN/Unit3/32.RTF"_s, "Nobody knows.\r\n   ");
        QTemporaryDir temporary;
        const Run run = exportThroughWindow(root, temporary.path(), Answer::Yes);
        QCOMPARE(run.prompts, (QStringList{Asked, Exported}));
        keepSample(run.path, u"Unit3-tables.rtf"_s);
        QTextDocument doc;
        QVERIFY(rtf::loadFile(run.path, doc));
        const QString all = doc.toPlainText();
        // The empty file leaves nothing where its placeholder stood; the text file's lines are
        // paragraphs.
        QVERIFY2(all.contains(u"Question 1  ( 5 points)\nBecause one\nand three: caf\u00e9.\n"_s), qPrintable(all));
        QVERIFY(all.contains(u"Third question [MARK] [OP] [ANSWER No]\nNobody knows.\n"_s));
        QCOMPARE(all.count(u"[QUESTION]"_s), 0);

        // The table comes through as a table, with its cells and border.
        const QTextCursor name = doc.find(u"Name"_s, doc.find(u"Question 2"_s));
        QVERIFY(!name.isNull());
        QTextTable *table = name.currentTable();
        QVERIFY(table);
        QCOMPARE(table->rows(), 1);
        QCOMPARE(table->columns(), 2);
        QCOMPARE(table->cellAt(0, 1).firstCursorPosition().block().text(), u"Mark"_s);
        QVERIFY(table->cellAt(0, 0).format().toTableCellFormat().bottomBorder() > 0);
        QVERIFY(!doc.find(u"After."_s).currentTable());
        const QTextCursor title = doc.find(u"\u7b2c\u4e09"_s);
        QVERIFY(!title.isNull());
        QCOMPARE(title.charFormat().fontPointSize(), 20.0);
        QVERIFY(title.charFormat().fontWeight() >= QFont::Bold);
    }

    void failuresWriteNothing_data()
    {
        QTest::addColumn<QByteArray>("paperDot");
        QTest::addColumn<bool>("questionFileMissing");
        QTest::newRow("template missing") << QByteArray() << false;
        QTest::newRow("template not RTF") << QByteArray("PK\x03\x04 not a document") << false;
        QTest::newRow("template without question block")
            << QByteArray("{\\rtf1\\ansi [PAPER NAME]\\par [QUESTION No]\\par}") << false;
        QTest::newRow("question file missing") << shippedTemplate() << true;
    }

    void failuresWriteNothing()
    {
        QFETCH(QByteArray, paperDot);
        QFETCH(bool, questionFileMissing);
        TestDataRoot root;
        writePaper(root);
        QFile::remove(root.file(u"sys/paper.dot"_s));
        if (!paperDot.isEmpty())
            root.write(u"sys/paper.dot"_s, paperDot);
        if (questionFileMissing)
            QFile::remove(root.file(u"SHIJUAN/Unit3/21.RTF"_s));
        const QMap<QString, QByteArray> before = snapshot(root.path());
        QTemporaryDir temporary;

        const Run run = exportThroughWindow(root, temporary.path(), Answer::Yes);
        QCOMPARE(run.prompts, (QStringList{Asked, Failed}));
        QVERIFY(run.path.isEmpty());
        QVERIFY(run.opened.isEmpty());
        QCOMPARE(snapshot(root.path()), before);
        QVERIFY(QDir(temporary.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    void nameWithoutAPaperFileFails()
    {
        // A damaged catalogue can list a name that leads out of the data tree: it has no
        // paper file, and an empty document must not be reported as exported.
        TestDataRoot root;
        writePaper(root);
        QTemporaryDir temporary;
        prompt::ScopedScript script;
        script->queueAnswer(Answer::No);
        const QString path = wordexport::exportPaper(nullptr, papers::newPaperRow(u"../Unit3"_s),
                                                     {[](const QUrl &) { return true; }, temporary.path()});
        QVERIFY(path.isEmpty());
        QCOMPARE(script->texts(), (QStringList{Asked, Failed}));
        QVERIFY(QDir(temporary.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    void buttonNeedsASelectedPaper()
    {
        TestDataRoot root;
        root.write(u"sys/sys.cho"_s, "[TestName]\r\nTestNameCount=0\r\n");
        PaperManagementDialog dialog;
        bool called = false;
        dialog.setWordExporter([&called](QWidget *, const papers::PaperRow &) { called = true; });
        dialog.show();
        auto *button = dialog.findChild<QPushButton *>(u"CmdToWORD"_s);
        QVERIFY(!button->isEnabled());
        button->click();
        QVERIFY(!called);
    }

    void blockAtTheEndAndEmptyPapers_data()
    {
        QTest::addColumn<QByteArray>("paper");
        QTest::addColumn<QString>("expected");
        // The question block is the template's last paragraph: the copies must not run into
        // each other, and a paper without questions leaves no placeholder to print.
        const QByteArray two =
            "[MAIN]\r\nQuestion_conut= 2\r\nMark= 3\r\n[1]\r\nanswer=1\r\n[2]\r\nanswer=2\r\n";
        QTest::newRow("two questions") << two << u"Test T\nNo. 1 = 3\nNo. 2 = 3\n"_s;
        QTest::newRow("no question") << QByteArray("[MAIN]\r\n") << u"Test T\n"_s;
    }

    void blockAtTheEndAndEmptyPapers()
    {
        QFETCH(QByteArray, paper);
        QFETCH(QString, expected);
        TestDataRoot root;
        root.write(u"sys/paper.dot"_s,
                   "{\\rtf1\\ansi Test [PAPER NAME]\\par No.[QUESTION No] =[MARK][OPTION]\\par}");
        root.write(u"SHIJUAN/T/T.cho"_s, paper);
        WordProcessor document;
        QVERIFY(document.open(root.file(u"sys/paper.dot"_s)));
        paper::QuestionTable questions;
        paper::loadQuestions(root.file(u"SHIJUAN/T/T.cho"_s), questions);
        QVERIFY(wordexport::fill(document, {u"T"_s, {}, {}, {}, {}}, questions, true));
        QString text = document.document().toPlainText();
        text.remove(u"[OPTION]"_s);
        QCOMPARE(text, expected);
    }

    void demoTreeExports()
    {
        // The demo tree a new installation starts with has its own template and paper.
        TestDataRoot root;
        QDirIterator it(QStringLiteral(EXAM_DEMO_DIR), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            root.write(QDir(QStringLiteral(EXAM_DEMO_DIR)).relativeFilePath(file), f.readAll());
        }
        QTemporaryDir temporary;
        const Run run = exportThroughWindow(root, temporary.path(), Answer::Yes);
        QCOMPARE(run.prompts, (QStringList{Asked, Exported}));
        keepSample(run.path, u"demo-Unit3.rtf"_s);
        const QString all = paragraphs(run.path).join(u'\n');
        QCOMPARE(all.count(u"[OPTION]"_s), examforge::session().questions.count());
        QVERIFY(all.contains(u"What is 25 + 17?"_s));
        QVERIFY(all.contains(u"Question 5:"_s));
    }

    void longPaperInReasonableTime()
    {
        TestDataRoot root;
        QByteArray file = "[MAIN]\r\nQuestion_conut= 200\r\nMark= 1\r\n";
        for (int i = 1; i <= 200; ++i) {
            file += "[" + QByteArray::number(i) + "]\r\nQUESTION=" + QByteArray::number(i) +
                    ".RTF\r\nexplain=e" + QByteArray::number(i) +
                    ".RTF\r\nanswer=" + QByteArray::number(i % 7 + 1) + "\r\n";
            root.write(u"SHIJUAN/L/%1.RTF"_s.arg(i),
                       "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Question text " +
                           QByteArray::number(i) + "\\par A) one\\par B) two\\par C) three\\par}");
            root.write(u"SHIJUAN/L/e%1.RTF"_s.arg(i),
                       "{\\rtf1\\ansi Explanation " + QByteArray::number(i) + "\\par}");
        }
        root.write(u"SHIJUAN/L/L.cho"_s, file);
        root.write(u"sys/paper.dot"_s, shippedTemplate());
        paper::QuestionTable questions;
        paper::loadQuestions(root.file(u"SHIJUAN/L/L.cho"_s), questions);

        QElapsedTimer timer;
        timer.start();
        WordProcessor document;
        QVERIFY(document.open(root.file(u"sys/paper.dot"_s)));
        QVERIFY(wordexport::fill(document, {u"L"_s, {}, {}, {}, {}}, questions, true));
        QTemporaryDir out;
        QVERIFY(document.saveAs(out.filePath(u"L.rtf"_s)));
        qInfo("200 questions filled and written in %lld ms", timer.elapsed());
        QVERIFY(timer.elapsed() < 15000);

        const QString all = paragraphs(out.filePath(u"L.rtf"_s)).join(u'\n');
        QCOMPARE(all.count(u"[OPTION]"_s), 200);
        QVERIFY(all.indexOf(u"Question 199  ( 1 points)\nQuestion text 199"_s) <
                all.indexOf(u"Question 200  ( 1 points)\nQuestion text 200"_s));
        QVERIFY(all.contains(u"Explanation 200"_s));
        QVERIFY(all.endsWith(u"Question 200:   5\n"_s) || all.endsWith(u"Question 200:   5"_s));
    }
};

QTEST_MAIN(TestWordExport)
#include "tst_wordexport.moc"
