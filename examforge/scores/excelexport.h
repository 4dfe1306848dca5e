#pragma once

#include "exportfile.h"
#include "scorereport.h"

#include <QString>

class QWidget;
class Workbook;

/// "Export to Excel": what a refresh of the scores window gathered, written into a workbook
/// made from the template sys/score.xlt and shown with the desktop's default application.
///
/// Worksheet 1 lists the students, 2 the class statistics, 3 the questions, 4 every
/// student's answer codes; each names the paper in B2 and the class in E1 (sheet 1), B1
/// (sheet 2) or F1 (sheets 3 and 4). Tables start in row 6 under the template's headings in
/// row 5, students in number order and questions in question order. Numbers are numeric
/// cells, so the teacher can sort and calculate with them.
namespace excelexport {

/// Fills the four worksheets, then the "Checks" worksheet (see fillChecks()). Returns false
/// when a cell of the four cannot be set (a template with fewer than four worksheets); the
/// workbook is then only partly filled.
bool fill(Workbook &book, const scores::Report &report);

/// The worksheet added after the template's own: every student with the finding of the record
/// checks in column E ("Check": "OK", what does not agree, or empty while not finished) and
/// the student's extra time in column F.
/// Headings in row 4, students from row 5 in number order.
inline const QString ChecksSheetName = QStringLiteral("Checks");
inline constexpr int ChecksHeadingRow = 4;
bool fillChecks(Workbook &book, const scores::Report &report);

using Options = exports::Options;

/// The whole export: fills a workbook from the template, saves it as
/// "<paper>_<class>.xlsx" in a fresh temporary folder, shows it and says "The operation
/// succeed!". Any failure (template missing or damaged, a cell that cannot be set, the file
/// that cannot be written) ends the export without a message and leaves no file behind.
/// Returns the path of the workbook, empty after a failure.
QString exportReport(QWidget *parent, const scores::Report &report, const Options &options = {});

} // namespace excelexport
