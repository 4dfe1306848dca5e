#include "writer.h"

#include "codepage.h"
#include "documentsink.h"
#include "keptgroups.h"
#include "notes.h"
#include "picture.h"
#include "reader.h"

#include <QBuffer>
#include <QHash>
#include <QSet>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <cmath>
#include <optional>

namespace rtf {
namespace {

constexpr int MinHalfPoints = 2;
constexpr int MaxHalfPoints = 3276;

/// Character formatting as the writer states it.
struct RunStyle
{
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int position = 0;   // 0 normal, 1 super, 2 sub
    int foreground = 0; // colour table index, 0 = automatic
    int background = 0;
};

bool isPng(const QByteArray &data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n");
}

QByteArray pngOf(const QImage &image)
{
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

/// Pixel size stored in a PNG header.
bool isJpeg(const QByteArray &data)
{
    return data.startsWith("\xff\xd8\xff");
}

QSize jpegSize(const QByteArray &jpeg)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    QImageReader reader(&buffer, "jpeg");
    return reader.size();
}

QSize pngSize(const QByteArray &png)
{
    if (png.size() < 24)
        return {};
    const auto be32 = [&png](int at) {
        return (quint32(quint8(png[at])) << 24) | (quint32(quint8(png[at + 1])) << 16) |
               (quint32(quint8(png[at + 2])) << 8) | quint32(quint8(png[at + 3]));
    };
    return QSize(int(std::min<quint32>(be32(16), 1u << 30)), int(std::min<quint32>(be32(20), 1u << 30)));
}

int twips(double pixels)
{
    return int(std::lround(std::clamp(pixels * TwipsPerPixel, -1.0e9, 1.0e9)));
}

class Writer
{
public:
    Writer(const QTextDocument &document, int codePage)
        : m_document(document)
        , m_encoder(codePage)
        , m_codePage(codePage)
    {}

    QByteArray run();

private:
    struct Style
    {
        QString family;
        int halfPoints = 24;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        int position = 0;
        std::optional<QRgb> foreground;
        std::optional<QRgb> background;
    };

    Style styleOf(const QTextCharFormat &format) const;
    int fontIndex(const QString &family);
    int colorIndex(std::optional<QRgb> color);
    void collect(const QTextCharFormat &format);
    QByteArray pictureData(const QTextImageFormat &format) const;

    void word(const char *name);
    void word(const char *name, qint64 parameter);
    void text(const QString &text);
    void character(char32_t ch);
    void switchTo(const QTextCharFormat &format);
    enum class Mark
    {
        Par,
        Cell,
        None ///< the document's last paragraph after a table: its formats only
    };
    // level: the table level of the paragraphs, 0 outside tables, 1 in the outermost table.
    void paragraph(const QTextBlock &block, int level, Mark mark);
    void picture(const QTextImageFormat &format);
    void hidden(const QTextCharFormat &object);
    void collectNotes();
    void note(int id);
    void noteNumber(const QTextCharFormat &format);
    void textGroup(const char *name, const QString &value);
    void commentRange(const QString &name);
    void content(QTextFrame::iterator begin, const QTextFrame::iterator &end, int level, bool cellContent);
    void emptyCell(int level);
    void table(const QTextTable &table, int level);
    void rowProperties(const QTextTable &table, int row, const QList<int> &widths, int gap);
    QList<int> columnWidths(const QTextTable &table) const;
    void cellBorder(const char *side, double width, QTextFrameFormat::BorderStyle style, const QBrush &brush);

    const QTextDocument &m_document;
    codepage::Encoder m_encoder;
    int m_codePage;
    QStringList m_fonts;
    QList<QRgb> m_colors;
    QByteArray m_out;
    bool m_delimit = false; // the last thing written is a control word
    int m_unicodeSkip = 1;
    RunStyle m_current;
    bool m_currentKnown = false;

