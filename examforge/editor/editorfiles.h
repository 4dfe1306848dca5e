#pragma once

#include "paperfile.h"

#include <QString>
#include <QStringList>

#include <array>

class QFont;

/// File work and small rules behind the question editor: the working copies of a paper's RTF
/// files, the answer key and the files a saved paper no longer needs.
///
/// Functions that touch files return the paths that failed (empty when all went well), so
/// that the editor can name them to the teacher.
namespace editorfiles {

/// Deletes every "*.rtf" file of folder (any letter case).
QStringList clearRtf(const QString &folder);

/// Copies every "*.rtf" file of source into target under the same name. A file of that name
/// in target is replaced as a whole (a failed copy leaves the old file as it was); one that
/// already holds the same bytes is left untouched.
QStringList copyRtf(const QString &source, const QString &target);

/// Copies every "*.rtf" file of source into target, which holds none of them (working copies:
/// plain copies, without the cost of replacing files as a whole).
QStringList copyRtfFresh(const QString &source, const QString &target);

/// Copies one file over to, replacing it as a whole, unless to already holds the same bytes.
/// Returns false when it could not.
bool copyFile(const QString &from, const QString &to);

/// Writes an RTF document without text (in the given font) to path.
bool writeEmptyRtf(const QString &path, const QFont &font);

/// The answer key of the ticked choices 1..7 (index 0 is choice 1): their digits in
/// ascending order, "" when none is ticked.
QString answerKey(const std::array<bool, 7> &ticked);

/// The files of names (RTF files of a paper folder) that no question refers to: a file is
/// kept when its name occurs, in any letter case, inside a question's question or
/// explanation file field.
QStringList junkFiles(const QStringList &names, const QList<paper::Question> &questions);

/// True for a file name that goes into the work folder and back on OK: a visible RTF file of
/// the test's own folder. Text kept under any other name would be lost.
bool isWorkCopyName(const QString &name);

/// A question's plain text as one line of the question grid.
QString gridText(const QString &plainText);

} // namespace editorfiles
