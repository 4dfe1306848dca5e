#include "profile.h"

#include "ansicodec.h"
#include "filelock.h"
#include "files.h"
#include "numbers.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <optional>

namespace profile {
namespace {

// Long enough for any writer's turn, short enough that a window never freezes for long.
constexpr int LockWaitMs = 8000;

// The one trimming rule for names and values, on reading and on writing alike: blanks and
// tabs. Neither byte occurs inside a multi-byte character of any supported code page, so
// trimming the bytes and trimming the decoded text agree.
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

QByteArrayView trimBlanks(QByteArrayView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

QString folded(QStringView name)
{
    return trimBlanks(name).toString().toCaseFolded();
}

QString sanitized(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c == u'\r' || c == u'\n' || c == QChar(0))
            c = u' ';
    }
    return out;
}

QString unquoted(QStringView value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.sliced(1, value.size() - 2).toString();
    }
    return value.toString();
}

bool isAscii(QByteArrayView b)
{
    for (const char c : b) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

/// Decodes one piece of a file (a name or a value) at a time. Every piece starts from a fresh
/// state: an unfinished character at the end of one piece (a cut value, a damaged line) must
/// not swallow the start of the next.
class PieceDecoder
{
public:
    QString decode(QByteArrayView b)
    {
        // Most pieces are plain ASCII, which every supported code page maps alike.
        if (isAscii(b))
            return QString::fromLatin1(b);
        if (!m_decoder) {
            m_decoder.emplace(ansi::codePageName().toLatin1().constData());
            if (!m_decoder->isValid())
                m_decoder.reset();
        }
        if (!m_decoder)
            return QString::fromUtf8(b);
        m_decoder->resetState();
        return m_decoder->decode(b);
    }

private:
    std::optional<QStringDecoder> m_decoder;
};

/// A section or key name as looked up: folded once, with its ASCII bytes when it has no other
/// characters, so that the usual all-ASCII names of a file compare without decoding.
struct Name
{
    explicit Name(QStringView name)
        : folded(profile::folded(name))
    {
        for (const QChar c : folded) {
            if (c.unicode() >= 0x80) {
                ascii = false;
                break;
            }
        }
        if (ascii)
            latin1 = folded.toLatin1();
    }

    /// Whether a name as it stands in the file (blanks around it allowed) is this name.
    bool matches(QByteArrayView raw, PieceDecoder &decoder) const
    {
        if (isAscii(raw)) {
            if (!ascii) // no ASCII text folds to a name with other characters
                return false;
            const QByteArrayView t = trimBlanks(raw);
            return t.size() == latin1.size() && qstrnicmp(t.data(), t.size(), latin1.constData(), latin1.size()) == 0;
        }
        return profile::folded(decoder.decode(raw)) == folded;
    }

    QString folded;
    QByteArray latin1;
    bool ascii = true;
};

enum class Kind : quint8 { Blank, Comment, Header, Entry, Other };

/// Splits bytes into lines ended by CRLF, LF or CR (the last line may lack an ending).
class LineSplitter
{
public:
    explicit LineSplitter(QByteArrayView bytes, qsizetype start = 0)
        : m_bytes(bytes)
        , m_pos(start)
    {
    }

    /// The next line's start, length and ending length; false at the end.
    bool next(qsizetype &begin, qsizetype &size, quint8 &ending)
    {
        const qsizetype n = m_bytes.size();
        if (m_pos >= n)
            return false;
        // Each search result is kept until passed, so files of one line ending or the other
        // are scanned once, not once per line.
        if (m_nextLf < m_pos)
            m_nextLf = find('\n');
        if (m_nextCr < m_pos)
            m_nextCr = find('\r');
        const qsizetype end = std::min(m_nextLf, m_nextCr);
        begin = m_pos;
        size = end - m_pos;
        if (end >= n)
            ending = 0;
        else if (m_bytes[end] == '\r' && end + 1 < n && m_bytes[end + 1] == '\n')
            ending = 2;
        else
            ending = 1;
        m_pos = end + ending;
        return true;
    }

private:
    qsizetype find(char c) const
    {
        const void *hit = std::memchr(m_bytes.data() + m_pos, c, static_cast<size_t>(m_bytes.size() - m_pos));
        return hit ? static_cast<const char *>(hit) - m_bytes.data() : m_bytes.size();
    }

    QByteArrayView m_bytes;
    qsizetype m_pos;
    qsizetype m_nextLf = -1;
    qsizetype m_nextCr = -1;
};

/// What a line is; for an entry, eq receives the offset of its first '='; for a header, eq
/// receives the offset just after its '['.
Kind classify(QByteArrayView line, qsizetype &eq)
{
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (i == line.size())
        return Kind::Blank;
    if (line[i] == ';')
        return Kind::Comment;
    if (line[i] == '[') {
        eq = i + 1;
        return Kind::Header;
    }
    // '=' never occurs inside a multi-byte character of a supported code page.
    eq = line.indexOf('=');
    return eq >= 0 ? Kind::Entry : Kind::Other;
}

/// A header's name as it stands: from after the '[' to the first ']', or to the line's end.
/// In a multi-byte code page ']' can be the second byte of a character, so a line that is not
/// plain ASCII is searched as text.
QString headerName(QByteArrayView afterBracket, PieceDecoder &decoder)
{
    if (isAscii(afterBracket)) {
        const qsizetype close = afterBracket.indexOf(']');
        return QString::fromLatin1(close < 0 ? afterBracket : afterBracket.first(close));
    }
    const QString text = decoder.decode(afterBracket);
    const qsizetype close = text.indexOf(u']');
    return close < 0 ? text : text.left(close);
}

bool headerMatches(QByteArrayView afterBracket, const Name &name, PieceDecoder &decoder)
{
    if (isAscii(afterBracket)) {
        const qsizetype close = afterBracket.indexOf(']');
        return name.matches(close < 0 ? afterBracket : afterBracket.first(close), decoder);
    }
    return folded(headerName(afterBracket, decoder)) == name.folded;
}

QString valueOf(QByteArrayView line, qsizetype eq, PieceDecoder &decoder)
{
    return trimBlanks(decoder.decode(trimBlanks(line.sliced(eq + 1)))).toString();
}

constexpr qsizetype BomSize = 3;

qsizetype contentStart(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? BomSize : 0;
}

/// One read straight from the file's bytes: the first entry of the key in the first section of
/// that name, found without building anything for the rest of the file.
std::optional<QString> scanValue(QByteArrayView bytes, const QString &section, const QString &key)
{
    const Name sectionName(section);
    const Name keyName(key);
    PieceDecoder decoder;
    LineSplitter lines(bytes, contentStart(bytes));
    qsizetype begin = 0;
    qsizetype size = 0;
    quint8 ending = 0;
    bool inSection = false;
    while (lines.next(begin, size, ending)) {
        const QByteArrayView line = bytes.sliced(begin, size);
        qsizetype eq = -1;
        const Kind kind = classify(line, eq);
        if (kind == Kind::Header) {
            if (inSection)
                return std::nullopt; // only the first section of a name counts
            inSection = headerMatches(line.sliced(eq), sectionName, decoder);
        } else if (inSection && kind == Kind::Entry && keyName.matches(line.first(eq), decoder)) {
            return valueOf(line, eq, decoder);
        }
    }
    return std::nullopt;
}

struct Line
{
    qsizetype begin = 0; // into the document's source bytes, unless edited
    qsizetype size = 0;
    QByteArray edited;   // the line's bytes once a write changed or added it
    qsizetype eq = -1;   // entries: offset of the '='
    quint8 ending = 0;   // length of "\r\n", "\n" or "\r"; 0 for an unterminated last line
    bool isEdited = false;
    Kind kind = Kind::Other;
};

struct Section
{
    QString name; // folded; empty for the lines before the first header
    QList<Line> lines;
    qsizetype lastContent = -1; // index of the last non-blank line
    qsizetype entries = 0;
    // Folded key -> index of its first entry; built once a section is looked up often enough
    // that folding every key pays (a snapshot, a batch), so a single read or write never does.
    mutable QHash<QString, qsizetype> keys;
    mutable bool indexed = false;
    mutable int lookups = 0;
};

constexpr int LookupsBeforeIndex = 4;

/// The first of several equal names wins.
void insertFirst(QHash<QString, qsizetype> &index, const QString &name, qsizetype at)
{
    if (!index.contains(name))
        index.insert(name, at);
}

/// A parsed profile file that can be edited and written back byte for byte. Lines refer to the
/// source bytes until a write changes them; names and values are decoded only when asked for.
class Document
{
public:
    explicit Document(const QByteArray &bytes)
        : m_source(bytes)
    {
        parse();
    }

    /// The first entry of the key in the first section of that name, or null.
    const Line *findEntry(const QString &section, const QString &key) const
    {
        const qsizetype s = findSection(folded(section));
        if (s < 0)
            return nullptr;
        const qsizetype i = findKey(m_sections[s], Name(key));
        return i < 0 ? nullptr : &m_sections[s].lines[i];
    }

    QString valueOf(const Line &line) const { return profile::valueOf(bytesOf(line), line.eq, m_decoder); }

    void write(const QString &sectionName, const QString &keyName, const QString &valueText)
    {
        const QString section = trimBlanks(sanitized(sectionName)).toString();
        const QString key = trimBlanks(sanitized(keyName)).toString();
        const QByteArray value = ansi::encode(sanitized(valueText));
        const qsizetype sectionIndex = findSection(folded(section));
        if (sectionIndex < 0) {
            appendSection(section, key, value);
            return;
        }
        Section &s = m_sections[sectionIndex];
        const Name name(key);
        if (const qsizetype i = findKey(s, name); i >= 0) {
            Line &line = s.lines[i];
            const QByteArray replaced = bytesOf(line).first(line.eq + 1).toByteArray() + value;
            line.edited = replaced;
            line.isEdited = true;
            return;
        }
        Line entry = newEntry(key, value);
        // Indexed sections always start with their header line.
        const qsizetype anchor = s.lastContent >= 0 ? s.lastContent : 0;
        Line &before = s.lines[anchor];
        if (before.ending == 0)
            before.ending = 2;
        else
            entry.ending = 2;
        // Only blank lines follow the anchor, so no stored index moves.
        s.lines.insert(anchor + 1, entry);
        if (s.indexed)
            s.keys.insert(name.folded, anchor + 1);
        s.lastContent = anchor + 1;
        ++s.entries;
    }

    bool removeSection(const QString &sectionName)
    {
        const QString name = folded(sectionName);
        bool removed = false;
        for (qsizetype i = m_sections.size() - 1; i >= 1; --i) {
            if (m_sections.at(i).name == name) {
                m_sections.removeAt(i);
                removed = true;
            }
        }
        if (removed)
            reindex();
        return removed;
    }

    bool hasEntries() const
    {
        for (const Section &s : m_sections) {
            if (s.entries > 0)
                return true;
        }
        return false;
    }

    QByteArray bytes() const
    {
        QByteArray out;
        out.reserve(m_source.size() + 256);
        out += m_bom;
        for (const Section &s : m_sections) {
            for (const Line &line : s.lines) {
                out += bytesOf(line);
                if (line.ending == 2)
                    out += "\r\n";
                else if (line.ending == 1) // a lone LF or CR, as the source had it
                    out += m_source.at(line.begin + line.size);
            }
        }
        return out;
    }

private:
    QByteArrayView bytesOf(const Line &line) const
    {
        return line.isEdited ? QByteArrayView(line.edited) : QByteArrayView(m_source).sliced(line.begin, line.size);
    }

    qsizetype findSection(const QString &foldedName) const
    {
        const auto it = m_sectionIndex.constFind(foldedName);
        return it == m_sectionIndex.cend() ? -1 : *it;
    }

    qsizetype findKey(const Section &s, const Name &name) const
    {
        if (!s.indexed && ++s.lookups > LookupsBeforeIndex) {
            for (qsizetype i = 0; i < s.lines.size(); ++i) {
                const Line &line = s.lines[i];
                if (line.kind == Kind::Entry)
                    insertFirst(s.keys, folded(m_decoder.decode(bytesOf(line).first(line.eq))), i);
            }
            s.indexed = true;
        }
        if (s.indexed)
            return s.keys.value(name.folded, -1);
        for (qsizetype i = 0; i < s.lines.size(); ++i) {
            const Line &line = s.lines[i];
            if (line.kind == Kind::Entry && name.matches(bytesOf(line).first(line.eq), m_decoder))
                return i;
        }
        return -1;
    }

    Line newEntry(const QString &key, const QByteArray &value) const
    {
        Line entry;
        const QByteArray encodedKey = ansi::encode(key);
        entry.edited = encodedKey + '=' + value;
        entry.isEdited = true;
        entry.eq = encodedKey.size();
        entry.kind = Kind::Entry;
        return entry;
    }

    void reindex()
    {
        m_sectionIndex.clear();
        for (qsizetype i = 1; i < m_sections.size(); ++i)
            insertFirst(m_sectionIndex, m_sections.at(i).name, i);
    }

    void appendSection(const QString &section, const QString &key, const QByteArray &value)
    {
        // Make sure the file's last line is terminated before the new header.
        for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
            if (!it->lines.isEmpty()) {
                Line &last = it->lines.last();
                if (last.ending == 0 && !bytesOf(last).isEmpty())
                    last.ending = 2;
                break;
            }
        }
        Section s;
        s.name = folded(section);
        Line header;
        header.edited = '[' + ansi::encode(section) + ']';
        header.isEdited = true;
        header.ending = 2;
        header.kind = Kind::Header;
        s.lines.append(header);
        Line entry = newEntry(key, value);
        entry.ending = 2;
        s.lines.append(entry);
        s.lastContent = 1;
        s.entries = 1;
        insertFirst(m_sectionIndex, s.name, m_sections.size());
        m_sections.append(std::move(s));
    }

    void parse()
    {
        const qsizetype start = contentStart(m_source);
        m_bom = m_source.first(start);
        m_sections.append(Section{}); // lines before the first header
        LineSplitter lines(m_source, start);
        Line line;
        while (lines.next(line.begin, line.size, line.ending)) {
            const QByteArrayView text = QByteArrayView(m_source).sliced(line.begin, line.size);
            line.kind = classify(text, line.eq);
            Section *current = &m_sections.last();
            if (line.kind == Kind::Header) {
                Section s;
                s.name = folded(headerName(text.sliced(line.eq), m_decoder));
                s.lines.append(line);
                s.lastContent = 0;
                insertFirst(m_sectionIndex, s.name, m_sections.size());
                m_sections.append(std::move(s));
                continue;
            }
            if (line.kind != Kind::Blank)
                current->lastContent = current->lines.size();
            if (line.kind == Kind::Entry)
                ++current->entries;
            current->lines.append(line);
        }
    }

    QByteArray m_source;
    QByteArray m_bom; // kept in front of the first line on rewrite
    QList<Section> m_sections;
    QHash<QString, qsizetype> m_sectionIndex;
    mutable PieceDecoder m_decoder;
};

