// Drives the real programs' windows and record layer from a program folder on a shared folder,
// for scripts/share-soak.sh. Not a test: it prints what it saw and the script judges it.
//
//   sharesoak student <number> [resume]   sits paper Unit3 as student <number> of Grade2A
//   sharesoak scores <students> <secs>    refreshes the class's results as the scores window does
//   sharesoak room <secs>                 saves the exam room's permissions again and again
//
// The data root is the folder of this program, as for the real ones.
#include "answerrecord.h"
#include "catalogue.h"
#include "examwindow.h"
#include "filelock.h"
#include "paperprefetch.h"
#include "prompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

void say(const char *format, auto... values)
{
    std::printf(format, values...);
    std::printf("\n");
    std::fflush(stdout);
}

record::Id student(const QString &number)
{
    return {QStringLiteral("Unit3"), QStringLiteral("Grade2A"), number};
}

int sitTest(const QString &number, bool resume)
{
    prompt::ScopedScript script;
    const record::Id id = student(number);
    // A student whose login fails while the share is away logs in again a moment later.
    QElapsedTimer login;
    login.start();
    for (int tries = 1;; ++tries) {
        // Killed before its start was written, the attempt is not started: the student logs in
        // as new (the answers it lost are counted by the script).
        const record::State was = record::state(id);
        if (was == record::State::Unreadable) {
            // As the login window says: the record cannot be read now, try again in a moment.
            say("record-unreadable");
        } else if (resume && (was == record::State::None || was == record::State::Identified)) {
            say("relogin-as-new");
            resume = false;
        }
        const bool started = !resume || was == record::State::Started;
        if (was != record::State::Unreadable && started && record::identify(id, QStringLiteral("S") + number, QString())) {
            if (tries > 1)
                say("login-retried %d", tries - 1);
            break;
        }
        if (login.elapsed() > 20000) {
            say(started ? "identify-failed" : "relogin-refused state=%d", int(record::state(id)));
            return started ? 4 : 3;
        }
        QThread::msleep(1000);
    }
    examdesk::ExamSession session;
    session.考试名称 = id.paper;
    session.班级 = id.className;
    session.学号 = number;
    session.姓名 = QStringLiteral("S") + number;
    session.是否二次登录 = resume;
    bool exited = false;
    QPointer<ExamWindow> window = new ExamWindow(session);
    window->setExit([&exited] { exited = true; });
    window->show();
    if (resume) {
        for (int k = 1; k <= window->questionCount(); ++k)
            say("resumed %d %d", k, int(window->answers().value(window->order().value(k - 1) - 1)));
        say("resumed-position %d", int(window->position()));
    }

    QElapsedTimer clock;
    clock.start();
    qint64 longestHold = 0;
    const auto held = [&longestHold](const char *what, auto action) {
        QElapsedTimer t;
        t.start();
        action();
        longestHold = qMax(longestHold, t.elapsed());
        if (t.elapsed() > 300)
            say("held %s %lld %lld", what, static_cast<long long>(t.elapsed()),
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    };
    auto *random = QRandomGenerator::global();
    qint64 lastSave = 0;
    const int n = window->questionCount();
    for (int k = window->position(); k <= n; ++k) {
        const int code = k % 7 + 1;
        if (window->answers().value(window->order().value(k - 1) - 1) != code) {
            held("answer", [&] { window->findChild<QCheckBox *>(QStringLiteral("Op_XZ(%1)").arg(code))->click(); });
            say("answer %d %d %lld", k, code, static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        }
        const qint64 until = clock.elapsed() + random->bounded(200, 700);
        while (clock.elapsed() < until) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        }
        // As the tests drive it: the periodic save called directly now and then.
        if (clock.elapsed() - lastSave > 3000) {
            bool ok = false;
            QElapsedTimer t;
            t.start();
            held("save", [&] { ok = window->saveProgress(); });
            say("save %d %lld %lld", ok ? 1 : 0, static_cast<long long>(t.elapsed()),
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            lastSave = clock.elapsed();
        }
        if (k < n)
            held("next", [&] { window->findChild<QPushButton *>(QStringLiteral("Command2"))->click(); });
    }
    script->queueAnswer(prompt::Answer::Yes); // Will you finish?
    for (int i = 0; i < 20; ++i)
        script->queueAnswer(prompt::Answer::Ok); // try again, then the farewell
    QElapsedTimer finish;
    finish.start();
    window->requestFinish();
    const bool saved = !script->texts().join(u'\n').contains(QStringLiteral("NOT saved"));
    const int retries = int(script->texts().filter(QStringLiteral("try again")).size());
    say("finish %d %lld retries=%d", saved ? 1 : 0, static_cast<long long>(finish.elapsed()), retries);
    say("longest-hold %lld", static_cast<long long>(longestHold));
    delete window;
    return exited && saved ? 0 : 1;
}

int refreshScores(int students, int seconds)
{
    QStringList numbers;
    for (int i = 1; i <= students; ++i)
        numbers.append(QString::number(i));
    QList<bool> seen(students, false);
    QElapsedTimer clock;
    clock.start();
    int refreshes = 0;
    int missed = 0;
    while (clock.elapsed() < seconds * 1000) {
        const QList<record::Result> results = record::readResults(QStringLiteral("Unit3"), QStringLiteral("Grade2A"),
                                                                  numbers, 12);
        ++refreshes;
        for (int i = 0; i < students; ++i) {
            const bool present = !results.at(i).firstName.isEmpty();
            if (seen[i] && !present) {
                ++missed;
                say("refresh-missed %d %lld", i + 1, static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            }
            seen[i] = seen[i] || present;
        }
        QThread::msleep(300);
    }
    say("refreshes %d missed %d", refreshes, missed);
    return 0;
}

int saveRoom(int seconds)
{
    QElapsedTimer clock;
    clock.start();
    int saves = 0;
    int failed = 0;
    qint64 longest = 0;
    while (clock.elapsed() < seconds * 1000) {
        const QList<catalogue::PaperEntry> papers{{QStringLiteral("Unit3"), QStringLiteral("1")}};
        QElapsedTimer t;
        t.start();
        const bool ok = catalogue::savePermissions(papers, {QStringLiteral("Grade2A")}, {{true}});
        longest = qMax(longest, t.elapsed());
        ++saves;
        if (!ok)
            ++failed;
        say("room-save %d %lld", ok ? 1 : 0, static_cast<long long>(t.elapsed()));
        QThread::msleep(1000);
    }
    say("room-saves %d failed %d longest %lld", saves, failed, static_cast<long long>(longest));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int code = 2;
    if (args.size() >= 3 && args.at(1) == QStringLiteral("student"))
        code = sitTest(args.at(2), args.value(3) == QStringLiteral("resume"));
    else if (args.size() >= 4 && args.at(1) == QStringLiteral("scores"))
        code = refreshScores(args.at(2).toInt(), args.at(3).toInt());
    else if (args.size() >= 3 && args.at(1) == QStringLiteral("room"))
        code = saveRoom(args.at(2).toInt());
    else
        std::fprintf(stderr, "usage: sharesoak student <n> [resume] | scores <students> <secs> | room <secs>\n");
    // As the programs do at exit: removals the share refused are tried a while longer.
    QElapsedTimer exiting;
    exiting.start();
    filelock::finishRemovals(15000);
    PaperPrefetch::finishAll(3000);
    say("exit-removals %lld", static_cast<long long>(exiting.elapsed()));
    return code;
}
