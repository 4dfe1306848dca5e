#include "studentloginwindow.h"
#include "ui_studentloginwindow.h"

#include "catalogue.h"
#include "helpwindow.h"
#include "instructionswindow.h"
#include "numbers.h"
#include "paperfile.h"
#include "passwordentrywindow.h"
#include "profile.h"
#include "prompt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

using examdesk::ExamSession;

namespace {

// A password may hold anything after a NUL that a hand-edited file left in it; only the part
// before it counts.
QString cleanPassword(const QString &stored)
{
    return stored.section(QChar(u'\0'), 0, 0).trimmed();
}

} // namespace

StudentLoginWindow::StudentLoginWindow(examdesk::ExamStarter startExam, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::考试登录>())
    , m_startExam(std::move(startExam))
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("examdesk-login"));

    QFont titleFont = ui->titleLabel->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    ui->titleLabel->setFont(titleFont);
    ui->titleLabel->setStyleSheet(QStringLiteral("color: rgb(20, 55, 120);"));

    // Keys are filtered as they are typed; the validator keeps pasted text to digits too. One
    // leading blank is allowed because OK puts the number back in the " 7" form.
    ui->Text1->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("^ ?[0-9]*$")), ui->Text1));
    ui->Text1->installEventFilter(this);
    ui->Combo1->installEventFilter(this);

    const QString address = linkAddress().toString();
    ui->Label3->setText(QStringLiteral("<a href=\"%1\">%2</a>").arg(address, linkAddress().host()));
    ui->Label3->setToolTip(address);
    connect(ui->Label3, &QLabel::linkActivated, this, [] { QDesktopServices::openUrl(linkAddress()); });

    connect(ui->Command1, &QPushButton::clicked, this, &StudentLoginWindow::confirm);
    connect(ui->Command2, &QPushButton::clicked, this, &QWidget::close);
}

StudentLoginWindow::~StudentLoginWindow() = default;

QUrl StudentLoginWindow::linkAddress()
{
    return QUrl(QStringLiteral("https://students.example.org/examdesk"));
}

bool StudentLoginWindow::load()
{
    const QList<catalogue::PaperEntry> papers = catalogue::loadPapers(QStringLiteral("0"));
    if (papers.isEmpty()) {
        prompt::inform(nullptr, QStringLiteral("Sorry!No test now!"));
        return false;
    }
    ui->Combo1->clear();
    for (const catalogue::PaperEntry &p : papers) {
        if (catalogue::isSet(p.openFlag))
            ui->Combo1->addItem(p.name);
    }
    if (ui->Combo1->count() > 0)
        ui->Combo1->setCurrentIndex(0);

    if (!fillClassList(QStringLiteral("0"))) {
        prompt::inform(nullptr, QStringLiteral("Sorry!No class allowed to test now!"));
        return false;
    }
    // Choosing another paper by keyboard or mouse, with the focus still in the list, must not
    // leave the previous paper's classes on offer: the list follows every change of paper.
    connect(ui->Combo1, &QComboBox::currentIndexChanged, this, &StudentLoginWindow::validatePaperList,
            Qt::UniqueConnection);

    ui->Text1->clear();
    ui->Text2->clear();
    ui->Text3->clear();
    return true;
}

bool StudentLoginWindow::fillClassList(const QString &permissionDefault)
{
    // One read of the catalogue for the whole list, however many classes it holds.
    const catalogue::ClassOffer offer =
        catalogue::offeredClasses(ui->Combo1->currentText().trimmed(), permissionDefault);
    班级名称总数 = qint16(qMin(offer.classCount, 32767));
    ui->Combo2->addItems(offer.offered);
    return offer.classCount > 0;
}

void StudentLoginWindow::validatePaperList()
{
    // Tabbing through the paper list must not lose a class the student already chose.
    const QString chosen = ui->Combo2->currentText();
    ui->Combo2->clear();
    // A class that the exam room never saved for this paper counts as allowed from here on.
    if (!fillClassList(QStringLiteral("1"))) {
        prompt::inform(this, QStringLiteral("Sorry!No test now!"));
        return;
    }
    if (const int again = ui->Combo2->findText(chosen); again >= 0)
        ui->Combo2->setCurrentIndex(again);
}

bool StudentLoginWindow::numberKeyAccepted(const QKeyEvent *key) const
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
        return true;
    default:
        break;
    }
    // Keys that type nothing (arrows, Home, Delete, Tab, Escape, shortcuts) keep their usual
    // meaning; of the typing keys only the digits get through.
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return true;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool StudentLoginWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Text1 && event->type() == QEvent::KeyPress) {
        if (!numberKeyAccepted(static_cast<QKeyEvent *>(event))) {
            QApplication::beep();
            return true;
        }
    } else if (watched == ui->Combo1 && event->type() == QEvent::FocusOut) {
        // Opening the list and switching to another window do not leave the paper list.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            validatePaperList();
    }
    return QDialog::eventFilter(watched, event);
}

