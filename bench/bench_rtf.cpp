// Speed of the RTF layer on generated input: reader throughput on a 1 MB file, on 5 MB of plain
// text, on a 5 MB file with 30 pictures and on 1 MB of tables nested three deep, and the time to
// get the plain text of 200 question files of about 3 KB (what the question list and the bank do
// when they open a paper). Prints "BENCH <name> <value> <unit>" lines.
#include "rtf/rtf.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QtEndian>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// The head Word writes before the text of a short document, shortened.
const QByteArray Header =
    "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff31507\\deff0\\deflang1033\\deflangfe2052"
    "{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}"
    "{\\f13\\fnil\\fcharset134\\fprq2{\\*\\panose 02010600030101010101}\\'cb\\'ce\\'cc\\'e5{\\*\\falt "
    "SimSun};}"
    "{\\f31506\\fswiss\\fcharset0\\fprq2{\\*\\panose 020f0502020204030204}Calibri;}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green102\\blue204;}"
    "{\\*\\defchp \\f31506\\fs22 }{\\stylesheet{\\ql "
    "\\li0\\ri0\\sa160\\sl259\\slmult1\\widctlpar\\f31506\\fs22 "
    "\\snext0 \\sqformat \\spriority0 Normal;}{\\*\\cs10 \\additive \\ssemihidden Default Paragraph Font;}}"
    "{\\*\\rsidtbl \\rsid1012345}{\\info{\\author "
    "Teacher}{\\creatim\\yr2024\\mo3\\dy4\\hr10\\min12}{\\version1}}"
    "{\\*\\generator Microsoft Word 16.0;}\\paperw11906\\paperh16838\\margl1800\\margr1800\r\n";

/// One paragraph of a question: plain, bold and coloured runs, accents, Chinese in GBK and \u.
QByteArray paragraph(int n)
{
    QByteArray p =
        "\\pard\\plain \\ql \\li0\\ri0\\sa160\\sl259\\slmult1\\f31506\\fs22 "
        "{\\rtlch\\fcs1 \\ltrch\\fcs0 \\insrsid1012345 Question " +
        QByteArray::number(n) +
        ": Tom has 34 stickers and gives }{\\b\\insrsid1012345 12}{\\insrsid1012345  to Ann. "
        "How many caf\\'e9 stickers are left \\endash  think first.}"
        "{\\f13\\cf2 \\'d6\\'d0\\'ce\\'c4\\'cc\\'e2\\'c4\\'bf}{\\cf3\\i  \\u20013?\\u25991? A. 22 B. 46}"
        "{\\insrsid1012345 \\par }\r\n";
    return p;
}

QByteArray document(qsizetype minimumSize)
{
    QByteArray rtf = Header;
    for (int n = 1; rtf.size() < minimumSize; ++n)
        rtf += paragraph(n);
    rtf += "}";
    return rtf;
}

/// Plain paragraphs of Latin text under one font, as a long document typed without formatting.
QByteArray textOnlyDocument(qsizetype minimumSize)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
                     "\\pard\\f0\\fs24 ";
    const QByteArray line = "The quick brown fox jumps over the lazy dog, and the teacher writes one more "
                            "line of a long question text for the paper.\\par\r\n";
    while (rtf.size() < minimumSize)
        rtf += line;
    rtf += "}";
    return rtf;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

/// A photo-like picture: a gradient with noise, so that it compresses as photos do.
QImage photo(int width, int height, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 255) / width, (y * 255) / height, int(random.bounded(256))));
    return image;
}

/// A formula-sized WMF: a window, a box, a rule and a line of text.
QByteArray formulaWmf()
{
    QByteArray records;
    const auto record = [&records](quint16 function, std::initializer_list<qint16> words, QByteArray raw = {}) {
        QByteArray r(6, '\0');
        for (const qint16 w : words) {
            char b[2];
            qToLittleEndian(w, b);
            r.append(b, 2);
        }
        r.append(raw);
        if (r.size() % 2)
            r.append('\0');
        qToLittleEndian<quint32>(quint32(r.size() / 2), r.data());
        qToLittleEndian(function, r.data() + 4);
        records.append(r);
    };
    record(0x0103, {8});
    record(0x020C, {600, 1600});
    record(0x041B, {580, 1580, 20, 20});
    record(0x0325, {2, 100, 480, 1500, 480});
    record(0x0521, {8}, QByteArray("x2+y2=r2") + QByteArray::fromHex("6e00a000"));
    record(0x0000, {});
    QByteArray header(18, '\0');
    qToLittleEndian<quint16>(1, header.data());
    qToLittleEndian<quint16>(9, header.data() + 2);
    qToLittleEndian<quint16>(0x0300, header.data() + 4);
    qToLittleEndian<quint32>(quint32((18 + records.size()) / 2), header.data() + 6);
    qToLittleEndian<quint32>(16, header.data() + 12);
    return header + records;
}

