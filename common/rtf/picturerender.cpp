#include "picturerender.h"

#include <QBuffer>
#include <QCache>
#include <QCryptographicHash>
#include <QImageReader>
#include <QMutex>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace rtf {
namespace {

constexpr double TwipsPerPixel = 15.0;
constexpr qint64 MaxPicturePixels = 64 * 1024 * 1024;
/// Metafiles larger than this are not drawn (a formula is a few kilobytes).
constexpr qsizetype MaxMetafileBytes = 16 * 1024 * 1024;
constexpr qsizetype MaxMetafileRecords = 500000;
constexpr qsizetype MaxSvgBytes = 64 * 1024 * 1024;
constexpr int RenderMilliseconds = 4000;

quint16 le16(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 le32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

qint32 le32s(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<qint32>(data.constData() + at);
}

quint32 be32(const QByteArray &data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}

bool isPng(const QByteArray &data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n");
}

bool isJpeg(const QByteArray &data)
{
    return data.startsWith("\xff\xd8\xff");
}

bool acceptableSize(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= 65535 && height <= 65535 && width * height <= MaxPicturePixels;
}

/// A PNG whose chunks all lie within the data, ending with IEND, of a size Qt may decode.
bool validPng(const QByteArray &data)
{
    if (data.size() < 8 + 25 || !isPng(data) || data.mid(12, 4) != "IHDR")
        return false;
    if (!acceptableSize(be32(data, 16), be32(data, 20)))
        return false;
    qsizetype at = 8;
    while (at + 12 <= data.size()) {
        const quint32 length = be32(data, at);
        if (length > quint32(data.size()) || at + 12 + qsizetype(length) > data.size())
            return false;
        if (data.mid(at + 4, 4) == "IEND")
            return true;
        at += 12 + qsizetype(length);
    }
    return false;
}

bool validJpeg(const QByteArray &data)
{
    if (!isJpeg(data))
        return false;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize size = reader.size(); // the header only
    return acceptableSize(size.width(), size.height());
}

/// Size of the colour table and masks that follow a DIB header, or -1 when the header is no
/// bitmap header we know.
qsizetype dibTableBytes(const QByteArray &dib, qsizetype at, qsizetype headerSize)
{
    if (headerSize == 12) {
        const int bits = le16(dib, at + 10);
        return bits <= 8 ? qsizetype(3) << bits : 0;
    }
    const int bits = le16(dib, at + 14);
    const quint32 compression = le32(dib, at + 16);
    const quint32 used = le32(dib, at + 32);
    if (used > 256 && bits <= 8)
        return -1;
    qsizetype table = bits <= 8 ? 4 * (used ? qsizetype(used) : qsizetype(1) << bits) : 4 * qsizetype(used);
    if (headerSize == 40 && (compression == 3 || compression == 6))
        table += compression == 3 ? 12 : 16; // masks after a short header
    return table;
}

/// Checks a DIB (header, colours, bits) at offset at of data; gives the offset of its bits.
std::optional<qsizetype> validDib(const QByteArray &data, qsizetype at)
{
    if (data.size() - at < 12)
        return std::nullopt;
    const quint32 headerSize = le32(data, at);
    static constexpr quint32 Known[] = {12, 40, 52, 56, 64, 108, 124};
    if (std::find(std::begin(Known), std::end(Known), headerSize) == std::end(Known) ||
        qsizetype(headerSize) > data.size() - at)
        return std::nullopt;
    qint64 width, height;
    int planes, bits;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = le16(data, at + 4);
        height = le16(data, at + 6);
        planes = le16(data, at + 8);
        bits = le16(data, at + 10);
    } else {
        width = le32s(data, at + 4);
        height = std::abs(qint64(le32s(data, at + 8)));
        planes = le16(data, at + 12);
        bits = le16(data, at + 14);
        compression = le32(data, at + 16);
    }
    if (planes != 1 || !acceptableSize(width, height))
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return std::nullopt;
    if (compression > 3 && compression != 6)
        return std::nullopt; // JPEG or PNG inside a DIB: not for the BMP reader
    const qsizetype table = dibTableBytes(data, at, headerSize);
    if (table < 0)
        return std::nullopt;
    const qsizetype bitsAt = at + qsizetype(headerSize) + table;
    if (bitsAt > data.size())
        return std::nullopt;
    if (compression == 0 || compression == 3 || compression == 6) {
        const qint64 stride = ((width * bits + 31) / 32) * 4;
        if (stride * height > data.size() - bitsAt)
            return std::nullopt;
    }
    return bitsAt;
}

/// A BMP file of a DIB, for Qt's BMP reader; empty when the DIB is broken.
QByteArray bmpOfDib(const QByteArray &data)
{
    if (data.startsWith("BM") && data.size() >= 14) {
        const std::optional<qsizetype> bits = validDib(data, 14);
        return bits ? data : QByteArray();
    }
    const std::optional<qsizetype> bits = validDib(data, 0);
    if (!bits)
        return {};
    QByteArray bmp(14, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + data.size()), bmp.data() + 2);
    qToLittleEndian<quint32>(quint32(14 + *bits), bmp.data() + 10);
    return bmp + data;
}

