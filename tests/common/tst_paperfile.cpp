#include "numbers.h"
#include "paperfile.h"
#include "profile.h"
#include "testsupport.h"

#include <QDir>
#include <QSet>
#include <QTest>

using namespace paper;

class TestPaperFile : public QObject
{
    Q_OBJECT

private slots:
    void loadReadsUpToTheCountOnly()
    {
        TestDataRoot root;
        root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"),
                   "[MAIN]\r\nQuestion_conut= 2\r\nMARK= 5\r\n"
                   "[1]\r\nQUESTION= 11.RTF \r\nexplain=12.RTF\r\nanswer=13\r\nmark=\r\n"
                   "[2]\r\nquestion=21.RTF\r\nEXPLAIN=22.RTF\r\nANSWER=2\r\nMARK=2.5\r\n"
                   "[3]\r\nQUESTION=31.RTF\r\nexplain=32.RTF\r\n");
        QuestionTable table;
        loadQuestions(file(QStringLiteral("Unit3")), table);
        QCOMPARE(int(table.count()), 2);
        QCOMPARE(int(table.defaultMark), 5);
        QCOMPARE(table.questions.at(0), (Question{QStringLiteral("11.RTF"), QStringLiteral("12.RTF"), QStringLiteral("13"), QString()}));
        QCOMPARE(table.questions.at(1), (Question{QStringLiteral("21.RTF"), QStringLiteral("22.RTF"), QStringLiteral("2"), QStringLiteral("2.5")}));
    }

    void neverEditedPaperHasNoQuestions()
    {
        TestDataRoot root;
        root.write(QStringLiteral("SHIJUAN/New/New.cho"), "[MAIN]\r\nTESTTIME=30\r\n");
        QuestionTable table;
        table.questions.append({QStringLiteral("stale.RTF"), {}, {}, {}});
        loadQuestions(file(QStringLiteral("New")), table);
        QCOMPARE(int(table.count()), 0);
        QCOMPARE(int(table.defaultMark), 0);
        loadQuestions(file(QStringLiteral("Missing")), table);
        QCOMPARE(int(table.count()), 0);
    }

    void saveWritesTheSignBlankFormAndRenumbers()
    {
        TestDataRoot root;
        root.write(QStringLiteral("SHIJUAN/U/U.cho"),
                   "[MAIN]\r\nTESTTIME=30\r\nQuestion_conut= 5\r\n"
                   "[5]\r\nQUESTION=old5.RTF\r\n");
        QuestionTable table;
        table.defaultMark = 5;
        table.questions = {{QStringLiteral("1.RTF"), QStringLiteral("2.RTF"), QStringLiteral("13"), QString()},
                           {QStringLiteral("3.RTF"), QStringLiteral("4.RTF"), QString(), QStringLiteral("2")}};
        table.fullScore = numbers::toInt16(fullScoreExact(table.questions, table.defaultMark));
        QVERIFY(saveQuestions(file(QStringLiteral("U")), table));
        const QByteArray bytes = root.read(QStringLiteral("SHIJUAN/U/U.cho"));
        QVERIFY(bytes.contains("Question_conut= 2\r\nfull_mark= 7\r\nMark= 5\r\n"));
        QVERIFY(bytes.contains("[1]\r\nQUESTION=1.RTF\r\nexplain=2.RTF\r\nanswer=13\r\nmark=\r\n"));
        QVERIFY(bytes.contains("TESTTIME=30\r\n"));
        // Section 5 stays, ignored because the count says 2.
        QVERIFY(bytes.contains("[5]\r\nQUESTION=old5.RTF"));
        QuestionTable back;
        loadQuestions(file(QStringLiteral("U")), back);
        QCOMPARE(back.questions, table.questions);
    }

    void fullScore_data()
    {
        QTest::addColumn<QStringList>("marks");
        QTest::addColumn<int>("defaultMark");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty, 2, 3.5 with default 5") << QStringList{QString(), QStringLiteral("2"), QStringLiteral("3.5")} << 5 << 10.0;
        QTest::newRow("2.5 twice") << QStringList{QStringLiteral("2.5"), QStringLiteral("2.5")} << 0 << 4.0;
        QTest::newRow("letters count 0") << QStringList{QStringLiteral("abc"), QStringLiteral(" 4 ")} << 1 << 4.0;
        QTest::newRow("no questions") << QStringList{} << 5 << 0.0;
        QTest::newRow("beyond 16 bits") << QStringList{QStringLiteral("30000"), QStringLiteral("30000")} << 0 << 60000.0;
    }
    void fullScore()
    {
        QFETCH(QStringList, marks);
        QFETCH(int, defaultMark);
        QFETCH(double, expected);
        QList<Question> questions;
        for (const QString &m : marks)
            questions.append({{}, {}, {}, m});
        QCOMPARE(fullScoreExact(questions, qint16(defaultMark)), expected);
    }

    void grades()
    {
        QCOMPARE(grade(95, 90, 80, 70, 60), 'A');
        QCOMPARE(grade(80, 90, 80, 70, 60), 'B');
        QCOMPARE(grade(79, 90, 80, 70, 60), 'C');
        QCOMPARE(grade(60, 90, 80, 70, 60), 'D');
        QCOMPARE(grade(59, 90, 80, 70, 60), 'F');
        QCOMPARE(grade(0, 0, 0, 0, 0), 'A');
    }

    void newNamesAreFreeAndDistinct()
    {
        TestDataRoot root;
        const QString folder = root.file(QStringLiteral("work"));
        QSet<QString> names;
        for (int i = 0; i < 200; ++i) {
            const QString name = newRtfName(folder, QStringLiteral(" RTF "), names.values());
            QVERIFY(name.endsWith(QStringLiteral(".RTF")));
            const qint64 n = name.section(u'.', 0, 0).toLongLong();
            QVERIFY(n >= 1 && n <= 100000000);
            QVERIFY(!names.contains(name));
            names.insert(name);
            if (i % 2 == 0)
                root.write(QStringLiteral("work/") + name.toLower(), "x"); // on disk in another letter case
        }
        for (const QString &existing : QDir(folder).entryList(QDir::Files)) {
            QVERIFY(newRtfName(folder, QStringLiteral("RTF")).compare(existing, Qt::CaseInsensitive) != 0);
        }
    }

    void managementKeysInWriteOrder()
    {
        QCOMPARE(managementKeys().size(), qsizetype(12));
        QCOMPARE(managementKeys().first(), QStringLiteral("TESTTIME"));
        QCOMPARE(managementKeys().last(), QStringLiteral("about_test"));
        QVERIFY(!managementKeys().contains(QStringLiteral("full_mark")));
    }

    void rtfFilesFoundInAnyLetterCase()
    {
        TestDataRoot root;
        root.write(QStringLiteral("shijuan/unit3/731.rtf"), "{\\rtf1 x}");
        QCOMPARE(rtfPath(QStringLiteral("Unit3"), QStringLiteral("731.RTF")), root.file(QStringLiteral("shijuan/unit3/731.rtf")));
        // Names that would leave the paper folder give no path at all.
        for (const char *name : {"../../sys/sys.cho", "..", "/etc/passwd", "a\\b.RTF", "", "  "})
            QVERIFY2(rtfPath(QStringLiteral("Unit3"), QString::fromUtf8(name)).isEmpty(), name);
    }
};

QTEST_GUILESS_MAIN(TestPaperFile)
#include "tst_paperfile.moc"
