#pragma once

#include <QByteArray>
#include <QString>

/// Whole-file reads and writes shared by the layers that keep files: profiles, RTF
/// documents, workbooks and the editor's working copies.
namespace files {

/// Reads a whole file into bytes. False, with bytes untouched, for an empty path, a missing
/// or unreadable file.
bool read(const QString &path, QByteArray &bytes);

/// Replaces a file as a whole through a temporary file in the same folder, flushed and
/// renamed over the old one: either all of bytes is there afterwards or the old file is.
/// False, changing nothing, for an empty path or when the file could not be written.
bool writeAtomically(const QString &path, const QByteArray &bytes);

} // namespace files
