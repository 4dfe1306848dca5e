// Pictures: every \pict is kept with its bytes and numbers and written back unchanged; each is
// shown (drawn, decoded or as a placeholder) at the document's size; shapes and their stand-ins
// show one picture; broken and outsized pictures stay bounded. Golden folders with a
// pictures.txt list the kept pictures; picture-N.* files there hold the bytes expected of picture N.
#include "rtf/picture.h"
#include "rtf/picturerender.h"
#include "rtf/rtf.h"
#include "rtfdump.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QtEndian>

#include <sys/resource.h>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

struct Found
{
    rtf::KeptPicture kept;
    QTextImageFormat format;
};

QList<Found> picturesOf(const QTextDocument &doc)
{
    QList<Found> found;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                found.append({rtf::keptPicture(format.toImageFormat()), format.toImageFormat()});
        }
    }
    return found;
}

QString typeName(const rtf::PictureData &data)
{
    static const char *const names[] = {"none",     "pngblip", "jpegblip", "emfblip",   "wmetafile",
                                        "dibitmap", "wbitmap", "macpict",  "pmmetafile"};
    QString name = QLatin1String(names[int(data.type)]);
    if (data.typeParameter >= 0)
        name += QString::number(data.typeParameter);
    return name;
}

QString describe(const rtf::PictureData &data)
{
    QString line = typeName(data);
    if (data.width || data.height)
        line += QStringLiteral(" pic=%1x%2").arg(data.width).arg(data.height);
    line += QStringLiteral(" goal=%1x%2 scale=%3x%4").arg(data.goalWidth).arg(data.goalHeight).arg(data.scaleX).arg(data.scaleY);
    if (data.cropLeft || data.cropRight || data.cropTop || data.cropBottom)
        line += QStringLiteral(" crop=%1,%2,%3,%4").arg(data.cropLeft).arg(data.cropRight).arg(data.cropTop).arg(data.cropBottom);
    if (data.bitsPerPixel || data.planes || data.widthBytes)
        line += QStringLiteral(" wbm=%1,%2,%3").arg(data.bitsPerPixel).arg(data.planes).arg(data.widthBytes);
    line += QStringLiteral(" bytes=%1 sha1=%2")
                .arg(data.bytes.size())
                .arg(QString::fromLatin1(QCryptographicHash::hash(data.bytes, QCryptographicHash::Sha1).toHex().left(12)));
    return line;
}

/// One line per picture: what is kept, how it shows, and its stand-in.
QString listing(const QTextDocument &doc)
{
    QString text;
    int n = 0;
    for (const Found &picture : picturesOf(doc)) {
        const rtf::PictureData &data = picture.kept.data();
        const rtf::PictureImage image = rtf::renderPicture(data);
        text += QStringLiteral("picture %1 %2 shown=%3x%4 %5\n")
                    .arg(++n)
                    .arg(describe(data))
                    .arg(std::lround(picture.format.width() * 15))
                    .arg(std::lround(picture.format.height() * 15))
                    .arg(image.placeholder ? QStringLiteral("placeholder") : QStringLiteral("shown"));
        if (const rtf::PictureData *alternate = picture.kept.alternate())
            text += QStringLiteral("  stand-in %1\n").arg(describe(*alternate));
    }
    return text;
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray pngOfSize(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return pngBytes(image);
}

QByteArray readTestFile(const QString &name)
{
    return readBytes(QDir(QStringLiteral(RTF_GOLDEN_DIR)).filePath(name));
}

/// The image a document shows for its n-th picture (decoded as QTextDocument does).
QImage shownImage(const QTextDocument &doc, int n)
{
    const QTextImageFormat format = picturesOf(doc).value(n).format;
    const QVariant resource = doc.resource(QTextDocument::ImageResource, QUrl(format.name()));
    if (resource.typeId() == QMetaType::QImage)
        return resource.value<QImage>();
    return QImage::fromData(resource.toByteArray());
}

/// Pixels that are neither transparent nor white.
int inkPixels(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int ink = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            ink += qAlpha(p) > 0 && (qRed(p) < 240 || qGreen(p) < 240 || qBlue(p) < 240);
        }
    return ink;
}

