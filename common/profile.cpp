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

namespace profile {
namespace {

// Long enough for any writer's turn, short enough that a window never freezes for long.
constexpr int LockWaitMs = 8000;

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

enum class Kind { Blank, Comment, Header, Entry, Other };

struct Line
{
    QByteArray bytes;  // the line without its ending
    QByteArray ending; // "\r\n", "\n", "\r" or empty for an unterminated last line
    Kind kind = Kind::Other;
    QString value; // entries only: the value as read, before the 255-byte cut
};

struct Section
{
    QString name; // folded; empty for the lines before the first header
    QList<Line> lines;
    QHash<QString, qsizetype> keys; // folded key -> index of its first entry in lines
    qsizetype lastContent = -1;     // index of the last non-blank line
};

/// A parsed profile file that can be edited and written back byte for byte.
class Document
{
public:
    explicit Document(const QByteArray &bytes) { parse(bytes); }

    const Section *findSection(const QString &section) const
    {
        const auto it = m_sectionIndex.constFind(folded(section));
        return it == m_sectionIndex.cend() ? nullptr : &m_sections[*it];
    }

    const Line *findEntry(const QString &section, const QString &key) const
    {
        const Section *s = findSection(section);
        if (!s)
            return nullptr;
        const auto it = s->keys.constFind(folded(key));
        return it == s->keys.cend() ? nullptr : &s->lines[*it];
    }

    void write(const QString &sectionName, const QString &keyName, const QString &valueText)
    {
        const QString section = sanitized(sectionName).trimmed();
        const QString key = sanitized(keyName).trimmed();
        const QByteArray value = ansi::encode(sanitized(valueText));
        const QString sectionKey = folded(section);
        const QString entryKey = folded(key);

        auto sit = m_sectionIndex.constFind(sectionKey);
        if (sit == m_sectionIndex.cend()) {
            appendSection(section, key, value);
            return;
        }
        Section &s = m_sections[*sit];
        if (const auto kit = s.keys.constFind(entryKey); kit != s.keys.cend()) {
            Line &line = s.lines[*kit];
            const qsizetype eq = line.bytes.indexOf('=');
            line.bytes = line.bytes.left(eq + 1) + value;
            line.value = ansi::decode(value).trimmed();
            return;
        }
        Line entry;
        entry.bytes = ansi::encode(key) + '=' + value;
        entry.kind = Kind::Entry;
        entry.value = ansi::decode(value).trimmed();
        // Indexed sections always start with their header line.
        const qsizetype anchor = s.lastContent >= 0 ? s.lastContent : 0;
        Line &before = s.lines[anchor];
        if (before.ending.isEmpty())
            before.ending = "\r\n";
        else
            entry.ending = "\r\n";
        // Only blank lines follow the anchor, so no stored index moves.
        s.lines.insert(anchor + 1, entry);
        s.keys.insert(entryKey, anchor + 1);
        s.lastContent = anchor + 1;
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
            if (!s.keys.isEmpty())
                return true;
        }
        return false;
    }

    QByteArray bytes() const
    {
        QByteArray out;
        out.reserve(m_size + 64);
        for (const Section &s : m_sections) {
            for (const Line &line : s.lines) {
                out += line.bytes;
                out += line.ending;
            }
        }
        return out;
    }

private:
    void reindex()
    {
        m_sectionIndex.clear();
        for (qsizetype i = 1; i < m_sections.size(); ++i) {
            if (!m_sectionIndex.contains(m_sections.at(i).name))
                m_sectionIndex.insert(m_sections.at(i).name, i);
        }
    }

    void appendSection(const QString &section, const QString &key, const QByteArray &value)
    {
        // Make sure the file's last line is terminated before the new header.
        for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
            if (!it->lines.isEmpty()) {
                Line &last = it->lines.last();
                if (last.ending.isEmpty() && !(last.bytes.isEmpty()))
                    last.ending = "\r\n";
                break;
            }
        }
        Section s;
        s.name = folded(section);
        Line header;
        header.bytes = '[' + ansi::encode(section) + ']';
        header.ending = "\r\n";
        header.kind = Kind::Header;
        s.lines.append(header);
        Line entry;
        entry.bytes = ansi::encode(key) + '=' + value;
        entry.ending = "\r\n";
        entry.kind = Kind::Entry;
        entry.value = ansi::decode(value).trimmed();
        s.lines.append(entry);
        s.keys.insert(folded(key), 1);
        s.lastContent = 1;
        m_sectionIndex.insert(s.name, m_sections.size());
        m_sections.append(std::move(s));
    }

