#include "reader.h"

#include "codepage.h"
#include "controlwords.h"
#include "picture.h"
#include "sink.h"
#include "tokenizer.h"

#include <QHash>
#include <QList>

#include <algorithm>
#include <optional>
#include <vector>

namespace rtf {
namespace {

// Word's own limit for fonts: 1638 points.
constexpr int MaxTwips = MaxIndentTwips;
constexpr int MinHalfPoints = 2;
constexpr int MaxHalfPoints = 3276;

enum class Destination : std::uint8_t
{
    Body,
    FontTable,
    ColorTable,
    Picture,
    Upr,
    ShapeInstance,      // \shpinst: only its {\sp} groups matter
    ShapeProperty,      // {\sp{\sn name}{\sv value}}
    ShapePropertyName,  // the text of \sn
    ShapePictureValue,  // {\sv} of the pib property: the shape's picture
    Alternate,          // a stand-in of the picture before it: only its \pict is kept
    FieldInstruction,   // skipped but for shapes
};

/// How a \pict group relates to the pictures around it.
enum class PictureRole : std::uint8_t
{
    Plain,
    Shape,     // \shppict or a shape's pib: a stand-in may follow
    Alternate, // \nonshppict after a \shppict, or a shape's result
};

struct CharProps
{
    int font = -1; // -1 = the default font (\deff)
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    TextStyle::VerticalPosition position = TextStyle::VerticalPosition::Normal;
    int foreground = 0; // colour table index, 0 = automatic
    int background = 0;
};

struct GroupState
{
    Destination destination = Destination::Body;
    Destination beforeUpr = Destination::Body; // where \ud sends the text of an \upr group
    CharProps chars;
    ParagraphStyle paragraph;
    int unicodeSkip = 1; // \ucN
    bool shapePicture = false; // inside {\*\shppict}
    bool standInAlone = false; // inside a {\nonshppict} that follows no picture
};

struct FontEntry
{
    QString name;
    int charset = -1; // -1 = not given
    int codePage = 0; // \cpgN, 0 = not given
};

int clampInt(std::int64_t value, int low, int high)
{
    return int(std::clamp<std::int64_t>(value, low, high));
}

/// Decoded text waiting for the sink, plus bytes of one code page not yet decoded (so that the
/// two bytes of a double-byte character may arrive as two \'hh escapes).
class TextBuffer
{
public:
    explicit TextBuffer(codepage::Decoder &decoder)
        : m_decoder(decoder)
    {}

    void addBytes(QByteArrayView bytes, int codePage)
    {
        if (!m_bytes.isEmpty() && codePage != m_codePage)
            decodeBytes();
        m_codePage = codePage;
        m_bytes.append(bytes);
    }

    void addChar(char16_t ch)
    {
        decodeBytes();
        m_text.append(QChar(ch));
    }

    bool isEmpty() const { return m_text.isEmpty() && m_bytes.isEmpty(); }

    /// Takes the text out, with characters that a document cannot hold as text replaced.
    QString take()
    {
        decodeBytes();
        QString text;
        text.swap(m_text);
        sanitize(text);
        return text;
    }

    void clear()
    {
        m_text.clear();
        m_bytes.clear();
    }

private:
    void decodeBytes()
    {
        if (m_bytes.isEmpty())
            return;
        m_text.append(m_decoder.decode(m_codePage, m_bytes));
        m_bytes.clear();
    }

    static void sanitize(QString &text)
    {
        qsizetype out = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            char16_t ch = text.at(i).unicode();
            if (QChar::isHighSurrogate(ch) && i + 1 < text.size() &&
                QChar::isLowSurrogate(text.at(i + 1).unicode())) {
                text[out++] = QChar(ch);
                text[out++] = text.at(++i);
                continue;
            }
            if (QChar::isSurrogate(ch))
                ch = QChar::ReplacementCharacter; // half a character
            if (ch == u'\t' || (ch >= 0x20 && ch != 0x7F)) {
                // Paragraph separators and frame markers would split or break the document's
                // structure, an object character would pose as a picture.
                if (ch == 0x2029 || ch == 0xFDD0 || ch == 0xFDD1)
                    text[out++] = QChar(0x2028);
                else if (ch != 0xFFFC && ch != 0xFEFF)
                    text[out++] = QChar(ch);
            } else if (ch == u'\r' || ch == u'\n') {
                text[out++] = QChar(0x2028);
            }
        }
        text.truncate(out);
    }

