#include "paperprefetch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <thread>

namespace {

struct Threads
{
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};

Threads &threads()
{
    // Never destroyed: a thread may still end after the statics of the process are gone.
    static Threads *all = new Threads;
    return *all;
}

} // namespace

PaperPrefetch::PaperPrefetch(QList<File> files, int retryMs)
    : m_state(std::make_shared<State>())
{
    // Detached, holding its own share of the state: a copy stuck on a share that went away
    // must not hold the window when it closes.
    {
        std::lock_guard guard(threads().mutex);
        ++threads().running;
    }
    std::thread([state = m_state, files = std::move(files), retryMs]() mutable {
        run(state, std::move(files), retryMs);
        std::lock_guard guard(threads().mutex);
        --threads().running;
        threads().ended.notify_all();
    }).detach();
}

void PaperPrefetch::finishAll(int ms)
{
    std::unique_lock guard(threads().mutex);
    threads().ended.wait_for(guard, std::chrono::milliseconds(qMax(0, ms)), [] { return threads().running == 0; });
}

PaperPrefetch::~PaperPrefetch()
{
    std::lock_guard guard(m_state->mutex);
    m_state->stop = true;
    m_state->changed.notify_all();
}

PaperPrefetch::Status PaperPrefetch::statusLocked(const QString &target) const
{
    if (m_state->done.contains(target))
        return Status::Copied;
    return m_state->missing.contains(target) ? Status::Missing : Status::Pending;
}

PaperPrefetch::Status PaperPrefetch::status(const QString &target) const
{
    std::lock_guard guard(m_state->mutex);
    return statusLocked(target);
}

PaperPrefetch::Status PaperPrefetch::waitFor(const QString &target, int ms)
{
    std::unique_lock guard(m_state->mutex);
    if (statusLocked(target) != Status::Pending)
        return statusLocked(target);
    if (m_state->wanted != target) {
        m_state->wanted = target;
        m_state->changed.notify_all();
    }
    m_state->changed.wait_for(guard, std::chrono::milliseconds(qMax(0, ms)),
                              [&] { return statusLocked(target) != Status::Pending; });
    return statusLocked(target);
}

void PaperPrefetch::run(const std::shared_ptr<State> &state, QList<File> files, int retryMs)
{
    QList<File> left = std::move(files);
    QSet<QString> failedThisRound;
    for (;;) {
        File next;
        {
            std::unique_lock guard(state->mutex);
            for (;;) {
                if (state->stop || left.isEmpty())
                    return;
                // The file the window waits for goes first; one that failed waits for the
                // next round, so a share that is away is not asked in a tight loop.
                qsizetype pick = -1;
                for (qsizetype i = 0; i < left.size(); ++i) {
                    if (failedThisRound.contains(left.at(i).target))
                        continue;
                    if (left.at(i).target == state->wanted) {
                        pick = i;
                        break;
                    }
                    if (pick < 0)
                        pick = i;
                }
                if (pick >= 0) {
                    next = left.takeAt(pick);
                    break;
                }
                // Each file failed once: the share is away. Wait a little, or for a wish.
                const QString wanted = state->wanted;
                state->changed.wait_for(guard, std::chrono::milliseconds(retryMs),
                                        [&] { return state->stop || state->wanted != wanted; });
                failedThisRound.clear();
            }
        }
        // Copied under another name and renamed, so the window never loads half a file.
        const QString source = next.source ? next.source() : QString();
        const QString part = next.target + QStringLiteral(".part");
        bool ok = false;
        bool missing = source.isEmpty();
        if (!missing) {
            QFile::remove(part);
            ok = QFile::copy(source, part);
            if (!ok) {
                QFile::remove(part);
                // Not there although its folder is: no retry will bring it.
                const QFileInfo info(source);
                missing = !info.exists() && info.dir().exists();
            }
        }
        std::lock_guard guard(state->mutex);
        if (ok && state->stop) {
            // The window is gone and has cleared its work folder: leave nothing behind.
            QFile::remove(part);
            return;
        }
        if (ok) {
            QFile::remove(next.target);
            ok = QFile::rename(part, next.target);
            if (!ok)
                QFile::remove(part);
        }
        if (ok || missing) {
            (ok ? state->done : state->missing).insert(next.target);
            if (state->wanted == next.target)
                state->wanted.clear();
            state->changed.notify_all();
        } else {
            failedThisRound.insert(next.target);
            left.append(next);
        }
        if (state->stop)
            return;
    }
}
