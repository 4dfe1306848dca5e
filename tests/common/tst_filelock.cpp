#include "filelock.h"
#include "files.h"
#include "profile.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <mutex>
#include <random>
#include <thread>

#include <cerrno>
#include <csignal>

using filelock::FileLock;
using filelock::Stamp;

namespace {

/// A shared folder as a network client shows it: a file just closed or just renamed is busy
/// for removal for a while, a name that was just renamed or created is not yet visible to
/// reads, and moving a file into place without replacing may not exist at all.
class FakeShare
{
public:
    bool renameNoReplace = true;
    bool hardLinks = true;
    int busyRemovals = 3;     ///< removals refused with EBUSY after a file changed (at most)
    int invisibleReads = 2;   ///< reads that miss a name just made (at most)
    std::mt19937 random{17};

    struct File
    {
        QByteArray content;
        qint64 mtime = 0;
        int busyLeft = 0;
        int invisibleLeft = 0;
    };

    std::mutex mutex;
    QHash<QString, File> files;
    QSet<QString> deadOwners; ///< "host/pid" of owners that were killed
    qint64 clock = 0;

    int draw(int most)
    {
        return most <= 0 ? 0 : std::uniform_int_distribution<int>(0, most)(random);
    }
    void changed(File &f)
    {
        f.mtime = ++clock;
        f.busyLeft = draw(busyRemovals);
        f.invisibleLeft = draw(invisibleReads);
    }
    QStringList names()
    {
        std::lock_guard guard(mutex);
        return files.keys();
    }
};

/// One machine's (or one process's) view of the share.
class FakeOps final : public filelock::FileOps
{
public:
    FakeOps(FakeShare &share, QByteArray host, qint64 pid)
        : m_share(share)
    {
        m_self.pid = pid;
        m_self.host = std::move(host);
        m_self.app = "writer";
        m_self.bootId = "boot";
        m_self.startId = "1";
        m_clock.start();
    }

    void kill()
    {
        std::lock_guard guard(m_share.mutex);
        m_dead = true;
        m_share.deadOwners.insert(QString::fromLatin1(m_self.host + '/' + QByteArray::number(m_self.pid)));
    }

    int createExclusive(const QString &path, const QByteArray &content) override
    {
        std::lock_guard guard(m_share.mutex);
        if (m_dead)
            return EIO;
        if (m_share.files.contains(path))
            return EEXIST;
        FakeShare::File f;
        f.content = content;
        m_share.changed(f);
        m_share.files.insert(path, f);
        return 0;
    }
    int renameNoReplace(const QString &from, const QString &to) override
    {
        std::lock_guard guard(m_share.mutex);
        if (m_dead)
            return EIO;
        if (!m_share.renameNoReplace)
            return EINVAL;
        return moveLocked(from, to, false);
    }
    int hardLink(const QString &from, const QString &to) override
    {
        std::lock_guard guard(m_share.mutex);
        if (m_dead)
            return EIO;
        if (!m_share.hardLinks)
            return EPERM;
        if (!m_share.files.contains(from))
            return ENOENT;
        if (m_share.files.contains(to))
            return EEXIST;
        FakeShare::File f = m_share.files.value(from);
        f.invisibleLeft = m_share.draw(m_share.invisibleReads);
        m_share.files.insert(to, f);
        return 0;
    }
    int rename(const QString &from, const QString &to) override
    {
        std::lock_guard guard(m_share.mutex);
        if (m_dead)
            return EIO;
        return moveLocked(from, to, true);
    }
    int remove(const QString &path) override
    {
        std::lock_guard guard(m_share.mutex);
        if (m_dead)
            return EIO;
        auto it = m_share.files.find(path);
        if (it == m_share.files.end())
            return ENOENT;
        if (it->busyLeft > 0) {
            --it->busyLeft;
            return EBUSY;
        }
        m_share.files.erase(it);
        return 0;
    }
    int read(const QString &path, Stamp &stamp) override
    {
        std::lock_guard guard(m_share.mutex);
        if (m_dead)
            return EIO;
        auto it = m_share.files.find(path);
        if (it == m_share.files.end())
            return ENOENT;
        if (it->invisibleLeft > 0) {
            --it->invisibleLeft;
            return ENOENT;
        }
        stamp.content = it->content;
        stamp.mtimeNs = it->mtime;
        stamp.size = it->content.size();
        return 0;
    }
    int touch(const QString &path) override
    {
        std::lock_guard guard(m_share.mutex);
        if (m_dead)
            return EIO;
        auto it = m_share.files.find(path);
        if (it == m_share.files.end())
            return ENOENT;
        it->mtime = ++m_share.clock;
        return 0;
    }
    bool processRunning(qint64 pid, const QByteArray &) override
    {
        std::lock_guard guard(m_share.mutex);
        return !m_share.deadOwners.contains(QString::fromLatin1(m_self.host + '/' + QByteArray::number(pid)));
    }
    QStringList namesBeside(const QString &path) override
    {
        std::lock_guard guard(m_share.mutex);
        QStringList out;
        for (auto it = m_share.files.cbegin(); it != m_share.files.cend(); ++it) {
            if (it.key().startsWith(path + u'.'))
                out.append(it.key());
        }
        return out;
    }
    filelock::Identity self() override { return m_self; }
    qint64 monotonicMs() override { return m_clock.elapsed(); }
    void sleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    int moveLocked(const QString &from, const QString &to, bool replace)
    {
        auto it = m_share.files.find(from);
        if (it == m_share.files.end())
            return ENOENT;
        if (it->busyLeft > 0 && m_share.draw(1)) {
            --it->busyLeft;
            return EBUSY;
        }
        if (!replace && m_share.files.contains(to))
            return EEXIST;
        FakeShare::File f = *it;
        m_share.files.erase(it);
        f.busyLeft = m_share.draw(m_share.busyRemovals);
        f.invisibleLeft = m_share.draw(m_share.invisibleReads);
        m_share.files.insert(to, f);
        return 0;
    }

