#include "documentsink.h"

#include "keptgroups.h"
#include "picturerender.h"
#include "rtf.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
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
    flushBatch();
    openParagraph();
}

bool DocumentSink::batchable(const TextStyle &style) const
{
    return !m_table && !m_cellPending && !style.hidden &&
           (m_batch.isEmpty() && m_batchParagraphs == 0 ? true : style == m_batchStyle);
}

void DocumentSink::flushBatch()
{
    if (m_batch.isEmpty() && m_batchParagraphs == 0)
        return;
    QString text;
    text.swap(m_batch);
    const int paragraphs = m_batchParagraphs;
    m_batchParagraphs = 0;
    openParagraph();
    const QTextCharFormat &format = cachedFormat(m_batchStyle);
    if (paragraphs > 0) {
        // The paragraphs that insertText() opens take the current one's formats.
        m_cursor.setBlockFormat(blockFormat(m_batchParagraph));
        m_cursor.setBlockCharFormat(format);
    }
    const bool ended = text.endsWith(QChar::ParagraphSeparator);
    if (ended)
        text.chop(1);
    if (!text.isEmpty())
        m_cursor.insertText(text, format);
    m_paragraphPending = ended;
}

void DocumentSink::openParagraph()
{
    if (m_cellPending)
        enterCell();
    if (!m_paragraphPending)
        return;
    m_paragraphPending = false;
    m_cursor.insertBlock();
}

void DocumentSink::text(const QString &text, const TextStyle &style)
{
    if (m_note) {
        m_note->sink->text(text, style);
        return;
    }
    if (batchable(style)) {
        // Text of one formatting, over any number of paragraphs, goes in as one string.
        if (m_batch.isEmpty() && m_batchParagraphs == 0)
            m_batchStyle = style;
        m_batch += text;
        return;
    }
    startPendingParagraph();
    if (style.hidden) {
        // Kept in the text where it stood, but as an object without a handler, which takes no
        // room and draws nothing.
        // Hidden text that goes on where the last hidden run ended joins it.
        const QTextFormat hiddenFormat(cachedFormat(style));
        const QTextCharFormat before = m_cursor.charFormat();
        if (!m_cursor.atBlockStart() && before.objectType() == HiddenTextObject &&
            before.property(HiddenFormatProperty).value<QTextFormat>() == hiddenFormat) {
            QTextCursor previous = m_cursor;
            previous.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            QTextCharFormat joined = before;
            joined.setProperty(HiddenTextProperty, before.stringProperty(HiddenTextProperty) + text);
            previous.setCharFormat(joined);
            return;
        }
        QTextCharFormat object;
        object.setObjectType(HiddenTextObject);
        object.setProperty(HiddenTextProperty, text);
        object.setProperty(HiddenFormatProperty, hiddenFormat);
        m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), object);
        return;
    }
    m_cursor.insertText(text, cachedFormat(style));
}

void DocumentSink::picture(const KeptPicture &picture, const TextStyle &style)
{
    if (m_note) {
        m_note->sink->picture(picture, style);
        return;
    }
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
    if (m_note) {
        m_note->sink->paragraphEnd(paragraph, style);
        return;
    }
    if (batchable(style) && (m_batchParagraphs == 0 || paragraph == m_batchParagraph)) {
        if (m_batch.isEmpty() && m_batchParagraphs == 0)
            m_batchStyle = style;
        m_batch += QChar::ParagraphSeparator;
        m_batchParagraph = paragraph;
        ++m_batchParagraphs;
        return;
    }
    startPendingParagraph();
    m_cursor.setBlockFormat(blockFormat(paragraph));
    m_cursor.setBlockCharFormat(cachedFormat(style));
    m_paragraphPending = true;
}

void DocumentSink::keptGroup(QByteArrayView raw)
{
    m_keptGroups.append(raw.toByteArray());
}

