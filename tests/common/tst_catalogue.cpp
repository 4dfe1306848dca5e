#include "catalogue.h"
#include "profile.h"
#include "testsupport.h"

#include <QTest>

using namespace catalogue;

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void emptyCatalogue()
    {
        TestDataRoot root;
        QVERIFY(loadClasses().isEmpty());
        QVERIFY(loadPapers().isEmpty());
        QVERIFY(adminPassword().isEmpty());
        const ClassRecord c = loadClass(QStringLiteral("Nobody"));
        QCOMPARE(int(c.count), 0);
        QCOMPARE(int(c.first), 0);
        QCOMPARE(int(c.last), 0);
    }

    void firstSaveCreatesTheSysFolder()
    {
        TestDataRoot root;
        QVERIFY(saveClasses({{QStringLiteral("Grade2A"), 30, 1, 30}}));
        QVERIFY(root.exists(QStringLiteral("sys/sys.cho")));
        QCOMPARE(loadClasses().size(), qsizetype(1));
    }

    void savingThreeClassesAfterFive()
    {
        TestDataRoot root;
        QList<ClassRecord> five;
        for (int i = 1; i <= 5; ++i)
            five.append({QStringLiteral("C%1").arg(i), qint16(10 + i), qint16(i * 100), qint16(i * 100 + 20)});
        QVERIFY(saveClasses(five));
        QVERIFY(saveClasses(five.mid(0, 3)));
        const QList<ClassRecord> read = loadClasses();
        QCOMPARE(read.size(), qsizetype(3));
        QCOMPARE(read.at(2).name, QStringLiteral("C3"));
        QCOMPARE(int(read.at(2).count), 13);
        QCOMPARE(int(read.at(2).first), 300);
        QCOMPARE(int(read.at(2).last), 320);
        // Keys 4 and 5 stay in the file, unread.
        QCOMPARE(profile::readValue(path(), ClassNameSection, QStringLiteral("4")), QStringLiteral("C4"));
        QCOMPARE(profile::readValue(path(), ClassNameSection, QStringLiteral("5")), QStringLiteral("C5"));
    }

    void movingAClassChangesOnlyTheNumberedKeys()
    {
        TestDataRoot root;
        QVERIFY(saveClasses({{QStringLiteral("A"), 1, 1, 1}, {QStringLiteral("B"), 2, 2, 3}}));
        QVERIFY(saveClasses({{QStringLiteral("B"), 2, 2, 3}, {QStringLiteral("A"), 1, 1, 1}}));
        QCOMPARE(root.read(QStringLiteral("sys/sys.cho")),
                 QByteArray("[ClassName]\r\nClassNameCount=2\r\n1=B\r\n2=A\r\n"
                            "[ClassCount]\r\nA=1\r\nB=2\r\n"
                            "[FirstNumber]\r\nA=1\r\nB=2\r\n"
                            "[LastNumber]\r\nA=1\r\nB=3\r\n"));
    }

    void countLargerThanTheKeysPresent()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[ClassName]\r\nClassNameCount=3\r\n1= Grade1 \r\n"
                                                  "[TestName]\r\nTestNameCount=2\r\n1=Unit1\r\n");
        QCOMPARE(classNames(), (QStringList{QStringLiteral("Grade1"), QStringLiteral("0"), QStringLiteral("0")}));
        QCOMPARE(paperNames(), (QStringList{QStringLiteral("Unit1"), QStringLiteral("0")}));
        QCOMPARE(loadClasses().at(1).name, QStringLiteral("0"));
    }

    void openFlags_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("open");
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("01") << QByteArray("01") << true;
        QTest::newRow("1 with letters") << QByteArray("1abc") << true;
        QTest::newRow("word") << QByteArray("yes") << false;
        QTest::newRow("2") << QByteArray("2") << false;
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("1.4 rounds to 1") << QByteArray("1.4") << true;
    }
    void openFlags()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, open);
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\nUnit3=" + stored + "\r\n");
        const QList<PaperEntry> papers = loadPapers();
        QCOMPARE(papers.size(), qsizetype(1));
        QCOMPARE(isSet(papers.first().openFlag), open);
    }

    void missingOpenFlagTakesTheCallersDefault()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), "[TestName]\r\nTestNameCount=1\r\n1=Unit3\r\n");
        QCOMPARE(loadPapers().first().openFlag, QStringLiteral("0"));
        QCOMPARE(loadPapers(QStringLiteral("1")).first().openFlag, QStringLiteral("1"));
    }

    void paperListAndPermissions()
    {
        TestDataRoot root;
        QVERIFY(savePaperList({{QStringLiteral("Unit3"), QStringLiteral("1")}, {QStringLiteral("Unit4"), QStringLiteral("0")}}));
        QCOMPARE(paperNames(), (QStringList{QStringLiteral("Unit3"), QStringLiteral("Unit4")}));
        QCOMPARE(offeredClasses(QStringLiteral("Unit3"), QStringLiteral("1")).offered.size(), qsizetype(0));
        QVERIFY(savePermissions(loadPapers(), {QStringLiteral("Grade2A"), QStringLiteral("Grade2B")},
                                {{true, false}, {false, true}}));
        const auto stored = [](const char *paper, const char *cls) {
            return profile::readValue(path(), QString::fromUtf8(paper), QString::fromUtf8(cls), QStringLiteral("x"));
        };
        QCOMPARE(stored("Unit3", "Grade2A"), QStringLiteral("1"));
        QCOMPARE(stored("Unit3", "Grade2B"), QStringLiteral("0"));
        QCOMPARE(stored("unit4", "grade2b"), QStringLiteral("1"));
        QCOMPARE(loadPapers().at(1).openFlag, QStringLiteral("0"));
    }

    void password()
    {
        TestDataRoot root;
        QVERIFY(setAdminPassword(QStringLiteral("  secret ")));
        QCOMPARE(adminPassword(), QStringLiteral("secret"));
        root.write(QStringLiteral("sys/sys.cho"), "[admin]\r\npwd=    \r\n");
        QVERIFY(adminPassword().isEmpty());
    }

    void caseVariantsOfTheSysFolderAreFound()
    {
        TestDataRoot root;
        root.write(QStringLiteral("SYS/SYS.CHO"), "[ClassName]\r\nClassNameCount=1\r\n1=Grade9\r\n");
        QCOMPARE(classNames(), QStringList{QStringLiteral("Grade9")});
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
