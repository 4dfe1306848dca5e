#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

class QListWidget;
class RowHeightDelegate;

namespace Ui {
class 考场管理;
}

/// Which papers are open, and which classes may sit each paper. Each pair of lists (names and
/// Yes/No) is one table: its selection and scrolling stay together. Edits an in-memory table,
/// loaded each time the window is shown; OK writes every flag and every pair.
class ExamRoomDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit ExamRoomDialog(QWidget *parent = nullptr);
    ~ExamRoomDialog() override;

    /// Reads the papers, classes, open flags and permissions from the catalogue. A catalogue
    /// with more pairs of a test and a class than the window can hold is refused with a
    /// message, leaving the lists empty; false then.
    bool load();

    /// The paper selected in the test list, -1 when none.
    int selectedPaper() const;
    /// "Yes" or "No" per paper.
    const QStringList &paperFlags() const { return m_paperFlags; }
    /// "Yes", "No" or "" per class for paper j (1-based); row 0 stands for "no paper selected".
    QStringList permissionRow(int j) const { return m_permissions.value(j); }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paperChosen(int row);
    void togglePaper(int row);
    void paperFlagPressed(int row);
    void fillPermissions();
    /// strict: only Yes and No are toggled (a press on the Yes/No column); otherwise anything
    /// but Yes becomes Yes (a double click on the class name).
    void togglePermission(int row, bool strict);
    void setAllClasses(const QString &value);
    void save();
    void alignRows(QListWidget *names, QListWidget *values, RowHeightDelegate *delegate);

    std::unique_ptr<Ui::考场管理> ui;
    RowHeightDelegate *m_paperRows;
    RowHeightDelegate *m_classRows;
    QStringList m_paperNames;
    QStringList m_paperFlags;
    QStringList m_classNames;
    QList<QStringList> m_permissions; // [0]: no paper selected, [j]: paper j
};