    codepage::Decoder &m_decoder;
    QString m_text;
    QByteArray m_bytes;
    int m_codePage = 1252;
};

class Parser
{
public:
    Parser(QByteArrayView data, Sink &sink)
        : m_tokens(data)
        , m_sink(sink)
        , m_text(m_decoder)
        , m_fontName(m_decoder)
    {
        m_stack.reserve(Reader::MaxDepth + 1);
        m_stack.push_back(GroupState());
        m_colors.reserve(16);
    }

    void run();

private:
    void finish();
    GroupState &state() { return m_stack.back(); }
    int depth() const { return int(m_stack.size()) - 1 + m_overflow; }

    void openGroup();
    void closeGroup();
    void skipGroup();
    void controlWord(const Token &token);
    void controlSymbol(char symbol);
    void text(QByteArrayView bytes);
    void byteOfText(std::uint8_t byte);
    void character(char16_t ch);

    void fontTableText(QByteArrayView bytes);
    void commitFont();
    void colorTableText(QByteArrayView bytes);

    void styleChanged() { m_styleDirty = true; }
    void refreshStyle();
    void syncStyle();
    int codePageOfFont(int font) const;
    int codePageOfEntry() const;
    int documentCodePage() const { return codepage::isSupported(m_ansiCodePage) ? m_ansiCodePage : 1252; }
    void beforeContent();
    void flushText();
    void paragraphEnd();
    void startPicture(Destination dest);
    void finishPicture();
    void flushPendingPicture();
    bool pictureControlWord(Op op, const ControlWord &word, bool has, std::int32_t param);

    Tokenizer m_tokens;
    Sink &m_sink;
    codepage::Decoder m_decoder;
    TextBuffer m_text;

    std::vector<GroupState> m_stack;
    int m_overflow = 0;       // groups deeper than MaxDepth, followed for balance only
    bool m_ignorable = false; // \* seen: an unknown destination that follows is skipped
    int m_skip = 0;           // characters still to skip after \uN

    int m_ansiCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    std::optional<int> m_fontNumber; // font table entry being read
    int m_fontDepth = 0;             // group depth at which that entry started
    FontEntry m_font;
    TextBuffer m_fontName; // name of the font table entry being read
    QList<std::optional<QRgb>> m_colors;
    int m_red = -1;
    int m_green = -1;
    int m_blue = -1;

    bool m_styleDirty = true;
    TextStyle m_style;       // formatting of the text now being added
    TextStyle m_bufferStyle; // formatting of the text in m_text
    int m_codePage = 1252;
    bool m_pendingCellTab = false;

