#include "files.h"

#include "filelock.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QThread>

#include <mutex>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace files {
namespace {

// How long a rename that a network folder refuses for a moment is tried again.
constexpr int RenameRetryMs = 2000;
constexpr qint64 CleanupEverySecs = 3600;

bool isTempSuffix(QStringView suffix)
{
    if (suffix.size() != 6)
        return false;
    for (const QChar c : suffix) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128))
            return false;
    }
    return true;
}

QString randomSuffix()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString out;
    for (int i = 0; i < 6; ++i)
        out += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
    return out;
}

bool busy(int error)
{
    return error == EBUSY || error == EACCES || error == ETXTBSY || error == EAGAIN || error == EINTR ||
           error == EIO || error == ESTALE;
}

int removeRetried(const QByteArray &native)
{
    int error = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::unlink(native.constData()) == 0 || errno == ENOENT)
            return 0;
        error = errno;
        if (!busy(error))
            return error;
        QThread::msleep(ulong(5 << attempt));
    }
    return error;
}

bool cleanupDue(const QString &path)
{
    static std::mutex mutex;
    static QHash<QString, qint64> last;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    std::lock_guard guard(mutex);
    auto it = last.find(path);
    if (it != last.end() && now - *it < CleanupEverySecs && now >= *it)
        return false;
    last.insert(path, now);
    return true;
}

} // namespace

bool read(const QString &path, QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    bytes = std::move(all);
    return true;
}

Presence readPresent(const QString &path, QByteArray &bytes, const QString &treeFolder, int retryMs)
{
    bytes.clear();
    if (path.isEmpty())
        return Presence::Absent;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (read(path, bytes) && !bytes.isEmpty())
            return Presence::Read;
        const bool there = QFileInfo::exists(path);
        if (!there && QFileInfo(treeFolder).isDir())
            return Presence::Absent;
        if (waited.elapsed() >= retryMs) {
            if (there && read(path, bytes))
                return Presence::Read; // an empty file
            return Presence::Unreadable;
        }
        QThread::msleep(10);
    }
}

int removeStaleTemporaries(const QString &path, qint64 maxAgeSecs)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (name.isEmpty())
        return 0;
    const QDir dir = info.dir();
    const QStringList entries = dir.entryList({name + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    const QString lockPrefix = name + QStringLiteral(".lck.");
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addSecs(-maxAgeSecs);
    int removed = 0;
    for (const QString &entry : entries) {
        QStringView rest;
        if (entry.startsWith(lockPrefix))
            rest = QStringView(entry).sliced(lockPrefix.size());
        else
            rest = QStringView(entry).sliced(name.size() + 1);
        if (!isTempSuffix(rest))
            continue;
        const QString full = dir.filePath(entry);
        // Only files no writer can still be busy with.
        if (QFileInfo(full).lastModified().toUTC() >= cutoff)
            continue;
        if (removeRetried(QFile::encodeName(full)) == 0)
            ++removed;
    }
    return removed;
}

bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    if (cleanupDue(path))
        removeStaleTemporaries(path);

    QString temp;
    QByteArray nativeTemp;
    int fd = -1;
    for (int attempt = 0; attempt < 4 && fd < 0; ++attempt) {
        temp = path + u'.' + randomSuffix();
        nativeTemp = QFile::encodeName(temp);
        fd = ::open(nativeTemp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) {
            // A network folder that went away may have made the file all the same.
            filelock::removeLater(temp);
            return false;
        }
    }
    if (fd < 0)
        return false;
    bool ok = true;
    qsizetype done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += n;
    }
    if (ok && ::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP && errno != EROFS)
        ok = false;
    // Closed before the rename: a network folder refuses to move a file that is still open.
    if (::close(fd) != 0)
        ok = false;
    if (ok) {
        const QByteArray target = QFile::encodeName(path);
        QElapsedTimer waited;
        waited.start();
        int pause = 2;
        for (;;) {
            if (::rename(nativeTemp.constData(), target.constData()) == 0)
                return true;
            if (!busy(errno) || waited.elapsed() > RenameRetryMs)
                break;
            QThread::msleep(ulong(pause));
            pause = qMin(pause * 2, 100);
        }
    }
    // A folder that is away or still busy with the file: removed once it lets us.
    if (removeRetried(nativeTemp) != 0)
        filelock::removeLater(temp);
    return false;
}

} // namespace files
