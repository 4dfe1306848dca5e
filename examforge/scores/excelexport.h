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

/// Fills the four worksheets. Returns false when a cell cannot be set (a template with fewer
/// than four worksheets); the workbook is then only partly filled. The export adds the "Item
/// analysis" worksheet after them, then the "Checks" worksheet.
bool fill(Workbook &book, const scores::Report &report);

/// The name of the worksheet that follows the four: the item analysis of the same students.
inline const QString ItemAnalysisSheet = QStringLiteral("Item analysis");

/// Adds the worksheet "Item analysis" after the last one (or fills the template's own sheet of
/// that name) with the figures of the item analysis window, as numeric cells: the test's
/// figures in A4:B15, one row per question from row 18, and from column L one row per answer
/// given to a question with its counts in the top and bottom groups. The other worksheets are
/// not touched. Returns false when the sheet cannot be added or a cell cannot be set.
bool fillItemAnalysis(Workbook &book, const scores::Report &report);

/// The worksheet added after "Item analysis": every student with the finding of the record
/// checks in column E ("Check": "OK", what does not agree, or empty while not finished) and
/// the student's extra time in column F.
/// Headings in row 4, students from row 5 in number order.
inline const QString ChecksSheetName = QStringLiteral("Checks");
inline constexpr int ChecksHeadingRow = 4;
bool fillChecks(Workbook &book, const scores::Report &report);

using Options = exports::Options;

/// The whole export: fills a workbook from the template (the four worksheets, then the item
/// analysis), saves it as
/// "<paper>_<class>.xlsx" in a fresh temporary folder, shows it and says "The operation
/// succeed!". Any failure (template missing or damaged, a cell that cannot be set, the file
/// that cannot be written) ends the export without a message and leaves no file behind.
/// Returns the path of the workbook, empty after a failure.
QString exportReport(QWidget *parent, const scores::Report &report, const Options &options = {});

} // namespace excelexport
