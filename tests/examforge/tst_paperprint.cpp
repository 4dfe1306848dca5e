// "Print...": the PDF of a paper, read back as text with pdftotext, as a teacher would see
// it on paper.
#include "tst_editorsupport.h"

#include "papermanagementdialog.h"
#include "paperprint.h"
#include "prompt.h"

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace editortest;

namespace {

QString pdfText(const QString &path, int page = 0)
{
    QStringList args{u"-layout"_s};
    if (page > 0)
        args << u"-f"_s << QString::number(page) << u"-l"_s << QString::number(page);
    QProcess p;
    p.start(u"pdftotext"_s, args << path << u"-"_s);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qFatal("pdftotext failed on %s", qPrintable(path));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfInfo(const QString &path)
{
    QProcess p;
    p.start(u"pdfinfo"_s, {path});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pageCount(const QString &path)
{
    const QRegularExpressionMatch m = QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(pdfInfo(path));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

/// A question of several lines, each naming its question, so a split shows on the pages.
QByteArray longQuestion(int number, int lines)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
    for (int i = 1; i <= lines; ++i)
        rtf += "Line " + QByteArray::number(i) + " of question Q" + QByteArray::number(number) + "X\\par ";
    rtf += "A. yes\\par B. no}";
    return rtf;
}

} // namespace

class TestPaperPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty(),
                 "pdftotext (poppler-utils) is needed; scripts/setup.sh installs it");
    }
    void cleanup() { closeAllWindows(); }

    void keysAsLetters()
    {
        QCOMPARE(paperprint::keyLetters(u"13"_s), u"A, C"_s);
        QCOMPARE(paperprint::keyLetters(u"7"_s), u"G"_s);
        QCOMPARE(paperprint::keyLetters(u""_s), QString());
        QCOMPARE(paperprint::keyLetters(u"x9 2"_s), u"B"_s);
    }

    // Through the window: the student copy numbers the questions in order with their marks,
    // has the lines for the student and no key; the teacher copy has the keys, the
    // explanations and the answer grid.
    void studentAndTeacherCopies()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit 9"_s});
        QList<PaperQuestion> questions = simpleQuestions(4);
        questions[0].answer = u"2"_s;
        questions[1].answer = u"13"_s;
        questions[2].mark = u"2"_s;
        writePaper(root, u"Unit 9"_s, questions);
        QTemporaryDir out;

        const auto print = [&](bool teacher, const QString &size) {
            prompt::ScopedScript script;
            PaperManagementDialog dialog;
            QList<QUrl> opened;
            exports::Options options;
            options.temporaryFolder = out.path();
            options.open = [&](const QUrl &url) {
                opened.append(url);
                return true;
            };
            dialog.setPrintOptions(options);
            dialog.show();
            QTimer::singleShot(0, &dialog, [teacher, size] {
                QWidget *choice = QApplication::activeModalWidget();
                QVERIFY(choice && choice->objectName() == u"PrintPaper"_s);
                requireChild<QRadioButton>(choice, teacher ? u"OptTeacherCopy"_s : u"OptStudentCopy"_s)->setChecked(true);
                auto *sizes = requireChild<QComboBox>(choice, u"ComboPaperSize"_s);
                sizes->setCurrentIndex(sizes->findText(size));
                requireChild<QPushButton>(choice, u"CmdPrintOk"_s)->click();
            });
            requireChild<QPushButton>(&dialog, u"CmdPrint"_s)->click();
            if (opened.size() != 1)
                qFatal("the PDF was not shown");
            if (script->texts() != QStringList{u"The test has been printed to a PDF file."_s})
                qFatal("unexpected messages: %s", qPrintable(script->texts().join(u'|')));
            return opened.first().toLocalFile();
        };

        const QString student = print(false, u"A4"_s);
        QVERIFY(student.endsWith(u".pdf"_s));
        const QString s = pdfText(student);
        QVERIFY(s.contains(u"Unit 9"_s));
        QVERIFY(s.contains(u"Name:"_s) && s.contains(u"Number:"_s) && s.contains(u"Class:"_s));
        int last = -1;
        for (int i = 1; i <= 4; ++i) {
            const int heading = s.indexOf(QStringLiteral("%1. (%2 points)").arg(i).arg(i == 3 ? 2 : 5));
            const int text = s.indexOf(QStringLiteral("Question %1").arg(i));
            QVERIFY2(heading > last && text > heading, qPrintable(QString::number(i)));
            last = text;
        }
        QVERIFY(!s.contains(u"Answer"_s));
        QVERIFY(!s.contains(u"Why"_s));
        QVERIFY(s.contains(u"Page 1 of 1"_s));
        QVERIFY(pdfInfo(student).contains(u"595 x 842"_s)); // A4 in points

        const QString teacher = print(true, u"Letter"_s);
        QVERIFY(teacher != student);
        const QString t = pdfText(teacher);
        QVERIFY(!t.contains(u"Name:"_s));
        QVERIFY(t.indexOf(u"Answer: B"_s) > t.indexOf(u"Question 1"_s));
        QVERIFY(t.indexOf(u"Answer: A, C"_s) > t.indexOf(u"Question 2"_s));
        QVERIFY(t.indexOf(u"Why Question 2"_s) > t.indexOf(u"Answer: A, C"_s));
        QVERIFY(t.contains(u"Answer: (none)"_s));
        QVERIFY(t.indexOf(u"Answer key"_s) > t.indexOf(u"Why Question 4"_s));
        QVERIFY(pdfInfo(teacher).contains(u"612 x 792"_s)); // Letter
    }

    // Many long questions: pages are numbered, and no question that fits on a page is
    // split; one longer than a page goes on over the next.
    void questionsAreNotSplit()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Long"_s});
        const int count = 14;
        QList<PaperQuestion> questions = simpleQuestions(count);
        writePaper(root, u"Long"_s, questions);
        for (int i = 1; i <= count; ++i)
            root.write(QStringLiteral("SHIJUAN/Long/q%1.RTF").arg(i), longQuestion(i, i == count ? 90 : 7 + i % 5));
        paper::QuestionTable table;
        paper::loadQuestions(paper::file(u"Long"_s), table);
        QTemporaryDir out;
        const QString path = out.filePath(u"long.pdf"_s);
        const int pages = paperprint::write(path, {u"Long"_s, u"40"_s, u"70"_s}, table, paperprint::Copy::Student,
                                            QPageSize::A4);
        QVERIFY(pages >= 4);
        QCOMPARE(pageCount(path), pages);
        QList<QSet<int>> pagesOf(count + 1);
        for (int page = 1; page <= pages; ++page) {
            const QString text = pdfText(path, page);
            QVERIFY(text.contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages)));
            const QRegularExpression mark(u"question Q(\\d+)X"_s);
            for (auto it = mark.globalMatch(text); it.hasNext();)
                pagesOf[it.next().captured(1).toInt()].insert(page);
        }
        for (int i = 1; i < count; ++i)
            QVERIFY2(pagesOf[i].size() == 1, qPrintable(QStringLiteral("question %1 is split").arg(i)));
        QVERIFY(pagesOf[count].size() >= 2);
    }

    // A folder that cannot be written: the teacher is told, and nothing is shown.
    void unwritableFolderIsReported()
    {
        TestDataRoot root;
        writeCatalogue(root, {u"Unit 9"_s});
        writePaper(root, u"Unit 9"_s, simpleQuestions(1));
        QTemporaryDir out;
        QFile blocker(out.filePath(u"file"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        prompt::ScopedScript script;
        exports::Options options;
        options.temporaryFolder = out.filePath(u"file/below"_s);
        bool shown = false;
        options.open = [&](const QUrl &) { return shown = true; };
        papers::PaperRow row = papers::newPaperRow(u"Unit 9"_s);
        const QString path = paperprint::printPaper(nullptr, row, paperprint::Copy::Student, QPageSize::A4, options);
        QVERIFY(path.isEmpty());
        QVERIFY(!shown);
        QCOMPARE(script->texts().size(), 1);
        QVERIFY(script->texts().first().contains(u"could not be written"_s));
        QVERIFY(script->texts().first().contains(u"below"_s));
    }
};

QTEST_MAIN(TestPaperPrint)
#include "tst_paperprint.moc"
