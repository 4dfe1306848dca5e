// Hostile and broken input: the reader never crashes, never hangs and stays linear.
#include "rtf/rtf.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

#include <limits>
#include <random>

using namespace Qt::StringLiterals;

namespace {

QByteArray goldenInput(const QString &name)
{
    QFile file(QDir(QStringLiteral(RTF_GOLDEN_DIR)).filePath(name + QStringLiteral("/input.rtf")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

/// Reads data both ways and checks that they agree; returns the plain text.
QString readBothWays(const QByteArray &data)
{
    QTextDocument doc;
    rtf::read(data, doc);
    const QString viaDocument = doc.toPlainText();
    const QString direct = rtf::plainText(data);
    if (rtf::isRtf(data) && viaDocument != direct)
        qFatal("plain text paths disagree");
    return viaDocument;
}

/// The best of three reads: a machine busy with other work slows single runs, not all three.
qint64 millisecondsToRead(const QByteArray &data)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        QTextDocument doc;
        rtf::read(data, doc);
        best = std::min(best, timer.elapsed());
    }
    return best;
}

/// How deep the table around the block holding text is, 0 outside tables; -1 when no block has it.
int tableDepthOf(const QTextDocument &doc, const QString &text)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!block.text().contains(text))
            continue;
        int depth = 0;
        for (QTextFrame *frame = QTextCursor(block).currentFrame(); frame && frame != doc.rootFrame();
             frame = frame->parentFrame()) {
            if (qobject_cast<QTextTable *>(frame))
                ++depth;
        }
        return depth;
    }
    return -1;
}

} // namespace

