// The writer: what it declares, how it writes characters, and round trips (write, read, write)
// over generated documents.
#include "ansicodec.h"
#include "rtf/keptgroups.h"
#include "rtf/rtf.h"
#include "rtfdump.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <memory>
#include <random>

namespace {

QByteArray pngOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

/// A document with every kind of content the layer keeps, drawn from a seed.
class DocumentGenerator
{
public:
    explicit DocumentGenerator(unsigned seed)
        : m_random(seed)
    {}

    void fill(QTextDocument &doc)
    {
        QTextCursor cursor(&doc);
        const int paragraphs = pick(1, 8);
        for (int p = 0; p < paragraphs; ++p) {
            if (p > 0)
                cursor.insertBlock();
            cursor.setBlockFormat(blockFormat());
            const int runs = pick(0, 6);
            for (int r = 0; r < runs; ++r) {
                if (pick(0, 9) == 0)
                    insertImage(doc, cursor);
                else
                    cursor.insertText(text(), charFormat());
            }
            if (runs == 0)
                cursor.setBlockCharFormat(charFormat());
        }
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    QTextBlockFormat blockFormat()
    {
        QTextBlockFormat format;
        static const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                   Qt::AlignJustify};
        format.setAlignment(alignments[pick(0, 3)]);
        if (pick(0, 1)) {
            // Lengths come back in whole twips.
            format.setLeftMargin(pick(0, 1440) / 15.0);
            format.setRightMargin(pick(0, 720) / 15.0);
            format.setTextIndent(pick(-360, 720) / 15.0);
            format.setTopMargin(pick(0, 480) / 15.0);
            format.setBottomMargin(pick(0, 480) / 15.0);
        }
        return format;
    }

    QTextCharFormat charFormat()
    {
        static const QStringList families = {QStringLiteral("Arial"), QStringLiteral("Times New Roman"),
                                             QStringLiteral("\u5B8B\u4F53"), QStringLiteral("Courier New"),
                                             QStringLiteral("WenQuanYi Micro Hei")};
        QTextCharFormat format;
        if (pick(0, 4))
            format.setFontFamilies({families.at(pick(0, int(families.size()) - 1))});
        if (pick(0, 4))
            format.setFontPointSize(pick(10, 80) / 2.0);
        if (pick(0, 2) == 0)
            format.setFontWeight(QFont::Bold);
        format.setFontItalic(pick(0, 3) == 0);
        format.setFontUnderline(pick(0, 3) == 0);
        format.setFontStrikeOut(pick(0, 5) == 0);
        const int position = pick(0, 6);
        if (position == 0)
            format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (position == 1)
            format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        if (pick(0, 2) == 0)
            format.setForeground(QColor(pick(0, 255), pick(0, 255), pick(0, 255)));
        if (pick(0, 4) == 0)
            format.setBackground(QColor(pick(0, 255), pick(0, 255), pick(0, 255)));
        return format;
    }

    QString text()
    {
        static const QString pieces[] = {
            QStringLiteral("Tom has 34 stickers"),
            QStringLiteral(" "),
            QStringLiteral("\\{braces}\\"),
            QStringLiteral("\t"),
            QString(QChar(0x2028)),
            QStringLiteral("caf\u00E9 na\u00EFve \u20AC"),
            QStringLiteral("\u4E2D\u6587\u9898\u76EE"),
            QStringLiteral("\u0391\u03B2\u03B3"),
            QStringLiteral("\u041F\u0440\u0438"),
            QStringLiteral("\U0001F600"),
            QStringLiteral("a\u00A0b"),
            QStringLiteral("\u2013\u2014\u201C\u201D"),
            QStringLiteral("x2"),
            QStringLiteral("?"),
            QStringLiteral("12;34"),
            QStringLiteral("\uF0FC"),
        };
        QString result;
        const int count = pick(1, 4);
        for (int i = 0; i < count; ++i)
            result += pieces[pick(0, int(std::size(pieces)) - 1)];
        return result;
    }