void DocumentSink::finish(const ParagraphStyle &lastParagraph, const TextStyle &style)
{
    if (m_note)
        noteEnd(m_note->info, lastParagraph, style);
    flushBatch();
    // A document read anew keeps no headers of the one it held before.
    if (m_keptGroups != keptGroups(m_document))
        setKeptGroups(m_document, m_keptGroups);
    if (!m_paragraphPending) { // else the last paragraph mark ends the document
        m_cursor.setBlockFormat(blockFormat(lastParagraph));
        m_cursor.setBlockCharFormat(cachedFormat(style));
    }
    appendNotes();
}

void DocumentSink::noteStart(const NoteInfo &note)
{
    if (m_note)
        return; // notes do not nest
    startPendingParagraph();
    auto built = std::make_unique<Note>();
    built->id = m_nextNoteId++;
    built->info = note;
    if (note.isComment()) {
        // A small marker, which the writer leaves out: the comment itself is written here.
        QTextCharFormat marker = m_hasLast ? m_lastFormat : QTextCharFormat();
        marker.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        marker.setForeground(QColor(0x80, 0x50, 0x00));
        marker.setBackground(QColor(0xff, 0xec, 0x99));
        marker.setProperty(NoteLabelProperty, note.commentMarker());
        m_cursor.insertText(note.commentMarker(), marker);
    }
    QTextCharFormat anchor;
    anchor.setObjectType(NoteAnchorObject);
    anchor.setProperty(NoteIdProperty, built->id);
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), anchor);
    built->document = std::make_unique<QTextDocument>();
    built->document->setUndoRedoEnabled(false);
    built->sink = std::make_unique<DocumentSink>(*built->document);
    m_note = std::move(built);
}

void DocumentSink::noteEnd(const NoteInfo &note, const ParagraphStyle &lastParagraph, const TextStyle &style)
{
    if (!m_note)
        return;
    m_note->sink->finish(lastParagraph, style);
    m_note->sink.reset();
    m_note->info = note;
    m_notes.push_back(std::move(m_note));
}

void DocumentSink::noteNumber(const QString &number, const TextStyle &style)
{
    if (m_note) {
        m_note->sink->noteNumber(number, style);
        return;
    }
    startPendingParagraph();
    QTextCharFormat format = cachedFormat(style);
    format.setProperty(NoteNumberProperty, number);
    m_cursor.insertText(number, format);
}

void DocumentSink::commentRange(bool start, const QString &name)
{
    if (m_note || name.isEmpty())
        return;
    flushBatch();
    const int position = m_cursor.position();
    if (start) {
        if (m_rangeStarts.size() < MaxNotes)
            m_rangeStarts.insert(name, position);
        return;
    }
    const auto it = m_rangeStarts.constFind(name);
    if (it == m_rangeStarts.constEnd())
        return; // an end without a start
    if (it.value() < position) {
        QTextCursor range(&m_document);
        range.setPosition(it.value());
        range.setPosition(position, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setProperty(CommentRangeProperty, name);
        range.mergeCharFormat(format);
    }
    m_rangeStarts.erase(it);
}

void DocumentSink::appendNotes()
{
    if (m_notes.empty())
        return;
    QTextCursor cursor(&m_document);
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::PercentageLength, 30));
    rule.setTopMargin(12);
    rule.setProperty(NotesAreaProperty, true);
    rule.setProperty(NoteIdProperty, 0);
    cursor.insertBlock(rule, QTextCharFormat());
    // Footnotes first, then the comments, each in the order read.
    for (const bool comments : {false, true}) {
        for (const std::unique_ptr<Note> &note : m_notes) {
            if (note->info.isComment() != comments)
                continue;
            const QTextDocument &content = *note->document;
            bool first = true;
            for (QTextBlock block = content.begin(); block.isValid(); block = block.next()) {
                QTextBlockFormat format = block.blockFormat();
                format.setProperty(NotesAreaProperty, true);
                format.setProperty(NoteIdProperty, note->id);
                format.setProperty(NoteInfoProperty, note->info.toVariant());
                cursor.insertBlock(format, block.charFormat());
                const auto fragments = block.begin();
                if (first) {
                    // A footnote that starts with its number or its own mark needs no label.
                    const QTextCharFormat start =
                        fragments.atEnd() ? QTextCharFormat() : fragments.fragment().charFormat();
                    const bool marked = start.hasProperty(NoteNumberProperty) ||
                                        (!start.isImageFormat() && start.objectType() == QTextFormat::NoObject &&
                                         start.verticalAlignment() == QTextCharFormat::AlignSuperScript);
                    if (comments || !marked) {
                        QTextCharFormat label = fragments.atEnd() ? block.charFormat() : start;
                        if (label.isImageFormat() || label.objectType() != QTextFormat::NoObject)
                            label = block.charFormat();
                        label.setVerticalAlignment(QTextCharFormat::AlignNormal);
                        label.setProperty(NoteLabelProperty, note->info.label());
                        if (comments)
                            label.setFontWeight(QFont::Bold);
                        cursor.insertText(note->info.label(), label);
                    }
                    first = false;
                }
                for (auto it = fragments; !it.atEnd(); ++it)
                    cursor.insertText(it.fragment().text(), it.fragment().charFormat());
            }
            copyPictures(content, content, m_document);
        }
    }
}

