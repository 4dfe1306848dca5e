#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

/// Copies a paper's rich-text files from a shared folder into the work folder on a thread of
/// its own, in the order the student will see them, so that the exam window never waits for
/// the share: a slow or missing share would freeze it. A file that cannot be copied now is
/// tried again until it is there or the prefetch ends, so a question the share was away for
/// appears once the share is back.
class PaperPrefetch
{
public:
    struct File
    {
        /// Where the file lies; found on the thread, since finding it touches the share.
        std::function<QString()> source;
        QString target;
    };

    explicit PaperPrefetch(QList<File> files, int retryMs = 500);
    /// Stops after the file in flight; never waits for the share.
    ~PaperPrefetch();
    PaperPrefetch(const PaperPrefetch &) = delete;
    PaperPrefetch &operator=(const PaperPrefetch &) = delete;

    enum class Status { Pending, Copied, Missing };
    /// Copied: target is complete in the work folder. Missing: the paper folder is there but
    /// the file is not (or its name is unusable), so there is nothing to wait for.
    Status status(const QString &target) const;
    /// Waits up to ms for the threads of prefetches already ended to stop, so that none is
    /// still copying while the process ends (called once the windows are gone).
    static void finishAll(int ms);

    /// Copies target next (it is the one the student is looking at) and waits up to ms for it
    /// to be copied or found missing.
    Status waitFor(const QString &target, int ms);

private:
    struct State
    {
        mutable std::mutex mutex;
        std::condition_variable changed;
        QSet<QString> done;
        QSet<QString> missing;
        QString wanted;
        bool stop = false;
    };
    Status statusLocked(const QString &target) const;
    static void run(const std::shared_ptr<State> &state, QList<File> files, int retryMs);
    std::shared_ptr<State> m_state;
};