bool StudentLoginWindow::passwordAccepted(const QString &prompt, const QString &expected)
{
    m_session.返回密码 = PasswordEntryWindow::ask(this, prompt);
    return m_session.返回密码.trimmed() == expected.trimmed();
}

void StudentLoginWindow::confirm()
{
    m_session.考试名称 = ui->Combo1->currentText();
    if (m_session.考试名称.trimmed().isEmpty()) {
        prompt::inform(this, QStringLiteral("Please choose test name!"));
        return;
    }
    m_session.班级 = ui->Combo2->currentText().trimmed();
    if (m_session.班级.isEmpty()) {
        prompt::inform(this, QStringLiteral("Please choose class name!"));
        return;
    }

    // The number is put back in its canonical form, so 007 logs in as 7. A number too large
    // for 16 bits is left as typed and refused below.
    const double number = numbers::leadingNumber(ui->Text1->text());
    const bool fits = numbers::fitsInt16(number);
    if (number == 0)
        ui->Text1->clear();
    else if (fits)
        ui->Text1->setText(numbers::signBlank(qint64(numbers::toInt16(number))));
    m_session.学号 = ui->Text1->text().trimmed();
    m_session.姓名 = ui->Text2->text().trimmed();
    m_session.姓名LAST = ui->Text3->text().trimmed();

    const profile::Snapshot paperFile(paper::file(m_session.考试名称));
    // The hidden label holds each password as the clean text the checks compare with.
    ui->LabTEMP->setText(cleanPassword(paperFile.value(paper::MainSection, paper::RetestPasswordKey)));
    允许重考 = ui->LabTEMP->text();
    ui->LabTEMP->setText(cleanPassword(paperFile.value(paper::MainSection, paper::ReloginPasswordKey)));
    允许考生二次登录 = ui->LabTEMP->text();

    const catalogue::ClassRecord range = catalogue::loadClass(m_session.班级);
    初始考号 = range.first;
    结束考号 = range.last;

    if (!fits || number < 初始考号 || number > 结束考号) {
        prompt::inform(this, QStringLiteral("Your student number is wrong,Please input again!"));
        ui->Text1->setFocus();
        return;
    }
    if (m_session.学号.isEmpty() || m_session.姓名.isEmpty()) {
        prompt::inform(this, QStringLiteral("Please input your student number and name!"));
        ui->Text1->setFocus();
        return;
    }

    const record::Id id = m_session.recordId();
    const record::State state = record::state(id);
    if (state == record::State::Unreadable) {
        // Taken for "not started", a broken-off attempt would start again and its saved
        // answers be overwritten.
        prompt::inform(this, QStringLiteral("The answer record of this student can't be read now: is the network "
                                            "down?\nPlease try again in a moment."));
        return;
    }
    if (state == record::State::Finished) {
        if (允许重考.isEmpty()) {
            prompt::inform(this, QStringLiteral("The student has finished test,you can't retest!"));
            return;
        }
        const prompt::Answer answer = prompt::ask(
            this,
            QStringLiteral(
                "The student has finished test!\nIf retest,your previous score will be deleted,will "
                "you insist to retest really?"),
            prompt::Buttons::OkCancel);
        if (answer != prompt::Answer::Ok)
            return;
        if (!passwordAccepted(QStringLiteral("Input retest password:"), 允许重考))
            return;
    }
    if (state == record::State::Started) {
        m_session.是否二次登录 = true;
        if (允许考生二次登录.isEmpty()) {
            prompt::inform(this, QStringLiteral("The student has been test,you can't relogin by this student "
                                                "number!Please contact with the system manager."));
            return;
        }
        if (prompt::ask(this, QStringLiteral("Will you insist to relogin by this student number?"),
                        prompt::Buttons::OkCancel) != prompt::Answer::Ok)
            return;
        if (!passwordAccepted(QStringLiteral("Input relogin password:"), 允许考生二次登录))
            return;
    } else {
        m_session.是否二次登录 = false;
    }

    // Without the name in the record nothing of the attempt could be stored either: better to
    // say so now than to let the student sit a test whose answers are lost.
    if (!record::identify(id, m_session.姓名, m_session.姓名LAST)) {
        prompt::inform(this,
                       QStringLiteral("Your answers can't be saved: the answer record of this test can't be "
                                      "written. Please contact with the system manager."));
        return;
    }

    m_session.extraTime = catalogue::extraTime(m_session.班级, m_session.学号.toInt());
    examdesk::showInstructions(m_session, m_startExam);
    close();
}
