#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

/// Who is sitting a paper right now, read from the answer records of one class: every
/// student whose attempt has started and not finished, with how far they are and when their
/// machine last saved. Nothing is written.
namespace live {

/// After this long without a save a machine has probably stopped.
inline constexpr qint64 StaleSeconds = 120;
/// File times this far ahead of the teacher's clock are taken as clock skew, not as a save.
inline constexpr qint64 SkewSeconds = 5;

struct Sitting
{
    QString number;
    QString name;     ///< first and last name
    int answered = 0; ///< questions with an answer code other than 0
    int questionCount = 0;
    QString timeLeft;                 ///< as the last save left it
    QString extraTime;                ///< the student's extra time as shown, empty for none
    std::optional<qint64> secondsAgo; ///< since the record file was written; nothing when unknown
    bool stale = false;               ///< no save for StaleSeconds or more
    bool clockAhead = false;          ///< the file time lies in the future
};

struct Room
{
    QString paper;
    QString className;
    int students = 0; ///< student numbers of the class
    int finished = 0;
    QList<Sitting> sitting; ///< in student number order
};

/// Reads the class's records of the paper once each. now is the teacher's clock.
Room read(const QString &paper, const QString &className, const QDateTime &now);

/// "12 s ago", "3 min ago", "No saves for 4 min", or the text for a file time in the future.
QString lastSaveText(const Sitting &s);

/// "Finished: 12 of 30".
QString finishedText(const Room &room);

} // namespace live
