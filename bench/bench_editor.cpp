// Speed of the question editor on a paper of 200 questions whose question and explanation files
// are about 3 KB of Word-style RTF each: the time from showing the window until its question list
// is filled and question 1 is shown, and the time OK takes to save everything back. Prints
// "BENCH <name> <value> <unit>" lines.
#include "paperfile.h"
#include "paths.h"
#include "questioneditordialog.h"
#include "session.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Questions = 200;
const QString Paper = QStringLiteral("Bench");

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

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

/// A data root holding one paper of 200 questions.
bool makePaper(const QString &root)
{
    const QString folder = paths::join(root, QStringLiteral("SHIJUAN/") + Paper);
    if (!QDir().mkpath(folder))
        return false;
    paper::QuestionTable table;
    table.defaultMark = 1;
    for (int i = 1; i <= Questions; ++i) {
        const QString q = QStringLiteral("%1.RTF").arg(1000 + i);
        const QString e = QStringLiteral("%1.RTF").arg(5000 + i);
        if (!write(paths::join(folder, q), questionFile(i)) ||
            !write(paths::join(folder, e), questionFile(-i)))
            return false;
        table.questions.append({q, e, QStringLiteral("13"), QString()});
    }
    table.fullScore = Questions;
    return paper::saveQuestions(paths::join(folder, Paper + QStringLiteral(".cho")), table);
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
    if (!makePaper(root.path())) {
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
    paths::setProgramFolderForTesting(QString());
    return 0;
}
