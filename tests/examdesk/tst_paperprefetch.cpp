#include "paperprefetch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

} // namespace

class TestPaperPrefetch : public QObject
{
    Q_OBJECT

private slots:
    void aShareThatComesBackIsCopiedFromAndAMissingFileIsToldApart()
    {
        QTemporaryDir dir;
        const QString share = dir.filePath(QStringLiteral("share"));
        const QString away = dir.filePath(QStringLiteral("away"));
        const QString work = dir.filePath(QStringLiteral("work"));
        QVERIFY(QDir().mkpath(away) && QDir().mkpath(work));
        write(away + QStringLiteral("/q1.RTF"), "one");
        write(away + QStringLiteral("/q2.RTF"), "two");
        const auto from = [share](const QString &name) { return [share, name] { return share + u'/' + name; }; };
        QList<PaperPrefetch::File> files{{from(QStringLiteral("q1.RTF")), work + QStringLiteral("/q1.RTF")},
                                         {from(QStringLiteral("q2.RTF")), work + QStringLiteral("/q2.RTF")},
                                         {from(QStringLiteral("gone.RTF")), work + QStringLiteral("/gone.RTF")},
                                         {[] { return QString(); }, work + QStringLiteral("/bad")}};
        PaperPrefetch prefetch(files, 20);

        // The share's folder is not there: nothing is copied, nothing is given up, and a wait
        // for the shown question ends on time.
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(prefetch.waitFor(work + QStringLiteral("/q2.RTF"), 150), PaperPrefetch::Status::Pending);
        QVERIFY(waited.elapsed() < 2000);
        QCOMPARE(prefetch.status(work + QStringLiteral("/q1.RTF")), PaperPrefetch::Status::Pending);
        QCOMPARE(prefetch.status(work + QStringLiteral("/gone.RTF")), PaperPrefetch::Status::Pending);
        QTRY_COMPARE(prefetch.status(work + QStringLiteral("/bad")), PaperPrefetch::Status::Missing);
        QCOMPARE(QDir(work).entryList(QDir::Files), QStringList{});

        // The share is back: every file there is copied whole; one the paper folder lacks is missing.
        QVERIFY(QDir().rename(away, share));
        QCOMPARE(prefetch.waitFor(work + QStringLiteral("/q2.RTF"), 5000), PaperPrefetch::Status::Copied);
        QTRY_COMPARE(prefetch.status(work + QStringLiteral("/q1.RTF")), PaperPrefetch::Status::Copied);
        QTRY_COMPARE(prefetch.status(work + QStringLiteral("/gone.RTF")), PaperPrefetch::Status::Missing);
        QCOMPARE(read(work + QStringLiteral("/q1.RTF")), QByteArray("one"));
        QCOMPARE(read(work + QStringLiteral("/q2.RTF")), QByteArray("two"));
        QCOMPARE(QDir(work).entryList(QDir::Files), (QStringList{QStringLiteral("q1.RTF"), QStringLiteral("q2.RTF")}));
    }

    void theWantedFileGoesFirstAndAStuckCopyNeverHoldsItsOwner()
    {
        QTemporaryDir dir;
        const QString work = dir.filePath(QStringLiteral("work"));
        QVERIFY(QDir().mkpath(work));
        // A pipe nobody writes to stands for a share that hangs in the middle of a copy.
        const QString stuck = dir.filePath(QStringLiteral("stuck.RTF"));
        QCOMPARE(::mkfifo(QFile::encodeName(stuck).constData(), 0600), 0);
        QList<PaperPrefetch::File> files;
        for (int i = 1; i <= 30; ++i) {
            const QString name = QStringLiteral("q%1.RTF").arg(i);
            write(dir.filePath(name), name.toLatin1());
            // A slow share: each file takes a while to find.
            files.append({[dir = dir.path(), name] {
                              QThread::msleep(50);
                              return dir + u'/' + name;
                          },
                          work + u'/' + name});
        }
        auto prefetch = std::make_unique<PaperPrefetch>(files);
        QCOMPARE(prefetch->waitFor(work + QStringLiteral("/q30.RTF"), 5000), PaperPrefetch::Status::Copied);
        QCOMPARE(read(work + QStringLiteral("/q30.RTF")), QByteArray("q30.RTF"));
        QCOMPARE(prefetch->status(work + QStringLiteral("/q29.RTF")), PaperPrefetch::Status::Pending);
        QTRY_COMPARE_WITH_TIMEOUT(prefetch->status(work + QStringLiteral("/q29.RTF")), PaperPrefetch::Status::Copied,
                                  10000);
        QCOMPARE(prefetch->status(work + QStringLiteral("/q1.RTF")), PaperPrefetch::Status::Copied);

        auto hanging = std::make_unique<PaperPrefetch>(
            QList<PaperPrefetch::File>{{[stuck] { return stuck; }, work + QStringLiteral("/stuck.RTF")}});
        QCOMPARE(hanging->waitFor(work + QStringLiteral("/stuck.RTF"), 100), PaperPrefetch::Status::Pending);
        QElapsedTimer ending;
        ending.start();
        hanging.reset();
        QVERIFY(ending.elapsed() < 1000);
        // Let the thread go: it finds itself stopped and leaves nothing behind.
        QFile pipe(stuck);
        QVERIFY(pipe.open(QIODevice::WriteOnly));
        pipe.close();
        prefetch.reset();
        PaperPrefetch::finishAll(10000);
        QVERIFY(!QFile::exists(work + QStringLiteral("/stuck.RTF.part")));
        QVERIFY(!QFile::exists(work + QStringLiteral("/stuck.RTF")));
    }
};

QTEST_GUILESS_MAIN(TestPaperPrefetch)
#include "tst_paperprefetch.moc"
