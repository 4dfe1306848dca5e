#include "setpassworddialog.h"
#include "ui_setpassworddialog.h"

#include "catalogue.h"
#include "helpwindow.h"
#include "language.h"
#include "profile.h"
#include "prompt.h"

#include <QDir>
#include <QShowEvent>

#include <algorithm>

namespace {

const QString LanguageSection = QStringLiteral("MIMA");

/// The language text of a key, or the window's own English text when the language file
/// lacks it: a window of blank captions could not be used at all.
QString textOr(const QString &key, const QString &fallback)
{
    const QString text = language::text(LanguageSection, key);
    // A text of control characters only (a damaged file) would show as blank as an empty one.
    const bool readable =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint() && !c.isSpace(); });
    return readable ? text : fallback;
}

/// True when the password reads back from the catalogue exactly as it is written. Profile
/// values are cut at 255 bytes, lose one pair of enclosing quotes and keep only what the
/// code page can hold; a password that changes on the way would lock the administrator out.
bool storesExactly(const QString &password)
{
    return profile::storedForm(password) == password;
}

} // namespace

SetPasswordDialog::SetPasswordDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::设置密码>())
{
    ui->setupUi(this);
    help::setTopic(this, QStringLiteral("password"));
    ui->Text4->setReadOnly(true);
    ui->Text4->setFocusPolicy(Qt::NoFocus);

    connect(ui->Command1, &QPushButton::clicked, this, &SetPasswordDialog::save);
    connect(ui->Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Command3, &QPushButton::clicked, this, [this] { help::showFor(this); });
}

SetPasswordDialog::~SetPasswordDialog() = default;

void SetPasswordDialog::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        load();
        ui->Text1->setFocus(Qt::OtherFocusReason);
    }
    QDialog::showEvent(event);
}

void SetPasswordDialog::load()
{
    setWindowTitle(textOr(QStringLiteral("SHEZHIGUANLIYUANMIMA"), QStringLiteral("Set password")));
    ui->Label1->setText(textOr(QStringLiteral("JIUDEMIMA"), QStringLiteral("Old password:")));
    ui->Label2->setText(textOr(QStringLiteral("XINDEMIMA"), QStringLiteral("New password:")));
    ui->Label3->setText(textOr(QStringLiteral("CHONGFUSHURU"), QStringLiteral("Confirm new password:")));
    ui->Command1->setText(textOr(QStringLiteral("QUEDING"), QStringLiteral("&Ok")));
    ui->Command2->setText(textOr(QStringLiteral("QUXIAO"), QStringLiteral("&Cancel")));
    ui->Command3->setText(textOr(QStringLiteral("bangzhu"), QStringLiteral("&Help")));
    m_failure = textOr(
        QStringLiteral("SHURUYOUWUQINGCHONGXINSHURU"),
        QStringLiteral("The password is wrong or the two new passwords differ. Please enter them again."));
    // A reused window starts empty each time.
    for (QLineEdit *box : {ui->Text1, ui->Text2, ui->Text3})
        box->clear();
    ui->Text4->setText(catalogue::adminPassword());
}

void SetPasswordDialog::save()
{
    if (ui->Text1->text().trimmed() != ui->Text4->text().trimmed()) {
        ui->Text1->clear();
        prompt::inform(this, m_failure);
        ui->Text1->setFocus(Qt::OtherFocusReason);
        return;
    }
    const QString password = ui->Text2->text().trimmed();
    if (password != ui->Text3->text().trimmed()) {
        ui->Text2->clear();
        ui->Text3->clear();
        prompt::inform(this, m_failure);
        ui->Text2->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!storesExactly(password)) {
        ui->Text2->clear();
        ui->Text3->clear();
        prompt::inform(
            this, QStringLiteral("This password cannot be stored exactly as typed: it is too long, it is "
                                 "enclosed in quotation marks, or it has characters this computer cannot "
                                 "store. Please choose another one."));
        ui->Text2->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!catalogue::setAdminPassword(password)) {
        prompt::inform(
            this, QStringLiteral("The password could not be saved to\n%1\nThe old password stays in force.")
                      .arg(QDir::toNativeSeparators(catalogue::path())));
        return;
    }
    accept();
}