/// A device-dependent bitmap: rows of widthBytes, top row first, no colour table.
QImage imageOfBitmap(const PictureData &picture)
{
    const qint64 width = picture.width;
    const qint64 height = picture.height;
    const int bits = picture.bitsPerPixel ? picture.bitsPerPixel : 1;
    if (!acceptableSize(width, height) || (picture.planes > 1))
        return {};
    const qint64 minimum = (width * bits + 7) / 8;
    const qint64 stride = picture.widthBytes ? picture.widthBytes : ((minimum + 1) / 2) * 2;
    if (stride < minimum || stride * height > picture.bytes.size())
        return {};
    QImage image;
    if (bits == 1) {
        image = QImage(int(width), int(height), QImage::Format_Mono);
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    } else if (bits == 24) {
        image = QImage(int(width), int(height), QImage::Format_BGR888);
    } else if (bits == 32) {
        image = QImage(int(width), int(height), QImage::Format_RGB32);
    } else {
        return {};
    }
    if (image.isNull())
        return {};
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), picture.bytes.constData() + y * stride, size_t(minimum));
    return image;
}

// ---- Metafile checks. Only whole, well-formed records reach the libraries; a metafile cut
// short is closed after its last whole record, so it shows what it has.

/// A WMF without its placeable header, checked and closed; empty when it is not one.
QByteArray checkedWmf(const QByteArray &data)
{
    QByteArray wmf = data;
    if (wmf.size() >= 22 && le32(wmf, 0) == 0x9AC6CDD7u)
        wmf.remove(0, 22); // the size comes from the RTF group
    if (wmf.size() < 18 || wmf.size() > MaxMetafileBytes)
        return {};
    const int type = le16(wmf, 0);
    const int headerWords = le16(wmf, 2);
    const int version = le16(wmf, 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return {};
    QByteArray out = wmf.left(18);
    qsizetype at = 18;
    qsizetype records = 0;
    quint32 largest = 3;
    bool ended = false;
    while (at + 6 <= wmf.size() && records < MaxMetafileRecords) {
        const quint32 words = le32(wmf, at);
        const int function = le16(wmf, at + 4);
        if (words < 3 || qint64(words) * 2 > wmf.size() - at)
            break;
        const qsizetype bytes = qsizetype(words) * 2;
        const qsizetype params = qsizetype(words) - 3; // 16-bit parameters
        QByteArray record = wmf.mid(at, bytes);
        const auto param = [&record](qsizetype i) { return qint64(le16(record, 6 + 2 * i)); };
        bool ok = true;
        switch (function) {
        case 0x0000: // EOF
            ended = true;
            break;
        case 0x0324: // POLYGON
        case 0x0325: // POLYLINE
            ok = params >= 1 && 1 + 2 * param(0) <= params;
            break;
        case 0x0538: { // POLYPOLYGON
            ok = params >= 1 && 1 + param(0) <= params;
            qint64 points = 0;
            for (qint64 i = 0; ok && i < param(0); ++i)
                points += param(1 + i);
            ok = ok && 1 + param(0) + 2 * points <= params;
            break;
        }
        case 0x0521: // TEXTOUT
            ok = params >= 1 && 1 + (param(0) + 1) / 2 + 2 <= params;
            break;
        case 0x0A32: { // EXTTEXTOUT
            ok = params >= 4;
            if (ok) {
                const qint64 rect = (param(3) & 0x0006) ? 4 : 0;
                ok = 4 + rect + (param(2) + 1) / 2 <= params;
            }
            break;
        }
        case 0x02FB: // CREATEFONTINDIRECT: the face name must end inside the record
            ok = params >= 9;
            if (ok)
                record[bytes - 1] = '\0';
            break;
        case 0x0940: // DIBBITBLT
        case 0x0B41: // DIBSTRETCHBLT
        case 0x0F43: // STRETCHDIB
        case 0x0D33: // SETDIBTODEV
        case 0x0142: { // DIBCREATEPATTERNBRUSH
            // The bitmap follows the fixed parameters; without one (a pattern only) the record is short.
            const qsizetype fixed = function == 0x0940 ? 8 : function == 0x0B41 ? 10
                                  : function == 0x0F43 ? 11 : function == 0x0D33 ? 9 : 2;
            if (params > fixed + 2) {
                const QByteArray dib = record.mid(6 + 2 * fixed);
                ok = validDib(dib, 0).has_value();
            } else {
                ok = params >= fixed - 1;
            }
            break;
        }
        case 0x0922: // BITBLT and STRETCHBLT carry device-dependent bitmaps nobody writes now
        case 0x0B23:
        case 0x01F9: // CREATEPATTERNBRUSH
        case 0x0626: // ESCAPE: printer data
            ok = false;
            break;
        default:
            break;
        }
        if (ended)
            break;
        if (!ok)
            return {};
        out.append(record);
        largest = std::max(largest, words);
        at += bytes;
        ++records;
    }
    out.append(QByteArray::fromHex("030000000000"));
    // The header states the size and the largest record; a closed-off copy states its own.
    qToLittleEndian<quint32>(quint32(out.size() / 2), out.data() + 6);
    qToLittleEndian<quint32>(largest, out.data() + 12);
    return out;
}

/// An EMF checked and closed; empty when it is not one.
QByteArray checkedEmf(const QByteArray &data)
{
    if (data.size() < 88 || data.size() > MaxMetafileBytes || le32(data, 0) != 1)
        return {};
    const quint32 headerSize = le32(data, 4);
    if (headerSize < 88 || headerSize % 4 != 0 || headerSize > quint32(data.size()) ||
        le32(data, 40) != 0x464D4520u)
        return {};
    QByteArray out;
    qsizetype at = 0;
    qsizetype records = 0;
    bool ended = false;
    while (at + 8 <= data.size() && records < MaxMetafileRecords) {
        const quint32 type = le32(data, at);
        const quint32 size = le32(data, at + 4);
        if (size < 8 || size % 4 != 0 || size > quint32(data.size() - at) || type == 0 || type > 122)
            break;
        if (records > 0 && type == 1)
            break; // a second header
        out.append(data.constData() + at, qsizetype(size));
        at += size;
        ++records;
        if (type == 14) { // EOF
            ended = true;
            break;
        }
    }
    if (!ended) {
        QByteArray eof(20, '\0');
        qToLittleEndian<quint32>(14, eof.data());
        qToLittleEndian<quint32>(20, eof.data() + 4);
        qToLittleEndian<quint32>(16, eof.data() + 12);
        qToLittleEndian<quint32>(20, eof.data() + 16);
        out.append(eof);
        ++records;
    }
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 48);
    qToLittleEndian<quint32>(quint32(records), out.data() + 52);
    return out;
}

