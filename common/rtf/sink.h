#pragma once

#include "controlwords.h"
#include "notes.h"
#include "picture.h"

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

#include <cstdint>

namespace rtf {

/// Character formatting of a run of text as RTF describes it (sizes in half-points).
struct TextStyle
{
    enum class VerticalPosition : std::uint8_t
    {
        Normal,
        Super,
        Sub
    };

    QString family; ///< empty when the font is unknown (the document's default applies)
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    VerticalPosition position = VerticalPosition::Normal;
    bool hasForeground = false; ///< false = automatic colour
    QRgb foreground = 0;
    bool hasBackground = false; ///< false = no highlighting
    QRgb background = 0;
    bool hidden = false; ///< \v: kept, not shown

    friend bool operator==(const TextStyle &, const TextStyle &) = default;
};

/// Paragraph formatting (lengths in twips).
struct ParagraphStyle
{
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;

    friend bool operator==(const ParagraphStyle &, const ParagraphStyle &) = default;
};

/// One side of a table cell's frame (width in twips, 0 = no line).
struct CellBorder
{
    int width = 0;
    bool hasColor = false;
    QRgb color = 0;

    friend bool operator==(const CellBorder &, const CellBorder &) = default;
};

/// A cell of a table row as \trowd ... \cellx define it (lengths in twips).
struct CellDefinition
{
    int right = 0; ///< right edge, from the row's origin
    CellBorder left;
    CellBorder top;
    CellBorder rightBorder;
    CellBorder bottom;
    bool hasBackground = false;
    QRgb background = 0;
    bool mergeFirst = false; ///< \clvmgf: the first of cells merged downwards
    bool merged = false;     ///< \clvmrg: merged into the cell above

    friend bool operator==(const CellDefinition &, const CellDefinition &) = default;
};

/// The properties of one table row (lengths in twips).
struct RowDefinition
{
    int gap = 0;  ///< \trgaph: half the space between cells, the cells' padding
    int left = 0; ///< \trleft
    QList<CellDefinition> cells;
};

/// Most cells a table row may hold; further cells join the last one.
inline constexpr int MaxTableColumns = 64;

/// Largest indent or paragraph spacing in twips (22 inches); beyond it values are cut to it.
inline constexpr int MaxIndentTwips = 31680;

/// Receives the content of a document from the reader, in document order. Text holds no
/// paragraph breaks; a line break inside a paragraph is U+2028, a tab is '\t'.
class Sink
{
public:
    virtual ~Sink() = default;
    virtual void text(const QString &text, const TextStyle &style) = 0;
    virtual void picture(const KeptPicture &picture, const TextStyle &style) = 0;
    /// Ends the current paragraph with its formatting; style is the formatting of the paragraph mark.
    virtual void paragraphEnd(const ParagraphStyle &paragraph, const TextStyle &style) = 0;
    /// Called once at the end with the formatting in force there. A paragraph mark that nothing
    /// follows opens no new paragraph (as in Word and WordPad, whose files end with \par), so a
    /// sink starts a new paragraph only when content arrives after paragraphEnd(); when the input
    /// ends without a mark, lastParagraph formats the unfinished last paragraph.
    virtual void finish(const ParagraphStyle &lastParagraph, const TextStyle &style) = 0;

    // Tables arrive as rowStart(), the cells' content with cellEnd() after each cell (its last
    // paragraph has no paragraphEnd() of its own), rowEnd() with the row's final properties, and
    // tableEnd() after the last row, before content that follows the table. A rowStart() while
    // a row is open (not yet ended by rowEnd()) opens a table nested in that row's next cell;
    // its tableEnd() returns to that cell, whose content may go on after the nested table.
    virtual void rowStart(const RowDefinition &row) = 0;
    virtual void cellEnd(const ParagraphStyle &paragraph, const TextStyle &style) = 0;
    virtual void rowEnd(const RowDefinition &row) = 0;
    virtual void tableEnd() = 0;

    /// A group the reader does not show but that should be written back as it stands (a header
    /// or footer): raw holds its bytes, "{" to "}".
    virtual void keptGroup(QByteArrayView raw) { Q_UNUSED(raw); }

    // A footnote or comment: noteStart() where it stands, its content, then noteEnd() with all
    // the details the group gave and the formatting in force at its end (as finish() has it).
    // Notes do not nest, and no table row starts or ends inside one.
    virtual void noteStart(const NoteInfo &note) { Q_UNUSED(note); }
    virtual void noteEnd(const NoteInfo &note, const ParagraphStyle &lastParagraph, const TextStyle &style)
    {
        Q_UNUSED(note);
        Q_UNUSED(lastParagraph);
        Q_UNUSED(style);
    }
    /// The number \chftn stands for, formatted as style.
    virtual void noteNumber(const QString &number, const TextStyle &style) { text(number, style); }
    /// \atrfstart, \atrfend: the text a comment refers to starts or ends here.
    virtual void commentRange(bool start, const QString &name)
    {
        Q_UNUSED(start);
        Q_UNUSED(name);
    }
};

} // namespace rtf
