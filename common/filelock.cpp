#include "filelock.h"

#include <QCoreApplication>
#include <QDir>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QRandomGenerator>
#include <QSet>
#include <QSysInfo>
#include <QThread>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace filelock {

FileOps::~FileOps() = default;

QStringList FileOps::namesBeside(const QString &path)
{
    const QFileInfo info(path);
    const QDir dir = info.dir();
    QStringList out;
    for (const QString &name : dir.entryList({info.fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
        out.append(dir.filePath(name));
    return out;
}


namespace {

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

int closeChecked(int fd)
{
    return ::close(fd) == 0 ? 0 : errno;
}

// The start time of a process (field 22 of /proc/<pid>/stat), empty where there is none.
QByteArray processStartId(qint64 pid)
{
    char name[64];
    std::snprintf(name, sizeof name, "/proc/%lld/stat", static_cast<long long>(pid));
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0)
        return {};
    const QByteArray stat(buffer, n);
    // The command name in parentheses may hold blanks: count fields after its closing one.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    // Field 3 (state) is fields[0]; field 22 (starttime) is fields[19].
    return fields.size() > 19 ? fields.at(19) : QByteArray();
}

class SystemOps final : public FileOps
{
public:
    int createExclusive(const QString &path, const QByteArray &content) override
    {
        const int fd = ::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return errno;
        qsizetype done = 0;
        while (done < content.size()) {
            const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int error = n < 0 ? errno : ENOSPC;
                ::close(fd);
                ::unlink(nativePath(path).constData());
                return error;
            }
            done += n;
        }
        const int error = closeChecked(fd);
        if (error)
            ::unlink(nativePath(path).constData());
        return error;
    }

    int renameNoReplace(const QString &from, const QString &to) override
    {
#if defined(SYS_renameat2)
        constexpr unsigned NoReplace = 1; // RENAME_NOREPLACE
        if (::syscall(SYS_renameat2, AT_FDCWD, nativePath(from).constData(), AT_FDCWD, nativePath(to).constData(),
                      NoReplace) == 0)
            return 0;
        return errno;
#else
        Q_UNUSED(from);
        Q_UNUSED(to);
        return ENOSYS;
#endif
    }

    int hardLink(const QString &from, const QString &to) override
    {
        return ::link(nativePath(from).constData(), nativePath(to).constData()) == 0 ? 0 : errno;
    }

    int rename(const QString &from, const QString &to) override
    {
        return ::rename(nativePath(from).constData(), nativePath(to).constData()) == 0 ? 0 : errno;
    }

    int remove(const QString &path) override
    {
        return ::unlink(nativePath(path).constData()) == 0 ? 0 : errno;
    }

    int read(const QString &path, Stamp &stamp) override
    {
        const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        QByteArray content;
        char buffer[512];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                const int error = errno;
                ::close(fd);
                return error;
            }
            if (n == 0 || content.size() > 4096)
                break;
            content.append(buffer, n);
        }
        ::close(fd);
        stamp.content = content;
        stamp.size = st.st_size;
        stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        return 0;
    }

    int touch(const QString &path) override
    {
        return ::utimensat(AT_FDCWD, nativePath(path).constData(), nullptr, 0) == 0 ? 0 : errno;
    }

    bool processRunning(qint64 pid, const QByteArray &startId) override
    {
        if (pid <= 0)
            return false;
        if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
            return false;
        if (startId.isEmpty())
            return true;
        const QByteArray now = processStartId(pid);
        return now.isEmpty() || now == startId;
    }

    Identity self() override
    {
        static const Identity me = [] {
            Identity i;
            i.pid = QCoreApplication::applicationPid();
            i.app = QCoreApplication::applicationName().toUtf8();
            i.host = QSysInfo::machineHostName().toUtf8();
            i.machineId = QSysInfo::machineUniqueId();
            i.bootId = QSysInfo::bootUniqueId();
            i.startId = processStartId(i.pid);
            return i;
        }();
        return me;
    }

    qint64 monotonicMs() override
    {
        static QElapsedTimer clock = [] {
            QElapsedTimer t;
            t.start();
            return t;
        }();
        return clock.elapsed();
    }

    void sleepMs(int ms) override { QThread::msleep(ulong(qMax(0, ms))); }
};