    // The notes area's paragraphs by note id, and the ids in the order they stand there.
    QHash<int, QList<QTextBlock>> m_noteBlocks;
    QList<int> m_noteOrder;
    QSet<int> m_notesWritten;
    bool m_inNote = false;
    QString m_openRange; // the comment range whose text is being written
};

/// text without the lead the reader put before it (a label, a number), when it still starts so.
QString withoutLead(const QString &text, const QString &lead)
{
    return !lead.isEmpty() && text.startsWith(lead) ? text.sliced(lead.size()) : text;
}

Writer::Style Writer::styleOf(const QTextCharFormat &format) const
{
    const QFont defaultFont = m_document.defaultFont();
    Style style;
    style.family = format.fontFamilies().toStringList().value(0);
    if (style.family.isEmpty())
        style.family = format.stringProperty(QTextFormat::FontFamily);
    if (style.family.isEmpty())
        style.family = defaultFont.family();
    double points = format.fontPointSize();
    if (points <= 0 && format.hasProperty(QTextFormat::FontPixelSize))
        points = format.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (points <= 0)
        points = defaultFont.pointSizeF() > 0 ? defaultFont.pointSizeF() : defaultFont.pixelSize() * 0.75;
    if (points <= 0)
        points = 12;
    style.halfPoints =
        std::clamp(int(std::lround(std::min(points, 10000.0) * 2)), MinHalfPoints, MaxHalfPoints);
    style.bold = format.fontWeight() >= QFont::DemiBold;
    style.italic = format.fontItalic();
    if (format.hasProperty(QTextFormat::TextUnderlineStyle)) {
        const auto underline = format.underlineStyle();
        style.underline =
            underline != QTextCharFormat::NoUnderline && underline != QTextCharFormat::SpellCheckUnderline;
    } else {
        style.underline = format.boolProperty(QTextFormat::FontUnderline);
    }
    style.strike = format.fontStrikeOut();
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        style.position = 1;
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        style.position = 2;
    if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
        style.foreground = format.foreground().color().rgb();
    if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush &&
        format.background().color().alpha() > 0) {
        style.background = format.background().color().rgb();
    }
    return style;
}

int Writer::fontIndex(const QString &family)
{
    qsizetype index = m_fonts.indexOf(family);
    if (index < 0) {
        m_fonts.append(family);
        index = m_fonts.size() - 1;
    }
    return int(index);
}

int Writer::colorIndex(std::optional<QRgb> color)
{
    if (!color)
        return 0;
    const QRgb rgb = *color | 0xff000000u;
    qsizetype index = m_colors.indexOf(rgb);
    if (index < 0) {
        m_colors.append(rgb);
        index = m_colors.size() - 1;
    }
    return int(index) + 1; // entry 0 is "auto"
}

void Writer::collect(const QTextCharFormat &format)
{
    const Style style = styleOf(format);
    fontIndex(style.family);
    colorIndex(style.foreground);
    colorIndex(style.background);
}

void Writer::word(const char *name)
{
    m_out.append('\\');
    m_out.append(name);
    m_delimit = true;
}

void Writer::word(const char *name, qint64 parameter)
{
    word(name);
    m_out.append(QByteArray::number(parameter));
}

void Writer::character(char32_t ch)
{
    if (ch == u'\\' || ch == u'{' || ch == u'}') {
        m_out.append('\\');
        m_out.append(char(ch));
        m_delimit = false;
        return;
    }
    if (ch == u'\t') {
        word("tab");
        return;
    }
    if (ch == 0x2028 || ch == 0x2029) {
        word("line");
        return;
    }
    if (ch < 0x20 || ch == 0x7F || ch == QChar::ObjectReplacementCharacter)
        return; // nothing a reader could show
    if (ch < 0x80) {
        if (m_delimit) {
            m_out.append(' ');
            m_delimit = false;
        }
        m_out.append(char(ch));
        return;
    }
    // \uN with N a signed 16-bit number, then the code page's bytes for readers without Unicode.
    const auto unit = [this](char16_t u, const QByteArray &fallback) {
        if (fallback.size() != m_unicodeSkip) {
            m_unicodeSkip = int(fallback.size());
            word("uc", m_unicodeSkip);
        }
        word("u", u >= 0x8000 ? qint64(u) - 0x10000 : qint64(u));
        for (const char byte : fallback) {
            const auto b = quint8(byte);
            if (byte == '?') {
                m_out.append(byte);
            } else {
                m_out.append("\\'");
                m_out.append(QByteArray::number(b, 16).rightJustified(2, '0'));
            }
        }
        m_delimit = false;
    };
    if (ch > 0xFFFF) {
        unit(QChar::highSurrogate(ch), QByteArrayLiteral("?"));
        unit(QChar::lowSurrogate(ch), QByteArrayLiteral("?"));
    } else {
        unit(char16_t(ch), m_encoder.fallback(ch));
    }
}

void Writer::text(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t ch = text.at(i).unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(ch)) {
            continue; // half a character
        }
        character(ch);
    }
}

