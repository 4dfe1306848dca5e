#pragma once

#include "regrade.h"

#include <QDialog>

#include <memory>

namespace Ui {
class RegradeDialog;
}

/// The preview of a regrade: every record whose score would change, with old and new score,
/// the difference and the questions that made it, largest difference first, and the students
/// still sitting the test, who are left alone. The teacher chooses how void questions count;
/// OK writes, Cancel writes nothing.
class RegradeDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit RegradeDialog(const QString &paper, const QString &className, QWidget *parent = nullptr);
    ~RegradeDialog() override;

    const regrade::Preview &preview() const { return m_preview; }
    /// What OK wrote; empty before.
    const regrade::Outcome &outcome() const { return m_outcome; }

private:
    void recompute();
    void fill();
    void write();

    std::unique_ptr<Ui::RegradeDialog> ui;
    QString m_paper;
    QString m_className;
    regrade::Preview m_preview;
    regrade::Outcome m_outcome;
};