    FakeShare &m_share;
    filelock::Identity m_self;
    bool m_dead = false;
    QElapsedTimer m_clock;
};

const QString LockName = QStringLiteral("/share/record.cho.lck");

filelock::Timing fastTiming()
{
    filelock::Timing t;
    t.leaseMs = 400;
    t.orphanMs = 100;
    t.refreshMs = 100;
    t.removeRetryMs = 2000;
    return t;
}

} // namespace

class TestFileLock : public QObject
{
    Q_OBJECT

private slots:
    void writersExcludeEachOtherOnAFaultyShare_data()
    {
        QTest::addColumn<bool>("renameNoReplace");
        QTest::addColumn<bool>("hardLinks");
        QTest::addColumn<int>("faults");
        QTest::newRow("rename-no-replace") << true << true << 3;
        QTest::newRow("hard links only") << false << true << 3;
        QTest::newRow("neither (exclusive create)") << false << false << 3;
        QTest::newRow("neither, many busy removals") << false << false << 8;
    }

    // Writers on two machines and several processes, some killed while they hold the lock:
    // never two inside at once, every surviving writer's turns happen, nothing is left behind.
    void writersExcludeEachOtherOnAFaultyShare()
    {
        QFETCH(bool, renameNoReplace);
        QFETCH(bool, hardLinks);
        QFETCH(int, faults);
        // Killed writers leave their locks registered as held, as a dead process would: the
        // share and the views stay for the rest of the run.
        FakeShare &share = *new FakeShare;
        share.renameNoReplace = renameNoReplace;
        share.hardLinks = hardLinks;
        share.busyRemovals = faults;
        share.invisibleReads = qMin(faults, 4);

        constexpr int Writers = 6;
        constexpr int Turns = 15;
        std::atomic<int> inside{0};
        std::atomic<int> overlaps{0};
        std::atomic<int> turnsDone{0};
        std::atomic<int> timeouts{0};
        std::vector<FakeOps *> views;
        for (int w = 0; w < Writers; ++w)
            views.push_back(new FakeOps(share, w % 2 ? "hostB" : "hostA", 100 + w));

        std::vector<std::thread> threads;
        for (int w = 0; w < Writers; ++w) {
            threads.emplace_back([&, w] {
                std::mt19937 random(unsigned(w * 7919 + 1));
                FakeOps &ops = *views[size_t(w)];
                // Writers 0 and 1 die holding the lock on their 5th turn: one on each machine.
                const int dieAt = w < 2 ? 5 : -1;
                for (int turn = 0; turn < Turns; ++turn) {
                    auto lock = std::make_unique<FileLock>(LockName, &ops, fastTiming());
                    if (!lock->lock(8000)) {
                        Stamp st;
                        ops.read(LockName, st);
                        qWarning("writer %d timed out on turn %d: %s", w, turn, st.content.constData());
                        ++timeouts;
                        continue;
                    }
                    if (inside.fetch_add(1) != 0)
                        ++overlaps;
                    std::this_thread::sleep_for(std::chrono::microseconds(
                        std::uniform_int_distribution<int>(0, 3000)(random)));
                    const bool stillOurs = lock->verify();
                    inside.fetch_sub(1);
                    if (turn == dieAt) {
                        ops.kill();
                        (void)lock.release(); // a killed process never unlocks
                        return;
                    }
                    if (stillOurs)
                        ++turnsDone;
                    lock->unlock();
                    std::this_thread::sleep_for(std::chrono::microseconds(
                        std::uniform_int_distribution<int>(0, 500)(random)));
                }
            });
        }
        for (std::thread &t : threads)
            t.join();
        // A lock a killed writer left after the others were done goes to the next writer.
        FakeOps &next = *new FakeOps(share, "hostA", 199);
        {
            FileLock last(LockName, &next, fastTiming());
            QVERIFY(last.lock(5000));
        }

        QCOMPARE(overlaps.load(), 0);
        QCOMPARE(timeouts.load(), 0);
        QCOMPARE(turnsDone.load(), (Writers - 2) * Turns + 2 * 5);
        // Removals the share refused at first are retried in the background.
        // What is left are temporaries of the killed writers, for the hourly clean-up.
        const auto leftOver = [&share] {
            QStringList names;
            std::lock_guard guard(share.mutex);
            for (auto it = share.files.cbegin(); it != share.files.cend(); ++it) {
                if (!(it.key().startsWith(LockName + u'.') &&
                      (it->content.startsWith("100\n") || it->content.startsWith("101\n"))))
                    names.append(it.key());
            }
            return names;
        };
        QTRY_VERIFY2_WITH_TIMEOUT(leftOver().isEmpty(), qPrintable(leftOver().join(u' ')), 5000);
    }