void DocumentSink::enterCell()
{
    m_cellPending = false;
    if (!m_table)
        return;
    if (m_column >= m_table->columns()) {
        if (m_table->columns() >= MaxTableColumns) {
            // Content beyond the last cell joins it as paragraphs of its own.
            m_column = m_table->columns() - 1;
            m_paragraphPending = true;
            return;
        }
        m_table->appendColumns(1);
    }
    m_cursor = m_table->cellAt(m_row, m_column).firstCursorPosition();
    m_paragraphPending = false;
}

void DocumentSink::rowStart(const RowDefinition &row)
{
    if (m_note)
        return;
    flushBatch();
    if (m_table && m_rowOpen) {
        // A table inside the next cell, after what the cell holds so far.
        if (m_cellPending)
            enterCell();
        m_outer.append({m_table, m_row, m_column, m_mergeFirst, m_merged});
        m_table = nullptr;
    }
    if (!m_table) {
        QTextTableFormat format;
        format.setCellSpacing(0);
        format.setCellPadding(row.gap / TwipsPerPixel);
        format.setBorder(0);
        format.setBorderCollapse(true);
        format.setAlignment(Qt::AlignLeft);
        // The table follows the paragraph before it; its first cell takes what comes next.
        m_paragraphPending = false;
        m_table = m_cursor.insertTable(1, int(std::max<qsizetype>(1, row.cells.size())), format);
        m_row = 0;
        m_mergeFirst.clear();
        m_merged.clear();
    } else {
        ++m_row;
        if (m_row >= m_table->rows())
            m_table->appendRows(1);
    }
    m_column = 0;
    m_cellPending = true;
    m_rowOpen = true;
}

void DocumentSink::cellEnd(const ParagraphStyle &paragraph, const TextStyle &style)
{
    if (m_note)
        return;
    startPendingParagraph();
    m_cursor.setBlockFormat(blockFormat(paragraph));
    m_cursor.setBlockCharFormat(cachedFormat(style));
    ++m_column;
    m_cellPending = true;
}

