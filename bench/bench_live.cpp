// Speed of the "Testing now" window on a class of 300 students in the middle of a paper of 200
// questions (the records are read afresh at every refresh, every 10 seconds), and of the
// regrade preview of the same class after everybody has finished.
//
// Prints "BENCH <name> <value> <unit>" lines.
#include "answerrecord.h"
#include "benchsupport.h"
#include "liveroom.h"
#include "liveview.h"
#include "paths.h"
#include "profile.h"
#include "regrade.h"
#include "regradedialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using bench::median;
using bench::report;

constexpr int Students = 300;
constexpr int Questions = 200;
const QString PaperName = QStringLiteral("Final");
const QString ClassName = QStringLiteral("Grade9");
const QString GradedPaper = QStringLiteral("Graded");

/// CPU time of this thread: on a machine shared with other work, wall time says little.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void generate(const QString &root, const QString &PaperName, bool allFinished)
{
    QDir(root).mkpath(QStringLiteral("sys"));
    QDir(root).mkpath(QStringLiteral("SHIJUAN/") + PaperName);
    QDir(root).mkpath(QStringLiteral("CHENGJI/") + PaperName);
    profile::Batch cat(root + QStringLiteral("/sys/sys.cho"));
    cat.write(QStringLiteral("ClassName"), QStringLiteral("ClassNameCount"), QStringLiteral("1"));
    cat.write(QStringLiteral("ClassName"), QStringLiteral("1"), ClassName);
    cat.write(QStringLiteral("ClassCount"), ClassName, QString::number(Students));
    cat.write(QStringLiteral("FirstNumber"), ClassName, QStringLiteral("1"));
    cat.write(QStringLiteral("LastNumber"), ClassName, QString::number(Students));
    cat.write(QStringLiteral("TestName"), QStringLiteral("TestNameCount"), QStringLiteral("1"));
    cat.write(QStringLiteral("TestName"), QStringLiteral("1"), PaperName);
    cat.write(QStringLiteral("TestName"), PaperName, QStringLiteral("1"));
    cat.commit();
    profile::Batch paperFile(root + QStringLiteral("/SHIJUAN/%1/%1.cho").arg(PaperName));
    paperFile.write(QStringLiteral("MAIN"), QStringLiteral("Question_conut"),
                    QStringLiteral(" %1").arg(Questions));
    paperFile.write(QStringLiteral("MAIN"), QStringLiteral("TESTTIME"), QStringLiteral("60"));
    paperFile.write(QStringLiteral("MAIN"), QStringLiteral("Mark"), QStringLiteral(" 5"));
    for (int j = 1; j <= Questions; ++j)
        paperFile.write(QString::number(j), QStringLiteral("ANSWER"), QString::number(j % 3 + 1));
    paperFile.commit();
    // A tenth of the class has finished; the others are somewhere in the paper.
    for (int n = 1; n <= Students; ++n) {
        const QString number = QString::number(n);
        profile::Batch rec(root + QStringLiteral("/CHENGJI/%1/%2%3.cho").arg(PaperName, ClassName, number));
        rec.write(ClassName, number, QStringLiteral("Student%1").arg(n));
        rec.write(ClassName, number + QStringLiteral("LAST"), QStringLiteral("Family%1").arg(n % 37));
        rec.write(ClassName, number + QStringLiteral("TIME1"), QStringLiteral("2026,03,02  09:00:00"));
        rec.write(ClassName, number + QStringLiteral("TIME"), QStringLiteral("00:31:00"));
        rec.write(ClassName, number + QStringLiteral("DangQian"), QString::number(n % Questions + 1));
        for (int j = 1; j <= Questions; ++j)
            rec.write(ClassName, number + QStringLiteral("DA%1").arg(j),
                      QString::number(j <= n % Questions ? 1 : 0));
        for (int k = 1; k <= Questions; ++k)
            rec.write(ClassName, number + QStringLiteral("SX%1").arg(k), QString::number(k));
        if (allFinished || n % 10 == 0) {
            rec.write(ClassName, number + QStringLiteral("TIME2"), QStringLiteral("00:02:00"));
            rec.write(ClassName, number + QStringLiteral("DF"), QStringLiteral(" 10"));
        }
        rec.commit();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    generate(dir.path(), PaperName, false);
    generate(dir.path(), GradedPaper, true);
    paths::setProgramFolderForTesting(dir.path());

    std::vector<double> reads;
    std::vector<double> readsCpu;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpu = cpuMs();
        const live::Room room = live::read(PaperName, ClassName, QDateTime::currentDateTime());
        readsCpu.push_back(cpuMs() - cpu);
        reads.push_back(double(t.nsecsElapsed()) / 1e6);
        if (room.sitting.size() != Students - Students / 10) {
            std::fprintf(stderr, "the live view did not read the generated class\n");
            return 1;
        }
    }
    report("live_read_300x200_median", median(reads), "ms");
    report("live_read_300x200_cpu_median", median(readsCpu), "ms");

    // What parsing alone costs, without the keys of the questions.
    QStringList numbers;
    for (int n = 1; n <= Students; ++n)
        numbers.append(QString::number(n));
    std::vector<double> parses;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer t;
        t.start();
        record::readResults(PaperName, ClassName, numbers, 0);
        parses.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    report("live_parse_only_300_median", median(parses), "ms");

    LiveView view;
    view.setTarget(PaperName, ClassName);
    view.show();
    QApplication::processEvents();
    std::vector<double> refreshes;
    std::vector<double> refreshesCpu;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpu = cpuMs();
        view.refresh();
        QApplication::processEvents(); // painting belongs to what the teacher waits for
        refreshesCpu.push_back(cpuMs() - cpu);
        refreshes.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    report("live_refresh_300x200_cpu_median", median(refreshesCpu), "ms");
    report("live_refresh_300x200_median", median(refreshes), "ms");
    report("live_refresh_300x200_max", *std::max_element(refreshes.begin(), refreshes.end()), "ms");

    // The regrade preview: every record read and scored again.
    std::vector<double> previews;
    std::vector<double> previewsCpu;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpu = cpuMs();
        const regrade::Preview p = regrade::preview(GradedPaper, ClassName, scoring::VoidRule::CountAsRight);
        previewsCpu.push_back(cpuMs() - cpu);
        previews.push_back(double(t.nsecsElapsed()) / 1e6);
        if (p.finished != Students) {
            std::fprintf(stderr, "the preview did not read the generated class\n");
            return 1;
        }
    }
    report("regrade_preview_300x200_median", median(previews), "ms");
    report("regrade_preview_300x200_cpu_median", median(previewsCpu), "ms");
    {
        QElapsedTimer t;
        t.start();
        RegradeDialog dialog(GradedPaper, ClassName);
        dialog.show();
        QApplication::processEvents();
        report("regrade_dialog_open_300x200", double(t.nsecsElapsed()) / 1e6, "ms");
    }
    return 0;
}