QString finishValue(const QString &stored)
{
    return ansi::cutToBytes(unquoted(stored), MaxValueBytes);
}

QByteArray readAll(const QString &path, bool *exists = nullptr)
{
    QByteArray bytes;
    const bool found = files::read(path, bytes);
    if (exists)
        *exists = found;
    return bytes;
}

enum class Edit { Unchanged, Changed };

/// The one way a profile file is changed: under its lock, the file is read afresh, edited in
/// memory and replaced as a whole (a file left without any entry is deleted). A file that is
/// present but cannot be read is never replaced.
template<typename Editor>
bool editLocked(const QString &path, const Editor &edit, Existing existing = Existing::MayCreate)
{
    // An empty path names no file (a name that would lead out of the data tree resolves to
    // one); it must not put a lock file into the current folder.
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.dir().exists())
        return false;
    if (info.exists() && !info.isWritable())
        return false;
    filelock::FileLock lock(path + QStringLiteral(".lck"));
    if (!lock.lock(LockWaitMs))
        return false;
    bool exists = false;
    const QByteArray before = readAll(path, &exists);
    // Seen again under the lock: another writer may have made the file meanwhile.
    if (!exists && (existing == Existing::Required || info.exists() || QFileInfo::exists(path)))
        return false;
    Document doc(before);
    if (edit(doc) == Edit::Unchanged)
        return true;
    // A lock taken over while this writer stalled belongs to another writer now.
    if (!lock.verify())
        return false;
    if (exists && !doc.hasEntries())
        return QFile::remove(path);
    return files::writeAtomically(path, doc.bytes());
}

} // namespace

