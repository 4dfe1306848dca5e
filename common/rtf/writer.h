#pragma once

#include <QByteArray>

class QTextDocument;

namespace rtf {

/// Writes a QTextDocument as RTF that Word, WordPad, LibreOffice and our reader read alike:
/// fonts, sizes, bold, italic, underline, strike, super- and subscript, text and highlight
/// colours, paragraph alignment, indents and spacing, tabs, line breaks, PNG pictures, tables
/// (rows with cell widths, borders, shading and merged cells) and hidden text. Font, size, bold
/// and italic are stated for Latin and CJK text alike, so word processors show CJK runs as read.
///
/// The file declares codePage (\ansicpg) and writes every character outside ASCII as \uN
/// followed by its bytes in that code page, or "?" where the code page lacks it. The output
/// depends only on the document's content and codePage, so a document read back from it writes
/// the same bytes again.
QByteArray writeDocument(const QTextDocument &document, int codePage);

} // namespace rtf
