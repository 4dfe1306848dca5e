// The reader's contract beyond the golden files: the API, the demo paper's files, and single
// behaviours written inline.
#include "rtf/rtf.h"
#include "rtfdump.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextTable>

namespace {

QString plain(const QByteArray &rtf)
{
    QTextDocument doc;
    if (!rtf::read(rtf, doc))
        return QStringLiteral("<not rtf>");
    return doc.toPlainText();
}

/// The formatting of the character at position in doc.
QTextCharFormat formatAt(const QTextDocument &doc, int position)
{
    QTextCursor cursor(const_cast<QTextDocument *>(&doc));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

int find(const QTextDocument &doc, const QString &text)
{
    return int(doc.toPlainText().indexOf(text));
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void notRtfIsRefusedAndLeavesTheDocumentEmpty_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("plain text") << QByteArray("Hello {\\rtf1 world}");
        QTest::newRow("html") << QByteArray("<html><body>x</body></html>");
        QTest::newRow("rtf without brace") << QByteArray("\\rtf1 text");
        QTest::newRow("binary") << QByteArray("\x00\x01\x02{\\rtf1 x}", 12);
    }

    void notRtfIsRefusedAndLeavesTheDocumentEmpty()
    {
        QFETCH(QByteArray, data);
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("previous question"));
        QVERIFY(!rtf::isRtf(data));
        QVERIFY(!rtf::read(data, doc));
        QVERIFY(doc.isEmpty());
        QCOMPARE(rtf::plainText(data), QString());
    }

    void leadingBlanksAndByteOrderMarkAreAccepted()
    {
        QCOMPARE(plain("\r\n  {\\rtf1 x}"), QStringLiteral("x"));
        QCOMPARE(plain("\xEF\xBB\xBF{\\rtf1 y}"), QStringLiteral("y"));
    }