void Writer::switchTo(const QTextCharFormat &format)
{
    const Style style = styleOf(format);
    RunStyle next;
    next.font = fontIndex(style.family);
    next.halfPoints = style.halfPoints;
    next.bold = style.bold;
    next.italic = style.italic;
    next.underline = style.underline;
    next.strike = style.strike;
    next.position = style.position;
    next.foreground = colorIndex(style.foreground);
    next.background = colorIndex(style.background);

    // The first run states font and size, so no reader's own default applies.
    // Font, size, bold and italic go to the text of every character class alike (\loch Latin,
    // \hich, \dbch CJK, and the associated words), so that CJK text keeps them in every reader.
    const bool known = m_currentKnown;
    if (!known || next.font != m_current.font) {
        word("loch");
        word("f", next.font);
        word("hich");
        word("af", next.font);
        word("dbch");
        word("af", next.font);
    }
    if (!known || next.halfPoints != m_current.halfPoints) {
        word("fs", next.halfPoints);
        word("afs", next.halfPoints);
    }
    if (next.bold != m_current.bold) {
        next.bold ? word("b") : word("b", 0);
        next.bold ? word("ab") : word("ab", 0);
    }
    if (next.italic != m_current.italic) {
        next.italic ? word("i") : word("i", 0);
        next.italic ? word("ai") : word("ai", 0);
    }
    if (next.underline != m_current.underline)
        next.underline ? word("ul") : word("ulnone");
    if (next.strike != m_current.strike)
        next.strike ? word("strike") : word("strike", 0);
    if (next.position != m_current.position)
        word(next.position == 1 ? "super" : next.position == 2 ? "sub" : "nosupersub");
    if (next.foreground != m_current.foreground)
        word("cf", next.foreground);
    if (next.background != m_current.background)
        word("highlight", next.background);
    m_current = next;
    m_currentKnown = true;
}

QByteArray Writer::pictureData(const QTextImageFormat &format) const
{
    const QVariant resource = m_document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    switch (resource.typeId()) {
    case QMetaType::QByteArray: {
        const QByteArray bytes = resource.toByteArray();
        // A photograph stays a JPEG; as PNG it would take several times the room.
        if (isPng(bytes) || isJpeg(bytes))
            return bytes;
        return pngOf(QImage::fromData(bytes));
    }
    case QMetaType::QImage:
        return pngOf(resource.value<QImage>());
    case QMetaType::QPixmap:
        return pngOf(resource.value<QPixmap>().toImage());
    default:
        return {};
    }
}

