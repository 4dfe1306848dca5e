#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QTextDocument;

/// Rich-text documents: RTF files read into and written from QTextDocument.
///
/// The reader takes what Word, WordPad and LibreOffice write: code pages of \ansicpg and
/// \fcharset (double-byte ones included), \uN, fonts, sizes, colours, bold, italic, underline,
/// strike, super- and subscript, the associated properties of CJK and right-to-left text,
/// paragraph alignment, indents and spacing, pictures of every kind, tables (QTextTable with cell
/// widths, borders, shading and cells merged downwards) and hidden text (kept as an invisible
/// object, see documentsink.h). It skips what it does not show. Any input is safe to read: see
/// rtf::Reader for the bounds. Pictures are kept with their bytes and written back unchanged
/// (rtf/picture.h), shown as rtf::renderPicture() draws them, shape pictures at their anchor.
/// Headers and footers are not shown; their groups are kept and written back as read
/// (rtf/keptgroups.h). Footnotes, endnotes and comments are shown at the end of the document,
/// under a rule, and written back as notes where they stand (rtf/notes.h).
namespace rtf {

/// True when data is RTF: it starts, after blanks, with "{\rtf".
bool isRtf(QByteArrayView data);

/// Replaces the content of doc by the document in data. Returns false when data is not RTF;
/// doc is then empty. Pictures become image resources of doc, and their image formats hold the
/// kept pictures (rtf::keptPicture()). Undo history is cleared.
bool read(QByteArrayView data, QTextDocument &doc);

/// The whole of doc as RTF. Declares the machine's code page (ansi::windowsCodePage(), 1252
/// when it has none) and writes text outside ASCII as \uN with that code page's bytes as fallback.
QByteArray write(const QTextDocument &doc);

/// As write(), with the code page given (tests, or files for another machine).
QByteArray write(const QTextDocument &doc, int windowsCodePage);

/// Reads the RTF file at path into doc. Returns false, leaving doc empty, when path is empty,
/// the file cannot be read or it is not RTF.
bool loadFile(const QString &path, QTextDocument &doc);

/// Writes doc as RTF to path, replacing the file as a whole (a crash leaves the old file or
/// the new one, never a torn one). Returns false when it could not be written.
bool saveFile(const QString &path, const QTextDocument &doc);

/// The plain text of RTF data, as QTextDocument::toPlainText() would give it after read(), but
/// without building a document. Empty when data is not RTF.
QString plainText(QByteArrayView data);

/// The plain text of the RTF file at path; empty when it is missing or not RTF.
QString plainTextOfFile(const QString &path);

/// Gives target the picture resources that the pictures of listed name, taken from source.
/// A document read from RTF keeps its pictures as resources; copying its text elsewhere
/// (a paste, an inserted file) needs them too.
void copyPictures(const QTextDocument &listed, const QTextDocument &source, QTextDocument &target);

} // namespace rtf
