#include "numbers.h"

#include <QTest>

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("digits then letters") << QStringLiteral("12abc") << 12.0;
        QTest::newRow("letters only") << QStringLiteral("abc") << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("negative") << QStringLiteral("-3") << -3.0;
        QTest::newRow("sign blank") << QStringLiteral(" 12") << 12.0;
        QTest::newRow("tab and blanks") << QStringLiteral(" \t 7x") << 7.0;
        QTest::newRow("decimal") << QStringLiteral("3.5points") << 3.5;
        QTest::newRow("second point ends") << QStringLiteral("1.2.3") << 1.2;
        QTest::newRow("leading zeros") << QStringLiteral("007") << 7.0;
        QTest::newRow("plus") << QStringLiteral("+4") << 4.0;
        QTest::newRow("blank inside ends") << QStringLiteral("1 2") << 1.0;
        QTest::newRow("huge") << QStringLiteral("99999999999999999999") << 1e20;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(numbers::leadingNumber(text), value);
    }

    void narrowing_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("narrowed");
        QTest::newRow("2.5 to even 2") << 2.5 << 2;
        QTest::newRow("3.5 to even 4") << 3.5 << 4;
        QTest::newRow("-2.5 to -2") << -2.5 << -2;
        QTest::newRow("10.5 to 10") << 10.5 << 10;
        QTest::newRow("2.6 up") << 2.6 << 3;
        QTest::newRow("max") << 32767.0 << 32767;
        QTest::newRow("beyond max clamps") << 40000.0 << 32767;
        QTest::newRow("32767.5 clamps") << 32767.5 << 32767;
        QTest::newRow("min") << -32768.0 << -32768;
        QTest::newRow("beyond min clamps") << -1e9 << -32768;
    }
    void narrowing()
    {
        QFETCH(double, value);
        QFETCH(int, narrowed);
        QCOMPARE(int(numbers::toInt16(value)), narrowed);
    }

    void readInt16ClampsTextBeyondRange()
    {
        QCOMPARE(int(numbers::readInt16(u"70000")), 32767);
        QCOMPARE(int(numbers::readInt16(u"-99999abc")), -32768);
        QCOMPARE(int(numbers::readInt16(u"01")), 1);
        QVERIFY(!numbers::fitsInt16(32768));
        QVERIFY(numbers::fitsInt16(-32768));
    }

    void leadingNumberText()
    {
        QCOMPARE(numbers::leadingNumberText(u"85a"), QStringLiteral("85"));
        QCOMPARE(numbers::leadingNumberText(u""), QStringLiteral("0"));
        QCOMPARE(numbers::leadingNumberText(u"7x"), QStringLiteral("7"));
        QCOMPARE(numbers::leadingNumberText(u"007"), QStringLiteral("7"));
        QCOMPARE(numbers::leadingNumberText(u"-0"), QStringLiteral("0"));
        QCOMPARE(numbers::leadingNumberText(u"-12.50kg"), QStringLiteral("-12.5"));
        QCOMPARE(numbers::leadingNumberText(u" 3."), QStringLiteral("3"));
    }

    void signBlankForm()
    {
        QCOMPARE(numbers::signBlank(12LL), QStringLiteral(" 12"));
        QCOMPARE(numbers::signBlank(0LL), QStringLiteral(" 0"));
        QCOMPARE(numbers::signBlank(-3LL), QStringLiteral("-3"));
        QCOMPARE(numbers::signBlank(20.0), QStringLiteral(" 20"));
        QCOMPARE(numbers::signBlank(-1.5), QStringLiteral("-1.5"));
        QCOMPARE(numbers::plain(12), QStringLiteral("12"));
    }

    void hhmmss()
    {
        QCOMPARE(numbers::hhmmss(0), QStringLiteral("00:00:00"));
        QCOMPARE(numbers::hhmmss(1785), QStringLiteral("00:29:45"));
        QCOMPARE(numbers::hhmmss(32760), QStringLiteral("09:06:00"));
        QCOMPARE(numbers::hhmmss(-5), QStringLiteral("00:00:00"));
        QCOMPARE(numbers::hhmmss(100 * 3600), QStringLiteral("100:00:00"));
        QCOMPARE(numbers::parseHhmmss(u"0:29:45"), std::optional<qint64>(1785));
        QCOMPARE(numbers::parseHhmmss(u" 01:00:00 "), std::optional<qint64>(3600));
        QCOMPARE(numbers::parseHhmmss(u"1:60:00"), std::nullopt);
        QCOMPARE(numbers::parseHhmmss(u"abc"), std::nullopt);
        QCOMPARE(numbers::parseHhmmss(u"1::2"), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
