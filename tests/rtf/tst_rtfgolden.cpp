// Golden files: tests/rtf/golden/<case>/input.rtf read into a document must give exactly
// expected.txt (plain text) and formats.txt (see rtfdump.h); each is also written and read back.
#include "rtf/documentsink.h"
#include "rtf/notes.h"
#include "rtf/rtf.h"
#include "rtfdump.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString readText(const QString &path)
{
    return QString::fromUtf8(readBytes(path));
}

// RTF_GOLDEN_UPDATE=1 writes the expected files from what the reader gives; review every diff.
bool updating()
{
    return qEnvironmentVariableIntValue("RTF_GOLDEN_UPDATE") == 1;
}

void writeText(const QString &path, const QString &text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
}

/// The text of doc with hidden runs as their text, without pictures and notes: what an office
/// program's text export gives (it leaves notes out, but for the footnotes' numbers).
QString textWithHidden(const QTextDocument &doc)
{
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (rtf::isNotesAreaBlock(block))
            continue;
        QString line;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.objectType() == rtf::NoteAnchorObject || format.hasProperty(rtf::NoteLabelProperty))
                continue;
            if (format.objectType() == rtf::HiddenTextObject)
                line += format.stringProperty(rtf::HiddenTextProperty).repeated(fragment.length());
            else if (!format.isImageFormat())
                line += fragment.text();
        }
        lines << line;
    }
    return lines.join(u'\n');
}

/// The notes of doc as a listing: each note's details and text, and the text comment ranges mark.
QString notesOf(const QTextDocument &doc)
{
    QStringList lines;
    int last = -1;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.hasProperty(rtf::CommentRangeProperty))
                lines << QStringLiteral("range ") + format.stringProperty(rtf::CommentRangeProperty) +
                             QStringLiteral(": ") + it.fragment().text();
        }
        const int id = block.blockFormat().intProperty(rtf::NoteIdProperty);
        if (!rtf::isNotesAreaBlock(block) || id == 0)
            continue;
        if (id != last) {
            const rtf::NoteInfo info =
                rtf::NoteInfo::fromVariant(block.blockFormat().property(rtf::NoteInfoProperty));
            lines << QStringLiteral("note %1 kind=%2 initials=%3 author=%4 reference=%5 kept=%6")
                         .arg(info.number)
                         .arg(int(info.kind))
                         .arg(info.initials, info.author, info.reference)
                         .arg(info.kept.size());
            last = id;
        }
        lines << QStringLiteral("  ") + block.text();
    }
    return lines.join(u'\n');
}

/// Text compared without what text exports differ in: blanks, line ends, a byte order mark,
/// empty lines at the end.
QString normalized(QString text)
{
    text.remove(QChar(0xFEFF));
    text.replace(QChar(0x2028), u'\n').replace(QChar(0x00A0), u' ').remove(u'\r');
    QStringList lines = text.split(u'\n');
    for (QString &line : lines)
        line = line.simplified();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(u'\n');
}

} // namespace

class TestRtfGolden : public QObject
{
    Q_OBJECT

private slots:
    void cases_data()
    {
        QTest::addColumn<QString>("folder");
        const QDir golden(QStringLiteral(RTF_GOLDEN_DIR));
        const QStringList cases = golden.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        QVERIFY(cases.size() >= 15);
        for (const QString &name : cases)
            QTest::newRow(qPrintable(name)) << golden.filePath(name);
    }

    void cases()
    {
        QFETCH(QString, folder);
        const QByteArray input = readBytes(folder + QStringLiteral("/input.rtf"));
        QVERIFY(!input.isEmpty());
        QTextDocument doc;
        QVERIFY(rtf::read(input, doc));
        if (updating()) {
            writeText(folder + QStringLiteral("/expected.txt"), doc.toPlainText());
            writeText(folder + QStringLiteral("/formats.txt"), dumpDocument(doc));
        }
        QCOMPARE(doc.toPlainText(), readText(folder + QStringLiteral("/expected.txt")));
        QCOMPARE(dumpDocument(doc), readText(folder + QStringLiteral("/formats.txt")));
        // The plain-text path gives the same text without a document.
        QCOMPARE(rtf::plainTextOfFile(folder + QStringLiteral("/input.rtf")), doc.toPlainText());
    }

    void officeProgramsReadTheSameText_data()
    {
        QTest::addColumn<QString>("folder");
        const QDir golden(QStringLiteral(RTF_GOLDEN_DIR));
        for (const QString &name : golden.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            if (QFile::exists(golden.filePath(name + QStringLiteral("/office_text.txt"))))
                QTest::newRow(qPrintable(name)) << golden.filePath(name);
        }
    }

    void officeProgramsReadTheSameText()
    {
        // office_text.txt is LibreOffice's own text export of input.rtf, so the reference is not
        // our reader; hidden text is in it.
        QFETCH(QString, folder);
        QTextDocument doc;
        QVERIFY(rtf::read(readBytes(folder + QStringLiteral("/input.rtf")), doc));
        QCOMPARE(normalized(textWithHidden(doc)), normalized(readText(folder + QStringLiteral("/office_text.txt"))));
    }

    void roundTrip_data() { cases_data(); }

    void roundTrip()
    {
        QFETCH(QString, folder);
        QTextDocument doc;
        QVERIFY(rtf::read(readBytes(folder + QStringLiteral("/input.rtf")), doc));
        // Western and Chinese machines: the fallback bytes differ, the content must not.
        for (const int codePage : {1252, 936}) {
            const QByteArray written = rtf::write(doc, codePage);
            QVERIFY(written.startsWith("{\\rtf1\\ansi\\ansicpg" + QByteArray::number(codePage)));
            for (const char c : written)
                QVERIFY2(uchar(c) < 0x80, "the writer writes 7-bit RTF only");
            QTextDocument back;
            QVERIFY(rtf::read(written, back));
            QCOMPARE(back.toPlainText(), doc.toPlainText());
            QCOMPARE(dumpDocument(back, DumpForm::Effective), dumpDocument(doc, DumpForm::Effective));
            QCOMPARE(notesOf(back), notesOf(doc));
            QCOMPARE(rtf::write(back, codePage), written);
        }
    }
};

QTEST_MAIN(TestRtfGolden)
#include "tst_rtfgolden.moc"
