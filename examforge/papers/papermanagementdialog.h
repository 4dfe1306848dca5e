#pragma once

#include "exportfile.h"
#include "papertable.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QKeyEvent;
class QLineEdit;

namespace Ui {
class 试卷管理;
}

/// Paper management ("Create Test"): the list of papers with each paper's test settings,
/// creating, deleting and ordering papers, and moving whole papers in and out. Changes stay
/// in memory until Save or OK; the window reloads from disk each time it is shown.
class PaperManagementDialog final : public QDialog
{
    Q_OBJECT

public:
    /// Shows the question editor for the current paper, modally, and returns when it closes.
    using EditorOpener = std::function<void(QWidget *parent)>;

    explicit PaperManagementDialog(QWidget *parent = nullptr);
    ~PaperManagementDialog() override;

    /// Lets "Edit selected test" and a double click on the list open the question editor.
    /// Without an opener both stay inert.
    void setQuestionEditor(EditorOpener opener);

    /// Exports a paper of the list to a word-processor document.
    using WordExporter = std::function<void(QWidget *parent, const papers::PaperRow &row)>;

    /// Lets "Export to Word" export the selected paper. Without an exporter it stays disabled.
    void setWordExporter(WordExporter exporter);

    /// Where "Print..." puts the PDF and what shows it (tests); the desktop's viewer by default.
    void setPrintOptions(const exports::Options &options) { m_printOptions = options; }

    /// Saves, makes the selected paper the current one, runs openEditor and then shows the
    /// question count, full score and default mark the editor left in the paper file.
    /// Returns false, without opening anything, when nothing is selected or the save failed.
    bool editSelectedTest(const EditorOpener &openEditor);

    /// Reads the paper list and every paper's settings afresh and selects the first paper.
    void reload();

    /// The save routine; a failure is reported in one message naming the paths. Returns true
    /// when everything was saved.
    bool saveChanges();

    /// The paper table as it stands (row i is the i-th listed paper).
    const QList<papers::PaperRow> &rows() const { return m_rows; }
    /// Papers created, and papers deleted, since the last save.
    const QStringList &createdPapers() const { return m_created; }
    const QStringList &deletedPapers() const { return m_deleted; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createPaper();
    void deletePaper();
    void movePaper(int step);
    void saveAndReport();
    void saveAndClose();
    void exportPaper();
    void printPaper();
    void importPaper();
    void editFromList();

    /// Loads the selected row into the controls.
    void showSelected();
    /// Refills the list from the table and selects index (none when out of range).
    void fillList(int index);
    void selectIndex(int index);
    void updateEnabled();
    papers::PaperRow *selectedRow();
    QStringList listedNames() const;
    void reportFailures(const QString &what, const QStringList &paths);

    void numberEdited(QLineEdit *box, int column);
    void textEdited(QLineEdit *box, int column, bool trimmed);
    void commentEdited();
    void flagToggled(QCheckBox *box, int column);
    void passwordToggled(QCheckBox *box, QLineEdit *passwordBox, int column, const QString &defaultPassword);

    std::unique_ptr<Ui::试卷管理> ui;
    QList<papers::PaperRow> m_rows;
    QStringList m_created;
    QStringList m_deleted;
    EditorOpener m_openEditor;
    WordExporter m_exportToWord;
    exports::Options m_printOptions;
    bool m_filling = false;
    /// Enter moves the focus from each of these boxes to the next one.
    QList<QWidget *> m_enterOrder;
};
