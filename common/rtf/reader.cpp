#include "reader.h"

#include "codepage.h"
#include "controlwords.h"
#include "keptgroups.h"
#include "notes.h"
#include "picture.h"
#include "sink.h"
#include "tokenizer.h"

#include <QHash>
#include <QList>

#include <algorithm>
#include <array>
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
    NoteText,           // \atnid, \atnauthor, \atnref, \atrfstart, \atrfend
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
    bool hidden = false;
    // Associated properties: those given after \rtlch are the right-to-left text's, the
    // others the CJK text's (after \dbch); unset ones (-1) follow the regular properties.
    struct Associated
    {
        int halfPoints = -1;
        int bold = -1;
        int italic = -1;
    };
    Associated cjk;
    Associated rtl;
    int rtlFont = -1;
    int doubleByteFont = -1; // \af (or \f) given after \dbch
    CharClass charClass = CharClass::Low;
    bool rightToLeft = false;
};

struct GroupState
{
    Destination destination = Destination::Body;
    Destination beforeUpr = Destination::Body; // where \ud sends the text of an \upr group
    CharProps chars;
    ParagraphStyle paragraph;
    bool inTable = false; // \intbl
    int nesting = 1;      // \itapN: the table level of the paragraph when inTable
    bool nestedRow = false; // inside {\*\nesttableprops}: row words describe the nested row
    int unicodeSkip = 1;  // \ucN
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
        m_bytes.resize(0);
    }

