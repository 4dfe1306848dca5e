#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <utility>

/// Profile ("INI") files: sections of key=value lines in the ANSI code page.
///
/// Reading follows the rules of the Windows profile functions: any of CRLF, LF or CR ends a
/// line; blank lines are ignored; a line whose first non-blank character is ';' is a comment;
/// a section name ends at the first ']'; section and key names are trimmed and compared
/// without regard to letter case; the first matching section and the first matching key win;
/// a value is trimmed and loses one enclosing pair of equal quotes; a value read back is at
/// most 255 bytes, cut without splitting a character. A missing file, section or key gives
/// the caller's default.
///
/// Writing replaces a value in place, appends a new key after the last entry of its section
/// and a new section at the end of the file, and leaves every other byte as it was. Nothing is
/// ever deleted. Each write (or batch of writes) takes a lock file beside the profile file,
/// reads the file afresh, splices the change and replaces the file atomically, so a reader
/// always sees a whole old or a whole new file and concurrent writers never lose each other's
/// keys. CR, LF and NUL in names and values are written as blanks.
namespace profile {

/// Longest value, in encoded bytes, that a read returns.
inline constexpr qsizetype MaxValueBytes = 255;

/// The stored value, or defaultValue when the file, the section or the key is missing.
QString readValue(const QString &path, const QString &section, const QString &key,
                  const QString &defaultValue = QString());

/// readValue() followed by the leading-number rule and 16-bit narrowing.
qint16 readNumber(const QString &path, const QString &section, const QString &key,
                  const QString &defaultValue = QStringLiteral("0"));

/// What a read returns for a value after it was written: blanks around it, one enclosing pair
/// of quotes, CR/LF/NUL, characters the code page cannot hold and bytes beyond 255 are lost on
/// the way. Lets a caller refuse a value that would not come back as it was typed.
QString storedForm(const QString &value);

/// Writes one value; creates the file, section or key when missing. Returns false when the
/// file could not be locked or written (the file is then unchanged).
bool writeValue(const QString &path, const QString &section, const QString &key, const QString &value);

/// Takes every section of that name out of the file, with its lines, under the same lock and
/// atomic replace as a write; a file left without any entry is deleted. Only records that are
/// deleted as a whole use this: settings and lists are never deleted key by key. Returns true
/// when the section is gone (also when there was none), false when the file could not be
/// rewritten or deleted.
bool removeSection(const QString &path, const QString &section);

/// Several writes to one file as one atomic action: one lock, one read, the writes applied in
/// the order they were added, one replace. Nothing reaches the disk before commit().
/// Whether a write may make the file. Required: the file must be there already and read, so
/// that a file a network folder fails to show for a moment is never replaced by a new one
/// holding only the batch.
enum class Existing { MayCreate, Required };

class Batch
{
public:
    explicit Batch(QString path, Existing existing = Existing::MayCreate);

    void write(const QString &section, const QString &key, const QString &value);
    qsizetype size() const { return m_writes.size(); }

    /// Applies the writes. Returns false when the file could not be locked or written; the
    /// file is then unchanged. The batch is emptied either way.
    bool commit();

private:
    struct Write
    {
        QString section;
        QString key;
        QString value;
    };
    QString m_path;
    Existing m_existing;
    QList<Write> m_writes;
};

/// Many reads of one file from one parse: the file is read once when the snapshot is taken.
class Snapshot
{
public:
    /// Reads and parses the file; a missing or unreadable file gives an empty snapshot.
    explicit Snapshot(const QString &path);
    /// A snapshot of bytes already in memory (for tests and for callers that hold a copy).
    static Snapshot fromBytes(const QByteArray &bytes);

    Snapshot(const Snapshot &) = delete;
    Snapshot &operator=(const Snapshot &) = delete;
    Snapshot(Snapshot &&) noexcept;
    Snapshot &operator=(Snapshot &&) noexcept;
    ~Snapshot();

    bool exists() const;
    QString value(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    qint16 number(const QString &section, const QString &key,
                  const QString &defaultValue = QStringLiteral("0")) const;
    /// True when the section holds an entry of that key, even an empty one.
    bool contains(const QString &section, const QString &key) const;

private:
    Snapshot();
    struct Index;
    std::unique_ptr<Index> d;
};

} // namespace profile