void Writer::picture(const QTextImageFormat &format)
{
    if (const KeptPicture kept = keptPicture(format); !kept.isNull()) {
        // As the file had it; only a changed size is written anew.
        std::optional<QSizeF> shown;
        if (format.hasProperty(QTextFormat::ImageWidth) && format.hasProperty(QTextFormat::ImageHeight))
            shown = QSizeF(format.width() * TwipsPerPixel, format.height() * TwipsPerPixel);
        m_out.append(pictureGroup(kept, shown, format.boolProperty(PicturePlaceholderProperty)));
        m_delimit = false;
        return;
    }
    const QByteArray png = pictureData(format);
    const bool jpeg = isJpeg(png);
    const QSize size = jpeg ? jpegSize(png) : pngSize(png);
    if (png.isEmpty() || size.isEmpty())
        return;
    // The shown size: as set, the other side following the picture's proportions.
    double width = format.hasProperty(QTextFormat::ImageWidth) ? format.width() : 0;
    double height = format.hasProperty(QTextFormat::ImageHeight) ? format.height() : 0;
    if (width <= 0 && height <= 0) {
        width = size.width();
        height = size.height();
    } else if (width <= 0) {
        width = height * size.width() / size.height();
    } else if (height <= 0) {
        height = width * size.height() / size.width();
    }
    // Within the bound the reader keeps, proportions kept, so the file reads back as written.
    width *= TwipsPerPixel;
    height *= TwipsPerPixel;
    if (const double longest = std::max(width, height); longest > MaxPictureTwips) {
        width *= MaxPictureTwips / longest;
        height *= MaxPictureTwips / longest;
    }
    m_out.append(jpeg ? "{\\pict\\jpegblip" : "{\\pict\\pngblip");
    word("picw", size.width());
    word("pich", size.height());
    word("picwgoal", std::max(1L, std::lround(width)));
    word("pichgoal", std::max(1L, std::lround(height)));
    m_out.append("\r\n");
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        m_out.append(hex.mid(i, 128));
        m_out.append("\r\n");
    }
    m_out.append('}');
    m_delimit = false;
}

void Writer::hidden(const QTextCharFormat &object)
{
    const QString content = object.stringProperty(HiddenTextProperty);
    if (content.isEmpty())
        return;
    // A group of its own: what follows keeps the formatting stated before it.
    const RunStyle current = m_current;
    const bool known = m_currentKnown;
    const int skip = m_unicodeSkip;
    m_out.append('{');
    word("v");
    switchTo(object.property(HiddenFormatProperty).value<QTextFormat>().toCharFormat());
    text(content);
    m_out.append('}');
    m_delimit = false;
    m_current = current;
    m_currentKnown = known;
    m_unicodeSkip = skip;
}

void Writer::collectNotes()
{
    for (auto it = m_document.rootFrame()->begin(); !it.atEnd(); ++it) {
        const QTextBlock block = it.currentBlock();
        if (!block.isValid() || !isNotesAreaBlock(block))
            continue;
        const int id = block.blockFormat().intProperty(NoteIdProperty);
        if (id <= 0)
            continue; // the rule
        if (!m_noteBlocks.contains(id))
            m_noteOrder.append(id);
        m_noteBlocks[id].append(block);
    }
}

void Writer::textGroup(const char *name, const QString &value)
{
    m_out.append("{\\*\\");
    m_out.append(name);
    m_out.append(' ');
    m_delimit = false;
    const int skip = m_unicodeSkip;
    text(value);
    m_unicodeSkip = skip; // a \ucN inside the group ends with it
    m_out.append('}');
    m_delimit = false;
}

void Writer::commentRange(const QString &name)
{
    if (m_inNote || name == m_openRange)
        return;
    if (!m_openRange.isEmpty())
        textGroup("atrfend", m_openRange);
    if (!name.isEmpty())
        textGroup("atrfstart", name);
    m_openRange = name;
}

void Writer::noteNumber(const QTextCharFormat &format)
{
    // A group of its own, as word processors write it: "{\super\chftn}".
    const RunStyle current = m_current;
    const bool known = m_currentKnown;
    m_out.append('{');
    m_delimit = false;
    switchTo(format);
    word("chftn");
    m_out.append('}');
    m_delimit = false;
    m_current = current;
    m_currentKnown = known;
}