// ---- The libraries, each turning checked bytes into SVG text.

/// A metafile that draws only a rectangle over the window of a checked WMF (its SETWINDOWORG
/// and SETWINDOWEXT), or empty when it sets none. libwmf frames a picture by what it draws, text
/// by guessed widths; scanning this gives the frame the metafile itself declares.
QByteArray windowProbe(const QByteArray &wmf)
{
    QByteArray probe = wmf.left(18);
    qint16 orgX = 0, orgY = 0, extX = 0, extY = 0;
    bool hasExt = false;
    for (qsizetype at = 18; at + 6 <= wmf.size();) {
        const qsizetype bytes = qsizetype(le32(wmf, at)) * 2;
        const int function = le16(wmf, at + 4);
        if (function == 0)
            break;
        if ((function == 0x020B || function == 0x020C) && bytes >= 10) {
            const auto y = qint16(le16(wmf, at + 6));
            const auto x = qint16(le16(wmf, at + 8));
            if (function == 0x020B) {
                orgX = x;
                orgY = y;
            } else {
                extX = x;
                extY = y;
                hasExt = true;
            }
        }
        if (function == 0x0103 || function == 0x020B || function == 0x020C)
            probe.append(wmf.mid(at, bytes));
        at += bytes;
    }
    if (!hasExt || extX == 0 || extY == 0)
        return {};
    QByteArray rect(14, '\0');
    qToLittleEndian<quint32>(7, rect.data());
    qToLittleEndian<quint16>(0x041B, rect.data() + 4);
    const auto put = [&rect](int i, int value) {
        qToLittleEndian<qint16>(qint16(std::clamp(value, -32768, 32767)), rect.data() + 6 + 2 * i);
    };
    put(0, orgY + extY);
    put(1, orgX + extX);
    put(2, orgY);
    put(3, orgX);
    probe.append(rect);
    probe.append(QByteArray::fromHex("030000000000"));
    qToLittleEndian<quint32>(quint32(probe.size() / 2), probe.data() + 6);
    qToLittleEndian<quint32>(7, probe.data() + 12);
    return probe;
}

