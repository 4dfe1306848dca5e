#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class 设置密码;
}

/// Changes the administrator password after checking the old one. Its captions come from
/// the language file each time it is shown. An empty new password removes the login.
class SetPasswordDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit SetPasswordDialog(QWidget *parent = nullptr);
    ~SetPasswordDialog() override;

    /// Applies the language texts and reads the stored password.
    void load();

    /// The message shown after a failed check.
    QString failureMessage() const { return m_failure; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void save();

    std::unique_ptr<Ui::设置密码> ui;
    QString m_failure;
};
