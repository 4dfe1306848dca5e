#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QLabel;

/// The program's own help viewer: one HTML page per window, from the help folder beside the
/// program. A window names its page with the property "helpTopic"; F1 anywhere, or a Help
/// button, opens the page of the active window.
class HelpWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    /// Shows help/<topic>.html; a missing page is reported inside the window.
    void showTopic(const QString &topic);
    QString topic() const { return m_topic; }
    bool pageFound() const { return m_found; }

    /// Sizes the window to fit the screen of its owner and centres it over the owner, wholly
    /// on that screen, title bar included.
    void placeOnScreen();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    static constexpr QSize PreferredSize{640, 520};

    QTextBrowser *m_browser;
    QLabel *m_status;
    QString m_topic;
    bool m_found = false;
};

namespace help {

/// Name of the widget property that carries a window's help topic.
inline constexpr char TopicProperty[] = "helpTopic";

/// Sets the help topic of a window.
void setTopic(QWidget *window, const QString &topic);

/// The topic of the window that holds widget (walking up to the first widget that has one).
QString topicFor(const QWidget *widget);

/// Opens the help window at the topic of widget's window and returns it. The help window
/// belongs to that window, so it stays usable while the window is modal.
HelpWindow *showFor(QWidget *widget);

/// Makes F1 open the help of the active window in the whole application.
void installF1Handler();

} // namespace help
