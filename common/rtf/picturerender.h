#pragma once

#include "picture.h"

#include <QImage>
#include <QSize>
#include <QVariant>

namespace rtf {

/// Largest image the renderer draws; a picture shown larger is drawn at this size and scaled.
inline constexpr qint64 MaxRenderPixels = 4 * 1024 * 1024;

/// What a document shows for a kept picture.
struct PictureImage
{
    /// Encoded image bytes that QImage reads lazily (PNG, JPEG, BMP) or a drawn QImage.
    QVariant resource;
    bool placeholder = false; ///< the picture could not be shown: a framed box of its size
};

/// Turns a picture into an image resource at the size the document shows it. PNG, JPEG and
/// bitmaps are checked and handed to Qt's decoders as they are; metafiles are drawn (WMF through
/// libwmf, EMF through libemf2svg, both as SVG drawn by QtSvg). The libraries only ever see data
/// whose structure was checked first, and on POSIX systems they run in a short-lived child
/// process with a time limit, so malformed data can neither crash nor hang the caller. Whatever
/// fails gives a placeholder; this function never fails.
PictureImage renderPicture(const PictureData &picture);

/// The pixel size a picture shown at twips is drawn at: its size at 96 dpi, within MaxRenderPixels.
QSize renderSize(QSizeF twips);

/// A framed box of the given size that stands in for a picture that cannot be shown.
QImage placeholderImage(QSize pixels);

} // namespace rtf
