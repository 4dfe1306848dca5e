#include "controlwords.h"

#include <algorithm>
#include <array>

namespace rtf {
namespace {

constexpr std::int32_t picture(PictureType type)
{
    return std::int32_t(type);
}

constexpr std::int32_t property(PictureProperty which)
{
    return std::int32_t(which);
}

constexpr std::int32_t align(Alignment alignment)
{
    return std::int32_t(alignment);
}

// Sorted by name: looked up by binary search.
constexpr auto Words = std::to_array<ControlWord>({
    {"annotation", Op::SkipDestination, 0},
    {"ansi", Op::CharsetAnsi, 1252},
    {"ansicpg", Op::AnsiCodePage, 0},
    {"atnauthor", Op::SkipDestination, 0},
    {"author", Op::SkipDestination, 0},
    {"b", Op::Bold, 0},
    {"blue", Op::Blue, 0},
    {"bullet", Op::Char, 0x2022},
    {"buptim", Op::SkipDestination, 0},
    {"cb", Op::Background, 0},
    {"cell", Op::Cell, 0},
    {"cf", Op::Foreground, 0},
    {"chcbpat", Op::Background, 0},
    {"colortbl", Op::ColorTable, 0},
    {"comment", Op::SkipDestination, 0},
    {"cpg", Op::FontCodePage, 0},
    {"creatim", Op::SkipDestination, 0},
    {"deff", Op::DefaultFont, 0},
    {"dibitmap", Op::PictureKind, picture(PictureType::Dib)},
    {"dn", Op::Subscript, 0},
    {"doccomm", Op::SkipDestination, 0},
    {"emdash", Op::Char, 0x2014},
    {"emfblip", Op::PictureKind, picture(PictureType::Emf)},
    {"endash", Op::Char, 0x2013},
    {"f", Op::Font, 0},
    {"fcharset", Op::FontCharset, 0},
    {"fi", Op::FirstIndent, 0},
    {"filetbl", Op::SkipDestination, 0},
    {"fldinst", Op::FieldInstruction, 0},
    {"fldrslt", Op::FieldResult, 0},
    {"fonttbl", Op::FontTable, 0},
    {"footer", Op::SkipDestination, 0},
    {"footerf", Op::SkipDestination, 0},
    {"footerl", Op::SkipDestination, 0},
    {"footerr", Op::SkipDestination, 0},
    {"footnote", Op::SkipDestination, 0},
    {"fs", Op::FontSize, 0},
    {"green", Op::Green, 0},
    {"header", Op::SkipDestination, 0},
    {"headerf", Op::SkipDestination, 0},
    {"headerl", Op::SkipDestination, 0},
    {"headerr", Op::SkipDestination, 0},
    {"highlight", Op::Background, 0},
    {"i", Op::Italic, 0},
    {"info", Op::SkipDestination, 0},
    {"jpegblip", Op::PictureKind, picture(PictureType::Jpeg)},
    {"keywords", Op::SkipDestination, 0},
    {"ldblquote", Op::Char, 0x201C},
    {"li", Op::LeftIndent, 0},
    {"lin", Op::LeftIndent, 0},
    {"line", Op::Line, 0},
    {"lquote", Op::Char, 0x2018},
    {"mac", Op::CharsetAnsi, 10000},
    {"macpict", Op::PictureKind, picture(PictureType::MacPict)},
    {"nestcell", Op::Cell, 0},
    {"nestrow", Op::Row, 0},
    {"nonshppict", Op::NonShapePicture, 0},
    {"nosupersub", Op::NoSuperSub, 0},
    {"objdata", Op::SkipDestination, 0},
    {"operator", Op::SkipDestination, 0},
    {"page", Op::Par, 0},
    {"par", Op::Par, 0},
    {"pard", Op::Pard, 0},
    {"pc", Op::CharsetAnsi, 437},
    {"pca", Op::CharsetAnsi, 850},
    {"piccropb", Op::PictureProperty, property(PictureProperty::CropBottom)},
    {"piccropl", Op::PictureProperty, property(PictureProperty::CropLeft)},
    {"piccropr", Op::PictureProperty, property(PictureProperty::CropRight)},
    {"piccropt", Op::PictureProperty, property(PictureProperty::CropTop)},
    {"pich", Op::PictureProperty, property(PictureProperty::Height)},
    {"pichgoal", Op::PictureProperty, property(PictureProperty::GoalHeight)},
    {"picscalex", Op::PictureProperty, property(PictureProperty::ScaleX)},
    {"picscaley", Op::PictureProperty, property(PictureProperty::ScaleY)},
    {"pict", Op::Picture, 0},
    {"picw", Op::PictureProperty, property(PictureProperty::Width)},
    {"picwgoal", Op::PictureProperty, property(PictureProperty::GoalWidth)},
    {"plain", Op::Plain, 0},
    {"pmmetafile", Op::PictureKind, picture(PictureType::Os2Meta)},
    {"pngblip", Op::PictureKind, picture(PictureType::Png)},
    {"printim", Op::SkipDestination, 0},
    {"private", Op::SkipDestination, 0},
    {"qc", Op::Align, align(Alignment::Center)},
    {"qj", Op::Align, align(Alignment::Justify)},
    {"ql", Op::Align, align(Alignment::Left)},
    {"qr", Op::Align, align(Alignment::Right)},
    {"rdblquote", Op::Char, 0x201D},
    {"red", Op::Red, 0},
    {"revtbl", Op::SkipDestination, 0},
    {"revtim", Op::SkipDestination, 0},
    {"ri", Op::RightIndent, 0},
    {"rin", Op::RightIndent, 0},
    {"row", Op::Row, 0},
    {"rquote", Op::Char, 0x2019},
    {"sa", Op::SpaceAfter, 0},
    {"sb", Op::SpaceBefore, 0},
    {"sect", Op::Par, 0},
    {"shp", Op::Shape, 0},
    {"shpgrp", Op::Shape, 0},
    {"shpinst", Op::ShapeInstance, 0},
    {"shppict", Op::ShapePicture, 0},
    {"shprslt", Op::ShapeResult, 0},
    {"sn", Op::ShapePropertyName, 0},
    {"sp", Op::ShapeProperty, 0},
    {"strike", Op::Strike, 0},
    {"striked", Op::Strike, 0},
    {"stylesheet", Op::SkipDestination, 0},
    {"sub", Op::Subscript, 0},
    {"subject", Op::SkipDestination, 0},
    {"super", Op::Superscript, 0},
    {"sv", Op::ShapePropertyValue, 0},
    {"tab", Op::Tab, 0},
    {"tc", Op::SkipDestination, 0},
    {"template", Op::SkipDestination, 0},
    {"title", Op::SkipDestination, 0},
    {"txe", Op::SkipDestination, 0},
    {"u", Op::Unicode, 0},
    {"uc", Op::UnicodeSkip, 0},
    {"ud", Op::UnicodeAlt, 0},
    {"ul", Op::Underline, 0},
    {"uld", Op::Underline, 0},
    {"uldash", Op::Underline, 0},
    {"uldashd", Op::Underline, 0},
    {"uldashdd", Op::Underline, 0},
    {"uldb", Op::Underline, 0},
    {"ulhwave", Op::Underline, 0},
    {"ulldash", Op::Underline, 0},
    {"ulnone", Op::UnderlineNone, 0},
    {"ulth", Op::Underline, 0},
    {"ulthd", Op::Underline, 0},
    {"ulthdash", Op::Underline, 0},
    {"ulthdashd", Op::Underline, 0},
    {"ulthdashdd", Op::Underline, 0},
    {"ulthldash", Op::Underline, 0},
    {"ululdbwave", Op::Underline, 0},
    {"ulw", Op::Underline, 0},
    {"ulwave", Op::Underline, 0},
    {"up", Op::Superscript, 0},
    {"upr", Op::Upr, 0},
    {"wbitmap", Op::PictureKind, picture(PictureType::Bitmap)},
    {"wbmbitspixel", Op::PictureProperty, property(PictureProperty::BitsPerPixel)},
    {"wbmplanes", Op::PictureProperty, property(PictureProperty::Planes)},
    {"wbmwidthbytes", Op::PictureProperty, property(PictureProperty::WidthBytes)},
    {"wmetafile", Op::PictureKind, picture(PictureType::Wmf)},
    {"xe", Op::SkipDestination, 0},
});

static_assert(std::is_sorted(Words.begin(), Words.end(),
                             [](const ControlWord &a, const ControlWord &b) { return a.name < b.name; }),
              "the control word table must stay sorted by name");

} // namespace

const ControlWord *findControlWord(std::string_view name)
{
    const auto it =
        std::lower_bound(Words.begin(), Words.end(), name,
                         [](const ControlWord &entry, std::string_view key) { return entry.name < key; });
    if (it == Words.end() || it->name != name)
        return nullptr;
    return &*it;
}

} // namespace rtf