QByteArray hexGroup(const char *words, const QByteArray &bytes)
{
    return QByteArray("{\\pict") + words + ' ' + bytes.toHex() + '}';
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestRtfPictures : public QObject
{
    Q_OBJECT

private slots:
    void golden_data()
    {
        QTest::addColumn<QString>("folder");
        const QDir golden(QStringLiteral(RTF_GOLDEN_DIR));
        int cases = 0;
        for (const QString &name : golden.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            if (QFile::exists(golden.filePath(name + QStringLiteral("/pictures.txt")))) {
                QTest::newRow(qPrintable(name)) << golden.filePath(name);
                ++cases;
            }
        }
        QVERIFY(cases >= 3);
    }

    void golden()
    {
        QFETCH(QString, folder);
        const QDir dir(folder);
        QTextDocument doc;
        QVERIFY(rtf::read(readBytes(dir.filePath(QStringLiteral("input.rtf"))), doc));
        const QString listed = listing(doc);
        if (qEnvironmentVariableIntValue("RTF_GOLDEN_UPDATE") == 1) {
            QFile out(dir.filePath(QStringLiteral("pictures.txt")));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(listed.toUtf8());
        }
        QCOMPARE(listed, QString::fromUtf8(readBytes(dir.filePath(QStringLiteral("pictures.txt")))));
        const QList<Found> pictures = picturesOf(doc);
        // The expected bytes, where the fixture has them.
        for (qsizetype i = 0; i < pictures.size(); ++i) {
            const QStringList files = dir.entryList({QStringLiteral("picture-%1.*").arg(i + 1)}, QDir::Files);
            if (!files.isEmpty())
                QVERIFY2(pictures.at(i).kept.data().bytes == readBytes(dir.filePath(files.first())),
                         qPrintable(files.first()));
        }
        // Written and read back: the same pictures, with their stand-ins, byte for byte.
        QTextDocument back;
        QVERIFY(rtf::read(rtf::write(doc, 1252), back));
        const QList<Found> again = picturesOf(back);
        QCOMPARE(again.size(), pictures.size());
        for (qsizetype i = 0; i < pictures.size(); ++i)
            QVERIFY(again.at(i).kept == pictures.at(i).kept);
        if (!qEnvironmentVariableIsEmpty("RTF_PICTURES_SAVE")) {
            // For looking at: each picture as shown, and the document as written.
            QFile written(QStringLiteral("%1/%2.rtf").arg(qEnvironmentVariable("RTF_PICTURES_SAVE"), dir.dirName()));
            if (written.open(QIODevice::WriteOnly))
                written.write(rtf::write(doc, 1252));
            for (qsizetype i = 0; i < pictures.size(); ++i)
                shownImage(doc, int(i)).save(QStringLiteral("%1/%2-%3.png")
                                                 .arg(qEnvironmentVariable("RTF_PICTURES_SAVE"), dir.dirName())
                                                 .arg(i + 1));
        }
    }

    void everyBlipTypeIsKeptAndWrittenBackUnchanged()
    {
        const QByteArray png = pngOfSize(3, 2);
        const QByteArray rtf = "{\\rtf1 a" + hexGroup("\\pngblip\\picw3\\pich2\\picwgoal45\\pichgoal30", png) +
                               hexGroup("\\wmetafile8\\picw2540\\pich1270\\picscalex50\\picscaley75\\piccropl12", QByteArrayLiteral("\x01\x00\x09\x00")) +
                               hexGroup("\\emfblip\\picwgoal1440\\pichgoal720", QByteArrayLiteral("\x01\x00\x00\x00")) +
                               hexGroup("\\dibitmap0\\picw1\\pich1", QByteArrayLiteral("\x28\x00")) +
                               hexGroup("\\wbitmap0\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes2\\picw8\\pich1", QByteArrayLiteral("\xff\x00")) +
                               hexGroup("\\macpict\\picw10\\pich10", "\x11\x22") +
                               hexGroup("\\pmmetafile4\\picw10\\pich10", "\x33") + "b}";
        QTextDocument doc;
        QVERIFY(rtf::read(rtf, doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("a\uFFFC\uFFFC\uFFFC\uFFFC\uFFFC\uFFFC\uFFFC"
                                                   "b"));
        const QList<Found> pictures = picturesOf(doc);
        QCOMPARE(pictures.size(), 7);
        const rtf::PictureData &wmf = pictures.at(1).kept.data();
        QCOMPARE(wmf.type, rtf::PictureType::Wmf);
        QCOMPARE(wmf.typeParameter, 8);
        QCOMPARE(wmf.scaleX, 50);
        QCOMPARE(wmf.cropLeft, 12);
        QCOMPARE(wmf.bytes, QByteArray("\x01\x00\x09\x00", 4));
        // A metafile without a goal size shows at its own size (0.01 mm), scaled: 1 inch x 0.5 inch.
        QCOMPARE(pictures.at(1).format.width() * 15, 1440 * 0.5);
        QCOMPARE(pictures.at(1).format.height() * 15, 720 * 0.75);
        QCOMPARE(pictures.at(4).kept.data().widthBytes, 2);

        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY2(written.contains("{\\pict\\pngblip\\picw3\\pich2\\picwgoal45\\pichgoal30\r\n" + png.toHex().left(128)),
                 written.constData());
        QVERIFY(written.contains("{\\pict\\wmetafile8\\picw2540\\pich1270\\picscalex50\\picscaley75\\piccropl12\r\n"
                                 "01000900\r\n}"));
        QVERIFY(written.contains("{\\pict\\wbitmap0\\picw8\\pich1\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes2\r\nff00\r\n}"));
        QVERIFY(written.contains("{\\pict\\pmmetafile4\\picw10\\pich10\r\n33\r\n}"));
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        const QList<Found> again = picturesOf(back);
        QCOMPARE(again.size(), 7);
        for (int i = 0; i < 7; ++i)
            QVERIFY2(again.at(i).kept == pictures.at(i).kept, qPrintable(QString::number(i)));
        QCOMPARE(rtf::write(back, 1252), written);
    }

    void shapePicturesShowOnceWithTheirStandIns()
    {
        const QByteArray png = pngOfSize(4, 2);
        const QByteArray wmf = QByteArrayLiteral("\x01\x00\x09\x00\x00\x03");
        const QByteArray pict = hexGroup("\\pngblip\\picwgoal600\\pichgoal300", png);
        const QByteArray standIn = hexGroup("\\wmetafile8\\picwgoal600\\pichgoal300", wmf);
        struct Case
        {
            const char *name;
            QByteArray body;
            QString text;
            bool hasStandIn;
        };
        const Case cases[] = {
            {"shppict and nonshppict", "a{\\*\\shppict" + pict + "}{\\nonshppict" + standIn + "}b", QStringLiteral("a\uFFFC" "b"), true},
            {"nonshppict alone", "a{\\nonshppict" + standIn + "}b", QStringLiteral("a\uFFFC" "b"), false},
            {"shppict alone", "a{\\*\\shppict" + pict + "}b", QStringLiteral("a\uFFFC" "b"), false},
            {"shape with result",
             "a{\\shp{\\*\\shpinst\\shpleft0\\shptop0{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn pib}{\\sv " + pict +
                 "}}}{\\shprslt\\par\\pard{\\*\\do\\dobxcolumn}" + standIn + "\\par}}b",
             QStringLiteral("a\uFFFC" "b"), true},
            {"shape in a SHAPE field",
             "a{\\field{\\*\\fldinst {SHAPE  \\\\* MERGEFORMAT }{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv " + pict +
                 "}}}}}{\\fldrslt {" + standIn + "}}}b",
             QStringLiteral("a\uFFFC" "b"), true},
            {"shape without a picture shows its result",
             "a{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}}{\\shprslt " + standIn + "}}b",
             QStringLiteral("a\uFFFC" "b"), false},
            {"group shape", "a{\\shpgrp{\\*\\shpinst{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv " + pict + "}}}}}}b",
             QStringLiteral("a\uFFFC" "b"), false},
            {"other fields keep their result", "a{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}b",
             QStringLiteral("alinkb"), false},
            {"two pictures side by side", "a{\\*\\shppict" + pict + "}{\\*\\shppict" + pict + "}b",
             QStringLiteral("a\uFFFC\uFFFC" "b"), false},
            // As the writer puts a picture that office software cannot show.
            {"a stand-in group with two pictures", "a{\\nonshppict" + pict + standIn + "}b",
             QStringLiteral("a\uFFFC" "b"), true},
            {"two stand-in groups", "a{\\nonshppict" + standIn + "}{\\nonshppict" + standIn + "}b",
             QStringLiteral("a\uFFFC\uFFFC" "b"), false},
        };
        for (const Case &c : cases) {
            QTextDocument doc;
            QVERIFY(rtf::read("{\\rtf1 " + c.body + "}", doc));
            QVERIFY2(doc.toPlainText() == c.text, c.name);
            QVERIFY2(rtf::plainText("{\\rtf1 " + c.body + "}") == c.text, c.name);
            const QList<Found> pictures = picturesOf(doc);
            if (pictures.isEmpty())
                continue;
            QVERIFY2((pictures.first().kept.alternate() != nullptr) == c.hasStandIn, c.name);
            if (c.hasStandIn) {
                QCOMPARE(pictures.first().kept.data().type, rtf::PictureType::Png);
                QCOMPARE(pictures.first().kept.alternate()->bytes, wmf);
                // Written back as the pair, which reads back the same.
                const QByteArray written = rtf::write(doc, 1252);
                QVERIFY2(written.contains("{\\*\\shppict{\\pict\\pngblip"), c.name);
                QVERIFY2(written.contains("}{\\nonshppict{\\pict\\wmetafile8"), c.name);
                QVERIFY2(written.count("\\pict") == 2, c.name);
                QTextDocument back;
                QVERIFY(rtf::read(written, back));
                QVERIFY(picturesOf(back).value(0).kept == pictures.first().kept);
            }
        }
    }

    void picturesAreShownAtTheDocumentsSize()
    {
        // WMF, EMF (hand-made, see the golden README), a DIB and a mono device bitmap are drawn.
        const QByteArray wmf = readTestFile(QStringLiteral("libreoffice_pictures/picture-1.wmf"));
        const QByteArray emf = readTestFile(QStringLiteral("libreoffice_pictures/picture-2.emf"));
        QVERIFY(!wmf.isEmpty() && !emf.isEmpty());
        QByteArray dib(40, '\0'); // 2 x 2, 24 bits, red
        qToLittleEndian<quint32>(40, dib.data());
        qToLittleEndian<qint32>(2, dib.data() + 4);
        qToLittleEndian<qint32>(2, dib.data() + 8);
        qToLittleEndian<quint16>(1, dib.data() + 12);
        qToLittleEndian<quint16>(24, dib.data() + 14);
        for (int row = 0; row < 2; ++row)
            dib += QByteArray("\x00\x00\xff\x00\x00\xff\x00\x00", 8);
        const QByteArray rtf = "{\\rtf1 " + hexGroup("\\wmetafile8\\picwgoal1600\\pichgoal600", wmf) +
                               hexGroup("\\emfblip\\picwgoal2400\\pichgoal900", emf) +
                               hexGroup("\\dibitmap0\\picw2\\pich2\\picwgoal300\\pichgoal300", dib) +
                               hexGroup("\\wbitmap0\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes2\\picw16\\pich2", QByteArrayLiteral("\x0f\xf0\xff\x00")) +
                               "}";
        QTextDocument doc;
        QVERIFY(rtf::read(rtf, doc));
        const QImage drawnWmf = shownImage(doc, 0);
        QCOMPARE(drawnWmf.size(), QSize(107, 40)); // 1600 x 600 twips at 96 dpi
        QVERIFY(inkPixels(drawnWmf) > 500);
        // The red rule of the formula is there.
        bool red = false;
        for (int x = 10; x < 100 && !red; ++x)
            for (int y = 28; y < 36 && !red; ++y)
                red = qRed(drawnWmf.pixel(x, y)) > 150 && qRed(drawnWmf.pixel(x, y)) - qGreen(drawnWmf.pixel(x, y)) > 60;
        QVERIFY(red);
        const QImage drawnEmf = shownImage(doc, 1);
        QCOMPARE(drawnEmf.size(), QSize(160, 60));
        QVERIFY(inkPixels(drawnEmf) > 1000);
        const QImage bitmap = shownImage(doc, 2);
        QCOMPARE(bitmap.size(), QSize(2, 2));
        QCOMPARE(QColor(bitmap.pixel(1, 1)), QColor(Qt::red));
        const QImage mono = shownImage(doc, 3);
        QCOMPARE(mono.size(), QSize(16, 2));
        QCOMPARE(QColor(mono.pixel(0, 0)), QColor(Qt::black));
        QCOMPARE(QColor(mono.pixel(4, 0)), QColor(Qt::white));
        for (const Found &picture : picturesOf(doc))
            QVERIFY(!rtf::renderPicture(picture.kept.data()).placeholder);
    }

    void brokenAndOutsizedPicturesStandInAsPlaceholders()
    {
        const QByteArray png = pngOfSize(40, 20);
        const QByteArray wmf = readTestFile(QStringLiteral("libreoffice_pictures/picture-1.wmf"));
        const QByteArray emf = readTestFile(QStringLiteral("libreoffice_pictures/picture-2.emf"));
        struct Case
        {
            const char *name;
            rtf::PictureType type;
            QByteArray bytes;
            int goalWidth;
            bool placeholder;
        };
        QByteArray hugePng = png;
        qToBigEndian<quint32>(100000, hugePng.data() + 16); // 100000 x 20 pixels claimed
        QByteArray badRecord = wmf;
        qToLittleEndian<quint16>(60000, badRecord.data() + 136); // the POLYLINE count, past its record
        const Case cases[] = {
            {"truncated PNG", rtf::PictureType::Png, png.left(png.size() - 20), 0, true},
            {"PNG claiming a huge size", rtf::PictureType::Png, hugePng, 0, true},
            {"JPEG header only", rtf::PictureType::Jpeg, QByteArrayLiteral("\xff\xd8\xff\xe0\x00\x10"), 0, true},
            {"metafile of junk", rtf::PictureType::Wmf, QByteArray(300, '\x7f'), 0, true},
            {"EMF with a broken header", rtf::PictureType::Emf, emf.left(60), 0, true},
            {"macpict", rtf::PictureType::MacPict, QByteArrayLiteral("\x00\x11\x02\xff"), 0, true},
            {"goal size 32767", rtf::PictureType::Png, png, 32767, false},
            {"goal size 0", rtf::PictureType::Png, png, 0, false},
            // A metafile cut short shows what it has.
            {"truncated WMF", rtf::PictureType::Wmf, wmf.left(wmf.size() - 30), 0, false},
            {"truncated EMF", rtf::PictureType::Emf, emf.left(emf.size() - 40), 0, false},
        };
        for (const Case &c : cases) {
            rtf::PictureData data;
            data.type = c.type;
            data.bytes = c.bytes;
            data.goalWidth = c.goalWidth;
            data.goalHeight = c.goalWidth;
            const rtf::PictureImage image = rtf::renderPicture(data);
            QVERIFY2(image.placeholder == c.placeholder, c.name);
            QVERIFY(image.resource.isValid());
        }
        QVERIFY(!rtf::renderPicture({rtf::PictureType::Wmf, 8, 0, 0, 1600, 600, 100, 100, 0, 0, 0, 0, 0, 0, 0, badRecord}).resource.isNull());
        QVERIFY(rtf::renderPicture({rtf::PictureType::Wmf, 8, 0, 0, 1600, 600, 100, 100, 0, 0, 0, 0, 0, 0, 0, badRecord}).placeholder);

        // In a document: a placeholder of the picture's size, its bytes kept and written back.
        QTextDocument doc;
        const QByteArray broken = png.left(png.size() - 20);
        QVERIFY(rtf::read("{\\rtf1 " + hexGroup("\\pngblip\\picwgoal32767\\pichgoal32767", broken) +
                              hexGroup("\\pngblip\\picwgoal0\\pichgoal0", png) + "}",
                          doc));
        const QList<Found> pictures = picturesOf(doc);
        QCOMPARE(pictures.size(), 2);
        QCOMPARE(pictures.at(0).format.width() * 15, 32767.0);
        QCOMPARE(pictures.at(0).kept.data().bytes, broken);
        const QImage placeholder = shownImage(doc, 0);
        QVERIFY(!placeholder.isNull());
        QVERIFY(qint64(placeholder.width()) * placeholder.height() <= rtf::MaxRenderPixels);
        QCOMPARE(QColor(placeholder.pixel(0, 0)), QColor(128, 128, 128)); // the frame
        // Goal size 0: the picture's own size, 40 x 20 pixels.
        QCOMPARE(pictures.at(1).format.width(), 40.0);
        QCOMPARE(pictures.at(1).format.height(), 20.0);
        // Office software refuses a file with a picture it cannot show: such a picture goes where
        // it skips it, and reads back the same here.
        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY2(written.contains("{\\nonshppict{\\pict\\pngblip\\picwgoal32767\\pichgoal32767\r\n" +
                                  broken.toHex().left(64)),
                 written.constData());
        QVERIFY(written.contains("}}{\\pict\\pngblip\r\n")); // shown as it is
        QTextDocument back;
        QVERIFY(rtf::read(written, back));
        QCOMPARE(picturesOf(back).size(), 2);
        QVERIFY(picturesOf(back).value(0).kept == pictures.at(0).kept);
        QCOMPARE(rtf::write(back, 1252), written);
        QCOMPARE(rtf::renderSize({32767, 32767}), QSize(2048, 2048));
    }

    void truncatedMetafilesAtEveryLengthAreSafe()
    {
        const QByteArray wmf = readTestFile(QStringLiteral("libreoffice_pictures/picture-1.wmf"));
        const QByteArray emf = readTestFile(QStringLiteral("libreoffice_pictures/picture-2.emf"));
        QElapsedTimer timer;
        timer.start();
        for (qsizetype n = 0; n <= wmf.size(); n += 3) {
            rtf::PictureData data{rtf::PictureType::Wmf, 8, 0, 0, 1600, 600, 100, 100, 0, 0, 0, 0, 0, 0, 0, wmf.left(n)};
            QVERIFY(rtf::renderPicture(data).resource.isValid());
        }
        for (qsizetype n = 0; n <= emf.size(); n += 3) {
            rtf::PictureData data{rtf::PictureType::Emf, -1, 0, 0, 2400, 900, 100, 100, 0, 0, 0, 0, 0, 0, 0, emf.left(n)};
            QVERIFY(rtf::renderPicture(data).resource.isValid());
        }
        QVERIFY(timer.elapsed() < 60000);
    }

    void aResizedPictureKeepsItsBytes()
    {
        const QByteArray png = pngOfSize(4, 2);
        QTextDocument doc;
        QVERIFY(rtf::read("{\\rtf1 " + hexGroup("\\pngblip\\picwgoal600\\pichgoal300\\picscalex50\\picscaley50", png) + "}", doc));
        QTextCursor cursor(&doc);
        cursor.setPosition(0);
        cursor.setPosition(1, QTextCursor::KeepAnchor);
        QTextImageFormat format = cursor.charFormat().toImageFormat();
        QCOMPARE(format.width() * 15, 300.0);
        QVERIFY(!rtf::write(doc, 1252).contains("\\picwgoal"
                                                "1200"));
        format.setWidth(80);
        format.setHeight(40);
        cursor.setCharFormat(format);
        const QByteArray written = rtf::write(doc, 1252);
        QVERIFY2(written.contains("{\\pict\\pngblip\\picwgoal1200\\pichgoal600\r\n" + png.toHex().left(128)),
                 written.constData());
    }

    void aHundredMegabyteBlipStaysWithinAFewTimesTheFile()
    {
        // \bin data: the file itself is 100 MB.
        const qsizetype size = 100 * 1024 * 1024;
        QByteArray rtf = "{\\rtf1 a{\\pict\\pngblip\\picwgoal1440\\pichgoal1440\\bin" + QByteArray::number(size) + " ";
        rtf.append(QByteArray(size, '\x42'));
        rtf.append("}b}");
        const long before = peakKilobytes();
        QElapsedTimer timer;
        timer.start();
        {
            QTextDocument doc;
            QVERIFY(rtf::read(rtf, doc));
            QCOMPARE(doc.toPlainText(), QStringLiteral("a\uFFFC"
                                                       "b"));
            QCOMPARE(picturesOf(doc).value(0).kept.data().bytes.size(), size);
        }
        QVERIFY(timer.elapsed() < 20000);
        const long grown = (peakKilobytes() - before) * 1024;
        QVERIFY2(grown < 3 * rtf.size(), qPrintable(QString::number(grown)));
    }
};

QTEST_MAIN(TestRtfPictures)
#include "tst_rtfpictures.moc"
