#pragma once

#include <QList>
#include <QMap>
#include <QString>

/// The catalogue file sys/sys.cho: classes, papers with their open flags, the classes
/// allowed to sit each paper, and the administrator password.
///
/// Every function reads or writes the file afresh; nothing is cached. Loads never fail: a
/// missing file or key reads as its default. Saves write all their keys as one atomic batch
/// and return false when the file could not be written.
namespace catalogue {

inline const QString ClassNameSection = QStringLiteral("ClassName");
inline const QString ClassNameCountKey = QStringLiteral("ClassNameCount");
inline const QString ClassCountSection = QStringLiteral("ClassCount");
inline const QString FirstNumberSection = QStringLiteral("FirstNumber");
inline const QString LastNumberSection = QStringLiteral("LastNumber");
inline const QString TestNameSection = QStringLiteral("TestName");
inline const QString TestNameCountKey = QStringLiteral("TestNameCount");
inline const QString AdminSection = QStringLiteral("admin");
inline const QString PasswordKey = QStringLiteral("pwd");

struct ClassRecord
{
    QString name;
    qint16 count = 0; ///< number of students
    qint16 first = 0; ///< first student number
    qint16 last = 0;  ///< last student number
};

struct PaperEntry
{
    QString name;
    QString openFlag; ///< as stored; the paper is open when it reads as 1 (see isSet())
};

/// Path of the catalogue under the current data root.
QString path();

/// True when a stored flag or permission counts as set: its leading number is exactly 1.
bool isSet(const QString &flag);

/// Class names 1..ClassNameCount, trimmed ("0" for a missing numbered key).
QStringList classNames();
/// The classes with their numbers, in display order.
QList<ClassRecord> loadClasses();
/// The numbers of one class (0, 0, 0 when missing); name is trimmed first.
ClassRecord loadClass(const QString &name);
/// ClassNameCount, then for each class its numbered key and its three records.
bool saveClasses(const QList<ClassRecord> &classes);

/// Paper names 1..TestNameCount, trimmed, with their open flags (default flagDefault).
QList<PaperEntry> loadPapers(const QString &flagDefault = QStringLiteral("0"));
QStringList paperNames();
/// TestNameCount, then for each paper its numbered key and its open flag.
bool savePaperList(const QList<PaperEntry> &papers);

/// The classes a login may offer for a paper, from one reading of the file: every class whose
/// permission for the paper reads as 1, with permissionDefault standing in for a missing key.
/// classCount is the number of classes in the catalogue, offered or not.
struct ClassOffer
{
    int classCount = 0;
    QStringList offered;
};
ClassOffer offeredClasses(const QString &paper, const QString &permissionDefault);

/// The stored permissions of every pair from one reading of the file: result[j][i] for
/// paper j and class i, defaultValue where the key is missing.
QList<QStringList> permissions(const QStringList &papers, const QStringList &classes,
                               const QString &defaultValue);

/// Open flags and permissions of every pair, for the papers and classes given.
/// allowed[j][i] tells whether class i may sit paper j.
bool savePermissions(const QList<PaperEntry> &papers, const QStringList &classes,
                     const QList<QList<bool>> &allowed);

/// Extra time of one student, kept beside the class in sections ExtraTimeFactor and
/// ExtraTimeMinutes, keyed "<class>|<number>" (no class name holds "|"). A student without
/// keys has none. The limit is the paper's time times the factor, then plus the minutes.
inline const QString ExtraTimeFactorSection = QStringLiteral("ExtraTimeFactor");
inline const QString ExtraTimeMinutesSection = QStringLiteral("ExtraTimeMinutes");
inline constexpr double MinFactor = 1.0;
inline constexpr double MaxFactor = 3.0;
inline constexpr int MaxExtraMinutes = 240;
/// The longest limit the exam's countdown holds, in seconds.
inline constexpr qint64 MaxLimitSeconds = 32767;

struct ExtraTime
{
    double factor = 1.0;
    int minutes = 0;

    bool isNone() const { return factor == 1.0 && minutes == 0; }
    bool operator==(const ExtraTime &) const = default;
};

/// The key of a student's extra time.
QString extraTimeKey(const QString &className, int number);
/// A student's extra time; values outside 1.0..3.0 and 0..240 are brought into the range.
ExtraTime extraTime(const QString &className, int number);
/// The extra time of numbers first..last from one reading of the file; students without any
/// are left out.
QMap<int, ExtraTime> extraTimes(const QString &className, int first, int last);
/// Writes the extra time of each student given, as one batch (a student given none gets
/// factor 1 and 0 minutes, so that an old entry no longer counts).
bool saveExtraTimes(const QString &className, const QMap<int, ExtraTime> &times);
/// The limit in seconds of a paper of testMinutes for a student with that extra time:
/// minutes * 60 * factor rounded, plus the extra minutes. Not capped.
qint64 limitSeconds(qint16 testMinutes, const ExtraTime &extra);
/// The limit the countdown starts from: limitSeconds(), but never beyond what the countdown
/// holds (MaxLimitSeconds, or the paper's own time when that is longer already).
qint64 ownLimitSeconds(qint16 testMinutes, const ExtraTime &extra);
/// "x1.5 +10 min", "+10 min", "x1.5"; empty for none.
QString extraTimeText(const ExtraTime &extra);

/// The administrator password, trimmed; empty means none.
QString adminPassword();
bool setAdminPassword(const QString &password);

} // namespace catalogue
