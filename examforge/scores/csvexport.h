#pragma once

#include "scorereport.h"

#include <QByteArray>
#include <QString>

class QWidget;

/// "Export CSV...": what a refresh of the scores window gathered, as one comma-separated
/// file that any gradebook or spreadsheet reads (RFC 4180: a heading row, fields quoted
/// where needed with quotes doubled, CRLF line ends; UTF-8 with a byte order mark, so that
/// spreadsheet programs keep Chinese names intact).
///
/// Columns: number, first name, last name, score, rank, time left, finished (yes/no), then
/// one per question with the student's answer code (digits of the ticked choices, 0 = not
/// answered). A student without a score has no score, rank or answer codes. Students come
/// in number order, whatever the window's sort.
namespace csvexport {

/// One field: as it is, or quoted when it holds a comma, a quote, a line break or blanks
/// at either end. A text that a spreadsheet would take as a formula (it starts with = + - @
/// or a tab) gets a leading apostrophe, so that a name typed at login can never run as one.
QString field(const QString &text, bool isText);

/// The whole file.
QByteArray csv(const scores::Report &report);

/// The file name offered: "<paper>_<class>.csv".
QString fileName(const scores::Report &report);

/// The whole command: asks where to save, writes the file (whole or not at all) and says
/// where it went. Returns the path written, empty when nothing was.
QString exportReport(QWidget *parent, const scores::Report &report);

} // namespace csvexport