    // Pictures. A shape's picture waits in m_pending until what follows it is known: a stand-in
    // for older readers ({\nonshppict}, a shape's result) joins it rather than showing twice.
    PictureBuilder m_picture;
    int m_pictureDepth = -1; // group depth of the \pict being read; -1 = none
    PictureRole m_pictureRole = PictureRole::Plain;
    std::optional<KeptPicture> m_pending;
    TextStyle m_pendingStyle;
    bool m_pendingTakesAlternate = false;
    int m_shapeDepth = -1;      // group depth of the \shp being read; -1 = none
    bool m_shapeHasPicture = false;
    QByteArray m_shapeName;     // text of the \sn being read
    int m_fieldDepth = -1;      // group depth of a field whose instruction held a shape picture
    bool m_done = false; // the document's outermost group has closed
};

void Parser::run()
{
    while (!m_done) {
        const Token token = m_tokens.next();
        if (token.type == Token::Type::End)
            break;
        if (m_skip > 0) {
            // The ANSI stand-in of a \uN character: skipped, but never past a group boundary.
            if (token.type == Token::Type::Text) {
                const qsizetype n = std::min<qsizetype>(m_skip, token.data.size());
                m_skip -= int(n);
                if (n < token.data.size())
                    text(token.data.sliced(n));
                continue;
            }
            if (token.type != Token::Type::GroupOpen && token.type != Token::Type::GroupClose) {
                --m_skip;
                continue;
            }
            m_skip = 0;
        }
        if (m_ignorable && token.type != Token::Type::ControlWord)
            m_ignorable = false;
        switch (token.type) {
        case Token::Type::GroupOpen:
            openGroup();
            break;
        case Token::Type::GroupClose:
            closeGroup();
            break;
        case Token::Type::ControlWord:
            controlWord(token);
            break;
        case Token::Type::ControlSymbol:
            controlSymbol(token.symbol);
            break;
        case Token::Type::HexByte:
            byteOfText(token.byte);
            break;
        case Token::Type::Text:
            text(token.data);
            break;
        case Token::Type::Binary:
            if (state().destination == Destination::Picture)
                m_picture.addBinary(token.data);
            break;
        case Token::Type::End:
            break;
        }
    }
    finish();
}

void Parser::finish()
{
    // Input cut short ends every open group: what was read so far is the document.
    if (m_pictureDepth >= 0)
        finishPicture();
    flushPendingPicture();
    flushText();
    syncStyle();
    m_sink.finish(state().paragraph, m_style);
}

void Parser::openGroup()
{
    if (int(m_stack.size()) <= Reader::MaxDepth)
        m_stack.push_back(m_stack.back());
    else
        ++m_overflow;
}

void Parser::closeGroup()
{
    const int closing = depth();
    if (closing <= 1) {
        // The document's own group (or a stray brace): the document is over. Its state stays
        // for finish().
        if (m_pictureDepth >= 0)
            finishPicture();
        m_done = true;
        return;
    }
    const GroupState &inner = state();
    if (inner.destination == Destination::FontTable && m_fontNumber && closing <= m_fontDepth)
        commitFont(); // an entry without its ";"
    if (m_pictureDepth == closing)
        finishPicture();
    if (inner.standInAlone && m_stack.size() >= 2 && !m_stack[m_stack.size() - 2].standInAlone && m_overflow == 0)
        m_pendingTakesAlternate = false; // a later {\nonshppict} is a picture of its own
    if (m_shapeDepth == closing) {
        m_shapeDepth = -1;
        m_shapeHasPicture = false;
    }
    if (m_fieldDepth == closing)
        m_fieldDepth = -1;
    if (m_overflow > 0) {
        --m_overflow;
    } else {
        m_stack.pop_back();
        styleChanged();
    }
}

void Parser::skipGroup()
{
    // The current group was opened already: consume up to its closing brace, then close it.
    int level = 1;
    for (;;) {
        const Token token = m_tokens.next();
        if (token.type == Token::Type::End)
            return;
        if (token.type == Token::Type::GroupOpen) {
            ++level;
        } else if (token.type == Token::Type::GroupClose) {
            if (--level == 0)
                break;
        }
    }
    m_skip = 0;
    closeGroup();
}

void Parser::controlWord(const Token &token)
{
    const bool ignorable = m_ignorable;
    m_ignorable = false;
    const ControlWord *word = token.word.empty() ? nullptr : findControlWord(token.word);
    GroupState &st = state();
    if (!word) {
        if (ignorable)
            skipGroup();
        return;
    }
    const bool has = token.hasParameter;
    const std::int32_t param = token.parameter;
    const bool on = !has || param != 0;
    const Destination dest = st.destination;

    switch (word->op) {
    case Op::FontTable:
        st.destination = Destination::FontTable;
        m_fontNumber.reset();
        break;
    case Op::ColorTable:
        st.destination = Destination::ColorTable;
        m_colors.clear();
        m_red = m_green = m_blue = -1;
        break;
    case Op::Picture:
    case Op::ShapePicture:
    case Op::NonShapePicture:
    case Op::Shape:
    case Op::ShapeInstance:
    case Op::ShapeProperty:
    case Op::ShapePropertyName:
    case Op::ShapePropertyValue:
    case Op::ShapeResult:
    case Op::FieldInstruction:
    case Op::FieldResult:
    case Op::PictureKind:
    case Op::PictureProperty:
        if (!pictureControlWord(word->op, *word, has, param))
            return; // the group was skipped
        break;
    case Op::Upr:
        st.beforeUpr = dest;
        st.destination = Destination::Upr;
        break;
    case Op::UnicodeAlt:
        if (dest == Destination::Upr)
            st.destination = st.beforeUpr;
        else
            skipGroup();
        break;
    case Op::SkipDestination:
        skipGroup();
        return;
    case Op::CharsetAnsi:
        m_ansiCodePage = word->argument;
        styleChanged();
        break;
    case Op::AnsiCodePage:
        if (has && param > 0) {
            m_ansiCodePage = param;
            styleChanged();
        }
        break;
    case Op::DefaultFont:
        m_defaultFont = has ? param : 0;
        styleChanged();
        break;
    case Op::FontCharset:
        if (dest == Destination::FontTable)
            m_font.charset = param;
        break;
    case Op::FontCodePage:
        if (dest == Destination::FontTable)
            m_font.codePage = param;
        break;
    case Op::Red:
        m_red = clampInt(param, 0, 255);
        break;
    case Op::Green:
        m_green = clampInt(param, 0, 255);
        break;
    case Op::Blue:
        m_blue = clampInt(param, 0, 255);
        break;
    case Op::Plain:
        st.chars = CharProps();
        styleChanged();
        break;
    case Op::Font:
        if (dest == Destination::FontTable) {
            if (m_fontNumber)
                commitFont();
            m_fontNumber = has ? param : 0;
            m_fontDepth = depth();
            m_font = FontEntry();
            m_fontName.clear();
        } else {
            st.chars.font = has ? param : 0;
            styleChanged();
        }
        break;
    case Op::FontSize:
        st.chars.halfPoints = (has && param > 0) ? clampInt(param, MinHalfPoints, MaxHalfPoints) : 24;
        styleChanged();
        break;
    case Op::Foreground:
        st.chars.foreground = has ? std::max(param, 0) : 0;
        styleChanged();
        break;
    case Op::Background:
        st.chars.background = has ? std::max(param, 0) : 0;
        styleChanged();
        break;
    case Op::Bold:
        st.chars.bold = on;
        styleChanged();
        break;
    case Op::Italic:
        st.chars.italic = on;
        styleChanged();
        break;
    case Op::Underline:
        st.chars.underline = on;
        styleChanged();
        break;
    case Op::UnderlineNone:
        st.chars.underline = false;
        styleChanged();
        break;
    case Op::Strike:
        st.chars.strike = on;
        styleChanged();
        break;
    case Op::Superscript:
        st.chars.position = on ? TextStyle::VerticalPosition::Super : TextStyle::VerticalPosition::Normal;
        styleChanged();
        break;
    case Op::Subscript:
        st.chars.position = on ? TextStyle::VerticalPosition::Sub : TextStyle::VerticalPosition::Normal;
        styleChanged();
        break;
    case Op::NoSuperSub:
        st.chars.position = TextStyle::VerticalPosition::Normal;
        styleChanged();
        break;
    case Op::Unicode: {
        const std::int64_t value = param < 0 ? std::int64_t(param) + 65536 : param;
        if (has && value >= 0 && value <= 0xFFFF)
            character(char16_t(value));
        m_skip = st.unicodeSkip;
        break;
    }
    case Op::UnicodeSkip:
        st.unicodeSkip = has ? clampInt(param, 0, 1 << 16) : 1;
        break;
    case Op::Pard:
        st.paragraph = ParagraphStyle();
        break;
    case Op::Align:
        st.paragraph.alignment = Alignment(word->argument);
        break;
    case Op::LeftIndent:
        st.paragraph.leftIndent = clampInt(param, -MaxTwips, MaxTwips);
        break;
    case Op::RightIndent:
        st.paragraph.rightIndent = clampInt(param, -MaxTwips, MaxTwips);
        break;
    case Op::FirstIndent:
        st.paragraph.firstIndent = clampInt(param, -MaxTwips, MaxTwips);
        break;
    case Op::SpaceBefore:
        st.paragraph.spaceBefore = clampInt(param, 0, MaxTwips);
        break;
    case Op::SpaceAfter:
        st.paragraph.spaceAfter = clampInt(param, 0, MaxTwips);
        break;
    case Op::Par:
        if (dest == Destination::Body)
            paragraphEnd();
        break;
    case Op::Line:
        character(0x2028);
        break;
    case Op::Tab:
        character(u'\t');
        break;
    case Op::Cell:
        if (dest == Destination::Body) {
            // Cells become tab-separated text: a tab goes in once the next cell has content.
            if (m_pendingCellTab) {
                m_pendingCellTab = false;
                character(u'\t');
            }
            m_pendingCellTab = true;
        }
        break;
    case Op::Row:
        if (dest == Destination::Body) {
            m_pendingCellTab = false;
            paragraphEnd();
        }
        break;
    case Op::Char:
        character(char16_t(word->argument));
        break;
    }
    if (ignorable && !(word->op == Op::FontTable || word->op == Op::ColorTable || word->op == Op::Picture ||
                       word->op == Op::ShapePicture || word->op == Op::Upr || word->op == Op::UnicodeAlt ||
                       word->op == Op::ShapeInstance || word->op == Op::FieldInstruction ||
                       word->op == Op::NonShapePicture)) {
        // \* before a word that is no destination we read: the group is something we do not know.
        skipGroup();
    }
}

void Parser::controlSymbol(char symbol)
{
    switch (symbol) {
    case '*':
        m_ignorable = true;
        break;
    case '~':
        character(0x00A0);
        break;
    case '-':
        character(0x00AD);
        break;
    case '_':
        character(0x2011);
        break;
    case '{':
    case '}':
    case '\\':
        byteOfText(std::uint8_t(symbol));
        break;
    default:
        break; // \: \| and the like carry nothing we show
    }
}

void Parser::text(QByteArrayView bytes)
{
    switch (state().destination) {
    case Destination::Body:
        beforeContent();
        m_text.addBytes(bytes, m_codePage);
        break;
    case Destination::FontTable:
        fontTableText(bytes);
        break;
    case Destination::ColorTable:
        colorTableText(bytes);
        break;
    case Destination::Picture:
        m_picture.addHex(bytes);
        break;
    case Destination::ShapePropertyName:
        if (m_shapeName.size() < 64)
            m_shapeName.append(bytes.first(std::min<qsizetype>(bytes.size(), 64)));
        break;
    default:
        break;
    }
}

void Parser::byteOfText(std::uint8_t byte)
{
    const char c = char(byte);
    switch (state().destination) {
    case Destination::Body:
        beforeContent();
        m_text.addBytes(QByteArrayView(&c, 1), m_codePage);
        break;
    case Destination::FontTable:
        if (m_fontNumber)
            m_fontName.addBytes(QByteArrayView(&c, 1), codePageOfEntry());
        break;
    default:
        break;
    }
}

void Parser::character(char16_t ch)
{
    switch (state().destination) {
    case Destination::Body:
        beforeContent();
        m_text.addChar(ch);
        break;
    case Destination::FontTable:
        if (m_fontNumber)
            m_fontName.addChar(ch);
        break;
    default:
        break;
    }
}

void Parser::fontTableText(QByteArrayView bytes)
{
    if (!m_fontNumber)
        return;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == ';') {
            m_fontName.addBytes(bytes.sliced(start, i - start), codePageOfEntry());
            commitFont();
            start = i + 1;
            if (!m_fontNumber)
                return; // what follows the name up to the next \f belongs to no font
        }
    }
    m_fontName.addBytes(bytes.sliced(start), codePageOfEntry());
}

