#pragma once

#include <QByteArray>
#include <QString>

/// Whole-file reads and writes shared by the layers that keep files: profiles, RTF
/// documents, workbooks and the editor's working copies.
namespace files {

/// Reads a whole file into bytes. False, with bytes untouched, for an empty path, a missing
/// or unreadable file.
bool read(const QString &path, QByteArray &bytes);

/// Reads a file for a decision that must not take "cannot read" for "not there" (an attempt
/// started anew over a saved one, a paper sat as empty). Absent, with bytes empty, when the
/// file is not there while the folder tree stays in sight; Read when it read; Unreadable when
/// it is there, or the tree is out of sight (a share away), and did not read for retryMs. A
/// file that reads empty is read again for that while, since a network folder can show a file
/// being replaced as empty or missing for a moment.
enum class Presence { Read, Absent, Unreadable };
Presence readPresent(const QString &path, QByteArray &bytes, const QString &treeFolder, int retryMs = 200);

/// Replaces a file as a whole through a temporary file in the same folder (`<file>.XXXXXX`),
/// flushed, closed and then renamed over the old one: either all of bytes is there afterwards
/// or the old file is. A rename a network folder refuses for a moment (a reader has the old
/// file open) is tried again for a short while. False, changing nothing, for an empty path or
/// when the file could not be written. The first write to a file in a run, and then once an
/// hour, removes temporary files of that pattern beside it that are over an hour old: writers
/// killed between write and rename leave them.
bool writeAtomically(const QString &path, const QByteArray &bytes);

/// Removes `<file>.XXXXXX` and `<file>.lck.XXXXXX` beside path that are older than maxAgeSecs.
/// Returns how many were removed.
int removeStaleTemporaries(const QString &path, qint64 maxAgeSecs = 3600);

} // namespace files