void DocumentSink::rowEnd(const RowDefinition &row)
{
    if (m_note)
        return;
    if (!m_table)
        return;
    m_cellPending = false;
    m_paragraphPending = false;
    m_rowOpen = false;
    const int columns = std::min(int(row.cells.size()), m_table->columns());
    QList<QTextLength> widths = m_table->format().columnWidthConstraints();
    bool widthsChanged = false;
    while (widths.size() < m_table->columns())
        widths.append(QTextLength());
    QList<bool> first(m_table->columns(), false);
    QList<bool> merged(m_table->columns(), false);
    int left = row.left + row.gap;
    for (int column = 0; column < columns; ++column) {
        const CellDefinition &cell = row.cells.at(column);
        const int width = cell.right - left;
        left = cell.right;
        if (widths.at(column).type() == QTextLength::VariableLength && width > 0) {
            widths[column] = QTextLength(QTextLength::FixedLength, width / TwipsPerPixel);
            widthsChanged = true;
        }
        QTextTableCell target = m_table->cellAt(m_row, column);
        QTextTableCellFormat format = target.format().toTableCellFormat();
        const auto side = [](const CellBorder &border, auto setWidth, auto setStyle, auto setBrush) {
            setWidth(border.width / TwipsPerPixel);
            setStyle(border.width > 0 ? QTextFrameFormat::BorderStyle_Solid : QTextFrameFormat::BorderStyle_None);
            setBrush(QBrush(border.hasColor ? QColor::fromRgb(border.color) : QColor(Qt::black)));
        };
        side(
            cell.left, [&](double w) { format.setLeftBorder(w); },
            [&](QTextFrameFormat::BorderStyle b) { format.setLeftBorderStyle(b); },
            [&](const QBrush &b) { format.setLeftBorderBrush(b); });
        side(
            cell.top, [&](double w) { format.setTopBorder(w); },
            [&](QTextFrameFormat::BorderStyle b) { format.setTopBorderStyle(b); },
            [&](const QBrush &b) { format.setTopBorderBrush(b); });
        side(
            cell.rightBorder, [&](double w) { format.setRightBorder(w); },
            [&](QTextFrameFormat::BorderStyle b) { format.setRightBorderStyle(b); },
            [&](const QBrush &b) { format.setRightBorderBrush(b); });
        side(
            cell.bottom, [&](double w) { format.setBottomBorder(w); },
            [&](QTextFrameFormat::BorderStyle b) { format.setBottomBorderStyle(b); },
            [&](const QBrush &b) { format.setBottomBorderBrush(b); });
        if (cell.hasBackground)
            format.setBackground(QColor::fromRgb(cell.background));
        target.setFormat(format);
        first[column] = cell.mergeFirst;
        merged[column] = cell.merged;
    }
    // A nested row is defined at its end: its padding is known only now.
    const bool paddingChanged = m_row == 0 && m_table->format().cellPadding() != row.gap / TwipsPerPixel;
    if (widthsChanged || paddingChanged) {
        QTextTableFormat format = m_table->format();
        format.setColumnWidthConstraints(widths);
        format.setCellPadding(row.gap / TwipsPerPixel);
        m_table->setFormat(format);
    }
    m_mergeFirst.append(first);
    m_merged.append(merged);
}

void DocumentSink::tableEnd()
{
    if (m_note)
        return;
    if (!m_table)
        return;
    // A column no row defined is as wide as the one before it, so that the table reads back
    // from what the writer makes of it.
    QList<QTextLength> widths = m_table->format().columnWidthConstraints();
    if (widths.size() < m_table->columns() ||
        std::any_of(widths.cbegin(), widths.cend(),
                    [](const QTextLength &w) { return w.type() != QTextLength::FixedLength; })) {
        widths.resize(m_table->columns());
        double last = 1440 / TwipsPerPixel;
        for (QTextLength &width : widths) {
            if (width.type() == QTextLength::FixedLength)
                last = width.rawValue();
            else
                width = QTextLength(QTextLength::FixedLength, last);
        }
        QTextTableFormat format = m_table->format();
        format.setColumnWidthConstraints(widths);
        m_table->setFormat(format);
    }
    // Cells merged downwards become one cell once all rows are there.
    for (int column = 0; column < m_table->columns(); ++column) {
        for (int row = 0; row < m_mergeFirst.size(); ++row) {
            if (column >= m_mergeFirst.at(row).size() || !m_mergeFirst.at(row).at(column))
                continue;
            int last = row;
            while (last + 1 < m_merged.size() && column < m_merged.at(last + 1).size() &&
                   m_merged.at(last + 1).at(column))
                ++last;
            if (last > row && m_table->cellAt(row, column).columnSpan() == 1)
                m_table->mergeCells(row, column, last - row + 1, 1);
            row = last;
        }
    }
    m_cursor = m_table->lastCursorPosition();
    m_cursor.movePosition(QTextCursor::NextBlock);
    m_table = nullptr;
    m_cellPending = false;
    m_paragraphPending = false;
    m_rowOpen = false;
    if (!m_outer.isEmpty()) {
        // Back in the cell that holds the table, in the paragraph after it.
        OuterTable outer = m_outer.takeLast();
        m_table = outer.table;
        m_row = outer.row;
        m_column = outer.column;
        m_mergeFirst = std::move(outer.mergeFirst);
        m_merged = std::move(outer.merged);
        m_rowOpen = true;
    }
}