    void insertImage(QTextDocument &doc, QTextCursor &cursor)
    {
        QImage image(pick(1, 12), pick(1, 12), QImage::Format_ARGB32);
        image.fill(QColor(pick(0, 255), pick(0, 255), pick(0, 255), pick(0, 1) ? 255 : 128));
        image.setPixel(0, 0, qRgb(pick(0, 255), 0, 0));
        const QString name = QStringLiteral("generated:%1").arg(++m_images);
        // As a pasted picture (QImage) or as file data (PNG bytes).
        if (pick(0, 1))
            doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
        else
            doc.addResource(QTextDocument::ImageResource, QUrl(name), pngOf(image));
        QTextImageFormat format;
        format.setName(name);
        if (pick(0, 1)) {
            format.setWidth(pick(1, 300));
            format.setHeight(pick(1, 300));
        }
        cursor.insertImage(format);
    }

    std::mt19937 m_random;
    int m_images = 0;
};

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ansi::setCodePageForTesting(QString()); }

    void declaresTheMachinesCodePageAndFallsBackInIt()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("\u4E2D caf\u00E9 \u0E01 \U0001F600"));
        QVERIFY(ansi::setCodePageForTesting(QStringLiteral("GBK")));
        QByteArray rtf = rtf::write(doc);
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
        QVERIFY(rtf.contains("\\fcharset134"));
        QVERIFY2(rtf.contains("\\uc2\\u20013\\'d6\\'d0"), rtf.constData());
        QVERIFY2(rtf.contains("caf\\u233\\'a8\\'a6"), rtf.constData());
        QVERIFY2(rtf.contains("\\uc1\\u3585?"), rtf.constData()); // GBK has no Thai
        QVERIFY(rtf.contains("\\u-10179?\\u-8704?"));

        QVERIFY(ansi::setCodePageForTesting(QStringLiteral("windows-1252")));
        rtf = rtf::write(doc);
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
        QVERIFY(rtf.contains("\\u20013?"));
        QVERIFY(rtf.contains("\\u233\\'e9"));

        // A machine without a Windows code page (UTF-8) declares 1252.
        QVERIFY(ansi::setCodePageForTesting(QStringLiteral("UTF-8")));
        QVERIFY(rtf::write(doc).startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    }

    void writesSevenBitTextWithEscapes()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("a\\b{c}d\te\u2028f"));
        const QByteArray rtf = rtf::write(doc, 1252);
        QVERIFY2(rtf.contains("a\\\\b\\{c\\}d\\tab e\\line f\\par"), rtf.constData());
        QTextDocument back;
        QVERIFY(rtf::read(rtf, back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
    }

    void emptyDocumentStaysEmpty()
    {
        QTextDocument doc;
        const QByteArray rtf = rtf::write(doc, 1252);
        QTextDocument back;
        back.setPlainText(QStringLiteral("x"));
        QVERIFY(rtf::read(rtf, back));
        QVERIFY(back.isEmpty());
        QCOMPARE(back.blockCount(), 1);
        QCOMPARE(rtf::write(back, 1252), rtf);
    }

    void emptyParagraphsKeepTheirCount()
    {
        for (const QString &text :
             {QStringLiteral("\n"), QStringLiteral("a\n"), QStringLiteral("\n\na\n\n")}) {
            QTextDocument doc;
            doc.setPlainText(text);
            QTextDocument back;
            QVERIFY(rtf::read(rtf::write(doc, 1252), back));
            QCOMPARE(back.toPlainText(), text);
        }
    }

    // A new picture is written as PNG, a photograph as the JPEG it is.
    void newPicturesAreWrittenAsPngOrJpeg()
    {
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "JPEG"));
        QTextDocument doc;
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("photo")), jpeg);
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("drawn")), image);
        QTextImageFormat format;
        format.setName(QStringLiteral("photo"));
        format.setWidth(30);
        QTextCursor cursor(&doc);
        cursor.insertImage(format);
        format.setName(QStringLiteral("drawn"));
        cursor.insertImage(format);
        const QByteArray rtf = rtf::write(doc, 1252);
        QVERIFY2(rtf.contains("{\\pict\\jpegblip\\picw3\\pich2\\picwgoal450\\pichgoal300\r\n" + jpeg.left(8).toHex()),
                 rtf.constData());
        QVERIFY2(rtf.contains("{\\pict\\pngblip\\picw3\\pich2\\picwgoal450\\pichgoal300\r\n89504e47"), rtf.constData());
        QTextDocument back;
        QVERIFY(rtf::read(rtf, back));
        QCOMPARE(dumpDocument(back),
                 QStringLiteral("paragraph\n  image jpeg 3x2 shown=450x300\n  image png 3x2 shown=450x300\n"));

        // A picture whose data is gone is left out rather than written broken.
        QTextDocument lost;
        format.setName(QStringLiteral("nowhere"));
        QTextCursor(&lost).insertImage(format);
        QVERIFY(!rtf::write(lost, 1252).contains("\\pict"));
    }

    void outsizedValuesAreCutToWhatReadsBack()
    {
        QImage image(6, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QTextDocument doc;
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("big")), image);
        QTextImageFormat picture;
        picture.setName(QStringLiteral("big"));
        picture.setHeight(1e7); // the width follows the proportions
        QTextCursor cursor(&doc);
        QTextBlockFormat block;
        block.setLeftMargin(1e6);
        block.setTextIndent(-1e6);
        block.setTopMargin(-50);
        block.setBottomMargin(1e9);
        cursor.setBlockFormat(block);
        cursor.insertImage(picture);
        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY2(written.contains("\\li31680\\fi-31680\\sa31680"), written.constData());
        QVERIFY2(written.contains("\\picwgoal633600\\pichgoal422400"), written.constData());
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(rtf::write(back, 1252), written);
    }

    void runsWithoutAFontGetTheDocumentDefault()
    {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Courier New"), 15));
        doc.setPlainText(QStringLiteral("x"));
        const QByteArray rtf = rtf::write(doc, 1252);
        QVERIFY2(rtf.contains("{\\f0\\fnil\\fcharset0 Courier New;}"), rtf.constData());
        QVERIFY2(rtf.contains("\\f0\\hich\\af0\\dbch\\af0\\fs30\\afs30 x"), rtf.constData());
    }

    void htmlDocumentsKeepTheirText()
    {
        QTextDocument doc;
        doc.setHtml(QStringLiteral("<p align=center><b>Bold</b> <span style='color:#ff0000'>red</span></p>"
                                   "<table><tr><td>a</td><td>b</td></tr></table><ul><li>item</li></ul>"
                                   "<p style='font-size:20px'>pixels</p>"));
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 1252), back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(back.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(
            back.findBlockByNumber(back.blockCount() - 1).begin().fragment().charFormat().fontPointSize(),
            15.0);
    }

    void generatedDocumentsRoundTrip_data()
    {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<int>("codePage");
        for (unsigned seed = 1; seed <= 150; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed)))
                << seed << (seed % 3 == 0 ? 936 : 1252);
    }

    void generatedDocumentsRoundTrip()
    {
        QFETCH(unsigned, seed);
        QFETCH(int, codePage);
        QTextDocument doc;
        DocumentGenerator(seed).fill(doc);
        const QByteArray written = rtf::write(doc, codePage);
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(dumpDocument(back, DumpForm::Effective), dumpDocument(doc, DumpForm::Effective));
        QCOMPARE(rtf::write(back, codePage), written);
        QCOMPARE(rtf::plainText(written), doc.toPlainText());
    }
    void tablesInCellsAreWrittenNested()
    {
        // A table in a cell of a table in a cell, as the editor makes it: each level keeps its
        // own cells and widths.
        QTextDocument doc;
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("Before"));
        const auto fixed = [](QList<double> pixels) {
            QTextTableFormat format;
            QList<QTextLength> widths;
            for (const double w : pixels)
                widths << QTextLength(QTextLength::FixedLength, w);
            format.setColumnWidthConstraints(widths);
            return format;
        };
        QTextTable *outer = cursor.insertTable(1, 2, fixed({100, 400}));
        outer->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("Outer"));
        QTextCursor inCell = outer->cellAt(0, 1).firstCursorPosition();
        inCell.insertText(QStringLiteral("Above"));
        QTextTable *middle = inCell.insertTable(2, 2, fixed({120, 200}));
        middle->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("Middle"));
        middle->cellAt(1, 1).firstCursorPosition().insertText(QString::fromUtf8("\xe4\xb8\xad\xe6\x96\x87"));
        QTextTable *inner = middle->cellAt(0, 1).firstCursorPosition().insertTable(1, 1, fixed({80}));
        inner->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("Inner"));

        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY(written.contains("\\itap2 Middle\\nestcell"));
        QVERIFY(written.contains("\\itap3 Inner\\nestcell"));
        QCOMPARE(written.count("{\\*\\nesttableprops\\trowd"), 3); // two middle rows, one inner
        QCOMPARE(written.count("\\nestrow}{\\nonesttables\\par}"), 3);
        QCOMPARE(written.count("\\row"), 1);
        // A reader without nested tables sees the cells' text in order.
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(dumpDocument(back, DumpForm::Effective), dumpDocument(doc, DumpForm::Effective));
        QCOMPARE(rtf::write(back, 1252), written);
        QCOMPARE(back.rootFrame()->childFrames().size(), 1);
        const QTextFrame *readOuter = back.rootFrame()->childFrames().constFirst();
        const auto *readMiddle = qobject_cast<const QTextTable *>(readOuter->childFrames().value(0));
        QVERIFY(readMiddle);
        QCOMPARE(readMiddle->rows(), 2);
        QCOMPARE(readMiddle->columns(), 2);
        QCOMPARE(readMiddle->format().columnWidthConstraints().value(1).rawValue(), 200.0);
        QCOMPARE(readMiddle->childFrames().size(), 1);
    }

    void headersAndFootersAreWrittenBackAsRead()
    {
        const QByteArray header = "{\\header\\pard\\plain {\\b Class 9b, \\'e9preuve}\\par}";
        const QByteArray footer = "{\\*\\footerr Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}}";
        const QList<QByteArray> kept{header, footer};
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1\\ansi\\sectd " + header + footer + "\\pard Question\\par}", doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("Question"));
        QCOMPARE(rtf::keptGroups(doc), kept);

        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY2(written.contains(header + "\r\n" + footer), written.constData());
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(back.toPlainText(), doc.toPlainText());
        QCOMPARE(rtf::keptGroups(back), kept);
        QCOMPARE(rtf::write(back, 1252), written);
        // The editor works on a clone of the document it loaded.
        const std::unique_ptr<QTextDocument> clone(doc.clone());
        QCOMPARE(rtf::keptGroups(*clone), kept);
        QCOMPARE(rtf::write(*clone, 1252), written);
        // Another file read into the same document brings only its own.
        QVERIFY(rtf::read("{\\rtf1 Other}", doc));
        QVERIFY(rtf::keptGroups(doc).isEmpty());
        QVERIFY(!rtf::write(doc, 1252).contains("header"));
    }

    void headersInOddPlacesLeaveTheRestReadable_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kept");
        QTest::newRow("inside a table cell")
            << QByteArray("{\\rtf1\\trowd\\cellx2000\\pard\\intbl a{\\header h}b\\cell\\row\\pard after\\par}")
            << QStringLiteral("\nab\nafter") << 1;
        QTest::newRow("not opening its group") << QByteArray("{\\rtf1 {x \\header h}y}") << QStringLiteral("x y") << 0;
        QTest::newRow("the file ends inside it") << QByteArray("{\\rtf1 a{\\footer {\\b h}") << QStringLiteral("a") << 0;
        QTest::newRow("inside the font table")
            << QByteArray("{\\rtf1{\\fonttbl{\\header h}{\\f0 Arial;}}\\f0 a}") << QStringLiteral("a") << 0;
    }

    void headersInOddPlacesLeaveTheRestReadable()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QFETCH(int, kept);
        QTextDocument doc;
        QVERIFY(rtf::read(rtf, doc));
        QCOMPARE(doc.toPlainText(), text);
        QCOMPARE(rtf::keptGroups(doc).size(), kept);
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 1252), back));
        QCOMPARE(back.toPlainText(), text);
        QCOMPARE(rtf::keptGroups(back), rtf::keptGroups(doc));
    }

    void groupsThatAreNotWholeAreNotWritten()
    {
        // Whatever set the property, the writer's file stays balanced.
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("x"));
        rtf::setKeptGroups(doc, {"{\\header a", "{\\header b}}", "\\par", "{\\header {c}}"});
        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY(!written.contains("header a") && !written.contains("header b"));
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(back.toPlainText(), QStringLiteral("x"));
        QCOMPARE(rtf::keptGroups(back), QList<QByteArray>{"{\\header {c}}"});
    }
};

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