/// The frame libwmf gives the probe, in its device units.
std::optional<wmfD_Rect> scannedFrame(QByteArray probe)
{
    if (probe.isEmpty())
        return std::nullopt;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_svg_function;
    wmfAPI *api = nullptr;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return std::nullopt;
    }
    std::optional<wmfD_Rect> frame;
    wmfD_Rect bbox;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char *>(probe.data()), long(probe.size())) == wmf_E_None &&
        wmf_scan(api, 0, &bbox) == wmf_E_None && bbox.BR.x > bbox.TL.x && bbox.BR.y > bbox.TL.y)
        frame = bbox;
    wmf_api_destroy(api);
    return frame;
}

QByteArray svgOfWmf(const QByteArray &wmf, QSize pixels)
{
    const std::optional<wmfD_Rect> frame = scannedFrame(windowProbe(wmf));
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_svg_function;
    wmfAPI *api = nullptr;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return {};
    }
    QByteArray svg;
    QByteArray input = wmf; // libwmf wants a writable buffer
    wmfD_Rect bbox;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char *>(input.data()), long(input.size())) == wmf_E_None &&
        wmf_scan(api, 0, &bbox) == wmf_E_None) {
        if (frame)
            bbox = *frame;
        wmf_svg_t *device = WMF_SVG_GetData(api);
        device->out = wmf_stream_create(api, nullptr);
        device->Description = const_cast<char *>("picture");
        device->bbox = bbox;
        device->width = unsigned(pixels.width());
        device->height = unsigned(pixels.height());
        device->flags |= WMF_SVG_INLINE_IMAGES;
        const bool played = wmf_play(api, 0, &bbox) == wmf_E_None;
        char *text = nullptr;
        unsigned long length = 0;
        wmf_stream_destroy(api, device->out, &text, &length);
        if (played && text && length > 0 && qsizetype(length) <= MaxSvgBytes)
            svg = QByteArray(text, qsizetype(length));
        // The memory stream's text was allocated through the API and goes with it.
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return svg;
}

QByteArray svgOfEmf(const QByteArray &emf, QSize pixels)
{
    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    options.nameSpace = const_cast<char *>("");
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = pixels.width();
    options.imgHeight = pixels.height();
    QByteArray input = emf;
    char *text = nullptr;
    size_t length = 0;
    const int ok = emf2svg(input.data(), size_t(input.size()), &text, &length, &options);
    QByteArray svg;
    if (ok && text && length > 0 && length <= size_t(MaxSvgBytes))
        svg = QByteArray(text, qsizetype(length));
    std::free(text);
    return svg;
}

#if defined(Q_OS_UNIX)
qint64 nowMilliseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
#endif

/// Runs convert in a child process and returns what it gave; empty when the child crashed,
/// ran out of time or gave too much. The child does nothing but the C library's work and write().
QByteArray isolated(QByteArray (*convert)(const QByteArray &, QSize), const QByteArray &input, QSize pixels)
{
#if defined(Q_OS_UNIX)
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return {};
    }
    if (child == 0) {
        close(fds[0]);
        const QByteArray out = convert(input, pixels);
        const char *p = out.constData();
        qsizetype left = out.size();
        while (left > 0) {
            const ssize_t n = write(fds[1], p, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(2);
            p += n;
            left -= n;
        }
        _exit(out.isEmpty() ? 1 : 0);
    }
    close(fds[1]);
    QByteArray result;
    bool failed = false;
    const qint64 deadline = nowMilliseconds() + RenderMilliseconds;
    char buffer[65536];
    for (;;) {
        const qint64 left = deadline - nowMilliseconds();
        if (left <= 0) {
            failed = true;
            break;
        }
        pollfd pfd{fds[0], POLLIN, 0};
        const int ready = poll(&pfd, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            failed = true;
            break;
        }
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (result.size() + n > MaxSvgBytes) {
            failed = true;
            break;
        }
        result.append(buffer, qsizetype(n));
    }
    close(fds[0]);
    if (failed)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return result;
#else
    return convert(input, pixels);
#endif
}

