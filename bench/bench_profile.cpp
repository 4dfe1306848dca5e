// Speed of the profile layer on files of the size the programs meet.
//
// Prints "BENCH <name> <value> <unit>" lines:
//  - one read and one write of a single key in a file of 1000 keys;
//  - the same in a file of 2000 keys (about 70 kB), beside the time of replacing that file
//    with the same bytes alone, which is what the flushes of a write cost;
//  - a periodic save of 400 keys as one batch, against the same 400 keys as single writes.
#include "files.h"
#include "profile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double medianMicros(std::vector<qint64> nanos)
{
    std::sort(nanos.begin(), nanos.end());
    return nanos[nanos.size() / 2] / 1000.0;
}

void report(const char *name, double value, const char *unit)
{
    std::printf("BENCH %s %.3f %s\n", name, value, unit);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.cho"));
    {
        profile::Batch batch(big);
        for (int i = 1; i <= 1000; ++i)
            batch.write(QStringLiteral("Grade2A"), QStringLiteral("%1DA%2").arg(i % 50).arg(i), QString::number(i));
        batch.commit();
    }
    std::printf("file of 1000 keys: %lld bytes\n", static_cast<long long>(QFile(big).size()));

    const int rounds = 200;
    std::vector<qint64> reads;
    std::vector<qint64> writes;
    QElapsedTimer t;
    for (int r = 0; r < rounds; ++r) {
        t.start();
        const QString v = profile::readValue(big, QStringLiteral("Grade2A"), QStringLiteral("17DA517"));
        reads.push_back(t.nsecsElapsed());
        Q_UNUSED(v);
        t.start();
        profile::writeValue(big, QStringLiteral("Grade2A"), QStringLiteral("7DA507"), QString::number(r));
        writes.push_back(t.nsecsElapsed());
    }
    report("profile_read_1000key_file", medianMicros(reads), "us");
    report("profile_write_1000key_file", medianMicros(writes), "us");

    // 2000 keys over a few sections, values of record-like length: about 70 kB.
    const QString large = dir.filePath(QStringLiteral("large.cho"));
    {
        profile::Batch batch(large);
        for (int i = 1; i <= 2000; ++i)
            batch.write(QStringLiteral("Grade%1").arg(i % 4 + 1), QStringLiteral("%1DA%2").arg(i % 50).arg(i),
                        QStringLiteral("%1 answered by student").arg(i, 6, 10, QLatin1Char('0')));
        batch.commit();
    }
    QByteArray largeBytes;
    files::read(large, largeBytes);
    std::printf("file of 2000 keys: %lld bytes\n", static_cast<long long>(largeBytes.size()));
    std::vector<qint64> largeReads;
    std::vector<qint64> largeWrites;
    std::vector<qint64> flushes;
    for (int r = 0; r < rounds; ++r) {
        t.start();
        // The last key of the last section: the whole file is scanned.
        const QString v = profile::readValue(large, QStringLiteral("Grade1"), QStringLiteral("0DA2000"));
        largeReads.push_back(t.nsecsElapsed());
        Q_UNUSED(v);
        t.start();
        profile::writeValue(large, QStringLiteral("Grade1"), QStringLiteral("0DA2000"), QString::number(r));
        largeWrites.push_back(t.nsecsElapsed());
        files::read(large, largeBytes);
        t.start();
        files::writeAtomically(large, largeBytes);
        flushes.push_back(t.nsecsElapsed());
    }
    report("profile_read_2000key_file", medianMicros(largeReads), "us");
    report("profile_write_2000key_file", medianMicros(largeWrites), "us");
    report("profile_replace_only_2000key_file", medianMicros(flushes), "us");

    // A scores refresh reads a whole record through one snapshot: 2000 present keys and as many
    // missing ones.
    std::vector<qint64> snapshots;
    for (int r = 0; r < 20; ++r) {
        t.start();
        const profile::Snapshot snapshot(large);
        int found = 0;
        for (int i = 1; i <= 2000; ++i) {
            found += snapshot.contains(QStringLiteral("Grade%1").arg(i % 4 + 1), QStringLiteral("%1DA%2").arg(i % 50).arg(i));
            found += snapshot.contains(QStringLiteral("Grade1"), QStringLiteral("%1SX%2").arg(i % 50).arg(i));
        }
        snapshots.push_back(t.nsecsElapsed());
        Q_UNUSED(found);
    }
    report("profile_snapshot_4000_lookups_2000key_file", medianMicros(snapshots), "us");

    // The same write in a memory-backed folder, where flushing costs nothing: what is left is
    // the lock, the parse, the splice and the writing of the bytes.
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        QTemporaryDir shm(QStringLiteral("/dev/shm/bench_profile-XXXXXX"));
        const QString inMemory = shm.filePath(QStringLiteral("large.cho"));
        QFile::copy(large, inMemory);
        std::vector<qint64> memoryWrites;
        for (int r = 0; r < rounds; ++r) {
            t.start();
            profile::writeValue(inMemory, QStringLiteral("Grade1"), QStringLiteral("0DA2000"), QString::number(r));
            memoryWrites.push_back(t.nsecsElapsed());
        }
        report("profile_write_2000key_file_unflushed", medianMicros(memoryWrites), "us");
    }

    // A periodic save of a 200-question record: TIME, DangQian, 200 DA and 200 SX keys (~400).
    const QString rec = dir.filePath(QStringLiteral("Grade2A17.cho"));
    std::vector<qint64> batches;
    for (int r = 0; r < 20; ++r) {
        t.start();
        profile::Batch batch(rec);
        for (int i = 1; i <= 200; ++i)
            batch.write(QStringLiteral("Grade2A"), QStringLiteral("17DA%1").arg(i), QString::number(r + i));
        for (int i = 1; i <= 200; ++i)
            batch.write(QStringLiteral("Grade2A"), QStringLiteral("17SX%1").arg(i), QString::number(i));
        batch.commit();
        batches.push_back(t.nsecsElapsed());
    }
    report("profile_batch_400_keys", medianMicros(batches) / 1000.0, "ms");

    t.start();
    for (int i = 1; i <= 200; ++i)
        profile::writeValue(rec, QStringLiteral("Grade2A"), QStringLiteral("17DA%1").arg(i), QString::number(i));
    for (int i = 1; i <= 200; ++i)
        profile::writeValue(rec, QStringLiteral("Grade2A"), QStringLiteral("17SX%1").arg(i), QString::number(i));
    report("profile_400_single_writes", t.nsecsElapsed() / 1e6, "ms");
    return 0;
}
