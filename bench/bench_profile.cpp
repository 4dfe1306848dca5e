// Speed of the profile layer on files of the size the programs meet.
//
// Prints "BENCH <name> <value> <unit>" lines:
//  - one read and one write of a single key in a file of 1000 keys;
//  - a periodic save of 400 keys as one batch, against the same 400 keys as single writes.
#include "profile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
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
