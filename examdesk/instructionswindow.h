#pragma once

#include "examsession.h"

#include <QDialog>

#include <memory>

namespace Ui {
class 考试说明;
}

/// The paper's instructions between the login and the exam: its comment, full score, test
/// time and question count, and the button that starts the test.
class InstructionsWindow final : public QDialog
{
    Q_OBJECT

public:
    /// startExam opens the exam window; without one the start button is disabled.
    explicit InstructionsWindow(examdesk::ExamSession session, examdesk::ExamStarter startExam,
                                QWidget *parent = nullptr);
    ~InstructionsWindow() override;

    const examdesk::ExamSession &session() const { return m_session; }

    /// Reads the paper's figures into the labels (done on the first show).
    void load();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void startTest();

    std::unique_ptr<Ui::考试说明> ui;
    examdesk::ExamSession m_session;
    examdesk::ExamStarter m_startExam;
    bool m_loaded = false;
};

namespace examdesk {

/// The hand-over after a successful login: shows the instructions window for the session (not
/// modally; it deletes itself when closed) and returns it. Its start button calls startExam.
InstructionsWindow *showInstructions(const ExamSession &session, ExamStarter startExam);

} // namespace examdesk