QImage imageOfSvg(const QByteArray &svg, QSize pixels)
{
    if (svg.isEmpty())
        return {};
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    return image;
}

QImage drawMetafile(const PictureData &picture, QSize pixels);

/// Drawn metafiles, so that showing a question again (the exam window and the editor load its
/// file each time) costs no second drawing. Bounded by the bytes of the images.
QImage renderMetafile(const PictureData &picture, QSize pixels)
{
    static QMutex mutex;
    static QCache<QByteArray, QImage> cache(64 * 1024); // in kilobytes
    const QByteArray key = QCryptographicHash::hash(picture.bytes, QCryptographicHash::Sha1) + ':' +
                           QByteArray::number(pixels.width()) + 'x' + QByteArray::number(pixels.height());
    {
        QMutexLocker lock(&mutex);
        if (const QImage *image = cache.object(key))
            return *image;
    }
    const QImage image = drawMetafile(picture, pixels);
    QMutexLocker lock(&mutex);
    // A failed drawing is kept too (as a null image), so it is not tried again.
    cache.insert(key, new QImage(image), std::max<int>(1, int(image.sizeInBytes() / 1024)));
    return image;
}

QImage drawMetafile(const PictureData &picture, QSize pixels)
{
    // The type word may be wrong; the data's own header tells.
    const QByteArray &bytes = picture.bytes;
    if (bytes.size() >= 44 && le32(bytes, 0) == 1 && le32(bytes, 40) == 0x464D4520u) {
        const QByteArray emf = checkedEmf(bytes);
        return emf.isEmpty() ? QImage() : imageOfSvg(isolated(svgOfEmf, emf, pixels), pixels);
    }
    const QByteArray wmf = checkedWmf(bytes);
    return wmf.isEmpty() ? QImage() : imageOfSvg(isolated(svgOfWmf, wmf, pixels), pixels);
}

} // namespace

QSize renderSize(QSizeF twips)
{
    double width = std::max(1.0, twips.width() / TwipsPerPixel);
    double height = std::max(1.0, twips.height() / TwipsPerPixel);
    if (const double area = width * height; area > double(MaxRenderPixels)) {
        const double factor = std::sqrt(double(MaxRenderPixels) / area);
        width *= factor;
        height *= factor;
    }
    return {std::max(1, int(std::lround(std::min(width, 16384.0)))),
            std::max(1, int(std::lround(std::min(height, 16384.0))))};
}

QImage placeholderImage(QSize pixels)
{
    // A small box scaled by the document costs little whatever the picture's size.
    const QSize size = pixels.boundedTo(QSize(512, 512)).expandedTo(QSize(2, 2));
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(245, 245, 245));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(200, 200, 200), 1));
    painter.drawLine(0, 0, size.width() - 1, size.height() - 1);
    painter.drawLine(0, size.height() - 1, size.width() - 1, 0);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    painter.end();
    return image;
}

PictureImage renderPicture(const PictureData &picture)
{
    const QSize pixels = renderSize(picture.shownTwips());
    const QByteArray &bytes = picture.bytes;
    PictureImage result;
    // Qt decodes PNG, JPEG and BMP data itself when it first paints them.
    if (isPng(bytes)) {
        if (validPng(bytes))
            result.resource = bytes;
    } else if (isJpeg(bytes)) {
        if (validJpeg(bytes))
            result.resource = bytes;
    } else {
        switch (picture.type) {
        case PictureType::Dib:
        case PictureType::None:
        case PictureType::Png:
        case PictureType::Jpeg:
            if (const QByteArray bmp = bmpOfDib(bytes); !bmp.isEmpty())
                result.resource = bmp;
            break;
        case PictureType::Bitmap:
            if (const QImage image = imageOfBitmap(picture); !image.isNull())
                result.resource = image;
            else if (const QByteArray bmp = bmpOfDib(bytes); !bmp.isEmpty())
                result.resource = bmp;
            break;
        case PictureType::Wmf:
        case PictureType::Emf:
            if (const QImage image = renderMetafile(picture, pixels); !image.isNull())
                result.resource = image;
            break;
        case PictureType::MacPict:
        case PictureType::Os2Meta:
            break;
        }
    }
    if (!result.resource.isValid()) {
        result.resource = placeholderImage(pixels);
        result.placeholder = true;
    }
    return result;
}

} // namespace rtf
