#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

class QTextEdit;

/// Pictures a teacher puts into a question from a file: read, scaled down to the editor's
/// width when larger, and kept as PNG (or as JPEG when the file was a photograph), so the
/// RTF file holds them in a form every reader shows.
namespace pictures {

/// A picture ready to insert: its encoded bytes and the size it is shown at, in pixels.
struct Prepared
{
    QByteArray data;
    QSize shownSize;
};

/// Reads the picture file at path (PNG, JPEG, BMP, GIF: the first frame, SVG: drawn) and
/// makes it at most maxWidth pixels wide, keeping its proportions. A file that is no
/// picture, or one too large to read, gives nothing and a message for the teacher in error.
std::optional<Prepared> prepare(const QString &path, int maxWidth, QString *error);

/// The width a picture may take in editor without a horizontal scroll bar.
int widthFor(const QTextEdit &editor);

/// Inserts the picture at the editor's cursor, replacing the selection.
void insert(QTextEdit &editor, const Prepared &picture);

} // namespace pictures
