#include "liveroom.h"

#include "ansicodec.h"
#include "catalogue.h"
#include "files.h"
#include "numbers.h"
#include "paperfile.h"
#include "paths.h"
#include "profile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <utility>

namespace live {

namespace {

/// What the live view needs of one record.
struct Glance
{
    QString firstName;
    QString lastName;
    bool started = false;
    bool finished = false;
    QString timeLeft;
    int answered = 0;
};

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && blank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && blank(v.back()))
        v.chop(1);
    return v;
}

QString valueText(QByteArrayView raw)
{
    QByteArrayView v = trimmed(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    return ansi::cutToBytes(ansi::decode(v.toByteArray()), profile::MaxValueBytes);
}

/// Reads the few keys the live view shows straight from the bytes, by the reading rules of
/// profile files (first section and first key of a name win, names without regard to case).
/// A full parse of every key of every record would not fit a refresh every 10 seconds.
Glance glance(const QByteArray &bytes, const QString &section, const QByteArray &number, int questionCount)
{
    Glance g;
    const QString wanted = section.trimmed().toCaseFolded();
    QList<bool> seenAnswer(questionCount + 1, false);
    bool inSection = false;
    bool seenFirst = false, seenLast = false, seenTime1 = false, seenTime2 = false, seenTime = false;
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const qsizetype size = bytes.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView line = trimmed(QByteArrayView(bytes).sliced(pos, end - pos));
        pos = end + 1;
        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (inSection)
                break;
            const QString text = ansi::decode(line.sliced(1).toByteArray());
            const qsizetype close = text.indexOf(u']');
            inSection = (close < 0 ? text : text.left(close)).trimmed().toCaseFolded() == wanted;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArrayView key = trimmed(line.first(eq));
        if (!key.startsWith(number))
            continue;
        const QByteArray suffix = key.sliced(number.size()).toByteArray().toUpper();
        const QByteArrayView value = line.sliced(eq + 1);
        if (suffix.isEmpty()) {
            if (!std::exchange(seenFirst, true))
                g.firstName = valueText(value).trimmed();
        } else if (suffix == "LAST") {
            if (!std::exchange(seenLast, true))
                g.lastName = valueText(value).trimmed();
        } else if (suffix == "TIME1") {
            if (!std::exchange(seenTime1, true))
                g.started = !valueText(value).isEmpty();
        } else if (suffix == "TIME2") {
            if (!std::exchange(seenTime2, true))
                g.finished = !valueText(value).trimmed().isEmpty();
        } else if (suffix == "TIME") {
            if (!std::exchange(seenTime, true))
                g.timeLeft = valueText(value).trimmed();
        } else if (suffix.startsWith("DA")) {
            bool ok = false;
            const int j = suffix.sliced(2).toInt(&ok);
            if (ok && j >= 1 && j <= questionCount && suffix.at(2) != '+' && !seenAnswer[j]) {
                seenAnswer[j] = true;
                g.answered += numbers::readInt16(valueText(value)) != 0 ? 1 : 0;
            }
        }
    }
    return g;
}

} // namespace

Room read(const QString &paperName, const QString &className, const QDateTime &now)
{
    Room room;
    room.paper = paperName.trimmed();
    room.className = className.trimmed();
    const catalogue::ClassRecord cls = catalogue::loadClass(room.className);
    const int questionCount = qMax(
        0, int(profile::readNumber(paper::file(room.paper), paper::MainSection, paper::QuestionCountKey)));
    room.students = qMax(0, cls.last - cls.first + 1);
    const QMap<int, catalogue::ExtraTime> extra = catalogue::extraTimes(room.className, cls.first, cls.last);

    // One listing gives every record's name and time; names match without regard to case,
    // the first spelling winning as for the other record paths.
    const QString folder = paths::scoreFolder(room.paper);
    QHash<QString, QFileInfo> files;
    if (!folder.isEmpty()) {
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QFileInfo &entry : entries) {
            const QString name = entry.fileName().toCaseFolded();
            if (!files.contains(name))
                files.insert(name, entry);
        }
    }
    for (int number = cls.first; number <= cls.last; ++number) {
        const QString text = QString::number(number);
        const QString name = room.className + text + QStringLiteral(".cho");
        const auto it = files.constFind(name.toCaseFolded());
        if (it == files.cend() || !paths::isPlainName(name))
            continue;
        QByteArray bytes;
        if (!files::read(it->filePath(), bytes))
            continue;
        const Glance g = glance(bytes, room.className, text.toLatin1(), questionCount);
        if (g.finished) {
            ++room.finished;
            continue;
        }
        if (!g.started)
            continue;
        Sitting s;
        s.number = text;
        s.name = (g.firstName + u' ' + g.lastName).trimmed();
        s.questionCount = questionCount;
        s.answered = g.answered;
        s.timeLeft = g.timeLeft;
        s.extraTime = catalogue::extraTimeText(extra.value(number));
        const QDateTime written = it->lastModified();
        if (written.isValid()) {
            const qint64 ago = written.secsTo(now);
            s.secondsAgo = ago;
            s.clockAhead = ago < -SkewSeconds;
            s.stale = ago >= StaleSeconds;
        }
        room.sitting.append(s);
    }
    return room;
}

QString lastSaveText(const Sitting &s)
{
    if (!s.secondsAgo)
        return QStringLiteral("Unknown");
    if (s.clockAhead)
        return QStringLiteral("Saved %1 min ahead of this clock").arg(qMax<qint64>(1, -*s.secondsAgo / 60));
    const qint64 ago = qMax<qint64>(0, *s.secondsAgo);
    if (s.stale)
        return QStringLiteral("No saves for %1 min").arg(ago / 60);
    if (ago < 60)
        return QStringLiteral("%1 s ago").arg(ago);
    return QStringLiteral("%1 min ago").arg(ago / 60);
}

QString finishedText(const Room &room)
{
    return QStringLiteral("Finished: %1 of %2").arg(room.finished).arg(room.students);
}

} // namespace live
