#pragma once

#include <QString>
#include <QStringList>

/// Where the programs find their files.
///
/// The data root is the folder of the running program with surrounding blanks removed; the
/// data tree (sys, SHIJUAN, CHENGJI) lies below it. Names that are spelled in more than one
/// letter case (SHIJUAN/shijuan, *.rtf/*.RTF, .cho/.CHO) are found without regard to case,
/// so a data tree copied from a case-insensitive file system keeps working.
namespace paths {

/// The folder that holds the running program, as the platform reports it; EXAM_PROGRAM_FOLDER
/// names it instead when a local copy of the program runs for a folder on a share.
QString programFolder();

/// The program folder with surrounding blanks removed.
QString dataRoot();

/// Points programFolder() and dataRoot() at another folder (tests only); empty restores them.
void setProgramFolderForTesting(const QString &folder);

/// Joins a folder and a relative path with one separator.
QString join(const QString &folder, const QString &relative);

/// Resolves a path below root whose components may differ in letter case from what is on
/// disk: each component that exists with exactly that spelling is used as it is; otherwise
/// the first entry of the folder that matches it without regard to case; otherwise the
/// component as given (so a new file gets the given spelling).
///
/// Components come from names in the data files (tests, classes, question files), which a
/// hand-edited or damaged file can make anything. A path never leaves root: when root is empty
/// or a component is not a plain name (see isPlainName) the result is empty, which reads as a
/// missing file and cannot be written.
QString resolve(const QString &root, const QStringList &components);

/// True when name is one entry of a folder: not empty, not "." or "..", and without "/", "\"
/// or NUL.
bool isPlainName(const QString &name);

/// Files of a folder whose names match one of the wildcard patterns without regard to case,
/// ordinary files only (no hidden files, no folders), sorted by name. An empty folder path
/// names no folder (not the current one) and gives nothing.
QStringList listFiles(const QString &folder, const QStringList &patterns);

QString catalogueFile();                             ///< data root / sys / sys.cho
QString sysFile(const QString &name);                ///< data root / sys / name
QString paperFolder(const QString &paper);           ///< data root / SHIJUAN / paper
QString paperFile(const QString &paper);             ///< data root / SHIJUAN / paper / paper.cho
QString scoreFolder(const QString &paper);           ///< data root / CHENGJI / paper
QString answerRecordFile(const QString &paper, const QString &className, const QString &number);
QString languageFile();                              ///< program folder / Language.txt
QString helpFolder();                                ///< program folder / help

/// The local work folder of one program ("examforge" or "examdesk"), made when missing.
/// Returns an empty string when it cannot be made.
QString workFolder(const QString &program);

/// True when the program folder lies on a local file system (not NFS, SMB/CIFS, sshfs...).
bool runningLocally();

/// Puts the work folders below another folder (tests only, so that tests running side by side
/// never share one); empty restores the user's cache folder.
void setWorkFolderBaseForTesting(const QString &folder);

/// Overrides runningLocally() (tests only): 1 local, 0 network, -1 detect.
void setRunningLocallyForTesting(int value);

} // namespace paths