class TestRtfRobustness : public QObject
{
    Q_OBJECT

private slots:
    void unbalancedNestedTablesReadWhatTheyHold_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("texts");  // each must be in the document...
        QTest::addColumn<QList<int>>("depths"); // ...at this table depth
        QTest::newRow("nestrow without cells")
            << QByteArray("\\pard\\intbl A\\cell{\\*\\nesttableprops\\trowd\\cellx900\\nestrow}\\row\\pard After\\par")
            << QStringList{u"A"_s, u"After"_s} << QList<int>{1, 0};
        QTest::newRow("itap jumps to five")
            << QByteArray("\\pard\\intbl One\\par\\pard\\intbl\\itap5 Five\\nestcell"
                          "{\\*\\nesttableprops\\nestrow}\\pard\\intbl Back\\cell\\row")
            << QStringList{u"One"_s, u"Five"_s, u"Back"_s} << QList<int>{1, 5, 1};
        QTest::newRow("nested row never closed")
            << QByteArray("\\pard\\intbl Out\\par\\pard\\intbl\\itap2 In\\nestcell Open")
            << QStringList{u"Out"_s, u"In"_s, u"Open"_s} << QList<int>{1, 2, 2};
        QTest::newRow("header inside a nested table")
            << QByteArray("\\pard\\intbl\\itap2 In{\\header Head\\par}side\\nestcell"
                          "{\\*\\nesttableprops\\trowd\\cellx900\\nestrow}\\pard\\intbl\\cell\\row")
            << QStringList{u"Inside"_s} << QList<int>{2};
        QTest::newRow("nestcell outside any table")
            << QByteArray("\\pard Loose\\nestcell\\nestrow\\pard Text\\par")
            << QStringList{u"Loose"_s, u"Text"_s} << QList<int>{0, 0};
        QTest::newRow("itap beyond the limit")
            << QByteArray("\\pard\\intbl\\itap2000000000 Deep\\nestcell\\pard After\\par")
            << QStringList{u"Deep"_s, u"After"_s} << QList<int>{16, 0};
        QTest::newRow("footnote holding a table in a nested cell")
            << QByteArray("\\pard\\intbl\\itap2 A{\\footnote\\pard\\intbl\\itap3 N\\nestcell\\trowd\\cellx500\\row}B"
                          "\\nestcell{\\*\\nesttableprops\\trowd\\cellx900\\nestrow}\\pard\\intbl C\\cell\\row\\pard after\\par")
            << QStringList{u"A"_s, u"C"_s, u"after"_s, u"N"_s} << QList<int>{2, 1, 0, 0};
        QTest::newRow("cell closes the nested levels")
            << QByteArray("\\pard\\intbl\\itap3 Three\\nestcell\\cell\\pard\\intbl Next\\cell\\row")
            << QStringList{u"Three"_s, u"Next"_s} << QList<int>{3, 1};
    }

    void unbalancedNestedTablesReadWhatTheyHold()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, depths);
        const QByteArray data = "{\\rtf1\\ansi " + body + "}";
        QTextDocument doc;
        QVERIFY(rtf::read(data, doc));
        QCOMPARE(rtf::plainText(data), doc.toPlainText());
        for (qsizetype i = 0; i < texts.size(); ++i)
            QCOMPARE(tableDepthOf(doc, texts.at(i)), depths.at(i));
        QVERIFY(!doc.toPlainText().contains(u"Head"_s));
        // What was read writes back to the same structure.
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc), back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        for (qsizetype i = 0; i < texts.size(); ++i)
            QCOMPARE(tableDepthOf(back, texts.at(i)), depths.at(i));
    }

    void manyNestingChangesStayLinear()
    {
        // Every paragraph jumps from the outer table to the deepest level and back.
        QByteArray body;
        for (int i = 0; i < 500; ++i)
            body += "\\pard\\intbl\\itap16 x\\nestcell\\pard\\intbl y\\cell\\row\r\n";
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1 " + body + "}", doc));
        QCOMPARE(tableDepthOf(doc, u"x"_s), 16);
    }

    void truncatedAtEveryByte()
    {
        const QByteArray sample = goldenInput(QStringLiteral("word_header")) +
                                  goldenInput(QStringLiteral("gbk_chinese")) +
                                  goldenInput(QStringLiteral("png_picture"));
        QVERIFY(sample.size() > 3000);
        for (qsizetype n = 0; n <= sample.size(); ++n)
            readBothWays(sample.left(n));
        // A file cut in the middle still shows what it had.
        const QByteArray gbk = goldenInput(QStringLiteral("gbk_chinese"));
        QVERIFY(readBothWays(gbk.left(gbk.indexOf("\\par\r\n"))).startsWith(QStringLiteral("\u4E0B\u5217")));
    }

    void hundredThousandNestedGroups()
    {
        const int n = 100000;
        QByteArray deep = "{\\rtf1 a" + QByteArray(n, '{') + "\\b deep" + QByteArray(n, '}') + " b}";
        QElapsedTimer timer;
        timer.start();
        QTextDocument doc;
        QVERIFY(rtf::read(deep, doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("adeep b"));
        QVERIFY(timer.elapsed() < 5000);
        // Formatting below the depth limit does not leak out of the groups.
        QTextCursor cursor(&doc);
        cursor.setPosition(doc.characterCount() - 1);
        QVERIFY(cursor.charFormat().fontWeight() < QFont::DemiBold);
        // Unbalanced both ways.
        QCOMPARE(readBothWays("{\\rtf1 x" + QByteArray(n, '{') + "y"), QStringLiteral("xy"));
        QCOMPARE(readBothWays("{\\rtf1 x" + QByteArray(n, '}') + "y"), QStringLiteral("x"));
        QCOMPARE(
            readBothWays("{\\rtf1 " + QByteArray(n, '{') + "{\\*\\skipped z" + QByteArray(n, '}') + "}w}"),
            QStringLiteral("w"));
    }

    void deepGroupsAboveTheLimitDoNotLeak()
    {
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1 " + QByteArray(1000, '{') + "\\b x" + QByteArray(1000, '}') + "y}", doc));
        QTextCursor cursor(&doc);
        cursor.setPosition(2);
        QCOMPARE(doc.toPlainText(), QStringLiteral("xy"));
        QVERIFY(cursor.charFormat().fontWeight() < QFont::DemiBold);
    }

    void hugeBinDeclared()
    {
        QCOMPARE(readBothWays("{\\rtf1 a\\bin2147483648 xyz}"), QStringLiteral("a"));
        QCOMPARE(readBothWays("{\\rtf1 a\\bin99999999999999999999 xyz}"), QStringLiteral("a"));
        QCOMPARE(readBothWays("{\\rtf1 a\\bin-5 xyz}"), QStringLiteral("axyz"));
        // The \\bin data runs to the end: kept as the picture's bytes.
        QCOMPARE(readBothWays("{\\rtf1 a{\\pict\\pngblip\\bin2147483648 \x89PNG}b}"), QStringLiteral("a\uFFFC"));
        QCOMPARE(readBothWays("{\\rtf1 a\\bin"), QStringLiteral("a"));
    }

    void hugeNumbers()
    {
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1\\fs99999999999999999999999 a\\fs-5 b\\li-99999999999\\fi2147483647\\sb-1 c"
                          // \ucN skips N characters after \u65, "d", "\uc-3" and "e" among them.
                          "\\u99999999999?\\u-99999999999?\\uc99999999 \\u65 d\\uc-3 e"
                          "{\\colortbl\\red99999\\green-4\\blue300;}\\cf0 f\\f99999999999 g\\ansicpg-1 h"
                          "{\\pict\\pngblip\\picwgoal2147483647\\pichgoal-8\\picscalex99999 00}"
                          "\\par\\par\\par}",
                          doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("abcAfgh\uFFFC\n\n"));
        QTextCursor cursor(&doc);
        cursor.setPosition(1);
        QVERIFY(cursor.charFormat().fontPointSize() <= 1638);
        QVERIFY(cursor.charFormat().fontPointSize() >= 1);
        cursor.setPosition(2);
        QVERIFY(cursor.charFormat().fontPointSize() > 0);
        QVERIFY(doc.begin().blockFormat().leftMargin() >= -31680 / 15.0);
        QVERIFY(doc.begin().blockFormat().textIndent() <= 31680 / 15.0);
        // Control words longer than the RTF limit are no words we know.
        QCOMPARE(readBothWays("{\\rtf1 \\" + QByteArray(100000, 'b') + " x}"), QStringLiteral("x"));
    }

    void hugeHexPictureIsBounded()
    {
        QByteArray rtf = "{\\rtf1 a{\\pict\\pngblip 89504e470d0a1a0a";
        rtf += QByteArray(8 * 1024 * 1024, 'f');
        rtf += "}b}";
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(readBothWays(rtf), QStringLiteral("a\uFFFC"
                                                   "b")); // no valid PNG: a placeholder
        QVERIFY(timer.elapsed() < 10000);
    }

    void randomBytes()
    {
        std::mt19937 random(4);
        for (int round = 0; round < 300; ++round) {
            QByteArray data = "{\\rtf1 ";
            const int size = std::uniform_int_distribution<int>(0, 4096)(random);
            for (int i = 0; i < size; ++i)
                data.append(char(std::uniform_int_distribution<int>(0, 255)(random)));
            readBothWays(data);
            readBothWays(data.mid(7));
        }
    }

    void randomTokenSoup()
    {
        // Pieces of RTF in random order reach far more of the reader than random bytes.
        // clang-format off
        static const char *pieces[] = {
            "{", "}", "{", "}", "\\par ", "\\b ", "\\b0 ", "\\i", "\\ul ", "\\ulnone ", "\\f0 ", "\\f1 ", "\\f99 ",
            "\\fs40 ", "\\cf1 ", "\\highlight2 ", "\\plain ", "\\pard ", "\\qc ", "\\li720 ", "\\fi-360 ",
            "\\'d6", "\\'d0", "\\'8", "\\'", "\\u20013?", "\\u-10179?", "\\uc0 ", "\\uc2 ", "\\uc9 ", "text ",
            "\\*", "\\*\\foo ", "{\\*\\generator x;}", "{\\fonttbl", "{\\f0\\fcharset134 A;}", "{\\f1\\fcharset2 Symbol;}",
            "\\fcharset128 ", "{\\colortbl;", "\\red9\\green8\\blue7;", ";", "{\\pict\\pngblip ", "89504e470d0a1a0a",
            "{\\*\\shppict", "{\\nonshppict", "\\bin3 ", "\\bin ", "\\cell ", "\\row ", "\\tab ", "\\line ", "\\~",
            "\\-", "\\{", "\\}", "\\\\", "{\\upr", "{\\*\\ud", "\\stylesheet ", "{\\info ", "\\deff1 ", "\\ansicpg936 ",
            "\\ansicpg1251 ", "\\super ", "\\sub ", "\\nosupersub ", "\\emdash ", "\r\n", "\\", "\x00", "\xff",
            "\\trowd ", "\\cellx1000 ", "\\cellx-5 ", "\\intbl ", "\\itap0 ", "\\clvmgf ", "\\clvmrg ",
            "\\clbrdrt\\brdrs\\brdrw10 ", "\\brdrnone ", "\\trgaph108 ", "\\v ", "\\v0 ", "\\dbch ", "\\loch ",
            "\\rtlch ", "\\afs40 ", "\\ab ", "\\ai0 ", "\\af1 ", "\\nestcell ", "\\nestrow ",
        };
        // clang-format on
        std::mt19937 random(7);
        for (int round = 0; round < 2000; ++round) {
            QByteArray data = "{\\rtf1\\ansi ";
            const int count = std::uniform_int_distribution<int>(0, 200)(random);
            for (int i = 0; i < count; ++i)
                data.append(pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(random)]);
            QTextDocument doc;
            rtf::read(data, doc);
            // Whatever was read writes and reads back to the same text.
            const QByteArray written = rtf::write(doc, 1252);
            QTextDocument back;
            QVERIFY(rtf::read(written, back));
            if (back.toPlainText() != doc.toPlainText())
                qWarning("%s", data.toHex().constData());
            QCOMPARE(back.toPlainText(), doc.toPlainText());
            QCOMPARE(rtf::write(back, 1252), written);
            if (rtf::plainText(data) != doc.toPlainText())
                qWarning("%s", data.toHex().constData());
            QCOMPARE(rtf::plainText(data), doc.toPlainText());
        }
    }

    void brokenNotesKeepWhatCanBeRead_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text"); // "@" for a note's anchor
        QTest::newRow("footnote in a footnote")
            << QByteArray("A{\\footnote B{\\footnote C} D} E\\par") << QStringLiteral("A@ E\n\n1 BC D");
        QTest::newRow("comment without an end")
            << QByteArray("A{\\*\\atrfstart 1}B{\\*\\atnid X}\\chatn{\\*\\annotation{\\*\\atnref 1} note")
            << QStringLiteral("AB[X1]@\n\n[X1]  note");
        QTest::newRow("range without an end")
            << QByteArray("A{\\*\\atrfstart 1}B{\\*\\annotation x}C\\par") << QStringLiteral("AB[C1]@C\n\n[C1] x");
        QTest::newRow("footnote in a table cell")
            << QByteArray("\\trowd\\cellx1000\\cellx2000\\intbl A{\\footnote\\pard\\plain N\\par M\\cell K\\row}B\\cell "
                          "C\\cell\\row\\pard after\\par")
            << QStringLiteral("\nA@B\nC\nafter\n\n1 N\nM\nK");
        QTest::newRow("nested table in a footnote in a nested cell")
            << QByteArray("\\pard\\intbl\\itap2 A{\\footnote\\pard\\intbl\\itap3 N\\nestcell{\\*\\nesttableprops\\trowd"
                          "\\cellx500\\nestrow}M\\cell K\\row}B\\nestcell{\\*\\nesttableprops\\trowd\\cellx900\\nestrow}"
                          "\\pard\\intbl C\\cell\\row\\pard after\\par")
            << QStringLiteral("\n\nA@B\nC\nafter\n\n1 N\nM\nK");
        QTest::newRow("footnote in a header")
            << QByteArray("{\\header H{\\footnote F}}Body\\par") << QStringLiteral("Body");
        QTest::newRow("footnote outside any group") << QByteArray("A\\footnote B\\par") << QStringLiteral("AB");
        QTest::newRow("comment in a footnote")
            << QByteArray("A{\\footnote B{\\*\\annotation C}}\\par") << QStringLiteral("A@\n\n1 BC");
        QTest::newRow("footnote in a picture")
            << QByteArray("A{\\pict\\pngblip{\\footnote B}00}C\\par") << QStringLiteral("A@C");
        QTest::newRow("number without a footnote") << QByteArray("A{\\super\\chftn}B\\par") << QStringLiteral("A1B");
        QTest::newRow("empty comment details")
            << QByteArray("{\\*\\atnid}{\\*\\atnauthor}{\\*\\annotation{\\*\\atnref}{\\*\\atndate}}x")
            << QStringLiteral("[C1]@x\n\n[C1] ");
    }

    void brokenNotesKeepWhatCanBeRead()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        const QByteArray data = "{\\rtf1\\ansi " + body + "}";
        text.replace(u'@', QChar::ObjectReplacementCharacter);
        // A picture that cannot be read shows as one object, as an anchor does.
        QCOMPARE(readBothWays(data), text);
        for (qsizetype cut = 0; cut <= data.size(); ++cut)
            readBothWays(data.first(cut));
        QTextDocument doc;
        QVERIFY(rtf::read(data, doc));
        const QByteArray written = rtf::write(doc, 1252);
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(rtf::write(back, 1252), written);
    }

    void randomNoteSoup()
    {
        // As randomTokenSoup, with the words of footnotes and comments among the pieces.
        // clang-format off
        static const char *pieces[] = {
            "{", "}", "{", "}", "\\par ", "\\b ", "\\super ", "\\plain ", "\\pard ", "text ", "\\u20013?", "\\v ",
            "{\\footnote ", "{\\*\\footnote ", "\\footnote ", "\\ftnalt ", "\\chftn ", "{\\chftn}", "\\chatn ",
            "{\\*\\annotation ", "{\\*\\atnid AB}", "{\\*\\atnauthor Ann}", "{\\*\\atnref 1}", "{\\*\\atndate 5}",
            "{\\*\\atrfstart 1}", "{\\*\\atrfend 1}", "{\\*\\atrfstart 2}", "{\\*\\atrfend 2}", "{\\*\\atnid ",
            "{\\*\\atnauthorAnn Lee}", "{\\header ", "\\trowd ", "\\cellx1000 ", "\\intbl ", "\\cell ", "\\row ",
            "{\\pict\\pngblip 89504e47}", "\\*", "\\line ", "\\tab ",
        };
        // clang-format on
        std::mt19937 random(19);
        for (int round = 0; round < 1500; ++round) {
            QByteArray data = "{\\rtf1\\ansi ";
            const int count = std::uniform_int_distribution<int>(0, 120)(random);
            for (int i = 0; i < count; ++i)
                data.append(pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(random)]);
            QTextDocument doc;
            rtf::read(data, doc);
            const QByteArray written = rtf::write(doc, 1252);
            QTextDocument back;
            QVERIFY(rtf::read(written, back));
            if (back.toPlainText() != doc.toPlainText() || rtf::plainText(data) != doc.toPlainText())
                qWarning("%s", data.constData());
            QCOMPARE(back.toPlainText(), doc.toPlainText());
            QCOMPARE(rtf::write(back, 1252), written);
            QCOMPARE(rtf::plainText(data), doc.toPlainText());
        }
    }

    void manyNotesStayLinear()
    {
        const auto build = [](int n) {
            return "{\\rtf1 " + QByteArray("a{\\*\\atrfstart 1}b{\\*\\atrfend 1}{\\footnote x}{\\*\\annotation y}").repeated(n) + "}";
        };
        millisecondsToRead(build(200)); // warm up
        const qint64 small = std::max<qint64>(millisecondsToRead(build(500)), 5);
        const qint64 large = millisecondsToRead(build(2000));
        QVERIFY2(large < small * 10, qPrintable(QStringLiteral("%1 ms, then %2 ms").arg(small).arg(large)));
    }

    void timeGrowsLinearly_data()
    {
        QTest::addColumn<QByteArray>("unit");
        QTest::newRow("paragraphs") << QByteArray("a\\par ");
        QTest::newRow("groups") << QByteArray("{\\b x}");
        QTest::newRow("format changes") << QByteArray("\\b a\\b0 b");
        QTest::newRow("hex bytes") << QByteArray("\\'e9");
        QTest::newRow("unicode") << QByteArray("\\u20013?");
        QTest::newRow("unknown destinations") << QByteArray("{\\*\\x {y}}");
        QTest::newRow("opened groups") << QByteArray("{");
        QTest::newRow("closed groups") << QByteArray("}");
        QTest::newRow("font table entries") << QByteArray("{\\fonttbl{\\f1 A;}}");
        QTest::newRow("cells") << QByteArray("\\cell ");
    }

    void timeGrowsLinearly()
    {
        QFETCH(QByteArray, unit);
        const auto build = [&unit](int n) { return "{\\rtf1 " + unit.repeated(n) + "}"; };
        millisecondsToRead(build(2000)); // warm up
        const qint64 small = std::max<qint64>(millisecondsToRead(build(20000)), 5);
        const qint64 large = millisecondsToRead(build(80000));
        // Four times the input may take a bit more than four times as long, never sixteen.
        QVERIFY2(large < small * 10, qPrintable(QStringLiteral("%1 ms, then %2 ms").arg(small).arg(large)));
    }
};

QTEST_MAIN(TestRtfRobustness)
#include "tst_rtfrobustness.moc"
