#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QDialog;
class QLabel;
class ImageCommand;

namespace Ui {
class 主窗体;
}

/// The main window: a menu of picture commands, each opening one work window modally.
class MainWindow final : public QWidget
{
    Q_OBJECT

public:
    enum Command { Papers = 1, ExamRoom, Classes, Scores, Password, Help, Quit };
    static constexpr int CommandCount = 7;

    using WindowFactory = std::function<QDialog *(QWidget *parent)>;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    /// Makes a command open the window that factory creates. The window is created on first
    /// use and reused; a command without a window is shown disabled.
    void setCommandWindow(Command command, WindowFactory factory);

    /// Runs a command as a click on its picture does.
    void runCommand(int pictureIndex);

    ImageCommand *commandPicture(int pictureIndex) const;
    QLabel *commandLabel(int pictureIndex) const;

    /// The highlight rule: the mouse over picture k (0 = over the background).
    void highlight(int pictureIndex);

    /// Ends the program at once, without closing events or questions.
    static void quitNow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    static int labelIndexFor(int pictureIndex) { return pictureIndex == Quit ? 0 : pictureIndex; }
    void updateEnabled();

    std::unique_ptr<Ui::主窗体> ui;
    std::array<ImageCommand *, CommandCount + 1> m_pictures{}; // index 1..7
    std::array<QLabel *, CommandCount> m_labels{};             // index 0..6
    std::array<WindowFactory, CommandCount + 1> m_factories{};
    std::array<QDialog *, CommandCount + 1> m_windows{};
};
