#include "instructionswindow.h"
#include "ui_instructionswindow.h"

#include "examrules.h"
#include "helpwindow.h"
#include "numbers.h"
#include "paperfile.h"
#include "profile.h"
#include "prompt.h"

InstructionsWindow::InstructionsWindow(examdesk::ExamSession session, examdesk::ExamStarter startExam,
                                       QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::考试说明>())
    , m_session(std::move(session))
    , m_startExam(std::move(startExam))
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("examdesk-instructions"));
    QFont figures = ui->Lab总分->font();
    figures.setBold(true);
    for (QLabel *label : {ui->Lab总分, ui->Lab考试总时间, ui->LAB总题数})
        label->setFont(figures);
    ui->Command1->setEnabled(static_cast<bool>(m_startExam));
    connect(ui->Command1, &QPushButton::clicked, this, &InstructionsWindow::startTest);
}

InstructionsWindow::~InstructionsWindow() = default;

void InstructionsWindow::load()
{
    m_loaded = true;
    // Always the paper under the data root, also when the exam later works from a local copy.
    const profile::Snapshot file(paper::file(m_session.考试名称.trimmed()));
    const auto read = [&file](const QString &key) {
        return file.value(QStringLiteral("main"), key, QStringLiteral("0")).trimmed();
    };
    ui->Label1->setText(QStringLiteral("  ") + read(paper::AboutTestKey));
    ui->Lab总分->setText(read(paper::FullMarkKey));
    ui->Lab考试总时间->setText(read(QStringLiteral("TESTtime")));
    ui->LAB总题数->setText(QStringLiteral("  ") + read(paper::QuestionCountKey));
    // A student with extra time sees the limit the countdown will start from. A resumed
    // attempt goes on from the time it had saved.
    const catalogue::ExtraTime &extra = m_session.extraTime;
    if (!extra.isNone() && !m_session.是否二次登录) {
        const qint64 seconds =
            examdesk::limitSeconds(file.number(QStringLiteral("main"), QStringLiteral("TESTtime")), extra);
        ui->LabOwnTime->setText(QStringLiteral("Your time: %1 (with extra time %2)")
                                    .arg(numbers::hhmmss(seconds), catalogue::extraTimeText(extra)));
        ui->LabOwnTime->setVisible(true);
    }
}

void InstructionsWindow::showEvent(QShowEvent *event)
{
    if (!m_loaded)
        load();
    QDialog::showEvent(event);
}

void InstructionsWindow::startTest()
{
    if (!m_startExam)
        return;
    // A paper without a time limit would end the moment it starts and leave the student
    // finished with nothing answered: refuse it before anything is written.
    const profile::Snapshot file(paper::file(m_session.考试名称.trimmed()));
    if (file.number(QStringLiteral("main"), QStringLiteral("TESTtime"), QStringLiteral("0")) < 1) {
        prompt::inform(this, QStringLiteral("This test has no time limit, so it can't be started. "
                                            "Please contact with the system manager."));
        return;
    }
    m_startExam(m_session);
    close();
}

namespace examdesk {

InstructionsWindow *showInstructions(const ExamSession &session, ExamStarter startExam)
{
    auto *window = new InstructionsWindow(session, std::move(startExam));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

} // namespace examdesk
