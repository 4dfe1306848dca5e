#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class 输入密码;
}

/// The password window of the login: one masked box, OK and Cancel. The caller puts the
/// prompt into the caption.
class PasswordEntryWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit PasswordEntryWindow(QWidget *parent = nullptr);
    ~PasswordEntryWindow() override;

    /// Sets the caption and the prompt shown above the box.
    void setPrompt(const QString &prompt);

    /// The typed text, trimmed, after OK; empty after Cancel or closing.
    QString password() const { return m_password; }

    /// Shows the window modally with prompt as caption and returns password().
    static QString ask(QWidget *parent, const QString &prompt);

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::输入密码> ui;
    QString m_password;
};
