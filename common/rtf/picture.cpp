#include "picture.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QTextImageFormat>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

namespace rtf {
namespace {

constexpr double TwipsPerHimetric = 1440.0 / 2540.0;
constexpr double TwipsPerPixel = 15.0;
/// A picture with no size at all is shown one inch a side.
constexpr double DefaultTwips = 1440.0;

int clampInt(int value, int low, int high)
{
    return std::clamp(value, low, high);
}

const char *typeWord(PictureType type)
{
    switch (type) {
    case PictureType::Png:
        return "pngblip";
    case PictureType::Jpeg:
        return "jpegblip";
    case PictureType::Emf:
        return "emfblip";
    case PictureType::Wmf:
        return "wmetafile";
    case PictureType::Dib:
        return "dibitmap";
    case PictureType::Bitmap:
        return "wbitmap";
    case PictureType::MacPict:
        return "macpict";
    case PictureType::Os2Meta:
        return "pmmetafile";
    case PictureType::None:
        break;
    }
    return nullptr;
}

void appendWord(QByteArray &out, const char *name, int value)
{
    out.append('\\');
    out.append(name);
    out.append(QByteArray::number(value));
}

QByteArray pictGroup(const PictureData &data)
{
    QByteArray out;
    out.reserve(data.bytes.size() * 2 + data.bytes.size() / 64 * 2 + 256);
    out.append("{\\pict");
    if (const char *word = typeWord(data.type)) {
        out.append('\\');
        out.append(word);
        if (data.typeParameter >= 0)
            out.append(QByteArray::number(data.typeParameter));
    }
    const auto given = [&out](const char *name, int value, int absent) {
        if (value != absent)
            appendWord(out, name, value);
    };
    given("picw", data.width, 0);
    given("pich", data.height, 0);
    given("picwgoal", data.goalWidth, 0);
    given("pichgoal", data.goalHeight, 0);
    given("picscalex", data.scaleX, 100);
    given("picscaley", data.scaleY, 100);
    given("piccropl", data.cropLeft, 0);
    given("piccropr", data.cropRight, 0);
    given("piccropt", data.cropTop, 0);
    given("piccropb", data.cropBottom, 0);
    given("wbmbitspixel", data.bitsPerPixel, 0);
    given("wbmplanes", data.planes, 0);
    given("wbmwidthbytes", data.widthBytes, 0);
    out.append("\r\n");
    static constexpr char Hex[] = "0123456789abcdef";
    const auto *bytes = reinterpret_cast<const uchar *>(data.bytes.constData());
    for (qsizetype i = 0; i < data.bytes.size(); ++i) {
        out.append(Hex[bytes[i] >> 4]);
        out.append(Hex[bytes[i] & 15]);
        if (i % 64 == 63 || i + 1 == data.bytes.size())
            out.append("\r\n");
    }
    out.append('}');
    return out;
}

/// The size the bytes themselves give, in twips, or an empty size.
QSizeF ownTwips(const PictureData &data)
{
    const QByteArray &b = data.bytes;
    const auto le16 = [&b](qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    const auto le32 = [&b](qsizetype at) { return qFromLittleEndian<qint32>(b.constData() + at); };
    if (b.startsWith("\x89PNG\r\n\x1a\n") && b.size() >= 24) {
        const auto w = qFromBigEndian<quint32>(b.constData() + 16);
        const auto h = qFromBigEndian<quint32>(b.constData() + 20);
        return QSizeF(std::min<quint32>(w, 1u << 20), std::min<quint32>(h, 1u << 20)) * TwipsPerPixel;
    }
    if (b.startsWith("\xff\xd8\xff")) {
        QBuffer buffer;
        buffer.setData(b);
        buffer.open(QIODevice::ReadOnly);
        const QSize size = QImageReader(&buffer, "jpeg").size(); // the header only
        return size.isValid() ? QSizeF(size) * TwipsPerPixel : QSizeF();
    }
    if (b.size() >= 44 && le32(0) == 1 && qFromLittleEndian<quint32>(b.constData() + 40) == 0x464D4520u) {
        // EMF: its frame, in 0.01 mm.
        return QSizeF(double(le32(32)) - le32(24), double(le32(36)) - le32(28)) * TwipsPerHimetric;
    }
    if (b.size() >= 22 && qFromLittleEndian<quint32>(b.constData()) == 0x9AC6CDD7u && le16(14) > 0) {
        // WMF with its placeable header: a box in units of 1/inch.
        const double inch = le16(14);
        return QSizeF(double(qint16(le16(10))) - qint16(le16(6)), double(qint16(le16(12))) - qint16(le16(8))) *
               (1440.0 / inch);
    }
    qsizetype dib = b.startsWith("BM") ? 14 : 0;
    if (b.size() >= dib + 16 && (data.type == PictureType::Dib || dib) && le32(dib) >= 12) {
        if (le32(dib) == 12)
            return QSizeF(le16(dib + 4), le16(dib + 6)) * TwipsPerPixel;
        return QSizeF(std::abs(double(le32(dib + 4))), std::abs(double(le32(dib + 8)))) * TwipsPerPixel;
    }
    return {};
}

} // namespace

bool PictureData::isMetafile() const
{
    return type == PictureType::Wmf || type == PictureType::Emf || type == PictureType::Os2Meta ||
           type == PictureType::MacPict;
}

QSizeF PictureData::shownTwips() const
{
    std::optional<QSizeF> bytesSize;
    const auto side = [&](int goal, int given, int scale, bool horizontal) {
        double twips = goal;
        if (twips <= 0)
            twips = given * (isMetafile() ? TwipsPerHimetric : TwipsPerPixel);
        if (twips <= 0) {
            if (!bytesSize)
                bytesSize = ownTwips(*this);
            twips = horizontal ? bytesSize->width() : bytesSize->height();
        }
        if (!(twips > 0))
            twips = DefaultTwips;
        return std::clamp(twips * scale / 100.0, 1.0, double(MaxPictureTwips));
    };
    return {side(goalWidth, width, scaleX, true), side(goalHeight, height, scaleY, false)};
}

struct KeptPicture::Shared
{
    PictureData data;
    std::optional<PictureData> alternate;
    mutable std::once_flag digestOnce;
    mutable QByteArray digest;
};

KeptPicture::KeptPicture(PictureData data, std::optional<PictureData> alternate)
{
    auto shared = std::make_shared<Shared>();
    shared->data = std::move(data);
    shared->alternate = std::move(alternate);
    m_d = std::move(shared);
}

const PictureData &KeptPicture::data() const
{
    static const PictureData empty;
    return m_d ? m_d->data : empty;
}

const PictureData *KeptPicture::alternate() const
{
    return m_d && m_d->alternate ? &*m_d->alternate : nullptr;
}

const QByteArray &KeptPicture::digest() const
{
    static const QByteArray none;
    if (!m_d)
        return none;
    std::call_once(m_d->digestOnce, [this] {
        m_d->digest = QCryptographicHash::hash(m_d->data.bytes, QCryptographicHash::Sha1).toHex();
    });
    return m_d->digest;
}

KeptPicture KeptPicture::withAlternate(const PictureData &alternate) const
{
    return KeptPicture(data(), alternate);
}

bool operator==(const KeptPicture &a, const KeptPicture &b)
{
    if (a.m_d == b.m_d)
        return true;
    if (!a.m_d || !b.m_d)
        return false;
    return a.m_d->data == b.m_d->data && a.m_d->alternate == b.m_d->alternate;
}

KeptPicture keptPicture(const QTextImageFormat &format)
{
    const QVariant value = format.property(KeptPictureProperty);
    if (value.metaType() != QMetaType::fromType<KeptPicture>())
        return {};
    return value.value<KeptPicture>();
}

void setKeptPicture(QTextImageFormat &format, const KeptPicture &picture)
{
    if (picture.isNull())
        format.clearProperty(KeptPictureProperty);
    else
        format.setProperty(KeptPictureProperty, QVariant::fromValue(picture));
}

void PictureBuilder::setType(PictureType type, int parameter, bool hasParameter)
{
    m_data.type = type;
    m_data.typeParameter = hasParameter ? clampInt(parameter, 0, 65535) : -1;
}

void PictureBuilder::setProperty(PictureProperty property, int value)
{
    switch (property) {
    case PictureProperty::Width:
        m_data.width = clampInt(value, 0, MaxPictureTwips);
        break;
    case PictureProperty::Height:
        m_data.height = clampInt(value, 0, MaxPictureTwips);
        break;
    case PictureProperty::GoalWidth:
        m_data.goalWidth = clampInt(value, 0, MaxPictureTwips);
        break;
    case PictureProperty::GoalHeight:
        m_data.goalHeight = clampInt(value, 0, MaxPictureTwips);
        break;
    case PictureProperty::ScaleX:
        m_data.scaleX = clampInt(value, 1, 1000);
        break;
    case PictureProperty::ScaleY:
        m_data.scaleY = clampInt(value, 1, 1000);
        break;
    case PictureProperty::CropLeft:
        m_data.cropLeft = clampInt(value, -MaxPictureTwips, MaxPictureTwips);
        break;
    case PictureProperty::CropRight:
        m_data.cropRight = clampInt(value, -MaxPictureTwips, MaxPictureTwips);
        break;
    case PictureProperty::CropTop:
        m_data.cropTop = clampInt(value, -MaxPictureTwips, MaxPictureTwips);
        break;
    case PictureProperty::CropBottom:
        m_data.cropBottom = clampInt(value, -MaxPictureTwips, MaxPictureTwips);
        break;
    case PictureProperty::BitsPerPixel:
        m_data.bitsPerPixel = clampInt(value, 0, 64);
        break;
    case PictureProperty::Planes:
        m_data.planes = clampInt(value, 0, 64);
        break;
    case PictureProperty::WidthBytes:
        m_data.widthBytes = clampInt(value, 0, 1 << 20);
        break;
    }
}

void PictureBuilder::addHex(QByteArrayView text)
{
    if (m_tooLarge)
        return;
    static constexpr auto Nibbles = [] {
        std::array<signed char, 256> table{};
        table.fill(-1);
        for (int c = 0; c < 10; ++c)
            table['0' + c] = char(c);
        for (int c = 0; c < 6; ++c) {
            table['a' + c] = char(10 + c);
            table['A' + c] = char(10 + c);
        }
        return table;
    }();
    // Grown geometrically, written through a pointer: hex is most of a picture-heavy file.
    QByteArray &bytes = m_data.bytes;
    const qsizetype needed = bytes.size() + text.size() / 2 + 1;
    if (bytes.capacity() < needed)
        bytes.reserve(std::max(needed, bytes.capacity() * 2));
    qsizetype size = bytes.size();
    bytes.resize(needed);
    char *out = bytes.data();
    int high = m_highNibble;
    for (const char c : text) {
        const int value = Nibbles[uchar(c)];
        if (value < 0)
            continue;
        if (high < 0) {
            high = value;
        } else {
            out[size++] = char(high * 16 + value);
            high = -1;
        }
    }
    m_highNibble = high;
    bytes.resize(size);
    if (bytes.size() > MaxBytes) {
        m_tooLarge = true;
        bytes = QByteArray();
    }
}

void PictureBuilder::addBinary(QByteArrayView bytes)
{
    if (m_tooLarge)
        return;
    if (m_data.bytes.size() + bytes.size() > MaxBytes) {
        m_tooLarge = true;
        m_data.bytes = QByteArray();
        return;
    }
    m_data.bytes.append(bytes);
}

std::optional<PictureData> PictureBuilder::take()
{
    std::optional<PictureData> result;
    if (!m_tooLarge && !m_data.bytes.isEmpty()) {
        m_data.bytes.squeeze();
        result = std::move(m_data);
    }
    *this = PictureBuilder();
    return result;
}

QByteArray pictureGroup(const KeptPicture &picture, std::optional<QSizeF> shownTwips, bool placeholder)
{
    PictureData data = picture.data();
    if (data.bytes.isEmpty())
        return {};
    if (shownTwips) {
        // Resized in the editor: the new size becomes the goal size, at full scale.
        const QSizeF kept = data.shownTwips();
        const QSizeF shown(std::clamp(shownTwips->width(), 1.0, double(MaxPictureTwips)),
                           std::clamp(shownTwips->height(), 1.0, double(MaxPictureTwips)));
        if (std::lround(kept.width()) != std::lround(shown.width()) ||
            std::lround(kept.height()) != std::lround(shown.height())) {
            data.goalWidth = int(std::lround(shown.width()));
            data.goalHeight = int(std::lround(shown.height()));
            data.scaleX = data.scaleY = 100;
        }
    }
    const PictureData *alternate = picture.alternate();
    const bool officeReads = data.type == PictureType::Png || data.type == PictureType::Jpeg ||
                             data.type == PictureType::Emf || data.type == PictureType::Wmf ||
                             data.type == PictureType::Dib;
    if (placeholder || !officeReads)
        return "{\\nonshppict" + pictGroup(data) + (alternate ? pictGroup(*alternate) : QByteArray()) + "}";
    if (alternate)
        return "{\\*\\shppict" + pictGroup(data) + "}{\\nonshppict" + pictGroup(*alternate) + "}";
    return pictGroup(data);
}

} // namespace rtf