void Writer::note(int id)
{
    // A note at its anchor once; one whose paragraphs were all deleted is gone.
    const auto it = m_noteBlocks.constFind(id);
    if (m_inNote || it == m_noteBlocks.constEnd() || m_notesWritten.contains(id))
        return;
    m_notesWritten.insert(id);
    const QList<QTextBlock> &blocks = it.value();
    const NoteInfo info = NoteInfo::fromVariant(blocks.first().blockFormat().property(NoteInfoProperty));
    const RunStyle current = m_current;
    const bool known = m_currentKnown;
    const int skip = m_unicodeSkip;
    m_inNote = true;
    if (info.isComment()) {
        textGroup("atnid", info.initials);
        if (!info.author.isEmpty())
            textGroup("atnauthor", info.author);
        word("chatn");
        m_out.append("{\\*\\annotation");
        m_delimit = true;
        if (!info.reference.isEmpty())
            textGroup("atnref", info.reference);
        for (const QByteArray &group : info.kept) {
            if (isWholeGroup(group)) {
                m_out.append(group);
                m_delimit = false;
            }
        }
    } else {
        m_out.append('{');
        word("footnote");
        if (info.kind == NoteKind::Endnote)
            word("ftnalt");
    }
    // The last paragraph needs no mark, unless it is empty: a mark that nothing follows makes none.
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const bool last = i + 1 == blocks.size();
        const bool unmarked = last && (i == 0 || blocks.at(i).length() > 1);
        paragraph(blocks.at(i), 0, unmarked ? Mark::None : Mark::Par);
    }
    m_out.append('}');
    m_delimit = false;
    m_inNote = false;
    m_current = current;
    m_currentKnown = known;
    m_unicodeSkip = skip;
}

void Writer::paragraph(const QTextBlock &block, int level, Mark mark)
{
    const QTextBlockFormat format = block.blockFormat();
    word("pard");
    if (level > 0)
        word("intbl");
    if (level > 1)
        word("itap", level);
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        word("qc");
    else if (alignment & Qt::AlignJustify)
        word("qj");
    else if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        word("qr");
    // Cut to what readers keep, so the file reads back as written.
    const auto indent = [](double pixels) { return std::clamp(twips(pixels), -MaxIndentTwips, MaxIndentTwips); };
    const auto spacing = [](double pixels) { return std::clamp(twips(pixels), 0, MaxIndentTwips); };
    if (const int left = indent(format.leftMargin() + format.indent() * m_document.indentWidth()))
        word("li", left);
    if (const int right = indent(format.rightMargin()))
        word("ri", right);
    if (const int first = indent(format.textIndent()))
        word("fi", first);
    if (const int before = spacing(format.topMargin()))
        word("sb", before);
    if (const int after = spacing(format.bottomMargin()))
        word("sa", after);

    if (block.length() <= 1) {
        // An empty paragraph: its mark's formatting sets its height.
        switchTo(block.charFormat());
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat charFormat = fragment.charFormat();
        commentRange(charFormat.stringProperty(CommentRangeProperty));
        if (charFormat.objectType() == NoteAnchorObject) {
            for (qsizetype i = 0; i < fragment.length(); ++i)
                note(charFormat.intProperty(NoteIdProperty));
            continue;
        }
        if (charFormat.objectType() == HiddenTextObject) {
            for (qsizetype i = 0; i < fragment.length(); ++i)
                hidden(charFormat);
            continue;
        }
        if (charFormat.isImageFormat()) {
            const QTextImageFormat image = charFormat.toImageFormat();
            for (qsizetype i = 0; i < fragment.length(); ++i)
                picture(image);
            continue;
        }
        // What the reader added for the eye is left out; text typed after it stays.
        QString content = withoutLead(fragment.text(), charFormat.stringProperty(NoteLabelProperty));
        if (const QString number = charFormat.stringProperty(NoteNumberProperty);
            !number.isEmpty() && content.startsWith(number)) {
            noteNumber(charFormat);
            content = content.sliced(number.size());
        }
        if (content.isEmpty())
            continue;
        switchTo(charFormat);
        text(content);
    }
    if (mark == Mark::None)
        return;
    word(mark == Mark::Par ? "par" : level > 1 ? "nestcell" : "cell");
    m_out.append("\r\n");
    m_delimit = false;
}

void Writer::emptyCell(int level)
{
    word("pard");
    word("intbl");
    if (level > 1)
        word("itap", level);
    word(level > 1 ? "nestcell" : "cell");
    m_out.append("\r\n");
    m_delimit = false;
}

