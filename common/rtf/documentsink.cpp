#include "documentsink.h"

#include "picturerender.h"

#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace rtf {

DocumentSink::DocumentSink(QTextDocument &document)
    : m_document(document)
    , m_cursor(&document)
{
    m_cursor.movePosition(QTextCursor::End);
    m_cursor.beginEditBlock();
}

DocumentSink::~DocumentSink()
{
    m_cursor.endEditBlock();
}

QTextCharFormat DocumentSink::charFormat(const TextStyle &style)
{
    QTextCharFormat format;
    if (!style.family.isEmpty())
        format.setFontFamilies({style.family});
    format.setFontPointSize(style.halfPoints / 2.0);
    if (style.bold)
        format.setFontWeight(QFont::Bold);
    if (style.italic)
        format.setFontItalic(true);
    if (style.underline)
        format.setFontUnderline(true);
    if (style.strike)
        format.setFontStrikeOut(true);
    if (style.position == TextStyle::VerticalPosition::Super)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (style.position == TextStyle::VerticalPosition::Sub)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (style.hasForeground)
        format.setForeground(QColor::fromRgb(style.foreground));
    if (style.hasBackground)
        format.setBackground(QColor::fromRgb(style.background));
    return format;
}

QTextBlockFormat DocumentSink::blockFormat(const ParagraphStyle &paragraph)
{
    QTextBlockFormat format;
    switch (paragraph.alignment) {
    case Alignment::Left:
        break;
    case Alignment::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case Alignment::Right:
        format.setAlignment(Qt::AlignRight);
        break;
    case Alignment::Justify:
        format.setAlignment(Qt::AlignJustify);
        break;
    }
    if (paragraph.leftIndent != 0)
        format.setLeftMargin(paragraph.leftIndent / TwipsPerPixel);
    if (paragraph.rightIndent != 0)
        format.setRightMargin(paragraph.rightIndent / TwipsPerPixel);
    if (paragraph.firstIndent != 0)
        format.setTextIndent(paragraph.firstIndent / TwipsPerPixel);
    if (paragraph.firstIndent < 0 && paragraph.leftIndent + paragraph.firstIndent >= 0) {
        // A hanging indent is a tab stop too, as word processors treat it: the tab after a
        // bullet or number lines the text up with the lines below.
        // Qt measures tab stops from where the first line starts.
        format.setTabPositions(
            {QTextOption::Tab(-paragraph.firstIndent / TwipsPerPixel, QTextOption::LeftTab)});
    }
    if (paragraph.spaceBefore != 0)
        format.setTopMargin(paragraph.spaceBefore / TwipsPerPixel);
    if (paragraph.spaceAfter != 0)
        format.setBottomMargin(paragraph.spaceAfter / TwipsPerPixel);
    return format;
}

const QTextCharFormat &DocumentSink::cachedFormat(const TextStyle &style)
{
    if (!m_hasLast || !(style == m_lastStyle)) {
        m_lastStyle = style;
        m_lastFormat = charFormat(style);
        m_hasLast = true;
    }
    return m_lastFormat;
}

void DocumentSink::startPendingParagraph()
{
    if (!m_paragraphPending)
        return;
    m_paragraphPending = false;
    m_cursor.insertBlock();
}

void DocumentSink::text(const QString &text, const TextStyle &style)
{
    startPendingParagraph();
    m_cursor.insertText(text, cachedFormat(style));
}

void DocumentSink::picture(const KeptPicture &picture, const TextStyle &)
{
    startPendingParagraph();
    const PictureData &data = picture.data();
    const PictureImage image = renderPicture(data);
    // Named after the bytes, so a picture that occurs twice is held once.
    const QString name = QLatin1String(ImageScheme) + u':' + QString::fromLatin1(picture.digest());
    m_document.addResource(QTextDocument::ImageResource, QUrl(name), image.resource);
    QTextImageFormat format;
    format.setName(name);
    const QSizeF shown = data.shownTwips();
    format.setWidth(shown.width() / TwipsPerPixel);
    format.setHeight(shown.height() / TwipsPerPixel);
    setKeptPicture(format, picture);
    if (image.placeholder)
        format.setProperty(PicturePlaceholderProperty, true);
    m_cursor.insertImage(format);
}

void DocumentSink::paragraphEnd(const ParagraphStyle &paragraph, const TextStyle &style)
{
    startPendingParagraph();
    m_cursor.setBlockFormat(blockFormat(paragraph));
    m_cursor.setBlockCharFormat(cachedFormat(style));
    m_paragraphPending = true;
}

void DocumentSink::finish(const ParagraphStyle &lastParagraph, const TextStyle &style)
{
    if (m_paragraphPending)
        return; // the last paragraph mark ends the document
    m_cursor.setBlockFormat(blockFormat(lastParagraph));
    m_cursor.setBlockCharFormat(cachedFormat(style));
}

void PlainTextSink::startPendingParagraph()
{
    if (m_paragraphPending) {
        m_paragraphPending = false;
        m_text.append(u'\n');
    }
}

void PlainTextSink::text(const QString &text, const TextStyle &)
{
    startPendingParagraph();
    const qsizetype start = m_text.size();
    m_text.append(text);
    // As QTextDocument::toPlainText() gives them.
    for (qsizetype i = start; i < m_text.size(); ++i) {
        const char16_t ch = m_text.at(i).unicode();
        if (ch == 0x2028)
            m_text[i] = u'\n';
        else if (ch == 0x00A0)
            m_text[i] = u' ';
    }
}

void PlainTextSink::picture(const KeptPicture &, const TextStyle &)
{
    startPendingParagraph();
    m_text.append(QChar::ObjectReplacementCharacter);
}

void PlainTextSink::paragraphEnd(const ParagraphStyle &, const TextStyle &)
{
    startPendingParagraph();
    m_paragraphPending = true;
}

void PlainTextSink::finish(const ParagraphStyle &, const TextStyle &) {}

} // namespace rtf
