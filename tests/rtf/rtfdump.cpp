#include "rtfdump.h"

#include "rtf/documentsink.h"
#include "rtf/keptgroups.h"

#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

QString twips(double pixels)
{
    return QString::number(std::lround(pixels * 15));
}

QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += u'\\';
            out += c;
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (u == 0x2028) {
            out += QStringLiteral("\\n");
        } else if (u < 0x20 || (u >= 0x7F && u <= 0xA0) || u == 0xAD || (u >= 0x2000 && u <= 0x200F) ||
                   u == 0x2011 || (u >= 0x2028 && u <= 0x202F) || c.isSurrogate() ||
                   (u >= 0xE000 && u <= 0xF8FF) || u >= 0xFFF0) {
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += u'"';
    return out;
}

QString colour(const QBrush &brush)
{
    return brush.color().name(QColor::HexRgb);
}

QString charAttributes(const QTextDocument &document, const QTextCharFormat &format, DumpForm form)
{
    QStringList parts;
    QString family = format.fontFamilies().toStringList().value(0);
    if (family.isEmpty())
        family = form == DumpForm::Effective ? document.defaultFont().family() : QStringLiteral("(default)");
    parts << QStringLiteral("font=\"%1\"").arg(family);
    const double size =
        format.fontPointSize() > 0 ? format.fontPointSize() : document.defaultFont().pointSizeF();
    parts << QStringLiteral("size=%1").arg(number(size));
    if (format.fontWeight() >= QFont::DemiBold)
        parts << QStringLiteral("bold");
    if (format.fontItalic())
        parts << QStringLiteral("italic");
    if (format.fontUnderline() || (format.underlineStyle() != QTextCharFormat::NoUnderline &&
                                   format.underlineStyle() != QTextCharFormat::SpellCheckUnderline))
        parts << QStringLiteral("underline");
    if (format.fontStrikeOut())
        parts << QStringLiteral("strike");
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        parts << QStringLiteral("super");
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        parts << QStringLiteral("sub");
    if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
        parts << QStringLiteral("fg=") + colour(format.foreground());
    if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush)
        parts << QStringLiteral("bg=") + colour(format.background());
    return parts.join(u' ');
}

QString paragraphLine(const QTextBlockFormat &format)
{
    QString line = QStringLiteral("paragraph");
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        line += QStringLiteral(" center");
    else if (alignment & Qt::AlignJustify)
        line += QStringLiteral(" justify");
    else if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        line += QStringLiteral(" right");
    const auto length = [&line](const char *name, double pixels) {
        if (std::lround(pixels * 15) != 0)
            line += QStringLiteral(" %1=%2").arg(QLatin1String(name), twips(pixels));
    };
    length("li", format.leftMargin());
    length("ri", format.rightMargin());
    length("fi", format.textIndent());
    length("sb", format.topMargin());
    length("sa", format.bottomMargin());
    return line;
}

QString imageLine(const QTextDocument &document, const QTextImageFormat &format, DumpForm form)
{
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QString kind = QStringLiteral("unknown");
    QImage image;
    if (resource.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = resource.toByteArray();
        if (bytes.startsWith("\x89PNG"))
            kind = QStringLiteral("png");
        else if (bytes.startsWith("\xff\xd8"))
            kind = QStringLiteral("jpeg");
        else if (bytes.startsWith("BM"))
            kind = QStringLiteral("bmp");
        image = QImage::fromData(bytes);
    } else if (resource.typeId() == QMetaType::QImage) {
        kind = QStringLiteral("image");
        image = resource.value<QImage>();
    }
    if (form == DumpForm::Stored) {
        QString line = QStringLiteral("image %1 %2x%3").arg(kind).arg(image.width()).arg(image.height());
        if (format.hasProperty(QTextFormat::ImageWidth) || format.hasProperty(QTextFormat::ImageHeight))
            line += QStringLiteral(" shown=%1x%2").arg(twips(format.width()), twips(format.height()));
        return line;
    }
    double width = format.hasProperty(QTextFormat::ImageWidth) ? format.width() : 0;
    double height = format.hasProperty(QTextFormat::ImageHeight) ? format.height() : 0;
    if (width <= 0 && height <= 0) {
        width = image.width();
        height = image.height();
    } else if (width <= 0 && image.height() > 0) {
        width = height * image.width() / image.height();
    } else if (height <= 0 && image.width() > 0) {
        height = width * image.height() / image.width();
    }
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    quint32 sum = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            sum = sum * 31 + row[x];
    }
    return QStringLiteral("image %1x%2 shown=%3x%4 pixels=%5")
        .arg(image.width())
        .arg(image.height())
        .arg(twips(width), twips(height))
        .arg(sum, 8, 16, QLatin1Char('0'));
}

