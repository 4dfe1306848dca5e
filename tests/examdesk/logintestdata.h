#pragma once

#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

/// The data tree most Examdesk tests start from: three classes, papers Unit3 (open, with both
/// passwords), Closed and Unit4 (open, no paper file), and the score folders.
inline void writeSchool(const TestDataRoot &root,
                        const QByteArray &paperMain = "RETESTPASSWD=827\r\nRELOGINPASSWD=358\r\n")
{
    root.write(QStringLiteral("sys/sys.cho"),
               "[ClassName]\r\nClassNameCount=3\r\n1=Grade2A\r\n2= Grade2B \r\n3=Grade2C\r\n"
               "[FirstNumber]\r\nGrade2A=1\r\nGrade2B=101\r\nGrade2C=0\r\n"
               "[LastNumber]\r\nGrade2A=30\r\nGrade2B=128\r\nGrade2C=5\r\n"
               "[TestName]\r\nTestNameCount=3\r\n1=Unit3\r\n2=Closed\r\n3=Unit4\r\n"
               "Unit3=1\r\nClosed=0\r\nUnit4=01 open\r\n"
               "[Unit3]\r\nGrade2A=1\r\nGrade2B=0\r\n"
               "[Closed]\r\nGrade2A=1\r\n");
    root.write(QStringLiteral("SHIJUAN/Unit3/Unit3.cho"),
               "[MAIN]\r\nTESTTIME=30\r\nabout_test=Read carefully.\r\n" + paperMain);
    root.write(QStringLiteral("CHENGJI/Unit3/.keep"), {});
    root.write(QStringLiteral("CHENGJI/Unit4/.keep"), {});
}

template <class T> T *child(const QWidget *window, const QString &name)
{
    return window ? window->findChild<T *>(name) : nullptr;
}

/// The visible top-level window of that object name, if any.
inline QWidget *shownWindow(const QString &name)
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->objectName() == name && w->isVisible())
            return w;
    }
    return nullptr;
}

/// Answers the password window when it comes up: types text and presses OK (or Cancel).
class PasswordAnswer final : public QObject
{
public:
    explicit PasswordAnswer(QString text, bool ok = true)
        : m_text(std::move(text))
        , m_ok(ok)
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, &PasswordAnswer::poll);
        m_timer.start();
    }

    bool answered() const { return m_answered; }
    QString caption() const { return m_caption; }
    bool masked() const { return m_masked; }
    bool emptyWhenShown() const { return m_empty; }

private:
    void poll()
    {
        QWidget *window = QApplication::activeModalWidget();
        if (!window || window->objectName() != u"输入密码")
            return;
        m_timer.stop();
        auto *box = child<QLineEdit>(window, QStringLiteral("TxtPW"));
        m_caption = window->windowTitle();
        m_masked = box->echoMode() == QLineEdit::Password;
        m_empty = box->text().isEmpty() && window->focusWidget() == box;
        box->setText(m_text);
        child<QPushButton>(window, m_ok ? QStringLiteral("OKButton") : QStringLiteral("CancelButton"))
            ->click();
        m_answered = true;
    }

    QTimer m_timer;
    QString m_text;
    bool m_ok;
    bool m_answered = false;
    QString m_caption;
    bool m_masked = false;
    bool m_empty = false;
};
