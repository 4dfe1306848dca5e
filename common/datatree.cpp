#include "datatree.h"

#include "catalogue.h"
#include "paths.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace datatree {
namespace {

// A message names at most this many paths, so that it still fits on the screen.
constexpr int MaxPathsShown = 8;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString listed(const QStringList &paths)
{
    QStringList shown;
    for (const QString &p : paths.mid(0, MaxPathsShown))
        shown.append(QStringLiteral("    ") + native(p));
    if (paths.size() > MaxPathsShown)
        shown.append(QStringLiteral("    ... and %1 more").arg(paths.size() - MaxPathsShown));
    return shown.join(u'\n');
}

bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString dataFolder(const QString &name)
{
    return paths::resolve(paths::dataRoot(), {name});
}

// The catalogue is missing while tests or results are there: the tree was copied in part,
// or the share lost its sys folder.
Finding missingCatalogue()
{
    const QString catalogueFile = paths::catalogueFile();
    if (QFileInfo::exists(catalogueFile)) {
        if (QFile file(catalogueFile); !file.open(QIODevice::ReadOnly))
            return {QStringLiteral("The list of classes and tests cannot be read:\n%1\n\nCheck that the "
                                   "folder can be read from this computer, then start the program again.")
                        .arg(listed({catalogueFile})),
                    true};
        return {};
    }
    QStringList found;
    for (const QString &name : {QStringLiteral("SHIJUAN"), QStringLiteral("CHENGJI")}) {
        const QString folder = dataFolder(name);
        if (isFolder(folder) && !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot))
            found.append(folder);
    }
    if (found.isEmpty())
        return {};
    return {QStringLiteral("The data folder %1 holds tests or results:\n%2\nbut not the list of classes and "
                           "tests, %3. The folder looks copied only in part, or the share lost a folder. "
                           "Copy the whole program folder again, or bring back sys from a backup, then "
                           "start the program again.")
                .arg(native(paths::dataRoot()), listed(found), native(catalogueFile)),
            true};
}

} // namespace

bool canWriteIn(const QString &folder)
{
    if (!isFolder(folder))
        return false;
    QTemporaryFile probe(paths::join(folder, QStringLiteral(".write-test-XXXXXX")));
    return probe.open();
}

Finding checkForTeacher()
{
    const QString root = paths::dataRoot();
    if (!isFolder(root))
        return {QStringLiteral("The program folder cannot be found:\n%1").arg(listed({root})), true};
    if (Finding f = missingCatalogue(); !f.ok())
        return f;

    // Every save writes beside the file it replaces, so each folder of the tree must take files.
    QStringList unwritable;
    bool rootNeeded = false;
    for (const QString &name : {QStringLiteral("sys"), QStringLiteral("SHIJUAN"), QStringLiteral("CHENGJI")}) {
        const QString folder = dataFolder(name);
        if (!QFileInfo::exists(folder))
            rootNeeded = true;
        else if (!canWriteIn(folder))
            unwritable.append(folder);
    }
    // The folder itself takes files only where a data folder is still to be made.
    if (rootNeeded && !canWriteIn(root))
        unwritable.prepend(root);
    if (!unwritable.isEmpty())
        return {QStringLiteral("Nothing could be saved: these folders cannot be written from this computer "
                               "(a share that is read-only or no longer connected?):\n%1\n\nAsk for write "
                               "access to them, or connect the share again, then start the program again.")
                    .arg(listed(unwritable)),
                true};

    QStringList missing;
    for (const QString &name : catalogue::paperNames()) {
        const QString file = paths::paperFile(name);
        if (!file.isEmpty() && !QFileInfo::exists(file))
            missing.append(paths::paperFolder(name));
    }
    if (!missing.isEmpty())
        return {QStringLiteral("These tests are listed, but their files are missing (the data folder may be "
                               "copied only in part):\n%1\n\nThey show with the settings of a new test until "
                               "their folders are copied back.")
                    .arg(listed(missing)),
                false};
    return {};
}

Finding checkForStudent()
{
    if (Finding f = missingCatalogue(); !f.ok())
        return f;
    QStringList missing;
    QStringList unwritable;
    int usable = 0;
    for (const catalogue::PaperEntry &entry : catalogue::loadPapers()) {
        if (!catalogue::isSet(entry.openFlag))
            continue;
        const QString file = paths::paperFile(entry.name);
        if (file.isEmpty())
            continue;
        if (!QFileInfo::exists(file)) {
            missing.append(paths::paperFolder(entry.name));
            continue;
        }
        const QString results = paths::scoreFolder(entry.name);
        if (!canWriteIn(results))
            unwritable.append(results);
        else
            ++usable;
    }
    if (missing.isEmpty() && unwritable.isEmpty())
        return {};
    QString text;
    if (!unwritable.isEmpty())
        text += QStringLiteral("Answers cannot be saved into these folders (missing, read-only, or a share "
                               "that is not connected):\n%1\n")
                    .arg(listed(unwritable));
    if (!missing.isEmpty())
        text += QStringLiteral("These tests are open, but their files are missing (the data folder may be "
                               "copied only in part):\n%1\n")
                    .arg(listed(missing));
    text += QStringLiteral("\nPlease tell the teacher or the system manager.");
    return {text, usable == 0};
}

} // namespace datatree
