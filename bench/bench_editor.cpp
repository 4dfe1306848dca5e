// Speed of the question editor on a paper of 200 questions whose question and explanation files
// are about 3 KB of Word-style RTF each: the time from showing the window until its question list
// is filled and question 1 is shown, and the time OK takes to save everything back. Prints
// "BENCH <name> <value> <unit>" lines. A second paper has a picture in every question, and the
// formatting commands are timed on it one by one.
#include "paperfile.h"
#include "pictureinsert.h"
#include "richtextbox.h"
#include "paths.h"
#include "questioneditordialog.h"
#include "session.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Questions = 200;
const QString Paper = QStringLiteral("Bench");
const QString PicturePaper = QStringLiteral("Pictures");

const QByteArray Header =
    "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0\\deflang1033"
    "{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2 Times New Roman;}{\\f13\\fnil\\fcharset134\\fprq2 "
    "\\'cb\\'ce\\'cc\\'e5;}{\\f1\\fswiss\\fcharset0\\fprq2 Calibri;}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green102\\blue204;}"
    "{\\stylesheet{\\ql \\li0\\ri0\\sa160\\sl259\\slmult1\\widctlpar\\f1\\fs22 \\snext0 Normal;}}"
    "{\\info{\\author Teacher}{\\creatim\\yr2024\\mo3\\dy4\\hr10\\min12}{\\version1}}"
    "\\paperw11906\\paperh16838\\margl1800\\margr1800\r\n";

QByteArray questionFile(int question)
{
    QByteArray rtf = Header;
    for (int n = 1; rtf.size() < 3000; ++n)
        rtf += "\\pard\\plain \\ql \\sa160\\f1\\fs22 {Question " + QByteArray::number(question) + " line " +
               QByteArray::number(n) +
               ": Tom has 34 stickers and gives }{\\b 12}{ to Ann. How many caf\\'e9 stickers are left?}"
               "{\\f13\\cf2 \\'d6\\'d0\\'ce\\'c4}{\\cf3\\i  \\u20013?\\u25991? A. 22 B. 46}{\\par }\r\n";
    return rtf + "}";
}

