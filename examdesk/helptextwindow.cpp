#include "helptextwindow.h"
#include "ui_helptextwindow.h"

#include <QKeyEvent>
#include <QMouseEvent>

HelpTextWindow::HelpTextWindow(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::帮助>())
{
    ui->setupUi(this);
    ui->Label1->installEventFilter(this);
    connect(ui->Command1, &QPushButton::clicked, this, &QDialog::accept);
}

HelpTextWindow::~HelpTextWindow() = default;

QString HelpTextWindow::helpText()
{
    static const char16_t *const lines[] = {
        u"To select an answer choice:  ",
        u"Mark the checkbox of corresponding answer choice. ",
        u"",
        u"To turn question automatically after answered a question:",
        u"Mark the 'Page Auto.' checkbox. ",
        u"",
        u"To view left time: ",
        u"The left time of test is displayed in a window. ",
        u"",
        u"To view answer key: ",
        u"If teacher have marked the 'Allow to view answer key' checkbox, students are allowed to view "
        u"correct "
        u"answer key by clicking on 'Display Key'. click 'Continue test' will return to test status. ",
        u"",
        u"To complete a test:",
        u"Click 'Finish test'.",
        u"",
        u"' 1. A yes ' and '2.B not': ",
        u"To true-faulse question, choice '1. A' means 'yes' and '2.B' means 'not'.",
        u"",
        u"Varnhold ",
        u"Examora Ver.5.0",
        u"",
        u"Questions about this program: examdesk-help@northfield-school.example.org",
        u"",
    };
    QString text = QStringLiteral("\n");
    for (const char16_t *line : lines)
        text += QString::fromUtf16(line) + u'\n';
    return text;
}

void HelpTextWindow::showHelp(QWidget *parent)
{
    HelpTextWindow window(parent);
    window.setText(helpText());
    window.exec();
}

void HelpTextWindow::setText(const QString &text)
{
    ui->Label1->setText(text);
}

bool HelpTextWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Label1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void HelpTextWindow::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    accept();
}
