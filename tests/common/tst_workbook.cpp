#include "testsupport.h"
#include "workbook.h"

#include <QDir>
#include <QTest>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

/// A small template of two worksheets, the first with a styled heading from the shared strings.
void writeTemplate(const QString &path)
{
    const QMap<QString, QByteArray> parts = {
        {QStringLiteral("[Content_Types].xml"),
         R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>)"},
        {QStringLiteral("_rels/.rels"),
         R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {QStringLiteral("xl/workbook.xml"),
         R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Students" sheetId="1" r:id="rId2"/><sheet name="Class" sheetId="2" r:id="rId1"/></sheets></workbook>)"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>)"},
        {QStringLiteral("xl/sharedStrings.xml"),
         R"(<?xml version="1.0" encoding="UTF-8"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="1" uniqueCount="1"><si><r><t>Test </t></r><r><t>results</t></r></si></sst>)"},
        {QStringLiteral("xl/worksheets/sheet1.xml"),
         R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1" s="2" t="s"><v>0</v></c></row><row r="2"><c r="B2" s="3"/></row><row r="9"><c r="A9"><v>1</v></c></row></sheetData></worksheet>)"},
        {QStringLiteral("xl/worksheets/sheet2.xml"),
         R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData/></worksheet>)"},
    };
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        QuaZipFile f(&zip);
        QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo(it.key())));
        f.write(it.value());
        f.close();
    }
    zip.close();
}

