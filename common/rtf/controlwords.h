#pragma once

#include <cstdint>
#include <string_view>

namespace rtf {

/// What the reader does with a control word. One entry of the table in controlwords.cpp names
/// the word, the operation and its argument.
enum class Op : std::uint8_t
{
    // Destinations: the group that starts with the word holds something other than body text.
    FontTable,
    ColorTable,
    Picture,
    ShapePicture,    ///< \shppict: its picture is shown
    NonShapePicture, ///< \nonshppict: the stand-in of the \shppict before it, or the only picture
    Shape,           ///< \shp: a drawing object; its picture (property pib) is shown at its anchor
    ShapeInstance,   ///< \shpinst: the properties of a shape
    ShapeProperty,   ///< \sp: one property, {\sn name}{\sv value}
    ShapePropertyName,
    ShapePropertyValue,
    ShapeResult, ///< \shprslt: what readers without shapes show
    FieldInstruction, ///< \fldinst: skipped, but for the shapes a SHAPE field holds
    FieldResult,      ///< \fldrslt
    Upr,             ///< \upr: ANSI text followed by {\*\ud Unicode text}; only the latter is read
    UnicodeAlt,      ///< \ud
    SkipDestination, ///< \info, \stylesheet...: the whole group is skipped
    KeptGroup,       ///< headers and footers: not shown, the group's bytes are kept
    Field,           ///< \field: its result's text is body text
    Note,            ///< \footnote (argument 0), \annotation (1): a note kept with its text
    NoteText,        ///< a note's detail given as text: argument = NoteField
    NoteKept,        ///< \atndate, \atntime...: kept as read and written back with the comment
    Endnote,         ///< \ftnalt: the footnote is an endnote
    FootnoteMark,    ///< \chftn: the footnote's number
    AnnotationMark,  ///< \chatn: the comment's mark
    // Document.
    CharsetAnsi,  ///< \ansi, \mac, \pc, \pca: argument = code page
    AnsiCodePage, ///< \ansicpgN
    DefaultFont,  ///< \deffN
    // Font table entries.
    FontCharset,  ///< \fcharsetN
    FontCodePage, ///< \cpgN
    // Colour table entries.
    Red,
    Green,
    Blue,
    // Character formatting.
    Plain,
    Font,
    FontSize,
    Foreground,
    Background,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Superscript,
    Subscript,
    NoSuperSub,
    Hidden,      ///< \v
    AssocFont,   ///< \afN: the font of the text \dbch or \rtlch marks
    AssocSize,   ///< \afsN
    AssocBold,   ///< \ab
    AssocItalic, ///< \ai
    CharClass,   ///< \loch, \hich, \dbch: argument = CharClass
    Direction,   ///< \ltrch = 0, \rtlch = 1
    Unicode,     ///< \uN
    UnicodeSkip, ///< \ucN
    // Paragraph formatting.
    Pard,
    Align, ///< argument = Alignment
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    InTable,     ///< \intbl
    TableLevel,  ///< \itapN
    // Table rows and cells.
    RowDefaults, ///< \trowd
    RowGap,      ///< \trgaphN
    RowLeft,     ///< \trleftN
    CellRight,   ///< \cellxN
    CellBorderSide, ///< \clbrdrt...: argument = BorderSide, what the next border words describe
    OtherBorder,    ///< \brdrt, \trbrdrt, \box...: borders we do not keep
    BorderStyle,    ///< argument 1 = a line (\brdrs, \brdrdb...), 0 = none (\brdrnone)
    BorderWidth,    ///< \brdrwN
    BorderColor,    ///< \brdrcfN
    CellPadding,    ///< \clpadlN, \trpaddlN...
    CellShading,    ///< \clcbpatN
    CellMergeFirst, ///< \clvmgf
    CellMerged,     ///< \clvmrg
    NestedRowProperties, ///< \nesttableprops: the row words in its group describe a nested row
    // Breaks and special characters.
    Par,
    Line,
    Tab,
    Cell, ///< argument 1 = \nestcell
    Row,  ///< argument 1 = \nestrow
    Char, ///< argument = the Unicode character the word stands for
    // Picture properties.
    PictureKind,     ///< argument = PictureType
    PictureProperty, ///< argument = rtf::PictureProperty
};

/// The text of \atnid, \atnauthor, \atnref, \atrfstart and \atrfend.
enum class NoteField : std::uint8_t
{
    Initials,
    Author,
    Reference,
    RangeStart,
    RangeEnd
};

enum class Alignment : std::uint8_t
{
    Left,
    Center,
    Right,
    Justify
};
enum class CharClass : std::uint8_t
{
    Low,   ///< \loch
    High,  ///< \hich
    Double ///< \dbch: CJK text
};
enum class BorderSide : std::uint8_t
{
    Left,
    Top,
    Right,
    Bottom
};
enum class PictureType : std::uint8_t
{
    None,
    Png,      ///< \pngblip
    Jpeg,     ///< \jpegblip
    Emf,      ///< \emfblip
    Wmf,      ///< \wmetafileN
    Dib,      ///< \dibitmapN
    Bitmap,   ///< \wbitmapN: device-dependent bitmap
    MacPict,  ///< \macpict
    Os2Meta,  ///< \pmmetafileN
};

/// A number of a \pict group (see PictureData).
enum class PictureProperty : std::uint8_t
{
    Width,
    Height,
    GoalWidth,
    GoalHeight,
    ScaleX,
    ScaleY,
    CropLeft,
    CropRight,
    CropTop,
    CropBottom,
    BitsPerPixel,
    Planes,
    WidthBytes,
};

struct ControlWord
{
    std::string_view name;
    Op op;
    std::int32_t argument;
};

/// The table entry of a control word, or nullptr for a word the reader does not know.
const ControlWord *findControlWord(std::string_view name);

} // namespace rtf
