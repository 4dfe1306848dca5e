#pragma once

#include "catalogue.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <memory>

class QAbstractButton;
class QLineEdit;

namespace Ui {
class 班级管理;
}

/// The class list of the catalogue: names in display order, each with its number of students
/// and its range of student numbers. Edits an in-memory copy, loaded each time the window is
/// shown; OK writes the whole list back, Cancel drops it.
class ClassManagementDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit ClassManagementDialog(QWidget *parent = nullptr);
    ~ClassManagementDialog() override;

    /// The list as currently edited, in display order.
    const QList<catalogue::ClassRecord> &classes() const { return m_classes; }

    /// Reads the class list from the catalogue and shows the first class.
    void load();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addClass();
    void deleteClass();
    void moveUp();
    void moveDown();
    void save();

    /// Fills the list from the in-memory names and selects row (clamped to the list).
    void refreshList(int row);
    /// Shows the numbers of the selected class without running the adjustment rules.
    void showSelected();
    void countEdited(const QString &text);
    void firstEdited(const QString &text);
    /// The check when the last-number box is left; false when the number was refused.
    bool confirmLast();

    /// Puts text into a number box and remembers it as the box's last valid text.
    void setBox(QLineEdit *box, const QString &text);
    /// Puts the box back to its last valid text (an edit that cannot be held).
    void refuse(QLineEdit *box);
    int selected() const;
    /// Stops swallowing the press of a button that took the focus from a refused last number.
    void disarmRefusedButton();

    std::unique_ptr<Ui::班级管理> ui;
    QList<catalogue::ClassRecord> m_classes;
    QString m_lastCount;
    QString m_lastFirst;
    QString m_lastLast;
    bool m_confirmingLast = false;
    QPointer<QAbstractButton> m_refusedButton;
};