    void orphanedLocksAreTakenOverQuickly_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("withinMs");
        // Killed between create and write, where the lock is made empty and then filled.
        QTest::newRow("empty") << QByteArray() << QByteArray("hostA") << 1000;
        QTest::newRow("garbage") << QByteArray("\x01\xff garbage") << QByteArray("hostA") << 1000;
        QTest::newRow("dead pid, this machine") << QByteArray("77\nwriter\nhostA\n\nboot\nstart=1\ntoken=x\n")
                                                << QByteArray("hostA") << 300;
        QTest::newRow("old program's lock, dead pid") << QByteArray("77\nwriter\nhostA\n") << QByteArray("hostA")
                                                      << 300;
        QTest::newRow("this machine restarted") << QByteArray("5\nwriter\nhostA\n\noldboot\n")
                                                << QByteArray("hostA") << 300;
    }

    void orphanedLocksAreTakenOverQuickly()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, host);
        QFETCH(int, withinMs);
        FakeShare share;
        share.deadOwners.insert(QStringLiteral("hostA/77"));
        FakeOps ops(share, host, 200);
        FakeShare::File orphan;
        orphan.content = content;
        share.files.insert(LockName, orphan);

        filelock::Timing timing; // the real ones: a second for orphans, 30 s lease
        FileLock lock(LockName, &ops, timing);
        QElapsedTimer waited;
        waited.start();
        QVERIFY(lock.lock(5000));
        QVERIFY2(waited.elapsed() < withinMs, qPrintable(QString::number(waited.elapsed())));
        QVERIFY(lock.tookOver());
        QVERIFY(lock.verify());
    }

    // Writers killed mid-way leave the lock's and the data file's temporaries: the next writer
    // clears those of dead owners and keeps those of live writers and of other machines.
    void leftoversOfDeadWritersAreCleared()
    {
        FakeShare share;
        share.deadOwners.insert(QStringLiteral("hostA/77"));
        FakeOps ops(share, "hostA", 200);
        const QString data = QStringLiteral("/share/record.cho");
        const auto put = [&share](const QString &name, const QByteArray &content) {
            FakeShare::File f;
            f.content = content;
            f.busyLeft = 2; // just closed: refused for a while
            share.files.insert(name, f);
        };
        const QByteArray dead("77\nwriter\nhostA\n\nboot\nstart=1\ntoken=a\n");
        const QByteArray live("78\nwriter\nhostA\n\nboot\nstart=1\ntoken=b\n");
        const QByteArray elsewhere("77\nwriter\nhostB\n\nboot\nstart=1\ntoken=c\n");
        put(LockName, dead);                            // killed holding the lock
        put(data + QStringLiteral(".Ab3dE9"), "half");   // ... between its write and rename
        put(LockName + QStringLiteral(".Qw12Er"), dead); // killed before moving its lock in
        put(LockName + QStringLiteral(".Zx98Yu"), live);
        put(LockName + QStringLiteral(".Mn45Bv"), elsewhere);
        put(data + QStringLiteral(".bak"), "not ours");

        FileLock lock(LockName, &ops, fastTiming());
        QVERIFY(lock.lock(2000));
        QVERIFY(lock.tookOver());
        const QStringList kept{LockName, LockName + QStringLiteral(".Zx98Yu"), LockName + QStringLiteral(".Mn45Bv"),
                               data + QStringLiteral(".bak")};
        const auto names = [&share] {
            const QStringList now = share.names();
            return QSet<QString>(now.cbegin(), now.cend());
        };
        QTRY_COMPARE_WITH_TIMEOUT(names(), QSet<QString>(kept.cbegin(), kept.cend()), 3000);
        lock.unlock();
        QTRY_VERIFY_WITH_TIMEOUT(!share.names().contains(LockName), 3000);
    }

    // A writer that exits cleanly removes what its background was still retrying.
    void pendingRemovalsFinishBeforeExit()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("gone.cho.Ab3dE9"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        filelock::removeLater(file);
        filelock::finishRemovals(1000);
        QVERIFY(!QFileInfo::exists(file));
    }

    // Another machine's lock counts only by what this machine sees of it, timed by its own
    // clock: refreshed, it holds for longer than the lease; left, it goes after the lease.
    void anotherMachinesLockHoldsForItsLease()
    {
        FakeShare &share = *new FakeShare; // outlives the abandoned lock, as above
        share.busyRemovals = 0;
        share.invisibleReads = 0;
        FakeOps &remote = *new FakeOps(share, "hostB", 300);
        FakeOps local(share, "hostA", 301);
        const filelock::Timing timing = fastTiming();

        auto held = std::make_unique<FileLock>(LockName, &remote, timing);
        QVERIFY(held->lock(0));
        FileLock waiter(LockName, &local, timing);
        QElapsedTimer waited;
        waited.start();
        // The holder is alive and refreshes (every 100 ms): three leases pass without a takeover.
        QVERIFY(!waiter.lock(3 * timing.leaseMs));
        QCOMPARE(waiter.errorCode(), EWOULDBLOCK);

        // Its machine stops: nothing refreshes the lock any more.
        remote.kill();
        (void)held.release();
        waited.restart();
        QVERIFY(waiter.lock(5000));
        QVERIFY(waited.elapsed() >= timing.leaseMs - timing.refreshMs - 60);
        QVERIFY(waited.elapsed() < timing.leaseMs * 3);
        QVERIFY(waiter.tookOver());
    }

    // The lease runs on across waits: a caller that gives up and tries again later does not
    // start the lease anew.
    void leaseCountsAcrossWaits()
    {
        FakeShare share;
        FakeOps local(share, "hostA", 400);
        FakeShare::File remoteLock;
        remoteLock.content = "9\nwriter\nhostB\n\nboot\nstart=1\ntoken=y\n";
        share.files.insert(LockName, remoteLock);
        const filelock::Timing timing = fastTiming();
        int tries = 0;
        for (; tries < 20; ++tries) {
            FileLock lock(LockName, &local, timing);
            if (lock.lock(timing.leaseMs / 4))
                break;
        }
        QVERIFY(tries >= 2 && tries < 10);
    }

    // A removal the share keeps refusing is retried in the background; our own next lock of
    // that file moves it aside at once instead of waiting for ourselves.
    void refusedRemovalIsRetriedAndOurLockReused()
    {
        FakeShare share;
        share.invisibleReads = 0;
        share.busyRemovals = 0;
        FakeOps ops(share, "hostA", 500);
        const filelock::Timing timing = fastTiming();
        {
            FileLock lock(LockName, &ops, timing);
            QVERIFY(lock.lock(0));
            std::lock_guard guard(share.mutex);
            share.files[LockName].busyLeft = 1000000;
        }
        QVERIFY(share.names().contains(LockName));
        QElapsedTimer waited;
        waited.start();
        {
            FileLock again(LockName, &ops, timing);
            QVERIFY(again.lock(0));
            QVERIFY(waited.elapsed() < 100);
            std::lock_guard guard(share.mutex);
            share.files[LockName].busyLeft = 2;
        }
        QTRY_COMPARE_WITH_TIMEOUT(share.names(), QStringList(), 3000);
    }

    void readOnlyOrMissingFolderFailsAtOnce()
    {
        TestDataRoot root;
        QElapsedTimer waited;
        waited.start();
        FileLock missing(root.file(QStringLiteral("gone/record.cho.lck")));
        QVERIFY(!missing.lock(5000));
        QCOMPARE(missing.errorCode(), ENOENT);
        QVERIFY(waited.elapsed() < 1000);
    }

    // Beside a copy of the previous version, which locks the same name with QLockFile.
    void excludesAndIsExcludedByOlderCopies()
    {
        TestDataRoot root;
        const QString path = root.file(QStringLiteral("sys.cho.lck"));
        {
            QLockFile old(path);
            QVERIFY(old.tryLock(0));
            FileLock ours(path);
            QVERIFY(!ours.lock(200));
        }
        {
            FileLock ours(path);
            QVERIFY(ours.lock(0));
            QCOMPARE(ours.method(), filelock::Method::RenameNoReplace);
            QLockFile old(path);
            old.setStaleLockTime(30000);
            QVERIFY(!old.tryLock(0));
            qint64 pid = 0;
            QString host;
            QString app;
            QVERIFY(old.getLockInfo(&pid, &host, &app));
            QCOMPARE(pid, QCoreApplication::applicationPid());
        }
        QVERIFY(!QFile::exists(path));
    }

    // Writers killed at random moments, many times: the next writer always gets the file
    // within a second, and no lock or temporary file stays behind.
    void killedWritersNeverBlockTheNext()
    {
        TestDataRoot root;
        const QString file = root.file(QStringLiteral("record.cho"));
        auto *random = QRandomGenerator::global();
        qint64 longest = 0;
        for (int round = 0; round < 40; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(PROFILE_WRITER), {file, QStringLiteral("k%1_").arg(round), QStringLiteral("100000")});
            QVERIFY(writer.waitForStarted());
            QTest::qSleep(int(random->bounded(3, 30)));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(5000));
            QElapsedTimer waited;
            waited.start();
            QVERIFY(profile::writeValue(file, QStringLiteral("keys"), QStringLiteral("after%1").arg(round),
                                        QStringLiteral("1")));
            longest = qMax(longest, waited.elapsed());
            QVERIFY2(waited.elapsed() < 1000, qPrintable(QString::number(waited.elapsed())));
            QVERIFY(!QFile::exists(file + QStringLiteral(".lck")));
        }
        qInfo("longest write after a kill: %lld ms", longest);
        QCOMPARE(profile::readValue(file, QStringLiteral("keys"), QStringLiteral("after39")), QStringLiteral("1"));
        // Temporaries of killed writers are young and stay until the hourly clean-up; once old
        // they go, and nothing else beside the file is touched.
        QDir dir(root.path());
        for (const QString &name : dir.entryList(QDir::Files)) {
            if (name == QStringLiteral("record.cho"))
                continue;
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime));
        }
        QFile keep(root.file(QStringLiteral("record.cho.notes")));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        QVERIFY(keep.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime));
        files::removeStaleTemporaries(file);
        QCOMPARE(dir.entryList(QDir::Files), (QStringList{QStringLiteral("record.cho"), QStringLiteral("record.cho.notes")}));
    }
};

QTEST_GUILESS_MAIN(TestFileLock)
#include "tst_filelock.moc"