void Parser::commitFont()
{
    if (!m_fontNumber)
        return;
    m_font.name = m_fontName.take().trimmed();
    m_fonts.insert(*m_fontNumber, m_font);
    m_fontNumber.reset();
    m_font = FontEntry();
    styleChanged();
}

int Parser::codePageOfEntry() const
{
    if (m_font.codePage > 0 && codepage::isSupported(m_font.codePage))
        return m_font.codePage;
    const int fromCharset = codepage::fromCharset(m_font.charset);
    if (fromCharset == codepage::SymbolFont)
        return 1252; // symbol font names are plain ANSI
    if (fromCharset > 0 && codepage::isSupported(fromCharset))
        return fromCharset;
    return documentCodePage();
}

void Parser::colorTableText(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (c != ';')
            continue;
        if (m_colors.size() < Reader::MaxColors) {
            if (m_red < 0 && m_green < 0 && m_blue < 0)
                m_colors.append(std::nullopt); // the "auto" entry
            else
                m_colors.append(qRgb(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
        }
        m_red = m_green = m_blue = -1;
    }
    styleChanged();
}

int Parser::codePageOfFont(int font) const
{
    const auto it = m_fonts.constFind(font);
    if (it == m_fonts.constEnd())
        return documentCodePage(); // \fN without a font table entry
    const FontEntry &entry = it.value();
    if (entry.codePage > 0 && codepage::isSupported(entry.codePage))
        return entry.codePage;
    const int fromCharset = codepage::fromCharset(entry.charset);
    if (fromCharset == codepage::SymbolFont) {
        return entry.name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0 ? codepage::SymbolFont
                                                                                     : codepage::PrivateFont;
    }
    if (fromCharset > 0 && codepage::isSupported(fromCharset))
        return fromCharset;
    return documentCodePage();
}

void Parser::refreshStyle()
{
    m_styleDirty = false;
    const CharProps &chars = state().chars;
    const int font = chars.font < 0 ? m_defaultFont : chars.font;
    TextStyle style;
    const auto it = m_fonts.constFind(font);
    if (it != m_fonts.constEnd())
        style.family = it.value().name;
    style.halfPoints = chars.halfPoints;
    style.bold = chars.bold;
    style.italic = chars.italic;
    style.underline = chars.underline;
    style.strike = chars.strike;
    style.position = chars.position;
    if (chars.foreground > 0 && chars.foreground < m_colors.size() && m_colors.at(chars.foreground)) {
        style.hasForeground = true;
        style.foreground = *m_colors.at(chars.foreground);
    }
    if (chars.background > 0 && chars.background < m_colors.size() && m_colors.at(chars.background)) {
        style.hasBackground = true;
        style.background = *m_colors.at(chars.background);
    }
    m_style = style;
    m_codePage = codePageOfFont(font);
}

void Parser::beforeContent()
{
    flushPendingPicture();
    if (m_pendingCellTab) {
        // The tab between two cells, formatted like the end of the cell before.
        m_pendingCellTab = false;
        m_text.addChar(u'\t');
    }
    syncStyle();
}

void Parser::syncStyle()
{
    if (!m_styleDirty)
        return;
    refreshStyle();
    if (!(m_style == m_bufferStyle)) {
        flushText(); // the text so far keeps the formatting it was added with
        m_bufferStyle = m_style;
    }
}

void Parser::flushText()
{
    if (m_text.isEmpty())
        return;
    const QString text = m_text.take();
    if (!text.isEmpty())
        m_sink.text(text, m_bufferStyle);
}

void Parser::paragraphEnd()
{
    flushPendingPicture();
    flushText();
    syncStyle();
    m_pendingCellTab = false;
    m_sink.paragraphEnd(state().paragraph, m_style);
}

bool Parser::pictureControlWord(Op op, const ControlWord &word, bool has, std::int32_t param)
{
    GroupState &st = state();
    const Destination dest = st.destination;
    switch (op) {
    case Op::Picture:
        if (dest == Destination::Body || dest == Destination::ShapePictureValue || dest == Destination::Alternate) {
            startPicture(dest);
            return true;
        }
        skipGroup();
        return false;
    case Op::ShapePicture:
        if (dest == Destination::Body)
            st.shapePicture = true;
        return true;
    case Op::NonShapePicture:
        // The stand-in of the picture just before it; with none there, it is the picture.
        if (dest == Destination::Body && m_pending && m_pendingTakesAlternate)
            st.destination = Destination::Alternate;
        else if (dest != Destination::Body)
            st.destination = Destination::Alternate; // inside a stand-in already: nothing new shows
        else
            st.standInAlone = true; // its first picture shows, a second one is that one's stand-in
        return true;
    case Op::Shape:
        // A shape of a group (\shpgrp) lies inside the group's properties.
        if (dest == Destination::Body || dest == Destination::FieldInstruction ||
            dest == Destination::ShapeInstance) {
            flushPendingPicture();
            m_shapeDepth = depth();
            m_shapeHasPicture = false;
        }
        return true;
    case Op::ShapeInstance:
        if (m_shapeDepth >= 0 && (dest == Destination::Body || dest == Destination::FieldInstruction ||
                                  dest == Destination::ShapeInstance)) {
            st.destination = Destination::ShapeInstance;
            return true;
        }
        skipGroup();
        return false;
    case Op::ShapeProperty:
        if (dest == Destination::ShapeInstance) {
            st.destination = Destination::ShapeProperty;
            m_shapeName.clear();
        }
        return true;
    case Op::ShapePropertyName:
        if (dest == Destination::ShapeProperty)
            st.destination = Destination::ShapePropertyName;
        return true;
    case Op::ShapePropertyValue:
        if (dest == Destination::ShapeProperty) {
            if (m_shapeName.trimmed() == "pib" && !m_shapeHasPicture) {
                st.destination = Destination::ShapePictureValue;
            } else {
                skipGroup();
                return false;
            }
        }
        return true;
    case Op::ShapeResult:
        // What older readers show instead of the shape: shown only when the shape had no picture.
        if (m_shapeDepth >= 0 && m_shapeHasPicture)
            st.destination = Destination::Alternate;
        return true;
    case Op::FieldInstruction:
        if (dest == Destination::Body) {
            st.destination = Destination::FieldInstruction;
            return true;
        }
        skipGroup();
        return false;
    case Op::FieldResult:
        // A SHAPE field shows its picture already; its result would show it twice.
        if (m_fieldDepth >= 0 && depth() > m_fieldDepth)
            st.destination = Destination::Alternate;
        return true;
    case Op::PictureKind:
        if (dest == Destination::Picture)
            m_picture.setType(PictureType(word.argument), param, has);
        return true;
    case Op::PictureProperty:
        if (dest == Destination::Picture)
            m_picture.setProperty(PictureProperty(word.argument), param);
        return true;
    default:
        return true;
    }
}

void Parser::startPicture(Destination dest)
{
    if (m_pictureDepth >= 0)
        finishPicture(); // a \pict inside a \pict: the outer one ends
    m_pictureRole = PictureRole::Plain;
    if (dest == Destination::Alternate)
        m_pictureRole = PictureRole::Alternate;
    else if (state().standInAlone && m_pending && m_pendingTakesAlternate)
        m_pictureRole = PictureRole::Alternate;
    else if (dest == Destination::ShapePictureValue || state().shapePicture || state().standInAlone)
        m_pictureRole = PictureRole::Shape;
    if (dest == Destination::ShapePictureValue) {
        m_shapeHasPicture = true;
        // A field around the shape: its result is the same picture for older readers.
        for (std::size_t i = 1; i < m_stack.size(); ++i) {
            if (m_stack[i].destination == Destination::FieldInstruction) {
                m_fieldDepth = int(i) - 1; // the field's own group holds the instruction
                break;
            }
        }
    }
    state().destination = Destination::Picture;
    m_pictureDepth = depth();
    m_picture = PictureBuilder();
}

void Parser::finishPicture()
{
    std::optional<PictureData> data = m_picture.take();
    m_pictureDepth = -1;
    const PictureRole role = m_pictureRole;
    m_pictureRole = PictureRole::Plain;
    if (!data)
        return;
    if (role == PictureRole::Alternate) {
        if (m_pending && m_pendingTakesAlternate && !m_pending->alternate()) {
            m_pending = m_pending->withAlternate(*data);
            m_pendingTakesAlternate = false;
        }
        return; // kept with the picture it stands in for, or one stand-in too many
    }
    flushPendingPicture();
    // The picture sits in the body text, formatted like the text around it.
    syncStyle();
    m_pending = KeptPicture(std::move(*data));
    m_pendingStyle = m_style;
    m_pendingTakesAlternate = role == PictureRole::Shape;
}

void Parser::flushPendingPicture()
{
    if (!m_pending)
        return;
    const KeptPicture picture = std::move(*m_pending);
    m_pending.reset();
    m_pendingTakesAlternate = false;
    if (m_pendingCellTab) {
        m_pendingCellTab = false;
        m_text.addChar(u'\t');
    }
    flushText();
    m_sink.picture(picture, m_pendingStyle);
}

} // namespace

bool Reader::isRtf(QByteArrayView data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

bool Reader::read(QByteArrayView data, Sink &sink)
{
    if (!isRtf(data))
        return false;
    qsizetype start = data.indexOf('{');
    Parser parser(data.sliced(start), sink);
    parser.run();
    return true;
}

} // namespace rtf
