#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

/// The paper table of paper management: one row per listed paper, and the save routine that
/// writes it back (folders, catalogue paper list, each paper's settings).
namespace papers {

/// Columns of a row; a row is indexed by them (index 0 is unused).
enum Column
{
    NameColumn = 1,
    OpenFlagColumn,        ///< catalogue open flag, "1"/"0"
    TestTimeColumn,        ///< TESTTIME
    FullMarkColumn,        ///< full_mark (question editor's)
    ExerciseModeColumn,    ///< EXERCISEMODE
    RetestPasswordColumn,  ///< RETESTPASSWD
    ReloginPasswordColumn, ///< RELOGINPASSWD
    DisplayScoreColumn,    ///< DISPLAY_SCORE
    QuestionSortColumn,    ///< CHANGE_QUESTION_SORT
    AGradeColumn,
    BGradeColumn,
    CGradeColumn,
    DGradeColumn,
    QuestionCountColumn, ///< Question_conut (question editor's)
    AuthorColumn,
    DefaultMarkColumn, ///< Mark (question editor's)
    CommentColumn,     ///< about_test
    ColumnCount = CommentColumn
};

using PaperRow = std::array<QString, ColumnCount + 1>;

/// The MAIN key that holds a column from TestTimeColumn on.
QString keyOf(int column);

/// The columns this window writes to the paper file, in the order they are written.
const QList<int> &savedColumns();

/// A freshly created paper as the window starts it: open, 30 minutes, passwords 827/358,
/// score shown, random order, grades 90/80/70/60, default mark 5, comment = the name.
PaperRow newPaperRow(const QString &name);

/// Fills the columns from TestTimeColumn on from the paper's file (each key trimmed, "0" when
/// missing, as for a missing file).
void readSettings(PaperRow &row);

/// Every listed paper with its open flag and settings, in list order.
QList<PaperRow> load();

/// The save routine. Removes the folders of the papers in deleted, makes (or empties) those
/// of the papers in created, writes the catalogue's paper list and each paper's settings.
///
/// A name in deleted that is listed again (a paper of that name was created or imported
/// since) keeps its folders, and a name in created that is no longer listed gets none. The
/// names whose folders were dealt with are taken off both lists; those that failed stay, so
/// that the next save tries again. Returns the paths that could not be made, emptied, removed
/// or written; empty when everything was saved.
QStringList save(const QList<PaperRow> &rows, QStringList &deleted, QStringList &created);

} // namespace papers
