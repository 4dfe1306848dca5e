#include "catalogue.h"

#include <algorithm>
#include <cmath>

#include "numbers.h"
#include "paths.h"
#include "profile.h"

#include <QDir>
#include <QFileInfo>

namespace catalogue {
namespace {

/// The first write creates the sys folder of a fresh data tree.
profile::Batch openBatch()
{
    const QString file = path();
    QDir().mkpath(QFileInfo(file).absolutePath());
    return profile::Batch(file);
}

} // namespace

QString path()
{
    return paths::catalogueFile();
}

bool isSet(const QString &flag)
{
    return numbers::readInt16(flag) == 1;
}

QStringList classNames()
{
    const profile::Snapshot file(path());
    const int count = file.number(ClassNameSection, ClassNameCountKey, QStringLiteral("0"));
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names.append(file.value(ClassNameSection, QString::number(i), QStringLiteral("0")).trimmed());
    return names;
}

QList<ClassRecord> loadClasses()
{
    const profile::Snapshot file(path());
    const int count = file.number(ClassNameSection, ClassNameCountKey, QStringLiteral("0"));
    QList<ClassRecord> classes;
    for (int i = 1; i <= count; ++i) {
        ClassRecord c;
        c.name = file.value(ClassNameSection, QString::number(i), QStringLiteral("0")).trimmed();
        c.count = file.number(ClassCountSection, c.name, QStringLiteral("0"));
        c.first = file.number(FirstNumberSection, c.name, QStringLiteral("0"));
        c.last = file.number(LastNumberSection, c.name, QStringLiteral("0"));
        classes.append(c);
    }
    return classes;
}

QString extraTimeKey(const QString &className, int number)
{
    return className.trimmed() + u'|' + QString::number(number);
}

namespace {

ExtraTime extraFrom(const profile::Snapshot &file, const QString &key)
{
    ExtraTime e;
    const QString factor = file.value(ExtraTimeFactorSection, key).trimmed();
    if (!factor.isEmpty())
        e.factor = std::clamp(numbers::leadingNumber(factor), MinFactor, MaxFactor);
    e.minutes = std::clamp(int(file.number(ExtraTimeMinutesSection, key)), 0, MaxExtraMinutes);
    return e;
}

} // namespace

ExtraTime extraTime(const QString &className, int number)
{
    return extraFrom(profile::Snapshot(path()), extraTimeKey(className, number));
}

QMap<int, ExtraTime> extraTimes(const QString &className, int first, int last)
{
    const profile::Snapshot file(path());
    QMap<int, ExtraTime> times;
    for (int n = first; n <= last; ++n) {
        const ExtraTime e = extraFrom(file, extraTimeKey(className, n));
        if (!e.isNone())
            times.insert(n, e);
    }
    return times;
}

bool saveExtraTimes(const QString &className, const QMap<int, ExtraTime> &times)
{
    profile::Batch batch = openBatch();
    for (auto it = times.cbegin(); it != times.cend(); ++it) {
        const QString key = extraTimeKey(className, it.key());
        batch.write(ExtraTimeFactorSection, key, QString::number(it->factor, 'g', 4));
        batch.write(ExtraTimeMinutesSection, key, numbers::plain(it->minutes));
    }
    return batch.commit();
}

qint64 limitSeconds(qint16 testMinutes, const ExtraTime &extra)
{
    const qint64 base = qMax<qint64>(0, testMinutes) * 60;
    return qint64(std::nearbyint(double(base) * extra.factor)) + qint64(extra.minutes) * 60;
}

qint64 ownLimitSeconds(qint16 testMinutes, const ExtraTime &extra)
{
    const qint64 base = qMax<qint64>(0, testMinutes) * 60;
    return extra.isNone() ? base : qMin(limitSeconds(testMinutes, extra), qMax(base, MaxLimitSeconds));
}

QString extraTimeText(const ExtraTime &extra)
{
    QStringList parts;
    if (extra.factor != 1.0)
        parts.append(u'x' + QString::number(extra.factor, 'g', 4));
    if (extra.minutes != 0)
        parts.append(QStringLiteral("+%1 min").arg(extra.minutes));
    return parts.join(u' ');
}

ClassRecord loadClass(const QString &name)
{
    const profile::Snapshot file(path());
    ClassRecord c;
    c.name = name.trimmed();
    c.count = file.number(ClassCountSection, c.name, QStringLiteral("0"));
    c.first = file.number(FirstNumberSection, c.name, QStringLiteral("0"));
    c.last = file.number(LastNumberSection, c.name, QStringLiteral("0"));
    return c;
}

bool saveClasses(const QList<ClassRecord> &classes)
{
    profile::Batch batch = openBatch();
    batch.write(ClassNameSection, ClassNameCountKey, numbers::plain(classes.size()));
    for (qsizetype i = 0; i < classes.size(); ++i) {
        const ClassRecord &c = classes.at(i);
        const QString name = c.name.trimmed();
        batch.write(ClassNameSection, QString::number(i + 1), name);
        batch.write(ClassCountSection, name, numbers::plain(c.count));
        batch.write(FirstNumberSection, name, numbers::plain(c.first));
        batch.write(LastNumberSection, name, numbers::plain(c.last));
    }
    return batch.commit();
}

QList<PaperEntry> loadPapers(const QString &flagDefault)
{
    const profile::Snapshot file(path());
    const int count = file.number(TestNameSection, TestNameCountKey, QStringLiteral("0"));
    QList<PaperEntry> papers;
    for (int i = 1; i <= count; ++i) {
        PaperEntry p;
        p.name = file.value(TestNameSection, QString::number(i), QStringLiteral("0")).trimmed();
        p.openFlag = file.value(TestNameSection, p.name, flagDefault);
        papers.append(p);
    }
    return papers;
}

QStringList paperNames()
{
    QStringList names;
    for (const PaperEntry &p : loadPapers())
        names.append(p.name);
    return names;
}

bool savePaperList(const QList<PaperEntry> &papers)
{
    profile::Batch batch = openBatch();
    batch.write(TestNameSection, TestNameCountKey, numbers::plain(papers.size()));
    for (qsizetype j = 0; j < papers.size(); ++j) {
        const QString name = papers.at(j).name.trimmed();
        batch.write(TestNameSection, QString::number(j + 1), name);
        batch.write(TestNameSection, name, papers.at(j).openFlag.trimmed());
    }
    return batch.commit();
}

ClassOffer offeredClasses(const QString &paper, const QString &permissionDefault)
{
    const profile::Snapshot file(path());
    const int count = file.number(ClassNameSection, ClassNameCountKey, QStringLiteral("0"));
    ClassOffer offer;
    offer.classCount = qMax(0, count);
    for (int i = 1; i <= count; ++i) {
        const QString name = file.value(ClassNameSection, QString::number(i), QStringLiteral("0")).trimmed();
        if (isSet(file.value(paper.trimmed(), name, permissionDefault)))
            offer.offered.append(name);
    }
    return offer;
}

QList<QStringList> permissions(const QStringList &papers, const QStringList &classes,
                               const QString &defaultValue)
{
    const profile::Snapshot file(path());
    QList<QStringList> table;
    table.reserve(papers.size());
    for (const QString &paper : papers) {
        QStringList row;
        row.reserve(classes.size());
        for (const QString &className : classes)
            row.append(file.value(paper.trimmed(), className.trimmed(), defaultValue));
        table.append(row);
    }
    return table;
}

bool savePermissions(const QList<PaperEntry> &papers, const QStringList &classes,
                     const QList<QList<bool>> &allowed)
{
    profile::Batch batch = openBatch();
    for (qsizetype j = 0; j < papers.size(); ++j) {
        const QString paper = papers.at(j).name.trimmed();
        batch.write(TestNameSection, paper, isSet(papers.at(j).openFlag) ? QStringLiteral("1") : QStringLiteral("0"));
        for (qsizetype i = 0; i < classes.size(); ++i) {
            const bool yes = j < allowed.size() && i < allowed.at(j).size() && allowed.at(j).at(i);
            batch.write(paper, classes.at(i).trimmed(), yes ? QStringLiteral("1") : QStringLiteral("0"));
        }
    }
    return batch.commit();
}

QString adminPassword()
{
    return profile::readValue(path(), AdminSection, PasswordKey).trimmed();
}

bool setAdminPassword(const QString &password)
{
    profile::Batch batch = openBatch();
    batch.write(AdminSection, PasswordKey, password.trimmed());
    return batch.commit();
}

} // namespace catalogue