/// A small EMF: a header, a box and the end.
QByteArray drawingEmf()
{
    QByteArray emf(88, '\0');
    qToLittleEndian<quint32>(1, emf.data());
    qToLittleEndian<quint32>(88, emf.data() + 4);
    qToLittleEndian<qint32>(159, emf.data() + 16);
    qToLittleEndian<qint32>(59, emf.data() + 20);
    qToLittleEndian<qint32>(4233, emf.data() + 32);
    qToLittleEndian<qint32>(1587, emf.data() + 36);
    qToLittleEndian<quint32>(0x464D4520u, emf.data() + 40);
    qToLittleEndian<quint32>(0x10000, emf.data() + 44);
    qToLittleEndian<quint32>(88 + 24 + 20, emf.data() + 48);
    qToLittleEndian<quint32>(3, emf.data() + 52);
    qToLittleEndian<qint32>(1024, emf.data() + 72);
    qToLittleEndian<qint32>(768, emf.data() + 76);
    qToLittleEndian<qint32>(271, emf.data() + 80);
    qToLittleEndian<qint32>(203, emf.data() + 84);
    QByteArray box(24, '\0');
    qToLittleEndian<quint32>(43, box.data());
    qToLittleEndian<quint32>(24, box.data() + 4);
    qToLittleEndian<qint32>(10, box.data() + 8);
    qToLittleEndian<qint32>(10, box.data() + 12);
    qToLittleEndian<qint32>(150, box.data() + 16);
    qToLittleEndian<qint32>(50, box.data() + 20);
    QByteArray end(20, '\0');
    qToLittleEndian<quint32>(14, end.data());
    qToLittleEndian<quint32>(20, end.data() + 4);
    qToLittleEndian<quint32>(16, end.data() + 12);
    qToLittleEndian<quint32>(20, end.data() + 16);
    return emf + box + end;
}

QByteArray pictureGroup(const char *words, const QByteArray &bytes)
{
    QByteArray group = QByteArray("{\\pict") + words + "\r\n";
    const QByteArray hex = bytes.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128)
        group += hex.mid(i, 128) + "\r\n";
    return group + "}";
}

/// About 5 MB: text with 30 pictures spread through it, as a scanned worksheet with formulas
/// might be: 10 PNG and 10 JPEG photos, 5 WMF and 5 EMF formulas.
QByteArray documentWithPictures()
{
    QList<QByteArray> pictures;
    for (int i = 0; i < 10; ++i)
        pictures << pictureGroup("\\pngblip\\picwgoal3000\\pichgoal2250", encoded(photo(200, 150, i), "PNG"));
    for (int i = 0; i < 10; ++i)
        pictures << pictureGroup("\\jpegblip\\picwgoal4800\\pichgoal3600", encoded(photo(320, 240, 100 + i), "JPEG"));
    for (int i = 0; i < 5; ++i)
        pictures << pictureGroup("\\wmetafile8\\picwgoal1600\\pichgoal600", formulaWmf());
    for (int i = 0; i < 5; ++i)
        pictures << pictureGroup("\\emfblip\\picwgoal2400\\pichgoal900", drawingEmf());
    qsizetype pictureBytes = 0;
    for (const QByteArray &p : std::as_const(pictures))
        pictureBytes += p.size();
    const qsizetype target = 5 * 1024 * 1024;
    const qsizetype textPerPicture = std::max<qsizetype>(0, (target - pictureBytes) / 30);
    QByteArray rtf = Header;
    int n = 1;
    for (const QByteArray &p : std::as_const(pictures)) {
        const qsizetype until = rtf.size() + textPerPicture;
        while (rtf.size() < until)
            rtf += paragraph(n++);
        rtf += "\\pard " + p + "\\par\r\n";
    }
    rtf += "}";
    return rtf;
}

