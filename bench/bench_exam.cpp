// Speed of the exam's record writes on a 200-question paper.
//
// Prints "BENCH <name> <value> <unit>" lines:
//  - a periodic save (time, position, 200 answer codes, 200 positions) as one batch, and the
//    bytes it writes (the whole record is rewritten);
//  - a resume of that record (one read);
//  - the finish (finish mark, 200 answer codes, score) as one batch.
#include "answerrecord.h"
#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

double medianMillis(std::vector<qint64> nanos)
{
    std::sort(nanos.begin(), nanos.end());
    return nanos[nanos.size() / 2] / 1e6;
}

void report(const char *name, double value, const char *unit)
{
    std::printf("BENCH %s %.3f %s\n", name, value, unit);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    paths::setProgramFolderForTesting(root.path());
    QDir(root.path()).mkpath(QStringLiteral("CHENGJI/Unit3"));

    constexpr int questions = 200;
    const record::Id id{QStringLiteral("Unit3"), QStringLiteral("Grade2A"), QStringLiteral("17")};
    record::identify(id, QStringLiteral("Ann"), QStringLiteral("Lee"));

    std::mt19937 generator(17);
    record::Progress progress;
    progress.secondsLeft = 3600;
    for (int i = 1; i <= questions; ++i) {
        progress.order.append(qint16(i));
        progress.answers.append(qint16(std::uniform_int_distribution<int>(0, 4)(generator) * 100 + 34));
    }
    std::shuffle(progress.order.begin(), progress.order.end(), generator);
    record::startAttempt(id, QDateTime::currentDateTime(), progress);

    const int rounds = 50;
    std::vector<qint64> saves;
    std::vector<qint64> resumes;
    QElapsedTimer t;
    for (int r = 0; r < rounds; ++r) {
        progress.secondsLeft -= 60;
        progress.position = qint16(1 + r % questions);
        progress.answers[r % questions] = 1357;
        t.start();
        if (!record::saveProgress(id, progress)) {
            std::fprintf(stderr, "periodic save failed\n");
            return 1;
        }
        saves.push_back(t.nsecsElapsed());
        t.start();
        const record::Progress back = record::resume(id, questions, 3600);
        resumes.push_back(t.nsecsElapsed());
        if (back.order != progress.order || back.answers != progress.answers) {
            std::fprintf(stderr, "resume read back something else\n");
            return 1;
        }
    }
    report("exam_periodic_save_200q", medianMillis(saves), "ms");
    report("exam_periodic_save_200q_bytes", double(QFileInfo(record::path(id)).size()), "bytes");
    report("exam_resume_200q", medianMillis(resumes), "ms");

    std::vector<qint64> finishes;
    for (int r = 0; r < rounds; ++r) {
        t.start();
        record::finish(id, QStringLiteral("00:10:00"), progress.answers, qint16(r));
        finishes.push_back(t.nsecsElapsed());
    }
    report("exam_finish_200q", medianMillis(finishes), "ms");
    return 0;
}
