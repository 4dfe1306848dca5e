#include "logindialog.h"
#include "ui_logindialog.h"

#include "catalogue.h"
#include "helpwindow.h"
#include "prompt.h"

#include <QShowEvent>
#include <QTimer>

LoginDialog::LoginDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::考务登录>())
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("login"));
    // The stored password is only ever compared, never shown or typed over.
    ui->Text2->setReadOnly(true);
    ui->Text2->setFocusPolicy(Qt::NoFocus);
    setMinimumSize(sizeHint().expandedTo(QSize(340, 0)));

    connect(ui->Command1, &QPushButton::clicked, this, &LoginDialog::tryLogin);
    connect(ui->Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Command3, &QPushButton::clicked, this, [this] { help::showFor(this); });
}

LoginDialog::~LoginDialog() = default;

void LoginDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        ui->Text1->clear();
        ui->Text1->setFocus(Qt::OtherFocusReason);
        readPassword();
    }
}

void LoginDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        readPassword();
}

void LoginDialog::readPassword()
{
    ui->Text2->setText(catalogue::adminPassword());
    if (ui->Text2->text().isEmpty() && isVisible()) {
        // Closing from inside the show would be undone by the rest of the show: close next.
        QTimer::singleShot(0, this, &QDialog::accept);
    }
}

void LoginDialog::tryLogin()
{
    if (ui->Text1->text().trimmed() == ui->Text2->text().trimmed()) {
        accept();
        return;
    }
    prompt::inform(this, QStringLiteral("Incorrect!Please enter again!"));
    ui->Text1->clear();
    ui->Text1->setFocus(Qt::OtherFocusReason);
}
