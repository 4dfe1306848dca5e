#include "paths.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

class TestPaths : public QObject
{
    Q_OBJECT

private slots:
    void dataRootIsTheTrimmedProgramFolder()
    {
        TestDataRoot root;
        QCOMPARE(paths::dataRoot(), root.path());
        paths::setProgramFolderForTesting(QStringLiteral(" /srv/exam  "));
        QCOMPARE(paths::dataRoot(), QStringLiteral("/srv/exam"));
        QCOMPARE(paths::languageFile(), QStringLiteral(" /srv/exam  /Language.txt"));
        paths::setProgramFolderForTesting(root.path());
    }

    void aStarterNamesTheProgramFolderOfALocalCopy()
    {
        paths::setProgramFolderForTesting(QString());
        QCOMPARE(paths::programFolder(), QCoreApplication::applicationDirPath());
        qputenv("EXAM_PROGRAM_FOLDER", "/mnt/exam share");
        QCOMPARE(paths::dataRoot(), QStringLiteral("/mnt/exam share"));
        QCOMPARE(paths::helpFolder(), QStringLiteral("/mnt/exam share/help"));
        qputenv("EXAM_PROGRAM_FOLDER", "  ");
        QCOMPARE(paths::programFolder(), QCoreApplication::applicationDirPath());
        qunsetenv("EXAM_PROGRAM_FOLDER");
    }

    void joinKeepsOneSeparator()
    {
        QCOMPARE(paths::join(QStringLiteral("/"), QStringLiteral("sys/sys.cho")), QStringLiteral("/sys/sys.cho"));
        QCOMPARE(paths::join(QStringLiteral("/a/"), QStringLiteral("/b")), QStringLiteral("/a/b"));
        QCOMPARE(paths::join(QStringLiteral("/a"), QStringLiteral("\\b")), QStringLiteral("/a/b"));
    }

    void treeNames()
    {
        TestDataRoot root;
        QCOMPARE(paths::catalogueFile(), root.file(QStringLiteral("sys/sys.cho")));
        QCOMPARE(paths::paperFile(QStringLiteral(" Unit3 ")), root.file(QStringLiteral("SHIJUAN/Unit3/Unit3.cho")));
        QCOMPARE(paths::answerRecordFile(QStringLiteral("Unit3"), QStringLiteral("Grade2A"), QStringLiteral("17")),
                 root.file(QStringLiteral("CHENGJI/Unit3/Grade2A17.cho")));
    }

    void lettersCaseOnDiskIsFollowed()
    {
        TestDataRoot root;
        root.write(QStringLiteral("shijuan/UNIT3/unit3.CHO"), "x");
        root.write(QStringLiteral("shijuan/UNIT3/731.rtf"), "x");
        root.write(QStringLiteral("shijuan/UNIT3/12.RTF"), "x");
        root.write(QStringLiteral("shijuan/UNIT3/notes.txt"), "x");
        QDir().mkpath(root.file(QStringLiteral("shijuan/UNIT3/sub.rtf")));
        QCOMPARE(paths::paperFile(QStringLiteral("Unit3")), root.file(QStringLiteral("shijuan/UNIT3/unit3.CHO")));
        QCOMPARE(paths::listFiles(paths::paperFolder(QStringLiteral("unit3")), {QStringLiteral("*.RTF")}),
                 (QStringList{QStringLiteral("12.RTF"), QStringLiteral("731.rtf")}));
        // A new paper gets the spelling of the program.
        QCOMPARE(paths::paperFolder(QStringLiteral("Unit4")), root.file(QStringLiteral("shijuan/Unit4")));
    }

    void workFolderIsPerProgramAndOutsideTheDataRoot()
    {
        TestDataRoot root;
        const QString forge = paths::workFolder(QStringLiteral("examforge"));
        const QString desk = paths::workFolder(QStringLiteral("examdesk"));
        QVERIFY(!forge.isEmpty());
        QVERIFY(QDir(forge).exists());
        QVERIFY(forge != desk);
        QVERIFY(!forge.startsWith(root.path()));
        QVERIFY(forge.startsWith(root.workBase()));
    }

    void runningLocallyCanBeSetByTests()
    {
        TestDataRoot root;
        paths::setRunningLocallyForTesting(1);
        QVERIFY(paths::runningLocally());
        paths::setRunningLocallyForTesting(0);
        QVERIFY(!paths::runningLocally());
        paths::setRunningLocallyForTesting(-1);
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
