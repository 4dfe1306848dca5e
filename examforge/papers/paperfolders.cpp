#include "paperfolders.h"

#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace paperfolders {
namespace {

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(cleanAbsolute(path));
}

/// Deletes the files of a folder, hidden ones included (they would keep it from being
/// removed), but no subfolder.
void deleteFiles(const QString &folder, QStringList &failed)
{
    const QDir dir(folder);
    const QStringList entries =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QString file = dir.filePath(entry);
        if (!QFile::remove(file))
            failed.append(shown(file));
    }
}

} // namespace

// Paper names read from an old catalogue were never checked, so a name such as "../x" must
// not lead a removal out of the data tree.
bool isDataTreeFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    // "x/.." would pass a lexical check yet be resolved through x, which may be a link.
    const QStringList parts = QString(folder).replace(u'\\', u'/').split(u'/');
    if (parts.contains(QLatin1String("..")) || parts.contains(QLatin1String(".")))
        return false;
    const QFileInfo info(cleanAbsolute(folder));
    const QString name = info.fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    const QString parent = info.absolutePath();
    for (const QString &base : {QStringLiteral("SHIJUAN"), QStringLiteral("CHENGJI")}) {
        const QString basePath = cleanAbsolute(paths::resolve(paths::dataRoot(), {base}));
        if (parent == basePath)
            return true;
        const QString canonicalParent = canonical(parent);
        if (!canonicalParent.isEmpty() && canonicalParent == canonical(basePath))
            return true;
    }
    return false;
}

QStringList removeFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (!isDataTreeFolder(folder))
        return {shown(folder)};
    if (info.isSymLink())
        return QFile::remove(folder) ? QStringList() : QStringList{shown(folder)};
    QStringList failed;
    deleteFiles(folder, failed);
    if (!QDir().rmdir(folder))
        failed.append(shown(folder));
    return failed;
}

QStringList prepareFolder(const QString &folder, const QString &keep)
{
    if (!isDataTreeFolder(folder))
        return {shown(folder)};
    const QFileInfo info(folder);
    if (info.isSymLink() && !QFile::remove(folder))
        return {shown(folder)};
    if (!QFileInfo(folder).isDir())
        return makeFolder(folder);
    QStringList failed;
    if (keep.isEmpty() || !sameFolder(folder, keep))
        deleteFiles(folder, failed);
    return failed;
}

QStringList makeFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return {};
    return {shown(folder)};
}

QStringList copyFiles(const QString &source, const QString &target)
{
    // An empty path would stand for the current folder.
    if (source.isEmpty() || target.isEmpty())
        return {shown(target.isEmpty() ? source : target)};
    if (sameFolder(source, target))
        return {};
    QStringList failed;
    const QStringList files = paths::listFiles(source, {QStringLiteral("*")});
    for (const QString &name : files) {
        const QString from = paths::join(source, name);
        const QString to = paths::join(target, name);
        const QFileInfo existing(to);
        if ((existing.exists() || existing.isSymLink()) && !QFile::remove(to)) {
            failed.append(shown(to));
            continue;
        }
        if (!QFile::copy(from, to))
            failed.append(shown(to));
    }
    return failed;
}

bool sameFolder(const QString &a, const QString &b)
{
    const QString ca = canonical(a);
    return !ca.isEmpty() && ca == canonical(b);
}

} // namespace paperfolders
