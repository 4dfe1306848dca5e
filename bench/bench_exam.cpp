// Speed of the exam's record writes on a 200-question paper.
//
// Prints "BENCH <name> <value> <unit>" lines:
//  - a periodic save (time, position, 200 answer codes, 200 positions) as one batch, and the
//    bytes it writes (the whole record is rewritten);
//  - a resume of that record (one read);
//  - the finish (finish mark, 200 answer codes, score) as one batch;
//  - the exam window itself (offscreen) with a student who clicks a choice once a second:
//    the saves that causes per minute, staying on one question and moving on after each
//    answer, and the longest the window was held by one of its saves.
#include "answerrecord.h"
#include "examwindow.h"
#include "paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTimer>
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

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

/// Clicks a choice once a second for the given seconds (moving on after each when asked) and
/// reports the saves per minute and the longest a click and its save held the window.
void clickingStudent(const QString &root, int questions, bool moveOn, int seconds)
{
    QByteArray paper = "[MAIN]\r\nTESTtime=60\r\nCHANGE_QUESTION_SORT=0\r\nQuestion_conut= " +
                       QByteArray::number(questions) + "\r\nMark= 5\r\n";
    for (int i = 1; i <= questions; ++i)
        paper += "[" + QByteArray::number(i) + "]\r\nQUESTION=q.RTF\r\nexplain=e.RTF\r\nanswer=1\r\n";
    QDir(root).mkpath(QStringLiteral("SHIJUAN/Unit3"));
    writeFile(root + QStringLiteral("/SHIJUAN/Unit3/Unit3.cho"), paper);
    writeFile(root + QStringLiteral("/SHIJUAN/Unit3/q.RTF"), "{\\rtf1\\ansi Question\\par}");
    QFile::remove(root + QStringLiteral("/CHENGJI/Unit3/Grade2A8.cho"));

    examdesk::ExamSession session;
    session.考试名称 = QStringLiteral("Unit3");
    session.班级 = QStringLiteral("Grade2A");
    session.学号 = QStringLiteral("8");
    session.姓名 = QStringLiteral("Bo");
    ExamWindow window(session);
    window.setExit([] {});
    window.show();
    QCoreApplication::processEvents();
    const int before = window.savesSubmitted();

    qint64 longest = 0;
    int clicks = 0;
    QElapsedTimer run;
    run.start();
    QTimer clicker;
    clicker.setInterval(1000);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        QElapsedTimer held;
        held.start();
        window.findChild<QCheckBox *>(QStringLiteral("Op_XZ(%1)").arg(clicks % 3 + 1))->click();
        if (moveOn)
            window.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        longest = qMax(longest, held.nsecsElapsed());
        ++clicks;
    });
    clicker.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000 + 500, &loop, &QEventLoop::quit);
    loop.exec();
    clicker.stop();
    const double perMinute = (window.savesSubmitted() - before) * 60.0 / (run.elapsed() / 1000.0);
    std::printf("BENCH exam_saves_per_minute_click_each_second_%s %.1f saves\n", moveOn ? "moving" : "staying",
                perMinute);
    std::printf("BENCH exam_click_hold_longest_%s %.3f ms\n", moveOn ? "moving" : "staying", longest / 1e6);
    if (const record::Saver *saver = window.saver())
        std::printf("BENCH exam_background_save_longest_%s %lld ms\n", moveOn ? "moving" : "staying",
                    static_cast<long long>(saver->longestWriteMs()));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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

    clickingStudent(root.path(), questions, false, 10);
    clickingStudent(root.path(), questions, true, 10);
    return 0;
}