private:
    void decodeBytes()
    {
        if (m_bytes.isEmpty())
            return;
        // ASCII, the bulk of most files, reads the same in every code page.
        if (m_codePage != codepage::SymbolFont && m_codePage != codepage::PrivateFont &&
            std::all_of(m_bytes.cbegin(), m_bytes.cend(), [](char c) { return uchar(c) < 0x80; }))
            m_text.append(QLatin1StringView(m_bytes));
        else
            m_text.append(m_decoder.decode(m_codePage, m_bytes));
        m_bytes.resize(0); // keeps its room for the next run
    }

    static bool needsSanitizing(const QString &text)
    {
        for (const QChar c : text) {
            const char16_t ch = c.unicode();
            if ((ch >= 0x20 && ch < 0x7F) || ch == u'\t')
                continue;
            if (ch < 0xA0 || QChar::isSurrogate(ch) || ch == 0x2029 || ch == 0xFDD0 || ch == 0xFDD1 || ch == 0xFFFC ||
                ch == 0xFEFF)
                return true;
        }
        return false;
    }

    static void sanitize(QString &text)
    {
        if (!needsSanitizing(text))
            return;
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

/// Characters that word processors set in the font for East Asian text: CJK ideographs,
/// kana, Hangul, their punctuation and full-width forms (and characters beyond the BMP).
bool isCjk(char16_t ch)
{
    return (ch >= 0x1100 && ch <= 0x11FF) || (ch >= 0x2E80 && ch <= 0xA4CF) || (ch >= 0xA960 && ch <= 0xA97F) ||
           (ch >= 0xAC00 && ch <= 0xDFFF) || (ch >= 0xF900 && ch <= 0xFAFF) || (ch >= 0xFE30 && ch <= 0xFE4F) ||
           (ch >= 0xFF00 && ch <= 0xFFEF);
}

class Parser
{
public:
    Parser(QByteArrayView data, Sink &sink)
        : m_data(data)
        , m_tokens(data)
        , m_sink(sink)
        , m_text(m_decoder)
        , m_fontName(m_decoder)
        , m_noteText(m_decoder)
    {
        m_stack.reserve(Reader::MaxDepth + 1);
        m_stack.push_back(GroupState());
        m_colors.reserve(16);
    }

    /// The document's own group, whose brace the caller has passed.
    void openDocument() { openGroup(); }
    void run();

private:
    void finish();
    GroupState &state() { return m_stack.back(); }
    int depth() const { return int(m_stack.size()) - 1 + m_overflow; }

    void openGroup();
    void closeGroup();
    void skipGroup();
    void keepGroup(); // skips the group a header or footer word opens, keeping its bytes
    // Skips the group the word opens, giving its bytes; counted groups share the headers' bounds.
    std::optional<QByteArrayView> takeGroup(bool counted);

    // Footnotes and comments (the sink gets their content between noteStart() and noteEnd()).
    void startNote(bool comment);
    void endNote();
    void startNoteText(NoteField field);
    void commitNoteText();
    void footnoteMark();
    void controlWord(const Token &token);
    void controlSymbol(char symbol, bool groupStart);
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
    QString fontFamily(int font) const;
    int codePageOfEntry() const;
    int documentCodePage() const { return codepage::isSupported(m_ansiCodePage) ? m_ansiCodePage : 1252; }
    void beforeContent();
    void placeInTable(); // opens or ends the table the next content belongs to
    void flushText();
    void paragraphEnd();
    void startPicture(Destination dest);
    void finishPicture();
    void flushPendingPicture();
    bool pictureControlWord(Op op, const ControlWord &word, bool has, std::int32_t param);

    // Tables. Levels count from 1, the outermost table; m_levels holds one entry per table the
    // sink has open.
    struct TableLevel
    {
        bool inRow = false;
    };
    int paragraphLevel() const;
    int openLevels() const { return int(m_levels.size()); }
    RowDefinition &rowDefinition(int level) { return m_rowDefinitions[std::size_t(level - 1)]; }
    RowDefinition &definedRow(); // the row the row words describe now
    void openRowsTo(int level);
    void closeTablesTo(int level);
    void startRow(int level);
    void endRow();
    void endTable();
    void cellEnd(int level);
    void rowEnd(int level);
    CellBorder *borderTarget();

    QByteArrayView m_data;
    Tokenizer m_tokens;
    Sink &m_sink;
    codepage::Decoder m_decoder;
    TextBuffer m_text;

    std::vector<GroupState> m_stack;
    int m_overflow = 0;       // groups deeper than MaxDepth, followed for balance only
    // \* seen: as a group's first word it marks a destination, skipped when unknown; anywhere
    // else only the next control word is ignored.
    bool m_ignorable = false;
    bool m_ignorableOpensGroup = false;
    bool m_groupStart = false; // the last token opened a group
    bool m_wordOpensGroup = false; // the control word being read follows "{" (or "{\*")
    qsizetype m_groupOpenAt = 0;   // offset of the last "{"
    int m_keptGroups = 0;
    qsizetype m_keptBytes = 0;
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
    TextStyle m_cjkStyle;    // formatting of the CJK characters of that text
    TextStyle m_bufferStyle; // formatting of the text in m_text
    TextStyle m_bufferCjkStyle;
    int m_codePage = 1252;
    // The row definitions in force (\trowd ... \cellx), per level: a nested row's comes in
    // {\*\nesttableprops} at its end, the outer row's usually before its cells.
    std::array<RowDefinition, Reader::MaxTableNesting> m_rowDefinitions;
    std::vector<TableLevel> m_levels;
    CellDefinition m_cell;      // the cell being defined, up to its \cellx
    int m_borderTarget = -1;    // BorderSide the border words describe, -1 = none of ours
    bool m_borderOfCell = false;

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

    int m_noteDepth = -1; // group depth of the note being read; -1 = none
    NoteInfo m_note;
    int m_notesRead = 0;
    int m_footnotes = 0;
    int m_comments = 0;
    QString m_commentInitials; // \atnid and \atnauthor before the \annotation they belong to
    QString m_commentAuthor;
    int m_noteTextDepth = -1; // group depth of the NoteText group being read
    NoteField m_noteField = NoteField::Initials;
    TextBuffer m_noteText;
    qsizetype m_noteTextBytes = 0;
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
        const bool groupStart = m_groupStart;
        m_groupStart = token.type == Token::Type::GroupOpen;
        switch (token.type) {
        case Token::Type::GroupOpen:
            m_groupOpenAt = m_tokens.position() - 1;
            openGroup();
            break;
        case Token::Type::GroupClose:
            closeGroup();
            break;
        case Token::Type::ControlWord:
            m_wordOpensGroup = groupStart || (m_ignorable && m_ignorableOpensGroup);
            controlWord(token);
            break;
        case Token::Type::ControlSymbol:
            controlSymbol(token.symbol, groupStart);
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
    if (m_noteDepth >= 0)
        endNote();
    flushPendingPicture();
    flushText();
    syncStyle();
    closeTablesTo(0);
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
    if (m_noteTextDepth == closing)
        commitNoteText();
    if (m_noteDepth == closing)
        endNote();
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

std::optional<QByteArrayView> Parser::takeGroup(bool counted)
{
    // Only a group the word opens can be kept whole; one cut short by the end of the input is
    // dropped, as it could not be written back.
    const bool whole = m_wordOpensGroup && m_overflow == 0 && state().destination == Destination::Body;
    const qsizetype start = m_groupOpenAt;
    const int before = depth();
    skipGroup();
    if (!whole || m_done || depth() >= before)
        return std::nullopt;
    const QByteArrayView raw = m_data.sliced(start, m_tokens.position() - start);
    if (!isWholeGroup(raw))
        return std::nullopt;
    if (counted) {
        if (m_keptGroups >= MaxKeptGroups || m_keptBytes + raw.size() > MaxKeptBytes)
            return std::nullopt;
        ++m_keptGroups;
        m_keptBytes += raw.size();
    }
    return raw;
}

void Parser::keepGroup()
{
    if (const std::optional<QByteArrayView> raw = takeGroup(true))
        m_sink.keptGroup(*raw);
}

void Parser::startNote(bool comment)
{
    // The note's anchor is content of the text around it.
    beforeContent();
    flushText();
    m_note = NoteInfo();
    if (comment) {
        m_note.kind = NoteKind::Comment;
        m_note.number = ++m_comments;
        m_note.initials = m_commentInitials;
        m_note.author = m_commentAuthor;
    } else {
        m_note.number = ++m_footnotes;
    }
    m_commentInitials.clear();
    m_commentAuthor.clear();
    m_noteDepth = depth();
    ++m_notesRead;
    m_sink.noteStart(m_note);
}

void Parser::endNote()
{
    flushPendingPicture();
    flushText();
    syncStyle();
    m_noteDepth = -1;
    m_sink.noteEnd(m_note, state().paragraph, m_style);
}

void Parser::startNoteText(NoteField field)
{
    state().destination = Destination::NoteText;
    m_noteField = field;
    m_noteTextDepth = depth();
    m_noteText.clear();
    m_noteTextBytes = 0;
}

void Parser::commitNoteText()
{
    m_noteTextDepth = -1;
    QString value = m_noteText.take().trimmed();
    value.truncate(256);
    const bool inNote = m_noteDepth >= 0;
    switch (m_noteField) {
    // Initials and author come before the comment they name (the comment's marker shows them).
    case NoteField::Initials:
        m_commentInitials = value;
        break;
    case NoteField::Author:
        m_commentAuthor = value;
        break;
    case NoteField::Reference:
        if (inNote)
            m_note.reference = value;
        break;
    case NoteField::RangeStart:
    case NoteField::RangeEnd:
        if (!inNote && !value.isEmpty()) {
            flushPendingPicture();
            flushText();
            m_sink.commentRange(m_noteField == NoteField::RangeStart, value);
        }
        break;
    }
}

void Parser::footnoteMark()
{
    // Inside a footnote its own number, in the text the number of the footnote that follows.
    const int number = m_noteDepth >= 0 && !m_note.isComment() ? m_note.number : m_footnotes + 1;
    beforeContent();
    flushText();
    m_sink.noteNumber(QString::number(number), m_style);
}

void Parser::controlWord(const Token &token)
{
    const bool ignorable = m_ignorable;
    m_ignorable = false;
    const ControlWord *word = token.word.empty() ? nullptr : findControlWord(token.word);
    GroupState &st = state();
    if (ignorable && !m_ignorableOpensGroup)
        return; // "\*" inside a group: that word alone is ignored
    if (!word) {
        // AbiWord writes the author's name straight after the word: "\atnauthorAnn Lee".
        constexpr std::string_view Author = "atnauthor";
        if (ignorable && st.destination == Destination::Body && token.word.size() > Author.size() &&
            token.word.substr(0, Author.size()) == Author) {
            startNoteText(NoteField::Author);
            const std::string_view rest = token.word.substr(Author.size());
            m_noteText.addBytes(QByteArrayView(rest.data(), qsizetype(rest.size())), documentCodePage());
            if (!token.hasParameter && m_tokens.position() > 0 && m_data[m_tokens.position() - 1] == ' ')
                m_noteText.addBytes(" ", documentCodePage());
            return;
        }
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
    case Op::Field:
        break; // a field's result is shown as the text it holds
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
    case Op::KeptGroup:
        keepGroup();
        return;
    case Op::Note:
        if (dest != Destination::Body) {
            skipGroup();
            return;
        }
        // A note inside a note, or one beyond the bound, is read as text where it stands.
        if (m_noteDepth < 0 && m_overflow == 0 && depth() >= 2 && m_notesRead < MaxNotes)
            startNote(word->argument == 1);
        break;
    case Op::NoteText:
        if (dest != Destination::Body || m_noteTextDepth >= 0) {
            skipGroup();
            return;
        }
        startNoteText(NoteField(word->argument));
        break;
    case Op::NoteKept:
        // A comment's date and the like: small groups, a few per comment.
        if (m_noteDepth >= 0 && m_note.isComment() && m_note.kept.size() < 8) {
            if (const std::optional<QByteArrayView> raw = takeGroup(false); raw && raw->size() <= 4096)
                m_note.kept.append(raw->toByteArray());
        } else {
            skipGroup();
        }
        return;
    case Op::Endnote:
        if (m_noteDepth >= 0 && m_note.kind == NoteKind::Footnote)
            m_note.kind = NoteKind::Endnote;
        break;
    case Op::FootnoteMark:
        if (dest == Destination::Body)
            footnoteMark();
        break;
    case Op::AnnotationMark:
        break; // the comment's own marker stands where the comment does
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
            if (st.chars.charClass == CharClass::Double)
                st.chars.doubleByteFont = st.chars.font; // "\dbch\f13": the font of the CJK text
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
    case Op::Hidden:
        st.chars.hidden = on;
        styleChanged();
        break;
    case Op::AssocFont:
        if (st.chars.rightToLeft)
            st.chars.rtlFont = has ? param : 0;
        else if (st.chars.charClass == CharClass::Double)
            st.chars.doubleByteFont = has ? param : 0;
        styleChanged(); // \af after \loch or \hich names a Latin font: \f has said it
        break;
    case Op::AssocSize:
        (st.chars.rightToLeft ? st.chars.rtl : st.chars.cjk).halfPoints =
            (has && param > 0) ? clampInt(param, MinHalfPoints, MaxHalfPoints) : 24;
        styleChanged();
        break;
    case Op::AssocBold:
        (st.chars.rightToLeft ? st.chars.rtl : st.chars.cjk).bold = on ? 1 : 0;
        styleChanged();
        break;
    case Op::AssocItalic:
        (st.chars.rightToLeft ? st.chars.rtl : st.chars.cjk).italic = on ? 1 : 0;
        styleChanged();
        break;
    case Op::CharClass:
        st.chars.charClass = CharClass(word->argument);
        styleChanged();
        break;
    case Op::Direction:
        st.chars.rightToLeft = word->argument != 0;
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
        st.inTable = false;
        st.nesting = 1;
        break;
    case Op::InTable:
        st.inTable = true;
        break;
    case Op::TableLevel:
        st.inTable = has && param > 0;
        st.nesting = st.inTable ? clampInt(param, 1, Reader::MaxTableNesting) : 1;
        break;
    case Op::NestedRowProperties:
        st.nestedRow = true;
        break;
    case Op::RowDefaults:
        definedRow() = RowDefinition();
        m_cell = CellDefinition();
        m_borderTarget = -1;
        break;
    case Op::RowGap:
        definedRow().gap = clampInt(param, 0, MaxTwips);
        break;
    case Op::RowLeft:
        definedRow().left = clampInt(param, -MaxTwips, MaxTwips);
        break;
    case Op::CellRight:
        if (RowDefinition &row = definedRow(); row.cells.size() < MaxTableColumns) {
            m_cell.right = clampInt(param, -MaxTwips, MaxTwips);
            row.cells.append(m_cell);
        }
        m_cell = CellDefinition();
        m_borderTarget = -1;
        break;
    case Op::CellBorderSide:
        m_borderTarget = word->argument;
        m_borderOfCell = true;
        break;
    case Op::OtherBorder:
        m_borderTarget = -1;
        break;
    case Op::BorderStyle:
        if (CellBorder *border = borderTarget()) {
            if (word->argument == 0)
                *border = CellBorder();
            else if (border->width == 0)
                border->width = 15; // a line of no stated width: one pixel
        }
        break;
    case Op::BorderWidth:
        if (CellBorder *border = borderTarget())
            border->width = clampInt(param, 15, 300); // thinner lines are drawn one pixel wide
        break;
    case Op::BorderColor:
        if (CellBorder *border = borderTarget()) {
            if (has && param > 0 && param < m_colors.size() && m_colors.at(param)) {
                border->hasColor = true;
                border->color = *m_colors.at(param);
            }
        }
        break;
    case Op::CellPadding:
        // Word's and LibreOffice's cell margins; one padding for the whole table is kept.
        definedRow().gap = std::max(definedRow().gap, clampInt(param, 0, MaxTwips));
        break;
    case Op::CellShading:
        if (has && param > 0 && param < m_colors.size() && m_colors.at(param)) {
            m_cell.hasBackground = true;
            m_cell.background = *m_colors.at(param);
        }
        break;
    case Op::CellMergeFirst:
        m_cell.mergeFirst = true;
        break;
    case Op::CellMerged:
        m_cell.merged = true;
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
        if (dest == Destination::Body && m_noteDepth >= 0) {
            paragraphEnd();
        } else if (dest == Destination::Body) {
            placeInTable();
            paragraphEnd();
        }
        break;
    case Op::Line:
        character(0x2028);
        break;
    case Op::Tab:
        character(u'\t');
        break;
    case Op::Cell:
        // \cell ends a cell of the outermost table, \nestcell one of the paragraph's level.
        if (dest == Destination::Body && m_noteDepth >= 0)
            paragraphEnd(); // a note's table is read as its paragraphs
        else if (dest == Destination::Body)
            cellEnd(word->argument != 0 ? std::max(paragraphLevel(), 1) : 1);
        break;
    case Op::Row:
        if (dest == Destination::Body && m_noteDepth < 0)
            rowEnd(word->argument != 0 ? std::max(paragraphLevel(), 2) : 1);
        break;
    case Op::Char:
        character(char16_t(word->argument));
        break;
    }
}

void Parser::controlSymbol(char symbol, bool groupStart)
{
    switch (symbol) {
    case '*':
        m_ignorable = true;
        m_ignorableOpensGroup = groupStart;
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
    case Destination::NoteText:
        if (m_noteTextBytes < 1024) {
            m_noteText.addBytes(bytes.first(std::min<qsizetype>(bytes.size(), 1024)), documentCodePage());
            m_noteTextBytes += bytes.size();
        }
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
    case Destination::NoteText:
        if (m_noteTextBytes++ < 1024)
            m_noteText.addBytes(QByteArrayView(&c, 1), m_codePage);
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
    case Destination::NoteText:
        if (m_noteTextBytes++ < 1024)
            m_noteText.addChar(ch);
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
    style.family = fontFamily(font);
    style.halfPoints = chars.halfPoints;
    style.bold = chars.bold;
    style.italic = chars.italic;
    style.hidden = chars.hidden;
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
    // The associated properties, where the file gives them, govern right-to-left text as a
    // whole and, after \dbch, the CJK characters of the text (its Latin characters keep the
    // regular ones, as word processors show them).
    const auto associated = [](TextStyle result, const CharProps::Associated &given) {
        if (given.halfPoints > 0)
            result.halfPoints = given.halfPoints;
        if (given.bold >= 0)
            result.bold = given.bold != 0;
        if (given.italic >= 0)
            result.italic = given.italic != 0;
        return result;
    };
    m_codePage = codePageOfFont(font);
    if (chars.rightToLeft) {
        style = associated(style, chars.rtl);
        if (chars.rtlFont >= 0) {
            style.family = fontFamily(chars.rtlFont);
            m_codePage = codePageOfFont(chars.rtlFont);
        }
        m_cjkStyle = style;
    } else if (chars.charClass == CharClass::Double) {
        m_cjkStyle = associated(style, chars.cjk);
        if (chars.doubleByteFont >= 0) {
            m_cjkStyle.family = fontFamily(chars.doubleByteFont);
            m_codePage = codePageOfFont(chars.doubleByteFont);
        }
    } else {
        m_cjkStyle = style;
    }
    m_style = style;
}

QString Parser::fontFamily(int font) const
{
    const auto it = m_fonts.constFind(font);
    return it != m_fonts.constEnd() ? it.value().name : QString();
}

void Parser::beforeContent()
{
    flushPendingPicture();
    placeInTable();
    syncStyle();
}

int Parser::paragraphLevel() const
{
    const GroupState &st = m_stack.back();
    return st.inTable ? st.nesting : 0;
}

RowDefinition &Parser::definedRow()
{
    const GroupState &st = state();
    return rowDefinition(st.nestedRow ? std::max(paragraphLevel(), 2) : 1);
}

void Parser::placeInTable()
{
    if (m_noteDepth >= 0)
        return; // a note's content is not the table's
    const int level = paragraphLevel();
    closeTablesTo(level);
    openRowsTo(level);
}

void Parser::openRowsTo(int level)
{
    // A level skipped (\itap3 right after a level-1 paragraph) gets a table of its own, so
    // that the content keeps its depth.
    for (int l = 1; l <= level; ++l) {
        if (l > openLevels() || !m_levels[std::size_t(l - 1)].inRow)
            startRow(l);
    }
}

void Parser::closeTablesTo(int level)
{
    while (openLevels() > level)
        endTable();
}

void Parser::startRow(int level)
{
    flushPendingPicture();
    flushText();
    if (level > openLevels())
        m_levels.emplace_back();
    m_levels[std::size_t(level - 1)].inRow = true;
    // A row start while the enclosing row is open opens a table in its next cell.
    m_sink.rowStart(rowDefinition(level));
}

void Parser::endRow()
{
    flushPendingPicture();
    flushText();
    m_levels.back().inRow = false;
    m_sink.rowEnd(rowDefinition(openLevels()));
}

void Parser::endTable()
{
    flushPendingPicture();
    flushText();
    if (m_levels.back().inRow)
        endRow();
    // A nested table's rows define themselves at their ends: the next table at that level
    // starts from nothing rather than from this one's columns.
    if (openLevels() > 1)
        rowDefinition(openLevels()) = RowDefinition();
    m_levels.pop_back();
    m_sink.tableEnd();
}

void Parser::cellEnd(int level)
{
    closeTablesTo(level);
    openRowsTo(level);
    flushPendingPicture();
    flushText();
    syncStyle();
    m_sink.cellEnd(state().paragraph, m_style);
}

void Parser::rowEnd(int level)
{
    if (level > 1 && (level > openLevels() || !m_levels[std::size_t(level - 1)].inRow))
        return; // a \nestrow of a row with no cells: nothing to end
    closeTablesTo(level);
    openRowsTo(level); // a \row with no cells before it is an empty row
    endRow();
}

CellBorder *Parser::borderTarget()
{
    if (m_borderTarget < 0 || !m_borderOfCell)
        return nullptr;
    switch (BorderSide(m_borderTarget)) {
    case BorderSide::Left:
        return &m_cell.left;
    case BorderSide::Top:
        return &m_cell.top;
    case BorderSide::Right:
        return &m_cell.rightBorder;
    case BorderSide::Bottom:
        return &m_cell.bottom;
    }
    return nullptr;
}

void Parser::syncStyle()
{
    if (!m_styleDirty)
        return;
    refreshStyle();
    if (!(m_style == m_bufferStyle) || !(m_cjkStyle == m_bufferCjkStyle)) {
        flushText(); // the text so far keeps the formatting it was added with
        m_bufferStyle = m_style;
        m_bufferCjkStyle = m_cjkStyle;
    }
}

void Parser::flushText()
{
    if (m_text.isEmpty())
        return;
    const QString text = m_text.take();
    if (text.isEmpty())
        return;
    if (m_bufferCjkStyle == m_bufferStyle) {
        m_sink.text(text, m_bufferStyle);
        return;
    }
    // Runs of CJK and of other characters, each in its own formatting; blanks and punctuation
    // go with the run they stand in.
    const auto neutral = [](QChar c) { return c.isSpace() || c.isPunct(); };
    qsizetype start = 0;
    bool cjk = isCjk(text.at(0).unicode());
    for (qsizetype i = 1; i <= text.size(); ++i) {
        const bool next = i < text.size() ? (neutral(text.at(i)) ? cjk : isCjk(text.at(i).unicode())) : !cjk;
        if (next != cjk) {
            m_sink.text(text.sliced(start, i - start), cjk ? m_bufferCjkStyle : m_bufferStyle);
            start = i;
            cjk = next;
        }
    }
}

void Parser::paragraphEnd()
{
    flushPendingPicture();
    flushText();
    syncStyle();
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
    placeInTable();
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
    if (i >= data.size() || data[i] != '{')
        return false;
    ++i;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("\\rtf");
}

bool Reader::read(QByteArrayView data, Sink &sink)
{
    if (!isRtf(data))
        return false;
    // Blanks and line breaks between "{" and "\\rtf", which office software accepts too.
    qsizetype start = data.indexOf('{') + 1;
    while (start < data.size() && (data[start] == ' ' || data[start] == '\t' || data[start] == '\r' || data[start] == '\n'))
        ++start;
    Parser parser(data.sliced(start), sink);
    parser.openDocument();
    parser.run();
    return true;
}

} // namespace rtf