void Writer::content(QTextFrame::iterator begin, const QTextFrame::iterator &end, int level, bool cellContent)
{
    // The blocks and tables of a frame or cell in order. QTextDocument keeps a paragraph before
    // every table and one after it; an empty one at the start of a frame or the end of the
    // document is that structure, not content, and the reader makes it again.
    QList<QTextBlock> blocks;
    QList<const QTextTable *> tables; // the table that follows each block, if any
    const bool root = level == 0 && !cellContent;
    for (auto it = begin; !(it == end); ++it) {
        // Notes are written at their anchors. Text that came into the rule (a note's paragraph
        // joined to it) belongs to no note: it stays in the file as text.
        if (const QTextBlock block = it.currentBlock(); root && !it.currentFrame() && isNotesAreaBlock(block) &&
            (block.blockFormat().intProperty(NoteIdProperty) > 0 || block.length() <= 1))
            continue;
        if (const QTextFrame *child = it.currentFrame()) {
            const auto *table = qobject_cast<const QTextTable *>(child);
            if (!blocks.isEmpty() && !tables.last())
                tables.last() = table;
            else {
                blocks.append(QTextBlock());
                tables.append(table);
            }
            continue;
        }
        blocks.append(it.currentBlock());
        tables.append(nullptr);
    }
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const QTextBlock &block = blocks.at(i);
        const bool last = i + 1 == blocks.size();
        const bool empty = !block.isValid() || block.length() <= 1;
        const bool beforeTable = tables.at(i) != nullptr;
        const bool afterTable = i > 0 && tables.at(i - 1) != nullptr;
        const bool documentEnd = empty && afterTable && last && !cellContent;
        const bool structural = empty && beforeTable && i == 0;
        if (block.isValid() && documentEnd)
            paragraph(block, level, Mark::None);
        else if (block.isValid() && !structural)
            paragraph(block, level, cellContent && last && !beforeTable ? Mark::Cell : Mark::Par);
        else if (cellContent && last && !beforeTable)
            emptyCell(level);
        if (const QTextTable *table = tables.at(i))
            this->table(*table, std::min(level + 1, Reader::MaxTableNesting));
    }
}

QList<int> Writer::columnWidths(const QTextTable &table) const
{
    // Fixed widths as they are; shares of the width of an A4 page's text for the others.
    constexpr int TextWidth = 9360;
    const QList<QTextLength> constraints = table.format().columnWidthConstraints();
    QList<int> widths(table.columns(), 0);
    int fixed = 0;
    int open = 0;
    for (int column = 0; column < table.columns(); ++column) {
        const QTextLength length = constraints.value(column);
        if (length.type() == QTextLength::FixedLength) {
            widths[column] = std::max(1, twips(length.rawValue()));
            fixed += widths[column];
        } else if (length.type() == QTextLength::PercentageLength) {
            widths[column] = std::max(1, int(std::lround(length.rawValue() * TextWidth / 100.0)));
            fixed += widths[column];
        } else {
            ++open;
        }
    }
    const int share = open > 0 ? std::max(720, (TextWidth - fixed) / open) : 0;
    for (int &width : widths) {
        if (width == 0)
            width = share;
    }
    return widths;
}

void Writer::cellBorder(const char *side, double width, QTextFrameFormat::BorderStyle style, const QBrush &brush)
{
    if (style == QTextFrameFormat::BorderStyle_None || width <= 0)
        return;
    word(side);
    word("brdrs");
    word("brdrw", std::clamp(twips(width), 1, 300));
    if (brush.style() != Qt::NoBrush && brush.color() != Qt::black)
        word("brdrcf", colorIndex(brush.color().rgb()));
}

void Writer::rowProperties(const QTextTable &table, int row, const QList<int> &widths, int gap)
{
    word("trowd");
    word("trgaph", gap);
    word("trleft", -gap);
    int right = -gap;
    for (int column = 0; column < table.columns(); ++column) {
        const QTextTableCell cell = table.cellAt(row, column);
        if (cell.column() != column)
            continue; // covered by the cell to its left
        const QTextTableCellFormat format = cell.format().toTableCellFormat();
        cellBorder("clbrdrl", format.leftBorder(), format.leftBorderStyle(), format.leftBorderBrush());
        cellBorder("clbrdrt", format.topBorder(), format.topBorderStyle(), format.topBorderBrush());
        cellBorder("clbrdrr", format.rightBorder(), format.rightBorderStyle(), format.rightBorderBrush());
        cellBorder("clbrdrb", format.bottomBorder(), format.bottomBorderStyle(), format.bottomBorderBrush());
        if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush)
            word("clcbpat", colorIndex(format.background().color().rgb()));
        if (cell.row() != row)
            word("clvmrg");
        else if (cell.rowSpan() > 1)
            word("clvmgf");
        for (int spanned = column; spanned < column + cell.columnSpan() && spanned < widths.size(); ++spanned)
            right += widths.at(spanned);
        word("cellx", std::clamp(right + gap, -MaxIndentTwips * 4, MaxIndentTwips * 4));
    }
}