QByteArray part(const QString &zipPath, const QString &name)
{
    QuaZip zip(zipPath);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(name))
        return {};
    QuaZipFile f(&zip);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void references()
    {
        QCOMPARE(Workbook::reference(2, 2), QStringLiteral("B2"));
        QCOMPARE(Workbook::reference(5, 27), QStringLiteral("AA5"));
        QCOMPARE(Workbook::reference(1048576, 16384), QStringLiteral("XFD1048576"));
        QVERIFY(Workbook::reference(0, 1).isEmpty());
        int r = 0;
        int c = 0;
        QVERIFY(Workbook::parseReference(QStringLiteral("$F$17"), &r, &c));
        QCOMPARE(r, 17);
        QCOMPARE(c, 6);
        QVERIFY(!Workbook::parseReference(QStringLiteral("17"), &r, &c));
        QVERIFY(!Workbook::parseReference(QStringLiteral("B"), &r, &c));
        QVERIFY(!Workbook::parseReference(QStringLiteral("B0"), &r, &c));
        QVERIFY(!Workbook::parseReference(QStringLiteral("ABCD1"), &r, &c));
    }

    void fillSaveAndReadBack()
    {
        TestDataRoot root;
        const QString templ = root.file(QStringLiteral("score.xlt"));
        writeTemplate(templ);
        Workbook book(templ);
        QVERIFY2(book.isValid(), qPrintable(book.errorString()));
        QCOMPARE(book.sheetCount(), 2);
        QCOMPARE(book.sheetName(2), QStringLiteral("Class"));
        QCOMPARE(book.cell(1, QStringLiteral("A1")), QVariant(QStringLiteral("Test results")));

        QVERIFY(book.setCell(1, QStringLiteral("B2"), QStringLiteral("Unit3")));
        QVERIFY(book.setCell(1, QStringLiteral("E1"), QStringLiteral("Grade2A")));
        QVERIFY(book.setCell(1, 6, 4, 85));
        QVERIFY(book.setCell(1, 6, 1, QStringLiteral("17")));
        QVERIFY(book.setCell(1, 5, 3, 2.5));
        QVERIFY(book.setCell(2, QStringLiteral("B6"), QStringLiteral(" 20")));
        QVERIFY(!book.setCell(3, QStringLiteral("A1"), 1));
        QVERIFY(!book.setCell(1, QStringLiteral("nonsense"), 1));

        const QString out = root.file(QStringLiteral("out/Unit3_Grade2A.xlsx"));
        QDir().mkpath(root.file(QStringLiteral("out")));
        QVERIFY2(book.save(out), qPrintable(book.errorString()));

        Workbook back(out);
        QVERIFY(back.isValid());
        QCOMPARE(back.cell(1, QStringLiteral("B2")), QVariant(QStringLiteral("Unit3")));
        QCOMPARE(back.cell(1, QStringLiteral("E1")), QVariant(QStringLiteral("Grade2A")));
        QCOMPARE(back.cell(1, 6, 4), QVariant(85.0));
        QCOMPARE(back.cell(1, 6, 1), QVariant(QStringLiteral("17")));
        QCOMPARE(back.cell(1, 5, 3), QVariant(2.5));
        QCOMPARE(back.cell(2, QStringLiteral("B6")), QVariant(QStringLiteral(" 20")));
        QVERIFY(!back.cell(1, QStringLiteral("Z99")).isValid());

        const QByteArray sheet = part(out, QStringLiteral("xl/worksheets/sheet1.xml"));
        // The styled cell keeps its style; rows and cells stay in ascending order.
        const qsizetype b2 = sheet.indexOf("r=\"B2\"");
        const qsizetype cellStart = sheet.lastIndexOf("<c ", b2);
        const QByteArray b2Tag = sheet.mid(cellStart, sheet.indexOf('>', b2) - cellStart);
        QVERIFY2(b2Tag.contains("s=\"3\""), b2Tag.constData());
        QVERIFY(sheet.indexOf("r=\"E1\"") < sheet.indexOf("r=\"B2\""));
        QVERIFY(sheet.indexOf("r=\"C5\"") < sheet.indexOf("r=\"A6\""));
        QVERIFY(sheet.indexOf("r=\"A6\"") < sheet.indexOf("r=\"D6\""));
        QVERIFY(sheet.indexOf("r=\"D6\"") < sheet.indexOf("r=\"A9\""));
        const QByteArray types = part(out, QStringLiteral("[Content_Types].xml"));
        QVERIFY(types.contains("spreadsheetml.sheet.main+xml"));
        QVERIFY(!types.contains("template.main+xml"));
    }

    void addedSheetComesLastAndReadsBack()
    {
        QTemporaryDir dir;
        const QString templ = dir.filePath(QStringLiteral("t.xltx"));
        writeTemplate(templ);
        Workbook book(templ);
        QVERIFY(book.isValid());
        // Taken in any letter case, or no possible sheet name.
        QCOMPARE(book.addSheet(QStringLiteral("class")), 0);
        QCOMPARE(book.addSheet(QStringLiteral("a/b")), 0);
        QCOMPARE(book.addSheet(QString(40, u'x')), 0);
        QCOMPARE(book.addSheet(QStringLiteral("Item analysis")), 3);
        QVERIFY(book.setCell(3, QStringLiteral("B2"), 7));
        QVERIFY(book.setCell(1, QStringLiteral("B2"), QStringLiteral("kept")));
        const QString saved = dir.filePath(QStringLiteral("out.xlsx"));
        QVERIFY(book.save(saved));

        Workbook back(saved);
        QVERIFY2(back.isValid(), qPrintable(back.errorString()));
        QCOMPARE(back.sheetCount(), 3);
        QCOMPARE(back.sheetName(3), QStringLiteral("Item analysis"));
        QCOMPARE(back.cell(3, QStringLiteral("B2")), QVariant(7.0));
        QCOMPARE(back.cell(1, QStringLiteral("B2")), QVariant(QStringLiteral("kept")));
        QCOMPARE(back.cell(1, QStringLiteral("A1")), QVariant(QStringLiteral("Test results")));
    }

    void failuresAreReportedAndLeaveNoFile()
    {
        TestDataRoot root;
        Workbook missing(root.file(QStringLiteral("nothing.xlt")));
        QVERIFY(!missing.isValid());
        QVERIFY(!missing.errorString().isEmpty());
        QVERIFY(!missing.save(root.file(QStringLiteral("x.xlsx"))));
        QVERIFY(!root.exists(QStringLiteral("x.xlsx")));

        root.write(QStringLiteral("garbage.xlt"), QByteArray(500, 'x'));
        QVERIFY(!Workbook(root.file(QStringLiteral("garbage.xlt"))).isValid());

        const QString templ = root.file(QStringLiteral("score.xlt"));
        writeTemplate(templ);
        Workbook book(templ);
        QVERIFY(!book.save(root.file(QStringLiteral("no/such/folder/x.xlsx"))));
        QVERIFY(!root.exists(QStringLiteral("no")));
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
