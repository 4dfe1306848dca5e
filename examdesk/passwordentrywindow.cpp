#include "passwordentrywindow.h"
#include "ui_passwordentrywindow.h"

PasswordEntryWindow::PasswordEntryWindow(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::输入密码>())
{
    ui->setupUi(this);
    // Asterisks rather than the style's dots, as people expect from a password window.
    ui->TxtPW->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    connect(ui->OKButton, &QPushButton::clicked, this, [this] {
        m_password = ui->TxtPW->text().trimmed();
        accept();
    });
    connect(ui->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, [this] { m_password.clear(); });
}

PasswordEntryWindow::~PasswordEntryWindow() = default;

void PasswordEntryWindow::setPrompt(const QString &prompt)
{
    setWindowTitle(prompt);
    ui->promptLabel->setText(prompt);
}

QString PasswordEntryWindow::ask(QWidget *parent, const QString &prompt)
{
    PasswordEntryWindow window(parent);
    window.setPrompt(prompt);
    window.exec();
    return window.password();
}

void PasswordEntryWindow::showEvent(QShowEvent *event)
{
    m_password.clear();
    ui->TxtPW->clear();
    ui->TxtPW->setFocus(Qt::ActiveWindowFocusReason);
    QDialog::showEvent(event);
}
