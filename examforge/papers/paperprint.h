#pragma once

#include "exportfile.h"
#include "paperfile.h"
#include "papertable.h"

#include <QPageSize>
#include <QString>

class QWidget;

/// "Print...": a paper as a PDF to print or hand out. The student copy has a header with the
/// paper's name and lines for the student's name, number and class, then the questions
/// numbered, with their marks and no keys; the teacher copy adds each question's key and
/// explanation and an answer grid at the end. Pages are numbered, and a question that fits on
/// one page is never split across two.
namespace paperprint {

enum class Copy { Student, Teacher };

/// What goes at the top of the first page.
struct Header
{
    QString paperName;
    QString testTime; ///< minutes, as paper management shows them
    QString fullMark;
};

Header headerOf(const papers::PaperRow &row);

/// The paper size people here print on: Letter where the system's locale uses it (LC_PAPER,
/// or the territory where the system does not say), A4 elsewhere.
QPageSize::PageSizeId systemPageSize();

/// The keys of a question as letters: "13" gives "A, C"; empty when it has none.
QString keyLetters(const QString &answer);

/// Writes the PDF of the questions of the paper header.paperName (its RTF files are read
/// from its folder) to path. Returns the number of pages, or 0 when the file could not be
/// written.
int write(const QString &path, const Header &header, const paper::QuestionTable &questions, Copy copy,
          QPageSize::PageSizeId pageSize);

/// The whole command for a paper-table row: the PDF in a fresh temporary folder, shown with
/// the desktop's viewer, with its messages. Returns the PDF's path, or an empty string when it
/// could not be written (the user was told).
QString printPaper(QWidget *parent, const papers::PaperRow &row, Copy copy, QPageSize::PageSizeId pageSize,
                   const exports::Options &options = {});

} // namespace paperprint
