// Speed of the item analysis on a large class.
//
// Generates a data tree with a class of 300 students who have all finished a paper of 200
// questions (students of differing ability, questions of differing difficulty, some with a
// wrong key), then times the analysis of records already read and the opening of the window
// including the reads of the scores refresh.
//
//   bench_itemanalysis [--shot <file.png>]
//
// --shot saves a picture of the window at its default size (run it under xvfb-run).
// Prints "BENCH <name> <value> <unit>" lines.
#include "benchsupport.h"
#include "itemanalysis.h"
#include "itemanalysischarts.h"
#include "itemanalysiswindow.h"
#include "numbers.h"
#include "paths.h"
#include "profile.h"
#include "scorereport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using bench::median;
using bench::report;

constexpr int Students = 300;
constexpr int Questions = 200;
constexpr double AnalysisTargetMs = 50;
constexpr double OpenTargetMs = 300;
const QString PaperName = QStringLiteral("Final");
const QString ClassName = QStringLiteral("Grade9");

void generate(const QString &root)
{
    QDir(root).mkpath(QStringLiteral("sys"));
    QDir(root).mkpath(QStringLiteral("SHIJUAN/") + PaperName);
    QDir(root).mkpath(QStringLiteral("CHENGJI/") + PaperName);
    profile::Batch cat(paths::join(root, QStringLiteral("sys/sys.cho")));
    cat.write(QStringLiteral("ClassName"), QStringLiteral("ClassNameCount"), QStringLiteral("1"));
    cat.write(QStringLiteral("ClassName"), QStringLiteral("1"), ClassName);
    cat.write(QStringLiteral("ClassCount"), ClassName, QString::number(Students));
    cat.write(QStringLiteral("FirstNumber"), ClassName, QStringLiteral("1"));
    cat.write(QStringLiteral("LastNumber"), ClassName, QString::number(Students));
    cat.write(QStringLiteral("TestName"), QStringLiteral("TestNameCount"), QStringLiteral("1"));
    cat.write(QStringLiteral("TestName"), QStringLiteral("1"), PaperName);
    cat.write(QStringLiteral("TestName"), PaperName, QStringLiteral("1"));
    cat.commit();

    std::mt19937 random(20261208);
    std::normal_distribution<double> spread(0, 1);
    std::uniform_real_distribution<double> unit(0, 1);
    QList<qint16> keys;
    QList<qint16> wrongKeys; // what the strong students answer to a question with a wrong key
    QList<double> difficulty;
    profile::Batch paperFile(paths::join(root, QStringLiteral("SHIJUAN/%1/%1.cho").arg(PaperName)));
    paperFile.write(QStringLiteral("MAIN"), QStringLiteral("Question_conut"),
                    numbers::signBlank(qint64(Questions)));
    paperFile.write(QStringLiteral("MAIN"), QStringLiteral("Mark"), QStringLiteral(" 1"));
    for (int j = 1; j <= Questions; ++j) {
        const qint16 key = qint16(random() % 4 + 1);
        keys.append(key);
        wrongKeys.append(j % 25 == 0 ? qint16(key % 4 + 1) : key);
        difficulty.append(spread(random) * 1.2);
        const QString section = QString::number(j);
        paperFile.write(section, QStringLiteral("QUESTION"), QStringLiteral("%1.RTF").arg(1000 + j));
        paperFile.write(section, QStringLiteral("answer"), QString::number(key));
        paperFile.write(section, QStringLiteral("mark"), j % 10 == 0 ? QStringLiteral("2") : QString());
    }
    paperFile.commit();

    for (int n = 1; n <= Students; ++n) {
        const double ability = spread(random);
        const QString number = QString::number(n);
        profile::Batch rec(
            paths::join(root, QStringLiteral("CHENGJI/%1/%2%3.cho").arg(PaperName, ClassName, number)));
        rec.write(ClassName, number, QStringLiteral("Student%1").arg(n));
        rec.write(ClassName, number + QStringLiteral("TIME1"), QStringLiteral("2026,03,02  09:00:00"));
        int score = 0;
        for (int j = 1; j <= Questions; ++j) {
            const double p = 1 / (1 + std::exp(difficulty.at(j - 1) - ability));
            qint16 code = 0;
            if (unit(random) < p)
                code = wrongKeys.at(j - 1);
            else if (unit(random) < 0.9)
                code = qint16(random() % 4 + 1);
            if (code == keys.at(j - 1))
                score += j % 10 == 0 ? 2 : 1;
            rec.write(ClassName, number + QStringLiteral("DA%1").arg(j), QString::number(code));
        }
        rec.write(ClassName, number + QStringLiteral("TIME2"), QStringLiteral("00:05:00"));
        rec.write(ClassName, number + QStringLiteral("DF"), numbers::signBlank(qint64(score)));
        rec.commit();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString shot;
    const QStringList args = QApplication::arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--shot")); at > 0 && at + 1 < args.size())
        shot = args.at(at + 1);

    QTemporaryDir root;
    generate(root.path());
    paths::setProgramFolderForTesting(root.path());

    const scores::Report data = scores::loadReport(PaperName, ClassName);
    if (data.students.size() != Students || data.questionCount != Questions) {
        std::fprintf(stderr, "the generated data did not read back\n");
        return 1;
    }

    std::vector<double> analysis;
    int flagged = 0;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer timer;
        timer.start();
        const itemanalysis::Analysis a = itemanalysis::analyse(data);
        analysis.push_back(double(timer.nsecsElapsed()) / 1e6);
        flagged = int(std::count_if(a.items.begin(), a.items.end(),
                                    [](const itemanalysis::ItemResult &r) { return r.flags != 0; }));
    }

    std::vector<double> opening;
    std::vector<double> reading;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        // What the Analysis button costs when the scores window refreshes first.
        const scores::Report fresh = scores::loadReport(PaperName, ClassName);
        reading.push_back(double(timer.nsecsElapsed()) / 1e6);
        ItemAnalysisWindow window(fresh);
        window.show();
        window.repaint();
        QApplication::processEvents();
        opening.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (run == 0 && !shot.isEmpty()) {
            window.grab().save(shot);
            auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("Tabs"));
            tabs->setCurrentIndex(1);
            QApplication::processEvents();
            window.grab().save(
                QString(shot).replace(QStringLiteral(".png"), QStringLiteral("-pictures.png")));
            // The pictures as "Save ... as PNG" writes them.
            for (const QString &name : {QStringLiteral("Histogram"), QStringLiteral("Plot")}) {
                window.findChild<AnalysisChart *>(name)
                    ->picture(ItemAnalysisWindow::pictureSize())
                    .save(
                        QString(shot).replace(QStringLiteral(".png"), u'-' + name + QStringLiteral(".png")));
            }
        }
    }

    const double analysisMs = median(analysis);
    const double openMs = median(opening);
    report("itemanalysis_analyse_300x200", analysisMs, "ms");
    report("itemanalysis_open_with_reads_300x200", openMs, "ms");
    report("itemanalysis_reads_alone_300x200", median(reading), "ms");
    std::printf("# %d of %d questions flagged; targets: analysis %.0f ms, opening %.0f ms\n", flagged,
                Questions, AnalysisTargetMs, OpenTargetMs);
    if (analysisMs > AnalysisTargetMs || openMs > OpenTargetMs)
        std::fprintf(stderr, "over target (is the machine busy?)\n");
    return 0;
}