    void parse(const QByteArray &input)
    {
        m_size = input.size();
        QByteArray bytes = input;
        QByteArray bom;
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            bom = bytes.left(3);
            bytes.remove(0, 3);
        }
        QStringDecoder decoder(ansi::codePageName().toLatin1().constData());
        const auto decode = [&decoder](QByteArrayView b) {
            // Most lines are plain ASCII, which every supported code page maps alike.
            bool ascii = true;
            for (const char c : b) {
                if (static_cast<unsigned char>(c) >= 0x80) {
                    ascii = false;
                    break;
                }
            }
            if (ascii)
                return QString::fromLatin1(b);
            return decoder.isValid() ? QString(decoder.decode(b)) : QString::fromUtf8(b);
        };

        m_sections.append(Section{}); // lines before the first header
        qsizetype pos = 0;
        const qsizetype n = bytes.size();
        while (pos < n) {
            qsizetype end = pos;
            while (end < n && bytes[end] != '\n' && bytes[end] != '\r')
                ++end;
            Line line;
            line.bytes = bytes.sliced(pos, end - pos);
            if (end < n) {
                if (bytes[end] == '\r' && end + 1 < n && bytes[end + 1] == '\n')
                    line.ending = "\r\n";
                else
                    line.ending = QByteArray(1, bytes[end]);
            }
            pos = end + line.ending.size();
            classify(line, decode);
        }
        if (!bom.isEmpty()) {
            Section &first = m_sections.first();
            if (first.lines.isEmpty()) {
                Line marker; // keeps the byte-order mark in place on rewrite
                marker.bytes = bom;
                marker.kind = Kind::Blank;
                first.lines.append(marker);
            } else {
                first.lines.first().bytes.prepend(bom);
            }
        }
    }

    template<typename Decode>
    void classify(Line &line, const Decode &decode)
    {
        qsizetype i = 0;
        while (i < line.bytes.size() && isBlank(line.bytes[i]))
            ++i;
        Section *current = &m_sections.last();
        if (i == line.bytes.size()) {
            line.kind = Kind::Blank;
            current->lines.append(std::move(line));
            return;
        }
        const char first = line.bytes[i];
        if (first == ';') {
            line.kind = Kind::Comment;
        } else if (first == '[') {
            line.kind = Kind::Header;
            const QString text = decode(QByteArrayView(line.bytes).sliced(i + 1));
            const qsizetype close = text.indexOf(u']');
            Section s;
            s.name = folded(close < 0 ? QStringView(text) : QStringView(text).left(close));
            s.lines.append(std::move(line));
            s.lastContent = 0;
            if (!m_sectionIndex.contains(s.name))
                m_sectionIndex.insert(s.name, m_sections.size());
            m_sections.append(std::move(s));
            return;
        } else if (const qsizetype eq = line.bytes.indexOf('='); eq >= 0) {
            line.kind = Kind::Entry;
            const QString key = folded(decode(QByteArrayView(line.bytes).first(eq)));
            line.value = trimBlanks(decode(QByteArrayView(line.bytes).sliced(eq + 1))).toString();
            if (!current->keys.contains(key))
                current->keys.insert(key, current->lines.size());
        }
        current->lastContent = current->lines.size();
        current->lines.append(std::move(line));
    }

    QList<Section> m_sections;
    QHash<QString, qsizetype> m_sectionIndex;
    qsizetype m_size = 0;
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
bool editLocked(const QString &path, const Editor &edit)
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
    if (info.exists() && !exists)
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
    const Document doc(readAll(path));
    const Line *line = doc.findEntry(section, key);
    return finishValue(line ? line->value : defaultValue);
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

Batch::Batch(QString path)
    : m_path(std::move(path))
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
    return editLocked(m_path, [&writes](Document &doc) {
        for (const Write &w : writes)
            doc.write(w.section, w.key, w.value);
        return Edit::Changed;
    });
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
    return finishValue(line ? line->value : defaultValue);
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