/// A 480x240 diagram-like picture as PNG, different for each question.
QByteArray diagram(int question)
{
    QImage image(480, 240, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::darkBlue, 3));
    for (int i = 0; i < 12; ++i)
        painter.drawLine(20 + i * 37, 220, 40 + ((i * 53 + question * 17) % 400), 20 + (i * 31 + question) % 180);
    painter.drawText(QRect(0, 0, 480, 40), Qt::AlignCenter, QStringLiteral("Figure %1").arg(question));
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QByteArray pictureQuestionFile(int question)
{
    QByteArray rtf = Header;
    rtf += "\\pard\\plain \\f1\\fs22 Question " + QByteArray::number(question) + ": look at the figure.\\par ";
    rtf += "{\\pict\\pngblip\\picw480\\pich240\\picwgoal7200\\pichgoal3600\r\n" + diagram(question).toHex() + "}";
    rtf += "\\par A. 22\\par B. 46\\par C. 12\\par D. 20}";
    return rtf;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

/// A data root holding one paper of 200 questions.
bool makePaper(const QString &root, const QString &name = Paper,
               QByteArray (*make)(int) = questionFile)
{
    const QString folder = paths::join(root, QStringLiteral("SHIJUAN/") + name);
    if (!QDir().mkpath(folder))
        return false;
    paper::QuestionTable table;
    table.defaultMark = 1;
    for (int i = 1; i <= Questions; ++i) {
        const QString q = QStringLiteral("%1.RTF").arg(1000 + i);
        const QString e = QStringLiteral("%1.RTF").arg(5000 + i);
        if (!write(paths::join(folder, q), make(i)) || !write(paths::join(folder, e), questionFile(-i)))
            return false;
        table.questions.append({q, e, QStringLiteral("13"), QString()});
    }
    table.fullScore = Questions;
    return paper::saveQuestions(paths::join(folder, name + QStringLiteral(".cho")), table);
}

double millisecondsOf(const std::function<void()> &step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

/// Opens the picture paper and times each command, the slowest of many tries.
bool benchPictures(const QString &workFolder)
{
    examforge::session().currentPaperName = PicturePaper;
    double open = 1e300;
    for (int run = 0; run < 3; ++run) {
        QuestionEditorDialog editor;
        editor.setWorkFolder(workFolder);
        open = std::min(open, millisecondsOf([&] { editor.show(); }));
        editor.done(QDialog::Rejected);
    }
    QuestionEditorDialog editor;
    editor.setWorkFolder(workFolder);
    editor.show();
    auto *question = editor.findChild<RichTextBox *>(QStringLiteral("RichTextBox1"));
    auto *next = editor.findChild<QPushButton *>(QStringLiteral("Cmd下一题"));
    auto *grid = editor.findChild<QTableWidget *>(QStringLiteral("Grid试卷"));
    if (!question || !next || !grid || grid->rowCount() != Questions)
        return false;
    const auto action = [&](const char *name) { return editor.findChild<QAction *>(QString::fromLatin1(name)); };
    pictures::Prepared picture{diagram(999), QSize(480, 240)};
    double bold = 0, italic = 0, superscript = 0, symbol = 0, insert = 0, move = 0;
    for (int i = 0; i < 60; ++i) {
        question->selectAll();
        bold = std::max(bold, millisecondsOf([&] { action("mnuBold")->trigger(); }));
        italic = std::max(italic, millisecondsOf([&] { action("mnuItalic")->trigger(); }));
        superscript = std::max(superscript, millisecondsOf([&] { action("mnuSuperscript")->trigger(); }));
        question->moveCursor(QTextCursor::End);
        symbol = std::max(symbol, millisecondsOf([&] { question->insertPlainText(QStringLiteral("\u2264")); }));
        insert = std::max(insert, millisecondsOf([&] { pictures::insert(*question, picture); }));
        move = std::max(move, millisecondsOf([&] { next->click(); }));
    }
    editor.done(QDialog::Rejected);
    std::printf("BENCH editor_open_200_pictures %.1f ms\n", open);
    std::printf("BENCH editor_command_bold_max %.1f ms\n", bold);
    std::printf("BENCH editor_command_italic_max %.1f ms\n", italic);
    std::printf("BENCH editor_command_superscript_max %.1f ms\n", superscript);
    std::printf("BENCH editor_command_symbol_max %.1f ms\n", symbol);
    std::printf("BENCH editor_command_picture_max %.1f ms\n", insert);
    std::printf("BENCH editor_next_question_max %.1f ms\n", move);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root;
    QTemporaryDir work;
    paths::setProgramFolderForTesting(root.path());
    if (!makePaper(root.path()) || !makePaper(root.path(), PicturePaper, pictureQuestionFile)) {
        std::fprintf(stderr, "could not write the paper\n");
        return 1;
    }
    examforge::session().currentPaperName = Paper;

    double first = 0;
    double best = 1e300;
    double save = 1e300;
    for (int run = 0; run < 5; ++run) {
        QuestionEditorDialog editor;
        editor.setWorkFolder(work.path());
        QElapsedTimer timer;
        timer.start();
        editor.show();
        const double opened = timer.nsecsElapsed() / 1e6;
        auto *grid = editor.findChild<QTableWidget *>(QStringLiteral("Grid试卷"));
        if (!grid || grid->rowCount() != Questions || editor.shownQuestion() != 1) {
            std::fprintf(stderr, "the editor did not open the paper\n");
            return 1;
        }
        if (run == 0)
            first = opened;
        best = std::min(best, opened);
        timer.restart();
        editor.findChild<QPushButton *>(QStringLiteral("Cmd_ok"))->click();
        save = std::min(save, timer.nsecsElapsed() / 1e6);
        if (editor.isVisible()) {
            std::fprintf(stderr, "OK did not save\n");
            return 1;
        }
    }
    std::printf("BENCH editor_open_200_questions_first %.1f ms\n", first);
    std::printf("BENCH editor_open_200_questions %.1f ms\n", best);
    std::printf("BENCH editor_ok_200_questions %.1f ms\n", save);
    if (!benchPictures(work.path())) {
        std::fprintf(stderr, "the editor did not open the paper of pictures\n");
        return 1;
    }
    paths::setProgramFolderForTesting(QString());
    return 0;
}
