#include "names.h"

#include <QTest>

class TestNames : public QObject
{
    Q_OBJECT

private slots:
    void refused_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        const int cls = int(names::Kind::Class);
        const int paper = int(names::Kind::Paper);
        QTest::newRow("empty") << cls << QString();
        QTest::newRow("blank") << paper << QStringLiteral("   ");
        for (const char *c : {"\\", "/", ":", "*", "?", "\"", "<", ">", "|", "]", "="})
            QTest::newRow(c) << paper << (QStringLiteral("a") + QLatin1String(c) + QStringLiteral("b"));
        QTest::newRow("leading bracket") << cls << QStringLiteral("[x");
        QTest::newRow("dot dot") << paper << QStringLiteral("..");
        QTest::newRow("section name") << paper << QStringLiteral("testname");
        QTest::newRow("admin") << paper << QStringLiteral("ADMIN");
        QTest::newRow("count key") << cls << QStringLiteral("ClassNameCount");
        QTest::newRow("number paper") << paper << QStringLiteral("3");
        QTest::newRow("case twin") << cls << QStringLiteral("grade2a");
        QTest::newRow("control character") << cls << QStringLiteral("a\tb");
    }
    void refused()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QVERIFY(!names::problem(names::Kind(kind), name, {QStringLiteral("Grade2A")}).isEmpty());
    }

    void accepted()
    {
        const QStringList listed = {QStringLiteral("Grade2A"), QStringLiteral("Unit3")};
        QVERIFY(names::problem(names::Kind::Class, QStringLiteral(" Grade2B "), listed).isEmpty());
        QVERIFY(names::problem(names::Kind::Class, QStringLiteral("3"), listed).isEmpty());
        QVERIFY(names::problem(names::Kind::Paper, QStringLiteral("Unit30"), listed).isEmpty());
        QVERIFY(names::problem(names::Kind::Paper, QStringLiteral("期中考试"), listed).isEmpty());
        QVERIFY(names::problem(names::Kind::Paper, QStringLiteral("a[b"), listed).isEmpty());
        // The exact same name is left to the window's own duplicate message.
        QVERIFY(names::problem(names::Kind::Paper, QStringLiteral("Unit3"), listed).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestNames)
#include "tst_names.moc"
