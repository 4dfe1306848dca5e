#pragma once

#include <QByteArray>
#include <QString>

/// Whole-file reads and writes shared by the layers that keep files: profiles, RTF
/// documents, workbooks and the editor's working copies.
namespace files {

/// Reads a whole file into bytes. False, with bytes untouched, for an empty path, a missing
/// or unreadable file.
bool read(const QString &path, QByteArray &bytes);

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