void Writer::table(const QTextTable &table, int level)
{
    // The outermost table's rows are defined before their cells; a nested row's definition
    // goes after its cells in {\*\nesttableprops}, with a paragraph mark for readers that know
    // no nested tables.
    const QList<int> widths = columnWidths(table);
    const int gap = std::clamp(twips(table.format().cellPadding()), 0, MaxIndentTwips);
    for (int row = 0; row < table.rows(); ++row) {
        if (level == 1) {
            rowProperties(table, row, widths, gap);
            m_out.append("\r\n");
            m_delimit = false;
        }
        for (int column = 0; column < table.columns(); ++column) {
            const QTextTableCell cell = table.cellAt(row, column);
            if (cell.column() != column)
                continue;
            if (cell.row() != row)
                emptyCell(level); // the lower part of a cell merged downwards: empty in the file
            else
                content(cell.begin(), cell.end(), level, true);
        }
        if (level == 1) {
            word("row");
        } else {
            m_out.append("{\\*\\nesttableprops");
            m_delimit = true;
            rowProperties(table, row, widths, gap);
            word("nestrow");
            m_out.append("}{\\nonesttables\\par}");
            m_delimit = false;
        }
        m_out.append("\r\n");
        m_delimit = false;
    }
}

QByteArray Writer::run()
{
    // The body first: its fonts and colours, in the order of first use, make the tables.
    m_out.reserve(m_document.characterCount() + 1024);
    collectNotes();
    content(m_document.rootFrame()->begin(), m_document.rootFrame()->end(), 0, false);
    commentRange(QString());
    // Notes whose anchor was deleted with the text around it: at the end, rather than lost.
    for (const int id : std::as_const(m_noteOrder))
        note(id);
    if (m_fonts.isEmpty())
        collect(QTextCharFormat());
    QByteArray body;
    body.swap(m_out);
    m_unicodeSkip = 1;

    m_out.reserve(body.size() + 1024);
    m_out.append("{\\rtf1\\ansi");
    word("ansicpg", m_codePage);
    word("deff", 0);
    word("uc", 1);
    m_out.append("{\\fonttbl");
    const int charset = codepage::charsetOf(m_codePage);
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        m_out.append('{');
        word("f", i);
        word("fnil");
        word("fcharset", charset);
        const int skip = m_unicodeSkip;
        text(QString(m_fonts.at(i)).remove(u';'));
        m_unicodeSkip = skip; // a \ucN inside the group ends with it
        m_out.append(";}");
        m_delimit = false;
    }
    m_out.append("}\r\n");
    if (!m_colors.isEmpty()) {
        m_out.append("{\\colortbl;");
        for (const QRgb color : std::as_const(m_colors)) {
            word("red", qRed(color));
            word("green", qGreen(color));
            word("blue", qBlue(color));
            m_out.append(';');
        }
        m_out.append("}\r\n");
        m_delimit = false;
    }
    m_out.append("{\\*\\generator Examora RTF writer;}\r\n");
    // Headers and footers as the file they came from had them.
    for (const QByteArray &group : keptGroups(m_document)) {
        if (isWholeGroup(group)) {
            m_out.append(group);
            m_out.append("\r\n");
        }
    }
    m_delimit = false;

    m_out.append(body);
    m_out.append("}\r\n");
    return m_out;
}

} // namespace

QByteArray writeDocument(const QTextDocument &document, int codePage)
{
    return Writer(document, codePage > 0 ? codePage : 1252).run();
}

} // namespace rtf
