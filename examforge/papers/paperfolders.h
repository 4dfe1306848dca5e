#pragma once

#include <QString>
#include <QStringList>

/// Folder work behind paper management: making, emptying and removing a paper's two folders,
/// and copying the files of a whole paper in or out.
///
/// Every function returns the paths that failed (empty when all went well), so that the
/// window can name them in one message. Nothing here removes anything outside the data tree:
/// a folder is only emptied or removed when it is a direct entry of SHIJUAN or CHENGJI under
/// the data root, and a folder that is a symbolic link loses the link, never its target's files.
namespace paperfolders {

/// Deletes the files of a folder (not its subfolders) and then the folder itself. A missing
/// folder is no failure. A folder that keeps subfolders cannot be removed and is reported, as
/// is a folder outside the data tree.
QStringList removeFolder(const QString &folder);

/// Makes the folder when it is missing; otherwise deletes the files in it, except when the
/// folder is keep (the folder files are about to be copied from). Refused (and reported)
/// for a folder outside the data tree.
QStringList prepareFolder(const QString &folder, const QString &keep = QString());

/// True when folder is a direct entry of SHIJUAN or CHENGJI under the data root (after
/// links and "..", if any, are taken into account).
bool isDataTreeFolder(const QString &folder);

/// Makes the folder (and its parents) when it is missing.
QStringList makeFolder(const QString &folder);

/// Copies every ordinary file of source into target under the same name, replacing a file of
/// that name. A file that already is its own copy (source and target are one folder) is left
/// alone.
QStringList copyFiles(const QString &source, const QString &target);

/// True when a and b name the same existing folder (after links are followed).
bool sameFolder(const QString &a, const QString &b);

} // namespace paperfolders