QString readValue(const QString &path, const QString &section, const QString &key, const QString &defaultValue)
{
    const std::optional<QString> stored = scanValue(readAll(path), section, key);
    return finishValue(stored ? *stored : defaultValue);
}

qint16 readNumber(const QString &path, const QString &section, const QString &key, const QString &defaultValue)
{
    return numbers::readInt16(readValue(path, section, key, defaultValue));
}

QString storedForm(const QString &value)
{
    return finishValue(trimBlanks(ansi::decode(ansi::encode(sanitized(value)))).toString());
}

bool removeSection(const QString &path, const QString &section)
{
    if (!QFileInfo::exists(path))
        return true;
    return editLocked(path, [&section](Document &doc) {
        return doc.removeSection(section) ? Edit::Changed : Edit::Unchanged;
    });
}

bool writeValue(const QString &path, const QString &section, const QString &key, const QString &value)
{
    Batch batch(path);
    batch.write(section, key, value);
    return batch.commit();
}

Batch::Batch(QString path, Existing existing)
    : m_path(std::move(path))
    , m_existing(existing)
{
}

void Batch::write(const QString &section, const QString &key, const QString &value)
{
    m_writes.append({section, key, value});
}

bool Batch::commit()
{
    const QList<Write> writes = std::exchange(m_writes, {});
    if (writes.isEmpty())
        return true;
    return editLocked(
        m_path,
        [&writes](Document &doc) {
            for (const Write &w : writes)
                doc.write(w.section, w.key, w.value);
            return Edit::Changed;
        },
        m_existing);
}

struct Snapshot::Index
{
    bool exists = false;
    Document doc{QByteArray()};
};

Snapshot::Snapshot()
    : d(std::make_unique<Index>())
{
}

Snapshot::Snapshot(const QString &path)
    : Snapshot()
{
    const QByteArray bytes = readAll(path, &d->exists);
    d->doc = Document(bytes);
}

Snapshot Snapshot::fromBytes(const QByteArray &bytes)
{
    Snapshot s;
    s.d->exists = true;
    s.d->doc = Document(bytes);
    return s;
}

Snapshot::Snapshot(Snapshot &&) noexcept = default;
Snapshot &Snapshot::operator=(Snapshot &&) noexcept = default;
Snapshot::~Snapshot() = default;

bool Snapshot::exists() const
{
    return d->exists;
}

QString Snapshot::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const Line *line = d->doc.findEntry(section, key);
    return finishValue(line ? d->doc.valueOf(*line) : defaultValue);
}

qint16 Snapshot::number(const QString &section, const QString &key, const QString &defaultValue) const
{
    return numbers::readInt16(value(section, key, defaultValue));
}

bool Snapshot::contains(const QString &section, const QString &key) const
{
    return d->doc.findEntry(section, key) != nullptr;
}

} // namespace profile
