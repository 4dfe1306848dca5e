#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

/// A lock file beside a shared file (`<file>.lck`), safe on local disks and on network
/// folders (SMB through the kernel or a FUSE client, NFS). docs/locking.md says why.
///
/// - The lock appears with its owner in it: the content is written to a temporary file of a
///   unique name, closed, and then moved into place without replacing (rename-no-replace, else
///   a hard link). Only where the folder offers neither is the lock created exclusively and
///   filled at once; an empty or unreadable lock is then an orphan after one second.
/// - No file is removed or renamed while we hold it open; removal that fails (EBUSY on a file
///   just closed) is retried, in the background when it takes longer.
/// - An owner on this machine that is gone (its pid is dead, or the pid now belongs to another
///   process) loses the lock at once; any lock seen unchanged for the lease (local monotonic
///   clock, never the clocks of two machines) is stale. A holder refreshes its lock's time
///   while it holds it, so only a dead holder's lock stays unchanged that long.
/// - A stale lock is moved aside under a unique name, checked to be the one judged stale, and
///   removed; the lock is then taken as usual. Nothing else is ever created beside it.
///
/// The content keeps the first lines of Qt's QLockFile (pid, program, host, machine id, boot
/// id), so an older copy of the programs reads our locks, and we read theirs.
namespace filelock {

/// Owner identity written into a lock.
struct Identity
{
    qint64 pid = 0;
    QByteArray app;
    QByteArray host;
    QByteArray machineId;
    QByteArray bootId;
    QByteArray startId; ///< the process's start time on this boot; tells a reused pid
};

/// What a read of the lock file saw; two reads that give the same stamp saw the same file.
struct Stamp
{
    QByteArray content;
    qint64 mtimeNs = 0;
    qint64 size = -1;
    bool operator==(const Stamp &) const = default;
};

/// The file operations the lock uses: the system's by default, a faulty one in tests. Every
/// call returns 0 or an errno value.
class FileOps
{
public:
    virtual ~FileOps();
    /// Creates a new file exclusively, writes content and closes it.
    virtual int createExclusive(const QString &path, const QByteArray &content) = 0;
    /// Moves from to to; fails with EEXIST when to exists. EINVAL/ENOSYS: not offered here.
    virtual int renameNoReplace(const QString &from, const QString &to) = 0;
    /// A second name for from; EEXIST when to exists. EPERM/ENOSYS/EOPNOTSUPP: not offered.
    virtual int hardLink(const QString &from, const QString &to) = 0;
    virtual int rename(const QString &from, const QString &to) = 0;
    virtual int remove(const QString &path) = 0;
    /// Reads the whole file and its modification time.
    virtual int read(const QString &path, Stamp &stamp) = 0;
    /// Sets the modification time to now.
    virtual int touch(const QString &path) = 0;
    /// Whether a process of this machine with that pid (and start id, when given) runs.
    virtual bool processRunning(qint64 pid, const QByteArray &startId) = 0;
    /// This process as a lock owner.
    virtual Identity self() = 0;
    /// Milliseconds of a monotonic clock.
    virtual qint64 monotonicMs() = 0;
    virtual void sleepMs(int ms) = 0;
    /// The names in the folder of path that begin with its file name and a dot, as full paths.
    virtual QStringList namesBeside(const QString &path);
};

/// The system's file operations (POSIX calls).
FileOps &systemOps();

/// How the lock got into place, for the tools that check a share.
enum class Method { None, RenameNoReplace, HardLink, ExclusiveCreate };
const char *methodName(Method method);

struct Timing
{
    int leaseMs = 30000;   ///< a lock unchanged this long is stale
    int orphanMs = 700;    ///< an empty or garbled lock unchanged this long is stale
    int refreshMs = 10000; ///< a holder touches its lock this often
    int removeRetryMs = 20000; ///< how long a failed removal is retried in the background
};

class FileLock
{
public:
    /// ops must outlive the lock; nullptr uses systemOps().
    explicit FileLock(QString lockPath, FileOps *ops = nullptr, Timing timing = {});
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    /// Waits up to waitMs for the lock. False when it was not got in time, or the folder
    /// cannot hold it (read-only, gone): then errorCode() says why.
    bool lock(int waitMs);
    /// Whether the lock file still names us: a holder checks this before it commits.
    bool verify();
    /// Removes the lock (retried; in the background when it does not go at once).
    void unlock();
    bool isLocked() const { return m_locked; }
    int errorCode() const { return m_error; }
    Method method() const { return m_method; }
    /// Whether the last lock() took over a stale lock.
    bool tookOver() const { return m_tookOver; }

    /// The content this process writes into a lock (for tests and for tools).
    static QByteArray contentFor(const Identity &who, const QByteArray &token);

private:
    enum class Try { Got, Busy, Failed };
    Try tryCreate();
    Try tryTakeOver(const Stamp &seen);
    bool judgedStale(const Stamp &seen, qint64 firstSeenMs);
    bool ownerGone(const QByteArray &content);
    void clearLeftovers();

    QString m_path;
    FileOps *m_ops;
    Timing m_timing;
    QByteArray m_token;
    QByteArray m_content;
    bool m_locked = false;
    bool m_tookOver = false;
    int m_error = 0;
    Method m_method = Method::None;
};

/// Removes a file of ours that could not be removed at once (a network folder refuses a file
/// just closed, or is away): tried again in the background, and once more before the process
/// exits.
void removeLater(const QString &path);

/// Tries every removal still pending, for up to ms. Runs by itself when the process exits.
void finishRemovals(int ms);

/// Process-wide counts, for the tools that check a share.
struct Counters
{
    int acquired = 0;
    int takenOver = 0;
    int removeRetried = 0;
    int removeFailed = 0;
    Method lastMethod = Method::None;
};
Counters counters();

} // namespace filelock
