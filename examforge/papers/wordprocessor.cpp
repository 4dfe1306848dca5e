#include "wordprocessor.h"

#include "ansicodec.h"
#include "files.h"
#include "rtf/rtf.h"

#include <QStringDecoder>

#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

namespace {

/// Set on every character the processor typed or inserted.
constexpr int FilledInProperty = QTextFormat::UserProperty + 0x4e0;

/// The last position a selection can reach (the document's final paragraph has no mark).
int lastPosition(const QTextDocument &document)
{
    return document.characterCount() - 1;
}

/// The text of a file that is not RTF, as a word processor opens a text file: with its byte
/// order mark's encoding, as UTF-8 when it is valid UTF-8, otherwise in the ANSI code page.
QString textOfFile(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return utf16(bytes.sliced(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return ansi::decode(bytes);
}

/// text as the paragraphs of a document, without the characters a document cannot show.
void fillPlain(QTextDocument &document, QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (text.endsWith(u'\n'))
        text.chop(1); // the file's last line break is the end of its last paragraph
    for (QChar &c : text) {
        if ((c.unicode() < 0x20 && c != u'\n' && c != u'\t') || c == QChar::ObjectReplacementCharacter)
            c = u' ';
    }
    document.setPlainText(text);
}

} // namespace

WordProcessor::WordProcessor()
    : m_document(std::make_unique<QTextDocument>())
    , m_cursor(m_document.get())
{
    // Nothing is undone here; a history would only cost memory on long papers.
    m_document->setUndoRedoEnabled(false);
}

WordProcessor::~WordProcessor() = default;

bool WordProcessor::open(const QString &templatePath)
{
    m_clip = QTextDocumentFragment();
    const bool ok = rtf::loadFile(templatePath, *m_document);
    m_cursor = QTextCursor(m_document.get());
    return ok;
}

void WordProcessor::goToStart()
{
    m_cursor.setPosition(0);
}

void WordProcessor::home()
{
    m_cursor.setPosition(m_document->findBlock(m_cursor.selectionStart()).position());
}

bool WordProcessor::find(const QString &text)
{
    if (text.isEmpty())
        return false;
    QTextCursor from = m_cursor;
    for (;;) {
        const QTextCursor match = m_document->find(text, from);
        if (match.isNull())
            return false;
        if (!isFilledIn(match)) {
            m_cursor = match;
            return true;
        }
        from = match; // the next search begins after it
    }
}

bool WordProcessor::isFilledIn(const QTextCursor &match) const
{
    QTextCursor at(m_document.get());
    for (int position = match.selectionStart() + 1; position <= match.selectionEnd(); ++position) {
        at.setPosition(position);
        if (at.charFormat().hasProperty(FilledInProperty))
            return true;
    }
    return false;
}

void WordProcessor::markFilledIn(int start, int end)
{
    if (end <= start)
        return;
    QTextCursor range(m_document.get());
    range.setPosition(start);
    range.setPosition(end, QTextCursor::KeepAnchor);
    QTextCharFormat mark;
    mark.setProperty(FilledInProperty, true);
    range.mergeCharFormat(mark);
}

void WordProcessor::typeText(const QString &text)
{
    // A word processor types over a selection in the selection's own format, not in the
    // format of whatever stands before it.
    QTextCharFormat format = m_cursor.charFormat();
    const int start = m_cursor.selectionStart();
    if (m_cursor.hasSelection() && m_document->characterAt(start) != QChar::ParagraphSeparator) {
        QTextCursor first(m_document.get());
        first.setPosition(start + 1);
        format = first.charFormat();
    }
    format.setProperty(FilledInProperty, true);
    m_cursor.removeSelectedText();
    m_cursor.insertText(text, format);
}

WordProcessor::Range WordProcessor::paragraphRange() const
{
    const QTextBlock block = m_document->findBlock(m_cursor.selectionStart());
    return {block.position(), std::min(block.position() + block.length(), lastPosition(*m_document))};
}

void WordProcessor::select(const Range &range)
{
    const int last = lastPosition(*m_document);
    m_cursor.setPosition(std::clamp(range.start, 0, last));
    m_cursor.setPosition(std::clamp(range.end, 0, last), QTextCursor::KeepAnchor);
}

WordProcessor::Range WordProcessor::selection() const
{
    return {m_cursor.selectionStart(), m_cursor.selectionEnd()};
}

QString WordProcessor::selectedText() const
{
    return m_cursor.selectedText();
}

void WordProcessor::copy()
{
    m_clip = m_cursor.selection();
    const QTextBlock first = m_document->findBlock(m_cursor.selectionStart());
    m_clipStartsParagraph = m_cursor.selectionStart() == first.position();
    m_clipBlockFormat = first.blockFormat();
    m_clipBlockCharFormat = first.charFormat();
    // The last paragraph has no mark that could be copied with it: paste() adds one, so that
    // pasted copies of it do not run into each other.
    m_clipEndsDocument = m_cursor.hasSelection() && m_clipStartsParagraph &&
                         m_cursor.selectionEnd() == lastPosition(*m_document);
}

void WordProcessor::paste()
{
    // A paragraph mark carries its paragraph's format: what follows the pasted paragraphs
    // keeps the format of the paragraph the selection ended in.
    const QTextBlock endBlock = m_document->findBlock(m_cursor.selectionEnd());
    const QTextBlockFormat hostFormat = endBlock.blockFormat();
    const QTextCharFormat hostCharFormat = endBlock.charFormat();

    m_cursor.removeSelectedText();
    if (m_clip.isEmpty())
        return;
    const bool atParagraphStart = m_cursor.atBlockStart();
    const int firstBlock = m_cursor.blockNumber();
    m_cursor.insertFragment(m_clip);
    if (m_clipEndsDocument)
        m_cursor.insertBlock(hostFormat, hostCharFormat);
    else if (m_cursor.blockNumber() != firstBlock && m_cursor.atBlockStart())
        m_cursor.setBlockFormat(hostFormat);
    if (atParagraphStart && m_clipStartsParagraph) {
        QTextCursor first(m_document->findBlockByNumber(firstBlock));
        first.setBlockFormat(m_clipBlockFormat);
        first.setBlockCharFormat(m_clipBlockCharFormat);
    }
}

bool WordProcessor::insertFile(const QString &path)
{
    QByteArray bytes;
    if (!files::read(path, bytes))
        return false;
    if (bytes.trimmed().isEmpty()) {
        // An empty file inserts nothing: the placeholder goes.
        m_cursor.removeSelectedText();
        return true;
    }
    QTextDocument source;
    if (rtf::isRtf(bytes)) {
        rtf::read(bytes, source);
        rtf::copyPictures(source, source, *m_document);
    } else {
        QTextCharFormat format = m_cursor.charFormat();
        if (m_cursor.hasSelection()) {
            QTextCursor first(m_document.get());
            first.setPosition(m_cursor.selectionStart() + 1);
            format = first.charFormat();
        }
        fillPlain(source, textOfFile(bytes));
        // Plain text takes the format of the placeholder it replaces.
        QTextCursor all(&source);
        all.select(QTextCursor::Document);
        all.setCharFormat(format);
        all.setBlockCharFormat(format);
    }

    const QTextBlock endBlock = m_document->findBlock(m_cursor.selectionEnd());
    const QTextBlockFormat hostFormat = endBlock.blockFormat();
    const QTextCharFormat hostCharFormat = endBlock.charFormat();

    m_cursor.removeSelectedText();
    const bool atParagraphStart = m_cursor.atBlockStart();
    const int firstBlock = m_cursor.blockNumber();
    const int start = m_cursor.position();
    if (!source.isEmpty()) {
        QTextCursor all(&source);
        all.select(QTextCursor::Document);
        m_cursor.insertFragment(QTextDocumentFragment(all));
    }
    const int end = m_cursor.position();
    m_cursor.insertBlock(hostFormat, hostCharFormat);
    if (atParagraphStart) {
        // The file's first paragraph is a paragraph of its own: it keeps its own format.
        QTextCursor first(m_document->findBlockByNumber(firstBlock));
        first.setBlockFormat(source.begin().blockFormat());
        first.setBlockCharFormat(source.begin().charFormat());
    }
    markFilledIn(start, end);
    return true;
}

bool WordProcessor::saveAs(const QString &path) const
{
    return rtf::saveFile(path, *m_document);
}
