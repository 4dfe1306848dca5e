#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class 帮助;
}

/// The student's help: a fixed text on how to answer, move on and finish. A click on the
/// text or on Return, or any key, closes it.
class HelpTextWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit HelpTextWindow(QWidget *parent = nullptr);
    ~HelpTextWindow() override;

    /// The help text the exam window shows.
    static QString helpText();

    /// Puts the help text into the window and shows it modally.
    static void showHelp(QWidget *parent);

    void setText(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::unique_ptr<Ui::帮助> ui;
};
