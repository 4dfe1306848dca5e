#include "splashwindow.h"

#include "pictures.h"
#include "prompt.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

SplashWindow::SplashWindow(QWidget *parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_picture(new QLabel(this))
    , m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setPixmap(pictures::splash(prompt::applicationTitle(), QStringLiteral("5.0")));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture);
    setFixedSize(sizeHint());

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(DisplayMs);
    connect(m_timer, &QTimer::timeout, this, &QDialog::accept);
    m_timer->start();
}

void SplashWindow::mousePressEvent(QMouseEvent *)
{
    accept();
}

void SplashWindow::keyPressEvent(QKeyEvent *event)
{
    // Any key closes the splash; Escape would reject, which start-up treats the same.
    Q_UNUSED(event);
    accept();
}