QString borderText(double width, QTextFrameFormat::BorderStyle style, const QBrush &brush)
{
    if (style == QTextFrameFormat::BorderStyle_None || width <= 0)
        return QStringLiteral("-");
    QString text = twips(width);
    if (brush.style() != Qt::NoBrush && brush.color() != Qt::black)
        text += u'/' + brush.color().name(QColor::HexRgb);
    return text;
}

/// "table" and "cell" lines for a block that starts a table or a cell.
void tableLines(const QTextBlock &block, const QTextTable *&lastTable, QStringList &lines)
{
    QTextTable *table = QTextCursor(block).currentTable();
    if (!table) {
        lastTable = nullptr;
        return;
    }
    if (table != lastTable && table->firstPosition() == block.position()) {
        QStringList widths;
        for (const QTextLength &length : table->format().columnWidthConstraints())
            widths << (length.type() == QTextLength::FixedLength ? twips(length.rawValue()) : QStringLiteral("*"));
        lines << QStringLiteral("table rows=%1 columns=%2 widths=%3 padding=%4")
                     .arg(table->rows())
                     .arg(table->columns())
                     .arg(widths.isEmpty() ? QStringLiteral("-") : widths.join(u','))
                     .arg(twips(table->format().cellPadding()));
    }
    lastTable = table;
    const QTextTableCell cell = table->cellAt(block.position());
    if (cell.isValid() && cell.firstPosition() == block.position()) {
        const QTextTableCellFormat f = cell.format().toTableCellFormat();
        QString line = QStringLiteral("cell %1,%2").arg(cell.row()).arg(cell.column());
        if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
            line += QStringLiteral(" span=%1x%2").arg(cell.rowSpan()).arg(cell.columnSpan());
        line += QStringLiteral(" borders=%1,%2,%3,%4")
                    .arg(borderText(f.leftBorder(), f.leftBorderStyle(), f.leftBorderBrush()),
                         borderText(f.topBorder(), f.topBorderStyle(), f.topBorderBrush()),
                         borderText(f.rightBorder(), f.rightBorderStyle(), f.rightBorderBrush()),
                         borderText(f.bottomBorder(), f.bottomBorderStyle(), f.bottomBorderBrush()));
        if (f.hasProperty(QTextFormat::BackgroundBrush))
            line += QStringLiteral(" bg=") + colour(f.background());
        lines << line;
    }
}

QString hiddenLine(const QTextDocument &document, const QTextCharFormat &format, DumpForm form)
{
    const QTextCharFormat inner = format.property(rtf::HiddenFormatProperty).value<QTextFormat>().toCharFormat();
    return QStringLiteral("hidden %1 %2")
        .arg(quoted(format.stringProperty(rtf::HiddenTextProperty)), charAttributes(document, inner, form));
}

} // namespace

QString dumpDocument(const QTextDocument &document, DumpForm form)
{
    QStringList lines;
    const QTextTable *lastTable = nullptr;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        tableLines(block, lastTable, lines);
        lines << paragraphLine(block.blockFormat());
        if (block.length() <= 1) {
            lines << QStringLiteral("  mark ") + charAttributes(document, block.charFormat(), form);
            continue;
        }
        QString runText;
        QString runAttributes;
        const auto flush = [&] {
            if (!runText.isEmpty())
                lines << QStringLiteral("  text %1 %2").arg(quoted(runText), runAttributes);
            runText.clear();
        };
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.objectType() == rtf::HiddenTextObject) {
                flush();
                lines << QStringLiteral("  ") + hiddenLine(document, format, form);
                continue;
            }
            if (format.isImageFormat()) {
                flush();
                for (int i = 0; i < fragment.length(); ++i)
                    lines << QStringLiteral("  ") + imageLine(document, format.toImageFormat(), form);
                continue;
            }
            const QString attributes = charAttributes(document, format, form);
            if (attributes != runAttributes)
                flush();
            runAttributes = attributes;
            runText += fragment.text();
        }
        flush();
    }
    // Groups kept for writing back: the word that opens each, its size and a checksum of it.
    for (const QByteArray &group : rtf::keptGroups(document)) {
        QByteArray word = group.mid(1, 40);
        if (word.startsWith("\\*"))
            word.remove(0, 2);
        word = word.mid(1);
        word.truncate(std::find_if_not(word.begin(), word.end(), [](char c) { return std::isalpha(uchar(c)); }) -
                      word.begin());
        lines << QStringLiteral("kept %1 %2 bytes crc=%3")
                     .arg(QString::fromLatin1(word))
                     .arg(group.size())
                     .arg(qChecksum(group));
    }
    return lines.join(u'\n') + u'\n';
}