void PlainTextSink::startPendingParagraph()
{
    if (m_inTable)
        m_cellStarted = true;
    if (m_paragraphPending) {
        m_paragraphPending = false;
        out().append(u'\n');
    }
}

void PlainTextSink::text(const QString &text, const TextStyle &style)
{
    if (m_note) {
        m_note->text(text, style);
        return;
    }
    startPendingParagraph();
    QString &target = out();
    if (style.hidden) {
        // One object for hidden runs that follow each other in one formatting, as in a document.
        if (!(m_hiddenIn == &target && m_hiddenEnd == target.size() && style == m_hiddenStyle))
            target.append(QChar::ObjectReplacementCharacter);
        m_hiddenIn = &target;
        m_hiddenEnd = target.size();
        m_hiddenStyle = style;
        return;
    }
    m_hiddenIn = nullptr;
    if (m_text.isEmpty() && !m_inTable && style.position == TextStyle::VerticalPosition::Super)
        m_startsWithMark = true; // a mark of its own
    const qsizetype start = target.size();
    target.append(text);
    // As QTextDocument::toPlainText() gives them.
    for (qsizetype i = start; i < target.size(); ++i) {
        const char16_t ch = target.at(i).unicode();
        if (ch == 0x2028)
            target[i] = u'\n';
        else if (ch == 0x00A0)
            target[i] = u' ';
    }
}

void PlainTextSink::picture(const KeptPicture &picture, const TextStyle &style)
{
    if (m_note) {
        m_note->picture(picture, style);
        return;
    }
    startPendingParagraph();
    out().append(QChar::ObjectReplacementCharacter);
}

void PlainTextSink::rowStart(const RowDefinition &row)
{
    if (m_inTable && m_rowOpen) {
        // A table in the next cell: gathered on its own, then added to that cell's text. It
        // follows the cell's last paragraph as a table follows a paragraph.
        m_cellStarted = true;
        m_paragraphPending = false;
        m_outer.append({std::move(m_rows), std::move(m_mergeFirst), std::move(m_merged), std::move(m_cellText),
                        m_columns});
        m_hiddenIn = nullptr;
        m_inTable = false;
    }
    m_rowOpen = true;
    if (!m_inTable) {
        // As DocumentSink makes it: the first row's cells, then what later rows fill.
        m_inTable = true;
        m_paragraphPending = false;
        m_rows.clear();
        m_mergeFirst.clear();
        m_merged.clear();
        m_columns = int(std::max<qsizetype>(1, row.cells.size()));
    }
    m_rows.append(QStringList());
    m_cellText.clear();
    m_cellStarted = false;
}

void PlainTextSink::cellEnd(const ParagraphStyle &, const TextStyle &)
{
    startPendingParagraph();
    m_hiddenIn = nullptr;
    if (m_rows.isEmpty())
        return;
    QStringList &cells = m_rows.last();
    if (cells.size() < MaxTableColumns) {
        cells.append(m_cellText);
    } else {
        cells.last() += u'\n';
        cells.last() += m_cellText;
    }
    m_cellText.clear();
    m_cellStarted = false;
}

void PlainTextSink::rowEnd(const RowDefinition &row)
{
    m_paragraphPending = false;
    m_rowOpen = false;
    if (m_cellStarted && !m_rows.isEmpty()) {
        QStringList &cells = m_rows.last();
        if (cells.size() < MaxTableColumns)
            cells.append(m_cellText);
        else
            cells.last() += u'\n' + m_cellText;
    }
    m_cellText.clear();
    m_cellStarted = false;
    if (!m_rows.isEmpty())
        m_columns = std::max(m_columns, int(m_rows.last().size()));
    QList<bool> first(m_columns, false);
    QList<bool> merged(m_columns, false);
    for (int column = 0; column < std::min(int(row.cells.size()), m_columns); ++column) {
        first[column] = row.cells.at(column).mergeFirst;
        merged[column] = row.cells.at(column).merged;
    }
    m_mergeFirst.append(first);
    m_merged.append(merged);
}

