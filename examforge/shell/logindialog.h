#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class 考务登录;
}

/// The administrator login that start-up shows before the main window when a password is
/// set. Accepted after the right password (or when no password is set any more); rejected by
/// Cancel, Escape or the window frame, which end the program.
class LoginDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit LoginDialog(QWidget *parent = nullptr);
    ~LoginDialog() override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    /// Reads the stored password; with none left the login has nothing to ask.
    void readPassword();
    void tryLogin();

    std::unique_ptr<Ui::考务登录> ui;
};
