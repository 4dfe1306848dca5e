#pragma once

#include "controlwords.h"
#include "picture.h"

#include <QByteArray>
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
};

} // namespace rtf