void PlainTextSink::tableEnd()
{
    if (!m_inTable)
        return;
    if (m_cellStarted)
        rowEnd(RowDefinition());
    m_inTable = false;
    for (QStringList &cells : m_rows) {
        while (cells.size() < m_columns)
            cells.append(QString());
    }
    // Cells merged downwards: the merged cell holds the others' text as paragraphs of its own,
    // and empty ones leave nothing, as QTextTable::mergeCells() does.
    QList<QList<bool>> covered(m_rows.size(), QList<bool>(m_columns, false));
    for (int column = 0; column < m_columns; ++column) {
        for (int row = 0; row < m_mergeFirst.size() && row < m_rows.size(); ++row) {
            if (column >= m_mergeFirst.at(row).size() || !m_mergeFirst.at(row).at(column))
                continue;
            int last = row;
            while (last + 1 < m_merged.size() && last + 1 < m_rows.size() && column < m_merged.at(last + 1).size() &&
                   m_merged.at(last + 1).at(column))
                ++last;
            for (int below = row + 1; below <= last; ++below) {
                covered[below][column] = true;
                const QString &text = m_rows.at(below).at(column);
                if (!text.isEmpty())
                    m_rows[row][column] += u'\n' + text;
            }
            row = last;
        }
    }
    // As QTextDocument::toPlainText() gives a table: every cell a paragraph of its own.
    QString text;
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        for (int column = 0; column < m_columns; ++column) {
            if (covered.at(row).at(column))
                continue;
            text.append(u'\n');
            text.append(m_rows.at(row).at(column));
        }
    }
    text.append(u'\n');
    m_rows.clear();
    m_paragraphPending = false;
    m_rowOpen = false;
    m_hiddenIn = nullptr;
    if (!m_outer.isEmpty()) {
        // Back in the cell that holds the table.
        OuterTable outer = m_outer.takeLast();
        m_rows = std::move(outer.rows);
        m_mergeFirst = std::move(outer.mergeFirst);
        m_merged = std::move(outer.merged);
        m_cellText = std::move(outer.cellText);
        m_columns = outer.columns;
        m_inTable = true;
        m_rowOpen = true;
        m_cellStarted = true;
    }
    out().append(text);
}

void PlainTextSink::paragraphEnd(const ParagraphStyle &paragraph, const TextStyle &style)
{
    if (m_note) {
        m_note->paragraphEnd(paragraph, style);
        return;
    }
    startPendingParagraph();
    m_paragraphPending = true;
}

void PlainTextSink::noteStart(const NoteInfo &note)
{
    if (m_note)
        return;
    startPendingParagraph();
    m_hiddenIn = nullptr;
    if (note.isComment())
        out().append(note.commentMarker());
    out().append(QChar::ObjectReplacementCharacter);
    m_note = std::make_unique<PlainTextSink>();
    m_noteInfo = note;
}

void PlainTextSink::noteEnd(const NoteInfo &note, const ParagraphStyle &, const TextStyle &)
{
    if (!m_note)
        return;
    m_notes.append(Note{note, m_note->result(), m_note->m_startsWithMark});
    m_note.reset();
}

void PlainTextSink::noteNumber(const QString &number, const TextStyle &style)
{
    if (m_note) {
        m_note->noteNumber(number, style);
        return;
    }
    startPendingParagraph();
    m_hiddenIn = nullptr;
    if (m_text.isEmpty() && !m_inTable)
        m_startsWithMark = true;
    out().append(number);
}

void PlainTextSink::finish(const ParagraphStyle &paragraph, const TextStyle &style)
{
    if (m_note)
        noteEnd(m_noteInfo, paragraph, style);
    if (m_notes.isEmpty())
        return;
    // As DocumentSink shows them: a rule, the footnotes, the comments.
    m_text.append(u'\n');
    for (const bool comments : {false, true}) {
        for (const Note &note : std::as_const(m_notes)) {
            if (note.info.isComment() != comments)
                continue;
            m_text.append(u'\n');
            if (comments || !note.startsWithMark)
                m_text.append(note.info.label());
            m_text.append(note.text);
        }
    }
}

} // namespace rtf
