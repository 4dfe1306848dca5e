#pragma once

#include "paperfile.h"

#include <QDialog>
#include <QSet>
#include <QString>

#include <array>
#include <memory>

class QCheckBox;
class RichTextBox;
class RichTextCommands;

namespace Ui {
class 编辑试卷;
}

/// The question editor ("Edit paper"): the questions of the current paper, one at a time, with
/// their question and explanation texts, answer keys and marks; inserting, deleting and
/// reordering questions; taking questions over from any paper of the catalogue (the question
/// bank).
///
/// The paper's RTF files are never edited in place: opening copies them into the work folder,
/// the editors work on those copies, and OK writes the paper file, copies the files back and
/// deletes the paper's files that no question refers to any more. Closing in any way empties
/// the work folder. The questions are edited in the program's one question table
/// (examforge::session().questions).
class QuestionEditorDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit QuestionEditorDialog(QWidget *parent = nullptr);
    ~QuestionEditorDialog() override;

    /// The folder for the working copies; the program's own work folder unless another is set
    /// before the window is shown.
    void setWorkFolder(const QString &folder) { m_workFolder = folder; }
    QString workFolder() const;

    /// True once anything may have changed since opening.
    bool hasUnsavedChanges() const { return m_unsaved; }
    /// The question shown in the controls (0 = none).
    int shownQuestion() const { return m_highlighted; }
    /// The grid's current question (0 = none).
    int currentQuestion() const;

    /// Asks before closing without saving; "No" keeps the window open.
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Report
    {
        Always,
        Once
    };

    bool openPaper();
    /// Refills the grid from the question table (numbers and plain texts).
    void fillGrid();
    void setGridRow(int row, const QString &text);
    /// Makes question r the grid's current row without showing it (0 = no current row).
    void selectRow(int r);
    void showQuestion(int r);
    /// No question in the controls: editors empty and unbound, controls disabled.
    void showNothing();
    void setHighlight(int r, bool on);
    void setCaption(const QString &scoreLabel);
    void setEditingEnabled(bool enabled);

    void previous();
    void next();
    void insertQuestion();
    void deleteQuestion();
    void moveQuestion(int step);
    void saveAndClose();
    /// "Import questions...": Aiken or GIFT questions appended to the test.
    void importQuestions();
    /// "Export questions...": the test's questions as a GIFT file.
    void exportQuestions();

    void answerToggled(int k);
    void answerClicked();
    void markEdited(const QString &text);
    void useDefaultToggled(bool on);
    void defaultMarkChanged(const QString &text);
    void questionTextChanged();

    /// Loads an editor from a working copy; a missing or unreadable file gives an empty editor
    /// that is still bound to the path, so its text is saved there.
    void loadEditor(RichTextBox *editor, const QString &fileName);
    /// Writes both editors to their files. On a failure the teacher is told which file
    /// (Report::Once: only the first failure of that file in a row) and false is returned.
    bool storeEditors(Report report);
    bool storeEditor(RichTextBox *editor, Report report);
    /// Draws two fresh RTF names in the work folder.
    std::pair<QString, QString> newFileNames() const;
    bool roomForAnotherQuestion();

    // The question bank.
    void toggleBank();
    void loadBankPapers();
    void chooseBankPaper();
    void previewBankQuestion(int row);
    void importFromBank();
    QString bankFile(const QString &fileName) const;

    QString workPath(const QString &fileName) const;
    void reportFailure(const QString &text, const QStringList &paths);
    paper::QuestionTable &table() const;

    std::unique_ptr<Ui::编辑试卷> ui;
    std::array<QCheckBox *, 8> m_answers{}; // index 1..7
    RichTextCommands *m_questionCommands = nullptr;
    RichTextCommands *m_explainCommands = nullptr;
    QString m_workFolder;
    QString m_openedWorkFolder;
    QString m_paperName;
    bool m_opened = false;
    bool m_unsaved = false;
    int m_highlighted = 0;
    bool m_selecting = false;
    QSet<QString> m_reportedFailures;

    QString m_bankPaper;
    QList<paper::Question> m_bank;
};