struct Parsed
{
    bool valid = false;
    qint64 pid = 0;
    QByteArray host;
    QByteArray machineId;
    QByteArray bootId;
    QByteArray startId;
};

Parsed parse(const QByteArray &content)
{
    Parsed p;
    const QList<QByteArray> lines = content.split('\n');
    if (lines.size() < 3)
        return p;
    bool ok = false;
    p.pid = lines.at(0).trimmed().toLongLong(&ok);
    if (!ok || p.pid <= 0)
        return p;
    p.host = lines.at(2).trimmed();
    p.machineId = lines.value(3).trimmed();
    p.bootId = lines.value(4).trimmed();
    for (qsizetype i = 5; i < lines.size(); ++i) {
        if (lines.at(i).startsWith("start="))
            p.startId = lines.at(i).mid(6).trimmed();
    }
    p.valid = true;
    return p;
}

QByteArray randomName(int length)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray out(length, 'x');
    for (char &c : out)
        c = alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))];
    return out;
}

bool notOffered(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP || error == EPERM ||
           error == EXDEV || error == EMLINK || error == ENOTTY;
}

bool transient(int error)
{
    return error == EBUSY || error == EAGAIN || error == EINTR || error == ETXTBSY || error == EACCES ||
           error == EIO || error == ESTALE;
}

struct Key
{
    FileOps *ops;
    QString path;
    bool operator==(const Key &) const = default;
};
size_t qHash(const Key &key, size_t seed = 0)
{
    return ::qHash(key.path, seed) ^ ::qHash(quintptr(key.ops), seed);
}

/// The locks this process holds (refreshed while held) and the removals still to retry.
class Registry
{
public:
    static Registry &instance()
    {
        static Registry registry;
        // Registered once the registry is made, so it runs before the registry goes: a
        // process that ends cleanly leaves none of its files behind.
        static const bool finishAtExit = std::atexit([] { finishRemovals(2000); }) == 0;
        Q_UNUSED(finishAtExit);
        return registry;
    }