/// About minimumSize of two-column tables whose right cells hold a table that holds another,
/// as Word writes them: the nested rows define themselves at their ends.
QByteArray nestedTablesDocument(qsizetype minimumSize)
{
    const QByteArray borders = "\\clbrdrl\\brdrs\\brdrw15\\clbrdrt\\brdrs\\brdrw15\\clbrdrr\\brdrs\\brdrw15"
                               "\\clbrdrb\\brdrs\\brdrw15";
    const auto rowDefinition = [&](int first, int second) {
        return "\\trowd\\trgaph108\\trleft-108" + borders + "\\cellx" + QByteArray::number(first) + borders +
               "\\cellx" + QByteArray::number(second);
    };
    QByteArray rtf = Header;
    for (int n = 1; rtf.size() < minimumSize; ++n) {
        const QByteArray number = QByteArray::number(n);
        rtf += rowDefinition(2000, 8000) + "\r\n\\pard\\intbl Question " + number + "\\cell\r\n";
        for (int row = 0; row < 2; ++row) {
            rtf += "\\pard\\intbl\\itap2 Choice " + number + " {\\b bold} \\u20013?\\nestcell\r\n";
            rtf += "\\pard\\intbl\\itap3 Deep {\\i one}\\nestcell\\pard\\intbl\\itap3 Deep two\\nestcell\r\n"
                   "{\\*\\nesttableprops" + rowDefinition(1200, 2400) + "\\nestrow}{\\nonesttables\\par}\r\n";
            rtf += "\\pard\\intbl\\itap2 After\\nestcell\r\n{\\*\\nesttableprops" + rowDefinition(1500, 5000) +
                   "\\nestrow}{\\nonesttables\\par}\r\n";
        }
        rtf += "\\pard\\intbl After the choices\\cell" + rowDefinition(2000, 8000) + "\\row\r\n";
    }
    rtf += "}";
    return rtf;
}

/// Best of several runs, in milliseconds.
double bestOf(int runs, const std::function<void()> &work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void report(const char *name, double value, const char *unit)
{
    std::printf("BENCH %s %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    // Reader throughput on 1 MB.
    const QByteArray big = document(1024 * 1024);
    const double megabytes = big.size() / (1024.0 * 1024.0);
    QTextDocument doc;
    const double readMs = bestOf(5, [&] { rtf::read(big, doc); });
    report("rtf_read_1mb_document", megabytes / (readMs / 1000.0), "MB/s");
    QString text;
    const double plainMs = bestOf(5, [&] { text = rtf::plainText(big); });
    report("rtf_read_1mb_plaintext", megabytes / (plainMs / 1000.0), "MB/s");
    // Reader throughput on 5 MB of text without formatting.
    const QByteArray plain = textOnlyDocument(5 * 1024 * 1024);
    const double plainMegabytes = plain.size() / (1024.0 * 1024.0);
    QTextDocument plainDoc;
    const double textOnlyMs = bestOf(3, [&] { rtf::read(plain, plainDoc); });
    report("rtf_read_5mb_text_only", plainMegabytes / (textOnlyMs / 1000.0), "MB/s");
    QByteArray written;
    const double writeMs = bestOf(5, [&] { written = rtf::write(doc, 1252); });
    report("rtf_write_1mb", (written.size() / (1024.0 * 1024.0)) / (writeMs / 1000.0), "MB/s");

    // Reader throughput on 5 MB with 30 pictures.
    const QByteArray pictured = documentWithPictures();
    QTextDocument picturedDoc;
    // The first read draws the metafiles; later ones find them drawn.
    const double firstMs = bestOf(1, [&] { rtf::read(pictured, picturedDoc); });
    report("rtf_read_5mb_30_pictures_first", (pictured.size() / (1024.0 * 1024.0)) / (firstMs / 1000.0), "MB/s");
    const double picturedMs = bestOf(5, [&] { rtf::read(pictured, picturedDoc); });
    report("rtf_read_5mb_30_pictures", (pictured.size() / (1024.0 * 1024.0)) / (picturedMs / 1000.0), "MB/s");

    // Reader throughput on 1 MB of nested tables.
    const QByteArray nested = nestedTablesDocument(1024 * 1024);
    QTextDocument nestedDoc;
    const double nestedMs = bestOf(3, [&] { rtf::read(nested, nestedDoc); });
    report("rtf_read_1mb_nested_tables", (nested.size() / (1024.0 * 1024.0)) / (nestedMs / 1000.0), "MB/s");

    // 200 question files of about 3 KB each.
    QTemporaryDir folder;
    QStringList files;
    for (int i = 0; i < 200; ++i) {
        QByteArray question = Header;
        for (int n = 1; question.size() < 3000; ++n)
            question += paragraph(i * 10 + n);
        question += "}";
        const QString path = QDir(folder.path()).filePath(QStringLiteral("%1.RTF").arg(1000 + i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(question) != question.size())
            return 1;
        files << path;
    }
    qsizetype characters = 0;
    const double listMs = bestOf(5, [&] {
        characters = 0;
        for (const QString &path : std::as_const(files))
            characters += rtf::plainTextOfFile(path).size();
    });
    report("rtf_plaintext_200_files", listMs, "ms");
    const double loadMs = bestOf(5, [&] {
        QTextDocument question;
        for (const QString &path : std::as_const(files))
            rtf::loadFile(path, question);
    });
    report("rtf_load_200_files_document", loadMs, "ms");
    return characters > 0 && !text.isEmpty() ? 0 : 1;
}
