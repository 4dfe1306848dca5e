#pragma once

#include "controlwords.h"

#include <QByteArray>
#include <QMetaType>
#include <QSizeF>
#include <QTextFormat>

#include <memory>
#include <optional>

class QTextImageFormat;

namespace rtf {

/// Longest side of a picture in twips (440 inches): larger ones are scaled down to it.
inline constexpr int MaxPictureTwips = 633600;

/// A picture exactly as an RTF file stored it: its blip type, the numbers of its \pict group and
/// its bytes. Numbers hold what the file gave, cut to the ranges the reader keeps; 0 means "not
/// given" except for the scales (100).
struct PictureData
{
    PictureType type = PictureType::None;
    int typeParameter = -1; ///< N of \wmetafileN, \dibitmapN, \wbitmapN, \pmmetafileN; -1 = none
    int width = 0;          ///< \picw: pixels for bitmaps, 0.01 mm for metafiles
    int height = 0;         ///< \pich
    int goalWidth = 0;      ///< \picwgoal, twips
    int goalHeight = 0;     ///< \pichgoal, twips
    int scaleX = 100;       ///< \picscalex, percent
    int scaleY = 100;
    int cropLeft = 0; ///< \piccropl and the like, twips
    int cropRight = 0;
    int cropTop = 0;
    int cropBottom = 0;
    int bitsPerPixel = 0; ///< \wbmbitspixel (device-dependent bitmaps)
    int planes = 0;       ///< \wbmplanes
    int widthBytes = 0;   ///< \wbmwidthbytes
    QByteArray bytes;

    friend bool operator==(const PictureData &, const PictureData &) = default;

    /// True for the metafile types, whose \picw and \pich are in 0.01 mm.
    bool isMetafile() const;
    /// The size the document shows the picture at, in twips: goal size times scale, else the
    /// picture's own size. Never empty, at most MaxPictureTwips a side.
    QSizeF shownTwips() const;
};

/// A picture the reader kept: its data and, when the file gave one, the stand-in written for
/// readers without shape pictures ({\nonshppict}). Implicitly shared and cheap to copy; compared
/// by content. The writer writes it back unchanged.
class KeptPicture
{
public:
    KeptPicture() = default;
    explicit KeptPicture(PictureData data, std::optional<PictureData> alternate = std::nullopt);

    bool isNull() const { return !m_d; }
    /// The picture; an empty PictureData when null.
    const PictureData &data() const;
    /// The stand-in, or nullptr.
    const PictureData *alternate() const;
    /// Hex SHA-1 of the picture's bytes, computed once.
    const QByteArray &digest() const;
    /// A copy with alternate as its stand-in.
    KeptPicture withAlternate(const PictureData &alternate) const;

    friend bool operator==(const KeptPicture &a, const KeptPicture &b);

private:
    struct Shared;
    std::shared_ptr<const Shared> m_d;
};

/// The property of a QTextImageFormat that holds its KeptPicture.
inline constexpr int KeptPictureProperty = QTextFormat::UserProperty + 0x5254;
/// A bool property of a QTextImageFormat: its picture shows as a placeholder.
inline constexpr int PicturePlaceholderProperty = QTextFormat::UserProperty + 0x5255;

/// The kept picture of an image, or a null one (a picture pasted as an image, say).
KeptPicture keptPicture(const QTextImageFormat &format);
void setKeptPicture(QTextImageFormat &format, const KeptPicture &picture);

/// Collects one \pict group: its properties and its data, hex or \bin. Memory stays within the
/// size of the data the file holds.
class PictureBuilder
{
public:
    static constexpr qsizetype MaxBytes = qsizetype(512) * 1024 * 1024;

    void setType(PictureType type, int parameter, bool hasParameter);
    void setProperty(PictureProperty property, int value);
    void addHex(QByteArrayView text);
    void addBinary(QByteArrayView bytes);
    /// The picture read, or nothing when it holds no bytes (or more than MaxBytes). Resets.
    std::optional<PictureData> take();

private:
    PictureData m_data;
    int m_highNibble = -1;
    bool m_tooLarge = false;
};

/// The \pict group (or {\*\shppict}{\nonshppict} pair) that reads back as picture, 7-bit text.
/// A picture whose shown size was changed (shownTwips differs from data's) is written with that
/// size. One that office software cannot show (a placeholder here, or a kind it does not read)
/// goes into {\nonshppict} alone: office software skips it there rather than refusing the file,
/// and the reader still reads it.
QByteArray pictureGroup(const KeptPicture &picture, std::optional<QSizeF> shownTwips = std::nullopt,
                        bool placeholder = false);

} // namespace rtf

Q_DECLARE_METATYPE(rtf::KeptPicture)