    /// Retries the pending removals of the system's folders until none is left or ms passed.
    void finish(int ms)
    {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            {
                std::lock_guard guard(m_mutex);
                for (auto it = m_pending.begin(); it != m_pending.end();) {
                    if (it.key().ops != &systemOps())
                        it = m_pending.erase(it); // a test's file layer may be gone by now
                    else
                        ++it;
                }
                retryPendingLocked();
                if (m_pending.isEmpty())
                    return;
            }
            if (waited.elapsed() >= ms)
                return;
            QThread::msleep(20);
        }
    }

    /// True the first time a lock path is seen in this run.
    bool firstTime(const Key &key)
    {
        std::lock_guard guard(m_mutex);
        if (m_visited.contains(key))
            return false;
        m_visited.insert(key);
        return true;
    }

    ~Registry()
    {
        {
            std::lock_guard guard(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void hold(const Key &key, const QByteArray &content, const Timing &timing)
    {
        std::lock_guard guard(m_mutex);
        m_held.insert(key, Entry{content, key.ops->monotonicMs(), timing, false, 0});
        startLocked();
        m_wake.notify_all();
    }

    void release(const Key &key)
    {
        std::lock_guard guard(m_mutex);
        m_held.remove(key);
    }

    bool heldWith(const Key &key, const QByteArray &content)
    {
        std::lock_guard guard(m_mutex);
        const auto it = m_held.constFind(key);
        return it != m_held.cend() && it->content == content;
    }

    /// checkContent: the file is a lock, removed only while it holds content.
    void retryRemoval(const Key &key, const QByteArray &content, const Timing &timing, bool checkContent)
    {
        std::lock_guard guard(m_mutex);
        m_pending.insert(key, Entry{content, key.ops->monotonicMs(), timing, checkContent, 0});
        ++m_counters.removeRetried;
        startLocked();
        m_wake.notify_all();
    }

    /// When this content of the lock was first seen unchanged, across lock() calls, so that a
    /// lease longer than one wait still runs out for a caller that keeps trying.
    qint64 firstSeen(const Key &key, const Stamp &stamp)
    {
        std::lock_guard guard(m_mutex);
        const qint64 now = key.ops->monotonicMs();
        auto it = m_seen.find(key);
        if (it == m_seen.end() || !(it->stamp == stamp)) {
            m_seen.insert(key, Seen{stamp, now});
            return now;
        }
        return it->sinceMs;
    }

    void forget(const Key &key)
    {
        std::lock_guard guard(m_mutex);
        m_seen.remove(key);
    }

    void count(Method method, bool tookOver)
    {
        std::lock_guard guard(m_mutex);
        ++m_counters.acquired;
        if (tookOver)
            ++m_counters.takenOver;
        m_counters.lastMethod = method;
    }

    Counters counters()
    {
        std::lock_guard guard(m_mutex);
        return m_counters;
    }

private:
    struct Entry
    {
        QByteArray content;
        qint64 sinceMs = 0;
        Timing timing;
        bool checkContent = false;
        int misses = 0;
    };

    void startLocked()
    {
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }

    void run()
    {
        std::unique_lock guard(m_mutex);
        while (!m_stop) {
            // Locks are held for milliseconds: the thread sleeps until one is held or queued.
            if (m_held.isEmpty() && m_pending.isEmpty())
                m_wake.wait(guard);
            else
                m_wake.wait_for(guard, std::chrono::milliseconds(50));
            if (m_stop)
                break;
            for (auto it = m_held.begin(); it != m_held.end(); ++it) {
                const qint64 now = it.key().ops->monotonicMs();
                if (now - it->sinceMs >= it->timing.refreshMs && it.key().ops->touch(it.key().path) == 0)
                    it->sinceMs = now;
            }
            retryPendingLocked();
        }
    }

    void retryPendingLocked()
    {
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            FileOps *ops = it.key().ops;
            bool done = false;
            if (it->checkContent) {
                // The lock itself: removed only while it still names us. A name that does
                // not show may just not be visible yet, so only repeated misses count.
                Stamp now;
                const int readError = ops->read(it.key().path, now);
                if (readError == ENOENT)
                    done = ++it->misses >= 10;
                else if (readError == 0 && now.content != it->content)
                    done = true;
                else if (readError == 0)
                    it->misses = 0;
            }
            if (!done && (!it->checkContent || it->misses == 0)) {
                const int error = ops->remove(it.key().path);
                done = error == 0 || (error == ENOENT && ++it->misses >= 10);
            }
            if (done) {
                it = m_pending.erase(it);
            } else if (ops->monotonicMs() - it->sinceMs > it->timing.removeRetryMs) {
                // Left to the lease: anyone sees it unchanged and takes it over.
                ++m_counters.removeFailed;
                it = m_pending.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_stop = false;
    QHash<Key, Entry> m_held;
    QHash<Key, Entry> m_pending;
    struct Seen
    {
        Stamp stamp;
        qint64 sinceMs = 0;
    };
    QHash<Key, Seen> m_seen;
    QSet<Key> m_visited;
    Counters m_counters;
};

// What each folder was found to offer, so that a folder without rename-no-replace is not asked
// again on every lock.
std::mutex methodMutex;
QHash<QString, Method> &folderMethods()
{
    static QHash<QString, Method> methods;
    return methods;
}

Method knownMethod(FileOps *ops, const QString &lockPath)
{
    if (ops != &systemOps())
        return Method::None;
    std::lock_guard guard(methodMutex);
    return folderMethods().value(QFileInfo(lockPath).path(), Method::None);
}

void rememberMethod(FileOps *ops, const QString &lockPath, Method method)
{
    if (ops != &systemOps())
        return;
    std::lock_guard guard(methodMutex);
    folderMethods().insert(QFileInfo(lockPath).path(), method);
}

/// Removes a file we no longer need, trying a few times: a file just closed may still be busy.
/// What still does not go is left to the background.
int removeSoon(FileOps *ops, const QString &path);

void discard(FileOps *ops, const QString &path, const Timing &timing)
{
    if (removeSoon(ops, path) != 0)
        Registry::instance().retryRemoval({ops, path}, QByteArray(), timing, false);
}

int removeSoon(FileOps *ops, const QString &path)
{
    int error = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        error = ops->remove(path);
        if (error == 0 || error == ENOENT || !transient(error))
            return error == ENOENT ? 0 : error;
        ops->sleepMs(2 << (attempt * 2));
    }
    return error;
}

/// A read that waits briefly for a file that was just renamed into place to be seen.
int readVisible(FileOps *ops, const QString &path, Stamp &stamp)
{
    int error = 0;
    for (int attempt = 0; attempt < 10; ++attempt) {
        error = ops->read(path, stamp);
        if (error != ENOENT && !transient(error))
            return error;
        ops->sleepMs(5 * (attempt + 1));
    }
    return error;
}

} // namespace

FileOps &systemOps()
{
    // Never destroyed: removals still pending are tried with it when the process exits.
    static SystemOps *ops = new SystemOps;
    return *ops;
}

void removeLater(const QString &path)
{
    Registry::instance().retryRemoval({&systemOps(), path}, QByteArray(), Timing{}, false);
}

void finishRemovals(int ms)
{
    Registry::instance().finish(ms);
}

const char *methodName(Method method)
{
    switch (method) {
    case Method::RenameNoReplace:
        return "rename-no-replace";
    case Method::HardLink:
        return "hard-link";
    case Method::ExclusiveCreate:
        return "exclusive-create";
    case Method::None:
        break;
    }
    return "none";
}

Counters counters()
{
    return Registry::instance().counters();
}

QByteArray FileLock::contentFor(const Identity &who, const QByteArray &token)
{
    // The first five lines are QLockFile's, so that older copies judge our locks as their own.
    return QByteArray::number(who.pid) + '\n' + who.app + '\n' + who.host + '\n' + who.machineId + '\n' +
           who.bootId + '\n' + "start=" + who.startId + '\n' + "token=" + token + '\n';
}

FileLock::FileLock(QString lockPath, FileOps *ops, Timing timing)
    : m_path(std::move(lockPath))
    , m_ops(ops ? ops : &systemOps())
    , m_timing(timing)
{
}

FileLock::~FileLock()
{
    unlock();
}

FileLock::Try FileLock::tryCreate()
{
    Method method = knownMethod(m_ops, m_path);
    if (method == Method::ExclusiveCreate) {
        const int error = m_ops->createExclusive(m_path, m_content);
        if (error == 0) {
            m_method = method;
            return Try::Got;
        }
        m_error = error;
        return error == EEXIST ? Try::Busy : Try::Failed;
    }

    QString temp;
    int error = EEXIST;
    for (int attempt = 0; attempt < 4 && error == EEXIST; ++attempt) {
        // The atomic replace's temporary pattern, so that a writer killed here leaves nothing
        // the hourly clean-up does not know.
        temp = m_path + u'.' + QString::fromLatin1(randomName(6));
        error = m_ops->createExclusive(temp, m_content);
    }
    if (error) {
        m_error = error;
        return Try::Failed;
    }

    if (method == Method::None || method == Method::RenameNoReplace) {
        error = m_ops->renameNoReplace(temp, m_path);
        if (error == 0) {
            rememberMethod(m_ops, m_path, Method::RenameNoReplace);
            m_method = Method::RenameNoReplace;
            return Try::Got;
        }
        if (!notOffered(error)) {
            discard(m_ops, temp, m_timing);
            m_error = error;
            return error == EEXIST || transient(error) ? Try::Busy : Try::Failed;
        }
        method = Method::None;
    }
    if (method == Method::None || method == Method::HardLink) {
        error = m_ops->hardLink(temp, m_path);
        if (error == 0 || (error != EEXIST && !notOffered(error))) {
            // A link over NFS can report failure after it was made: the content tells.
            Stamp now;
            const bool ours = error == 0 || (m_ops->read(m_path, now) == 0 && now.content == m_content);
            discard(m_ops, temp, m_timing);
            if (ours) {
                rememberMethod(m_ops, m_path, Method::HardLink);
                m_method = Method::HardLink;
                return Try::Got;
            }
            m_error = error;
            return transient(error) ? Try::Busy : Try::Failed;
        }
        if (error == EEXIST) {
            discard(m_ops, temp, m_timing);
            m_error = error;
            return Try::Busy;
        }
    }
    // Neither way to move a finished file into place: create the lock itself. It is empty
    // for the moment between create and write; an empty lock unchanged for a second is an
    // orphan, which covers a writer killed in that moment.
    discard(m_ops, temp, m_timing);
    rememberMethod(m_ops, m_path, Method::ExclusiveCreate);
    error = m_ops->createExclusive(m_path, m_content);
    if (error == 0) {
        m_method = Method::ExclusiveCreate;
        return Try::Got;
    }
    m_error = error;
    return error == EEXIST ? Try::Busy : Try::Failed;
}

bool FileLock::judgedStale(const Stamp &seen, qint64 firstSeenMs)
{
    const qint64 unchanged = m_ops->monotonicMs() - firstSeenMs;
    if (unchanged >= m_timing.leaseMs)
        return true;
    const Parsed owner = parse(seen.content);
    if (!owner.valid)
        return unchanged >= m_timing.orphanMs;
    const Identity me = m_ops->self();
    if (owner.host != me.host || (!owner.machineId.isEmpty() && owner.machineId != me.machineId))
        return false; // another machine's: only the lease tells
    if (!owner.bootId.isEmpty() && owner.bootId != me.bootId)
        return true; // this machine was restarted since
    // Ours, from this very process, and not held by any of its threads: a removal that failed.
    if (owner.pid == me.pid && owner.startId == me.startId && seen.content.contains("\ntoken="))
        return !Registry::instance().heldWith({m_ops, m_path}, seen.content);
    return !m_ops->processRunning(owner.pid, owner.startId);
}

bool FileLock::ownerGone(const QByteArray &content)
{
    const Parsed owner = parse(content);
    if (!owner.valid)
        return false;
    const Identity me = m_ops->self();
    if (owner.host != me.host || (!owner.machineId.isEmpty() && owner.machineId != me.machineId))
        return false;
    if (!owner.bootId.isEmpty() && owner.bootId != me.bootId)
        return true;
    if (owner.pid == me.pid && owner.startId == me.startId)
        return false; // ours: a removal still pending, or a lock being made by another thread
    return !m_ops->processRunning(owner.pid, owner.startId);
}

void FileLock::clearLeftovers()
{
    // Called while we hold the lock. Lock temporaries (made by writers before they hold it)
    // go when their owner on this machine is gone; the data file's temporaries are made only
    // under the lock, so after a takeover every one of them is the dead holder's.
    if (!m_path.endsWith(QStringLiteral(".lck")))
        return;
    const QString data = m_path.chopped(4);
    const QString lockPrefix = m_path + u'.';
    const QString dataPrefix = data + u'.';
    const auto tempSuffix = [](QStringView rest) {
        if (rest.size() != 6)
            return false;
        for (const QChar c : rest) {
            if (!(c.isLetterOrNumber() && c.unicode() < 128))
                return false;
        }
        return true;
    };
    for (const QString &name : m_ops->namesBeside(data)) {
        if (name.startsWith(lockPrefix)) {
            Stamp stamp;
            if (tempSuffix(QStringView(name).sliced(lockPrefix.size())) && m_ops->read(name, stamp) == 0 &&
                ownerGone(stamp.content))
                discard(m_ops, name, m_timing);
        } else if (m_tookOver && name.startsWith(dataPrefix) && tempSuffix(QStringView(name).sliced(dataPrefix.size()))) {
            discard(m_ops, name, m_timing);
        }
    }
}

FileLock::Try FileLock::tryTakeOver(const Stamp &seen)
{
    // Moved aside rather than removed: of several that judged it stale only one can move it,
    // and the one that moved a newer lock by mistake sees so and puts it back.
    const QString aside = m_path + u'.' + QString::fromLatin1(randomName(6));
    const int error = m_ops->rename(m_path, aside);
    if (error)
        return Try::Busy;
    Stamp moved;
    const int readError = readVisible(m_ops, aside, moved);
    if (readError == 0 && moved.content != seen.content) {
        int back = m_ops->renameNoReplace(aside, m_path);
        if (notOffered(back)) {
            back = m_ops->hardLink(aside, m_path);
            if (back == 0)
                discard(m_ops, aside, m_timing);
            else if (notOffered(back))
                back = m_ops->rename(aside, m_path);
        }
        if (back != 0)
            discard(m_ops, aside, m_timing);
        return Try::Busy;
    }
    discard(m_ops, aside, m_timing);
    m_tookOver = true;
    return Try::Busy;
}

bool FileLock::lock(int waitMs)
{
    if (m_locked)
        return true;
    m_error = 0;
    m_tookOver = false;
    m_method = Method::None;
    const Key key{m_ops, m_path};
    m_token = randomName(16);
    m_content = contentFor(m_ops->self(), m_token);

    const qint64 deadline = m_ops->monotonicMs() + qMax(0, waitMs);
    int pause = 1;
    const auto got = [&] {
        m_locked = true;
        m_error = 0;
        Registry::instance().forget(key);
        Registry::instance().hold(key, m_content, m_timing);
        Registry::instance().count(m_method, m_tookOver);
        if (Registry::instance().firstTime(key) || m_tookOver)
            clearLeftovers();
        return true;
    };
    for (;;) {
        const Try result = tryCreate();
        if (result == Try::Got)
            return got();
        if (result == Try::Failed)
            return false;

        Stamp now;
        const int readError = m_ops->read(m_path, now);
        // Our own create went through although it reported otherwise (NFS retries).
        if (readError == 0 && now.content == m_content)
            return got();
        if (readError == 0 || (readError != ENOENT && transient(readError))) {
            if (readError != 0)
                now = Stamp{QByteArray("?unreadable"), 0, -2};
            const qint64 firstSeen = Registry::instance().firstSeen(key, now);
            // An unreadable lock cannot be judged by its owner: only the lease applies to it.
            const bool stale = readError == 0 ? judgedStale(now, firstSeen)
                                              : m_ops->monotonicMs() - firstSeen >= m_timing.leaseMs;
            if (stale) {
                tryTakeOver(now);
                Registry::instance().forget(key);
                continue;
            }
        }
        if (m_ops->monotonicMs() >= deadline) {
            m_error = EWOULDBLOCK;
            return false;
        }
        m_ops->sleepMs(pause + int(QRandomGenerator::global()->bounded(pause + 1)));
        pause = qMin(pause * 2, 20);
    }
}

bool FileLock::verify()
{
    if (!m_locked)
        return false;
    Stamp now;
    return readVisible(m_ops, m_path, now) == 0 && now.content == m_content;
}

void FileLock::unlock()
{
    if (!m_locked)
        return;
    m_locked = false;
    const Key key{m_ops, m_path};
    Registry::instance().release(key);
    // A lock that is no longer ours was taken over while we stalled: it is someone else's now.
    Stamp now;
    const int readError = readVisible(m_ops, m_path, now);
    if (readError == ENOENT || (readError == 0 && now.content != m_content))
        return;
    if (removeSoon(m_ops, m_path) != 0)
        Registry::instance().retryRemoval(key, m_content, m_timing, true);
}

} // namespace filelock