    void readReplacesContentAndClearsUndo()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("old"));
        QTextCursor(&doc).insertText(QStringLiteral("typed"));
        QVERIFY(doc.isUndoAvailable());
        QVERIFY(rtf::read("{\\rtf1 new}", doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("new"));
        QVERIFY(!doc.isUndoAvailable());
        QVERIFY(doc.isUndoRedoEnabled());
        QVERIFY(!doc.isModified());
    }

    void loadFileAndPlainTextOfFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("731.RTF"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 One\\par Two\\par}");
        file.close();
        QTextDocument doc;
        QVERIFY(rtf::loadFile(path, doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("One\nTwo"));
        QCOMPARE(rtf::plainTextOfFile(path), QStringLiteral("One\nTwo"));

        QVERIFY(!rtf::loadFile(dir.filePath(QStringLiteral("missing.RTF")), doc));
        QVERIFY(doc.isEmpty());
        QVERIFY(!rtf::loadFile(QString(), doc));
        QCOMPARE(rtf::plainTextOfFile(dir.filePath(QStringLiteral("missing.RTF"))), QString());
        QCOMPARE(rtf::plainTextOfFile(QString()), QString());
    }

    void saveFileReplacesTheWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("9.RTF"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'x'));
        old.close();
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("short"));
        QVERIFY(rtf::saveFile(path, doc));
        QCOMPARE(rtf::plainTextOfFile(path), QStringLiteral("short"));
        QVERIFY(QFileInfo(path).size() < 1000);
        QVERIFY(!rtf::saveFile(dir.filePath(QStringLiteral("no/such/folder/1.RTF")), doc));
        QVERIFY(!rtf::saveFile(QString(), doc));
    }

    // The demo paper must show as its author wrote it.
    void demoPaperFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("boldPart");
        const QString dash = QStringLiteral("\u2013");
        QTest::newRow("12875543")
            << QStringLiteral("12875543.RTF")
            << QStringLiteral("Giving away means taking away: 34 %1 12.\nOnes: 4 %1 2 = 2. Tens: 3 %1 1 = 2. "
                              "Tom has 22 stickers.\nAnswer A adds the numbers instead.")
                   .arg(dash)
            << QStringLiteral("22");
        QTest::newRow("27764501") << QStringLiteral("27764501.RTF")
                                  << QStringLiteral("63 %1 28 = ?\n\nA. 35\nB. 45\nC. 31\nD. 25").arg(dash)
                                  << QStringLiteral("63 %1 28 = ?").arg(dash);
        QTest::newRow("3948266")
            << QStringLiteral("3948266.RTF")
            << QStringLiteral("Five tens and five tens make ten tens, and ten tens are one hundred.")
            << QString();
        QTest::newRow("48213907") << QStringLiteral("48213907.RTF")
                                  << QStringLiteral("What is 25 + 17?\n\nA. 32\nB. 42\nC. 41\nD. 52")
                                  << QStringLiteral("What is 25 + 17?");
        QTest::newRow("55120087") << QStringLiteral("55120087.RTF")
                                  << QStringLiteral(
                                         "True or false: 50 + 50 = 100\n\nA. yes (true)\nB. not (false)")
                                  << QStringLiteral("True or false:");
        QTest::newRow("66018823") << QStringLiteral("66018823.RTF")
                                  << QStringLiteral(
                                         "A number is even when its ones digit is 0, 2, 4, 6 or 8.\n"
                                         "14 and 36 are even; 21 and 45 are odd.")
                                  << QString();
        QTest::newRow("70031594") << QStringLiteral("70031594.RTF")
                                  << QStringLiteral(
                                         "Tom has 34 stickers. He gives 12 stickers to Ann.\n"
                                         "How many stickers does Tom have now?\n\nA. 46\nB. 22\nC. 12\nD. 20")
                                  << QStringLiteral("Tom has 34 stickers. He gives 12 stickers to Ann.");
        QTest::newRow("73305112") << QStringLiteral("73305112.RTF")
                                  << QStringLiteral(
                                         "Add the ones first: 5 + 7 = 12. Write 2 and carry 1 ten.\n"
                                         "Then the tens: 2 + 1 + 1 = 4. So 25 + 17 = 42.")
                                  << QStringLiteral("42");
        QTest::newRow("80412936") << QStringLiteral("80412936.RTF")
                                  << QStringLiteral("You cannot take 8 from 3, so take 1 ten: 13 %1 8 = 5.\n"
                                                    "Then 5 %1 2 = 3 tens. So 63 %1 28 = 35.")
                                         .arg(dash)
                                  << QStringLiteral("35");
        QTest::newRow("9157340") << QStringLiteral("9157340.RTF")
                                 << QStringLiteral("Which of these numbers are even? (Tick every right "
                                                   "answer.)\n\nA. 14\nB. 21\nC. 36\nD. 45")
                                 << QStringLiteral("Which of these numbers are even?");
    }

    void demoPaperFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, text);
        QFETCH(QString, boldPart);
        const QString path = QDir(QStringLiteral(DEMO_PAPER_DIR)).filePath(file);
        QTextDocument doc;
        QVERIFY(rtf::loadFile(path, doc));
        QCOMPARE(doc.toPlainText(), text);
        QCOMPARE(rtf::plainTextOfFile(path), text);
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                QCOMPARE(format.fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
                QCOMPARE(format.fontPointSize(), 12.0);
                const bool bold = format.fontWeight() >= QFont::DemiBold;
                QCOMPARE(bold, !boldPart.isEmpty() && boldPart.contains(it.fragment().text()));
            }
        }
        if (!boldPart.isEmpty())
            QVERIFY(formatAt(doc, find(doc, boldPart)).fontWeight() >= QFont::DemiBold);
    }

    void demoPaperColoursAndUnderline()
    {
        const QDir demo(QStringLiteral(DEMO_PAPER_DIR));
        QTextDocument doc;
        QVERIFY(rtf::loadFile(demo.filePath(QStringLiteral("12875543.RTF")), doc));
        const QTextCharFormat answer = formatAt(doc, find(doc, QStringLiteral("Answer A")));
        QVERIFY(answer.fontItalic());
        QCOMPARE(answer.foreground().color(), QColor(192, 0, 0));
        QVERIFY(rtf::loadFile(demo.filePath(QStringLiteral("3948266.RTF")), doc));
        QVERIFY(formatAt(doc, find(doc, QStringLiteral("one hundred"))).fontUnderline());
        QVERIFY(!formatAt(doc, find(doc, QStringLiteral("tens are"))).fontUnderline());
        QVERIFY(rtf::loadFile(demo.filePath(QStringLiteral("66018823.RTF")), doc));
        QCOMPARE(formatAt(doc, find(doc, QStringLiteral("14"))).foreground().color(), QColor(0, 128, 0));
        QVERIFY(
            !formatAt(doc, find(doc, QStringLiteral(" and 36"))).hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(rtf::loadFile(demo.filePath(QStringLiteral("73305112.RTF")), doc));
        QCOMPARE(formatAt(doc, 0).foreground().color(), QColor(0, 102, 204));
    }

    void trailingParagraphMarkOpensNoParagraph()
    {
        QCOMPARE(plain("{\\rtf1 a\\par}"), QStringLiteral("a"));
        QCOMPARE(plain("{\\rtf1 a\\par\\par}"), QStringLiteral("a\n"));
        QCOMPARE(plain("{\\rtf1 a}"), QStringLiteral("a"));
        QCOMPARE(plain("{\\rtf1 \\par a}"), QStringLiteral("\na"));
        QCOMPARE(plain("{\\rtf1}"), QString());
    }

    void lastParagraphKeepsItsFormattingWithoutAMark()
    {
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1 \\pard\\qr right}", doc));
        QCOMPARE(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QVERIFY(rtf::read("{\\rtf1 \\pard\\qc centre\\par}", doc));
        QCOMPARE(doc.blockCount(), 1);
        QCOMPARE(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }

    void hangingIndentIsATabStop()
    {
        // A bullet list as WordPad writes it: the tab after the bullet reaches the left indent.
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1 \\pard\\fi-360\\li720 {\\pntext\\'b7\\tab}item\\par}", doc));
        const QList<QTextOption::Tab> tabs = doc.begin().blockFormat().tabPositions();
        QCOMPARE(tabs.size(), 1);
        QCOMPARE(tabs.first().position, 24.0); // measured from the first line's start at 24 px
        QVERIFY(rtf::read("{\\rtf1 \\pard\\fi360\\li720 item\\par}", doc));
        QVERIFY(doc.begin().blockFormat().tabPositions().isEmpty());
    }

    void doubleByteCharactersMayMixEscapedAndRawBytes()
    {
        // GBK: the trail byte of a character may be written raw when it is ASCII (0x40..0x7E).
        // 0x81 0x40 is U+4E02; 0xD6 0xD0 is U+4E2D.
        QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 F;}}\\f0 \\'81@\\'d6\\'d0}"),
                 QStringLiteral("\u4E02\u4E2D"));
        // Shift_JIS: 0x95 0x5C (U+8868) with the trail byte escaped as a backslash.
        QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 F;}}\\f0 \\'95\\\\}"),
                 QStringLiteral("\u8868"));
        // A lead byte cut off by a change of font is dropped, the rest still reads.
        QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset134 F;}{\\f1\\fcharset0 G;}}\\f0 \\'d6\\f1 x}"),
                 QStringLiteral("x"));
    }

    void codePageComesFromTheFontThenTheDocument()
    {
        // \fcharset0 means Windows-1252 even in a document of another code page.
        QCOMPARE(
            plain("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset1 B;}{\\f2 C;}}"
                  "\\f0\\'e9\\f1\\'e9\\f2\\'e9\\f7\\'e9}"),
            QStringLiteral("\u00E9\u0439\u0439\u0439"));
        // \cpg overrides the charset.
        QCOMPARE(plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg1253 G;}}\\f0\\'e1}"),
                 QStringLiteral("\u03B1"));
        // A code page this machine does not know reads as Windows-1252.
        QCOMPARE(plain("{\\rtf1\\ansi\\ansicpg12345 \\'e9}"), QStringLiteral("\u00E9"));
        QCOMPARE(plain("{\\rtf1\\mac \\'8e}"), QStringLiteral("\u00E9"));
    }

    void fontNamesInTheirOwnCodePage()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(
            "{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fnil "
            "\\u24494?\\u-28817?\\u-26939?\\u-24879?;}\\f2 Flat;\\f3 Also flat;}\\f0 a\\f1 b\\f2 c\\f3 d}",
            doc));
        QCOMPARE(formatAt(doc, 0).fontFamilies().toStringList(), QStringList{QStringLiteral("\u5B8B\u4F53")});
        QCOMPARE(formatAt(doc, 1).fontFamilies().toStringList(),
                 QStringList{QStringLiteral("\u5FAE\u8F6F\u96C5\u9ED1")});
        QCOMPARE(formatAt(doc, 2).fontFamilies().toStringList(), QStringList{QStringLiteral("Flat")});
        QCOMPARE(formatAt(doc, 3).fontFamilies().toStringList(), QStringList{QStringLiteral("Also flat")});
    }

    void unicodeSkipStopsAtGroupsAndCountsEscapes()
    {
        QCOMPARE(plain("{\\rtf1\\uc2 \\u233\\'65\\'65x}"), QStringLiteral("\u00E9x"));
        QCOMPARE(plain("{\\rtf1\\uc3 {\\u233 ab}c}"), QStringLiteral("\u00E9c"));
        QCOMPARE(plain("{\\rtf1\\uc1 \\u233\\par x}"), QStringLiteral("\u00E9x"));
        QCOMPARE(plain("{\\rtf1 \\u65535?\\u-1?\\u70000?z}"), QStringLiteral("\uFFFF\uFFFFz"));
    }

    void controlCharactersCannotBreakTheDocument()
    {
        // \u10, \u13, U+2029 and object characters do not split paragraphs or pose as pictures.
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1 a\\u10?b\\u13?c\\u8233?d\\u65532?e\\'00\\'07f}", doc));
        QCOMPARE(doc.blockCount(), 1);
        QCOMPARE(doc.toPlainText(), QStringLiteral("a\nb\nc\nde"
                                                   "f"));
    }

    void groupsRestoreFormatting()
    {
        QTextDocument doc;
        QVERIFY(rtf::read(
            "{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 B;}}\\f0\\fs20 a{\\f1\\fs40\\b\\i\\ul\\strike\\super b}c}",
            doc));
        const QTextCharFormat c = formatAt(doc, 2);
        QCOMPARE(c.fontFamilies().toStringList(), QStringList{QStringLiteral("A")});
        QCOMPARE(c.fontPointSize(), 10.0);
        QVERIFY(c.fontWeight() < QFont::DemiBold);
        QVERIFY(!c.fontItalic() && !c.fontUnderline() && !c.fontStrikeOut());
        QCOMPARE(c.verticalAlignment(), QTextCharFormat::AlignNormal);
        const QTextCharFormat b = formatAt(doc, 1);
        QCOMPARE(b.fontPointSize(), 20.0);
        QVERIFY(b.fontWeight() >= QFont::DemiBold && b.fontItalic() && b.fontUnderline() &&
                b.fontStrikeOut());
        QCOMPARE(b.verticalAlignment(), QTextCharFormat::AlignSuperScript);
    }

    void formattingSetBeforeAParagraphMarkGoesOn()
    {
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1 a\\b\\par b\\i{\\pict\\pngblip 00}c}", doc));
        QVERIFY(formatAt(doc, 0).fontWeight() < QFont::DemiBold);
        QVERIFY(formatAt(doc, 2).fontWeight() >= QFont::DemiBold);
        QVERIFY(!formatAt(doc, 2).fontItalic());
        QVERIFY(formatAt(doc, 4).fontItalic()); // after the picture
    }

    void plainResetsToTheDefaultFont()
    {
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1\\deff1{\\fonttbl{\\f0 A;}{\\f1 B;}}\\f0\\fs40\\b x\\plain y}", doc));
        const QTextCharFormat y = formatAt(doc, 1);
        QCOMPARE(y.fontFamilies().toStringList(), QStringList{QStringLiteral("B")});
        QCOMPARE(y.fontPointSize(), 12.0);
        QVERIFY(y.fontWeight() < QFont::DemiBold);
    }

    void colourIndexesOutsideTheTableAreAutomatic()
    {
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\cf1 a\\cf9 b\\cf-3 c\\highlight1 d}",
                          doc));
        QCOMPARE(formatAt(doc, 0).foreground().color(), QColor(1, 2, 3));
        QVERIFY(!formatAt(doc, 1).hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(!formatAt(doc, 2).hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(formatAt(doc, 3).background().color(), QColor(1, 2, 3));
    }

    void associatedPropertiesGovernCjkAndRightToLeftText_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        const QByteArray fonts = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset134 SimSun;}{\\f2 Tahoma;}}\\f0 ";
        // LibreOffice: the CJK run's size and weight only in the associated words.
        QTest::newRow("dbch afs ab") << fonts + "{\\dbch\\afs40\\ab\\dbch \\u31532?\\u19977? }{\\loch\\fs40\\b Unit}}"
                                     << u"\u7b2c\u4e09"_qs << u"Arial"_qs << 20.0 << true << false;
        QTest::newRow("latin beside it") << fonts + "{\\dbch\\afs40\\ab\\dbch \\u31532? Unit}}" << u"Unit"_qs
                                         << u"Arial"_qs << 12.0 << false << false;
        // Word: the CJK font after \\dbch, with \\f or \\af; its bytes in that font's code page.
        QTest::newRow("dbch f") << fonts + "{\\rtlch\\af2\\afs30 \\ltrch\\fs40\\i \\loch\\af0\\hich\\af0\\dbch\\f1 \\'b5\\'da}}"
                                << u"\u7b2c"_qs << u"SimSun"_qs << 20.0 << false << true;
        QTest::newRow("dbch af") << fonts + "{\\loch\\f0\\dbch\\af1\\ai \\'b5\\'da}}" << u"\u7b2c"_qs << u"SimSun"_qs
                                 << 12.0 << false << true;
        QTest::newRow("right to left") << fonts + "{\\rtlch\\af2\\afs32\\ab \\u1575?\\u1576?}}" << u"\u0627\u0628"_qs
                                       << u"Tahoma"_qs << 16.0 << true << false;
        QTest::newRow("plain resets") << fonts + "\\dbch\\afs40\\ab\\plain \\dbch \\u31532?}" << u"\u7b2c"_qs
                                      << u"Arial"_qs << 12.0 << false << false;
        QTest::newRow("group restores") << fonts + "{\\dbch\\afs40\\ab x}\\u31532?}" << u"\u7b2c"_qs << u"Arial"_qs << 12.0
                                        << false << false;
    }

    void associatedPropertiesGovernCjkAndRightToLeftText()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QFETCH(QString, family);
        QFETCH(double, points);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QTextDocument doc;
        QVERIFY(rtf::read(rtf, doc));
        const int at = find(doc, text);
        QVERIFY2(at >= 0, qPrintable(doc.toPlainText()));
        for (int i = at; i < at + text.size(); ++i) {
            const QTextCharFormat format = formatAt(doc, i);
            QCOMPARE(format.fontFamilies().toStringList().value(0), family);
            QCOMPARE(format.fontPointSize(), points);
            QCOMPARE(format.fontWeight() >= QFont::Bold, bold);
            QCOMPARE(format.fontItalic(), italic);
        }
        // What the writer makes of it reads back the same.
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 936), back));
        QCOMPARE(dumpDocument(back, DumpForm::Effective), dumpDocument(doc, DumpForm::Effective));
    }

    void hiddenTextTakesNoRoomAndIsWrittenBackHidden()
    {
        QTextDocument shown;
        QVERIFY(rtf::read("{\\rtf1\\ansi Which one?  Choose.}", shown));
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1\\ansi Which one? {\\v\\b The answer is B.\\v0} Choose.}", doc));
        QCOMPARE(doc.toPlainText(), u"Which one? \ufffc Choose."_qs);
        QCOMPARE(rtf::plainText("{\\rtf1\\ansi Which one? {\\v\\b The answer is B.\\v0} Choose.}"), doc.toPlainText());
        // Laid out, the hidden run takes no room.
        shown.setTextWidth(-1);
        doc.setTextWidth(-1);
        QVERIFY2(qAbs(doc.idealWidth() - shown.idealWidth()) < 2, qPrintable(QString::number(doc.idealWidth())));

        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY2(written.contains("{\\v") && written.contains("The answer is B.}"), written.constData());
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(dumpDocument(back, DumpForm::Effective), dumpDocument(doc, DumpForm::Effective));
        QVERIFY(dumpDocument(doc).contains(u"hidden \"The answer is B.\" font=\"(default)\" size=12 bold"_qs));
        QCOMPARE(rtf::write(back, 1252), written);
    }

    void tableRowsAndCells_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("dump");
        const QByteArray head = "{\\rtf1\\ansi ";
        QTest::newRow("table first, two paragraphs in a cell")
            << head + "\\trowd\\cellx1500\\cellx3000\\pard\\intbl a\\par b\\cell c\\cell\\row\\pard after\\par}"
            << u"paragraph|table rows=1 columns=2 widths=1500,1500 padding=0|cell 0,0 borders=-,-,-,-|paragraph|"
               "text a|paragraph|text b|cell 0,1 borders=-,-,-,-|paragraph|text c|paragraph|text after"_qs;
        QTest::newRow("more cells than defined, a row without its end")
            << head + "\\trowd\\cellx1000\\pard\\intbl a\\cell b\\cell\\row\\intbl c\\cell}"
            << u"paragraph|table rows=2 columns=2 widths=1000,1000 padding=0|cell 0,0 borders=-,-,-,-|paragraph|text a|"
               "cell 0,1 borders=-,-,-,-|paragraph|text b|cell 1,0 borders=-,-,-,-|paragraph|text c|"
               "cell 1,1 borders=-,-,-,-|paragraph|paragraph"_qs;
        QTest::newRow("borders, shading and a cell merged downwards")
            << head + "{\\colortbl;\\red255\\green0\\blue0;}\\trowd\\trgaph108\\clvmgf\\clbrdrb\\brdrs\\brdrw30\\brdrcf1"
                      "\\cellx2000\\clcbpat1\\cellx4000\\pard\\intbl a\\cell b\\cell\\row"
                      "\\trowd\\trgaph108\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell d\\cell\\row}"
            << u"paragraph|table rows=2 columns=2 widths=1892,2000 padding=108|cell 0,0 span=2x1 "
               "borders=-,-,-,30/#ff0000|paragraph|text a|cell 0,1 borders=-,-,-,- bg=#ff0000|paragraph|text b|"
               "cell 1,1 borders=-,-,-,-|paragraph|text d|paragraph"_qs;
    }

    void tableRowsAndCells()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, dump);
        QTextDocument doc;
        QVERIFY(rtf::read(rtf, doc));
        // The dump without fonts, one line a step.
        QStringList lines;
        for (QString line : dumpDocument(doc).split(u'\n', Qt::SkipEmptyParts)) {
            line = line.trimmed();
            if (line.startsWith(u"text "_qs))
                line = line.section(u'"', 0, 1).remove(u'"');
            if (line.startsWith(u"mark"_qs))
                continue;
            lines << line;
        }
        QCOMPARE(lines.join(u'|'), dump);
        QCOMPARE(rtf::plainText(rtf), doc.toPlainText());

        // Written back as RTF rows that read back the same.
        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY2(written.contains("\\trowd") && written.contains("\\cellx") && written.contains("\\intbl") &&
                     written.contains("\\row"),
                 written.constData());
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(dumpDocument(back, DumpForm::Effective), dumpDocument(doc, DumpForm::Effective));
        QCOMPARE(rtf::write(back, 1252), written);
    }

    void ignorableWordsAndLeadingBlanks_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        // \\* inside a group ignores only the word after it (as StarWriter writes \\*\\cs7).
        QTest::newRow("star inside a group") << QByteArray("{\\rtf1\\ansi {\\b\\*\\cs7 Kept sentence.}\\par}")
                                             << u"Kept sentence."_qs;
        QTest::newRow("unknown destination") << QByteArray("{\\rtf1\\ansi a{\\*\\foo b{c}}d}") << u"ad"_qs;
        QTest::newRow("known destination with star")
            << QByteArray("{\\rtf1\\ansi {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\*\\fldrslt Link text}}}")
            << u"Link text"_qs;
        QTest::newRow("field result without star")
            << QByteArray("{\\rtf1\\ansi {\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}}") << u"7"_qs;
        QTest::newRow("blanks before rtf") << QByteArray("{\r\n  \\rtf1\\ansi Text}") << u"Text"_qs;
    }

    void ignorableWordsAndLeadingBlanks()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QVERIFY(rtf::isRtf(rtf));
        QCOMPARE(plain(rtf), text);
        QCOMPARE(rtf::plainText(rtf), text);
    }

    void macintoshCodePages_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        // Old TextEdit and Word for the Mac: \\mac with \\ansicpg, or a font charset 77 to 89.
        QTest::newRow("roman") << QByteArray("{\\rtf1\\mac caf\\'8e}") << u"caf\u00e9"_qs;
        QTest::newRow("japanese") << QByteArray("{\\rtf1\\mac\\ansicpg10001 \\'82\\'a0\\'93\\'fa}") << u"\u3042\u65e5"_qs;
        QTest::newRow("traditional chinese") << QByteArray("{\\rtf1\\mac\\ansicpg10002 \\'a4\\'a4}") << u"\u4e2d"_qs;
        QTest::newRow("korean") << QByteArray("{\\rtf1\\mac\\ansicpg10003 \\'c7\\'d1}") << u"\ud55c"_qs;
        QTest::newRow("simplified chinese font")
            << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f1\\fcharset80 STSong;}}\\f1 \\'d6\\'d0}") << u"\u4e2d"_qs;
        QTest::newRow("cyrillic font")
            << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f1\\fcharset89 Geneva CY;}}\\f1 \\'80\\'e0}") << u"\u0410\u0430"_qs;
        QTest::newRow("greek font")
            << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f1\\fcharset85 Geneva GR;}}\\f1 \\'e1\\'e2}") << u"\u03b1\u03b2"_qs;
        QTest::newRow("central european") << QByteArray("{\\rtf1\\mac\\ansicpg10029 \\'88}") << u"\u0105"_qs;
        QTest::newRow("hebrew font")
            << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f1\\fcharset83 New Peninim;}}\\f1 \\'f9\\'ec\\'e5\\'ed}")
            << u"\u05e9\u05dc\u05d5\u05dd"_qs;
        QTest::newRow("arabic font")
            << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f1\\fcharset84 Geeza;}}\\f1 \\'c8\\'e1\\'f5}")
            << u"\u0628\u0641\u0686"_qs;
        QTest::newRow("thai font") << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f1\\fcharset87 Thonburi;}}\\f1 \\'a1\\'d2}")
                                   << u"\u0e01\u0e32"_qs;
        QTest::newRow("icelandic font code page")
            << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f1\\cpg10079 Geneva;}}\\f1 \\'dc\\'df}") << u"\u00d0\u00fe"_qs;
        QTest::newRow("code page that does not exist") << QByteArray("{\\rtf1\\ansi\\ansicpg77777 caf\\'e9}")
                                                        << u"caf\u00e9"_qs;
    }

    void macintoshCodePages()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(plain(rtf), text);
    }

    void macCodePagesOfOurOwnFollowApplesTables_data()
    {
        QTest::addColumn<int>("codePage");
        const QDir folder(QStringLiteral(RTF_GOLDEN_DIR "/../macpages"));
        const QStringList tables = folder.entryList({QStringLiteral("1*.txt")}, QDir::Files, QDir::Name);
        QCOMPARE(tables.size(), 6);
        for (const QString &name : tables)
            QTest::newRow(qPrintable(name)) << QFileInfo(name).baseName().toInt();
    }

    void macCodePagesOfOurOwnFollowApplesTables()
    {
        // Expected text per byte from Perl's copy of Apple's tables (generate.pl beside them).
        QFETCH(int, codePage);
        QFile file(QStringLiteral(RTF_GOLDEN_DIR "/../macpages/%1.txt").arg(codePage));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QByteArray body = "{\\rtf1\\mac\\ansicpg" + QByteArray::number(codePage) + " ";
        QStringList expected;
        int bytes = 0;
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
            if (fields.value(0).startsWith('#') || fields.size() < 2)
                continue;
            QString text;
            if (fields.at(1) == "-")
                text = QString(QChar::ReplacementCharacter);
            for (qsizetype i = 1; i < fields.size() && fields.at(1) != "-"; ++i)
                text += QChar(char16_t(fields.at(i).toUInt(nullptr, 16)));
            // As the reader hands text on: no-break space as in a document, sanitized controls.
            expected << text;
            body += "\\'" + fields.at(0).toLower() + "\\par ";
            ++bytes;
        }
        QCOMPARE(bytes, 128);
        QTextDocument doc;
        QVERIFY(rtf::read(body + "}", doc));
        QStringList lines;
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
            lines << block.text();
        lines.removeAll(QString()); // the paragraph that the last mark leaves
        QCOMPARE(lines, expected);
    }

    void picturesInTableCellsStayInTheirCell()
    {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "PNG"));
        // A picture first in a cell opens the row; one last in a cell stays before its end.
        const QByteArray rtf = "{\\rtf1\\ansi before\\par\\trowd\\cellx2000\\cellx4000\\pard\\intbl {\\pict\\pngblip " +
                               png.toHex() + "}\\cell b{\\pict\\pngblip " + png.toHex() + "}\\cell\\row\\pard after\\par}";
        QTextDocument doc;
        QVERIFY(rtf::read(rtf, doc));
        QTextTable *table = nullptr;
        for (QTextBlock block = doc.begin(); block.isValid() && !table; block = block.next())
            table = QTextCursor(block).currentTable();
        QVERIFY(table);
        QCOMPARE(table->rows(), 1);
        QCOMPARE(table->columns(), 2);
        const auto cellText = [&](int column) {
            const QTextTableCell cell = table->cellAt(0, column);
            QTextCursor cursor = cell.firstCursorPosition();
            cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            return cursor.selectedText();
        };
        QCOMPARE(cellText(0), QStringLiteral("\uFFFC"));
        QCOMPARE(cellText(1), QStringLiteral("b\uFFFC"));
        QCOMPARE(doc.toPlainText(), QStringLiteral("before\n\uFFFC\nb\uFFFC\nafter"));
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 1252), back));
        QCOMPARE(dumpDocument(back, DumpForm::Effective), dumpDocument(doc, DumpForm::Effective));
    }

    void picturesWithoutValidDataStayAsPlaceholders()
    {
        // Bytes that show nothing are kept all the same; only a picture without bytes is dropped.
        QCOMPARE(plain("{\\rtf1 a{\\pict\\pngblip 0011223344}b}"), QStringLiteral("a\uFFFC"
                                                                           "b"));
        QCOMPARE(plain("{\\rtf1 a{\\pict\\pngblip}b}"), QStringLiteral("ab"));
        QCOMPARE(plain("{\\rtf1 a{\\pict\\emfblip 89504e470d0a1a0a}b}"), QStringLiteral("a\uFFFC"
                                                                                 "b"));
        // A picture in binary form.
        QImage image(1, 1, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "PNG"));
        QTextDocument doc;
        QVERIFY(rtf::read(
            "{\\rtf1 a{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png + "}b}", doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("a\uFFFC"
                                                   "b"));
        QVERIFY(dumpDocument(doc).contains(QStringLiteral("image png 1x1")));
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
