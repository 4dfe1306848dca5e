#include "pictureinsert.h"

#include "rtf/documentsink.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QSvgRenderer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>

namespace pictures {

namespace {

// Pictures larger than this many pixels are refused before they are decoded: a 50-megapixel
// photograph is read scaled, but a file claiming a gigapixel would take the memory of the machine.
constexpr qint64 MaxSourcePixels = 400'000'000;
// An SVG without a size of its own is drawn this wide.
constexpr int DefaultSvgWidth = 400;

QString nameOf(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QSize fitted(QSize size, int maxWidth)
{
    if (maxWidth > 0 && size.width() > maxWidth)
        size = QSize(maxWidth, std::max(1, int(qint64(size.height()) * maxWidth / size.width())));
    return size;
}

std::optional<QImage> drawSvg(const QString &path, int maxWidth, QString *error)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        *error = QStringLiteral("The file %1 is not a picture that can be inserted.").arg(nameOf(path));
        return std::nullopt;
    }
    QSize size = renderer.defaultSize();
    if (size.isEmpty())
        size = QSize(DefaultSvgWidth, DefaultSvgWidth);
    size = fitted(size, maxWidth);
    if (qint64(size.width()) * size.height() > MaxSourcePixels) {
        *error = QStringLiteral("The picture %1 is too large to be inserted.").arg(nameOf(path));
        return std::nullopt;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, qstrcmp(format, "JPEG") == 0 ? 90 : -1))
        return {};
    return bytes;
}

} // namespace

std::optional<Prepared> prepare(const QString &path, int maxWidth, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("The picture %1 cannot be found.").arg(nameOf(path));
        return std::nullopt;
    }

    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format().toLower();
    if (format == "svg" || format == "svgz" || QFileInfo(path).suffix().compare(u"svg", Qt::CaseInsensitive) == 0) {
        std::optional<QImage> image = drawSvg(path, maxWidth, error);
        if (!image)
            return std::nullopt;
        return Prepared{encoded(*image, "PNG"), image->size()};
    }
    if (!reader.canRead()) {
        *error = QStringLiteral("The file %1 is not a picture that can be inserted.").arg(nameOf(path));
        return std::nullopt;
    }
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaxSourcePixels) {
        *error = QStringLiteral("The picture %1 is too large to be inserted.").arg(nameOf(path));
        return std::nullopt;
    }
    const QSize shown = size.isValid() ? fitted(size, maxWidth) : QSize();
    // Decoding at the shown size keeps a large photograph from taking hundreds of megabytes.
    if (shown.isValid() && shown != size)
        reader.setScaledSize(shown);
    QImage image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("The picture %1 could not be read: %2").arg(nameOf(path), reader.errorString());
        return std::nullopt;
    }
    if (!shown.isValid() && image.width() > maxWidth && maxWidth > 0)
        image = image.scaled(fitted(image.size(), maxWidth), Qt::KeepAspectRatio, Qt::SmoothTransformation);

    // A photograph stays a JPEG: as PNG it would take several times the room in the paper.
    const bool photo = format == "jpeg" || format == "jpg";
    QByteArray data = photo ? encoded(image.convertToFormat(QImage::Format_RGB32), "JPEG") : encoded(image, "PNG");
    if (data.isEmpty()) {
        *error = QStringLiteral("The picture %1 could not be converted.").arg(nameOf(path));
        return std::nullopt;
    }
    return Prepared{data, image.size()};
}

int widthFor(const QTextEdit &editor)
{
    const int margins = 2 * int(editor.document()->documentMargin()) + 4;
    // Room for the vertical scroll bar that a tall picture brings along.
    const int scrollBar =
        editor.verticalScrollBar()->isVisible() ? 0 : editor.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return std::max(16, editor.viewport()->width() - margins - scrollBar);
}

void insert(QTextEdit &editor, const Prepared &picture)
{
    // Named as the RTF reader names the pictures it reads, so a picture read back is the same.
    const QString name =
        QLatin1String(rtf::ImageScheme) + u':' +
        QString::fromLatin1(QCryptographicHash::hash(picture.data, QCryptographicHash::Sha1).toHex());
    editor.document()->addResource(QTextDocument::ImageResource, QUrl(name), picture.data);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(picture.shownSize.width());
    format.setHeight(picture.shownSize.height());
    QTextCursor cursor = editor.textCursor();
    cursor.insertImage(format);
    editor.setTextCursor(cursor);
}

} // namespace pictures
