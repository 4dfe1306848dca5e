#pragma once

#include "examsession.h"

#include <QDialog>
#include <QUrl>

#include <memory>

class QKeyEvent;

namespace Ui {
class 考试登录;
}

/// The student's login: an open paper, a class allowed to sit it, the student number and the
/// name. A successful login writes the name into the answer record, hands the session to the
/// instructions window and closes.
class StudentLoginWindow final : public QDialog
{
    Q_OBJECT

public:
    /// startExam is passed on to the instructions window after a successful login.
    explicit StudentLoginWindow(examdesk::ExamStarter startExam = {}, QWidget *parent = nullptr);
    ~StudentLoginWindow() override;

    /// Fills the paper and class lists from the catalogue. When there is no paper or no class
    /// it says so and returns false: the program is then to end.
    bool load();

    /// The values of the last OK; after a successful login, the session handed on.
    const examdesk::ExamSession &session() const { return m_session; }

    /// The address behind the link label.
    static QUrl linkAddress();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void validatePaperList();
    /// Fills the class list for the chosen paper; false when the catalogue lists no class.
    bool fillClassList(const QString &permissionDefault);
    void confirm();
    bool passwordAccepted(const QString &prompt, const QString &expected);
    bool numberKeyAccepted(const QKeyEvent *key) const;

    std::unique_ptr<Ui::考试登录> ui;
    examdesk::ExamStarter m_startExam;
    examdesk::ExamSession m_session;

    QString 允许重考;         // retest password of the paper; empty: no retest
    QString 允许考生二次登录; // relogin password of the paper; empty: no relogin
    qint16 初始考号 = 0;
    qint16 结束考号 = 0;
    qint16 班级名称总数 = 0;
};
