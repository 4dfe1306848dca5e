#pragma once

#include <QDialog>

class QLabel;
class QTimer;

/// The splash window: shows the product picture and closes itself after 1.5 s, on a mouse
/// click or on a key.
class SplashWindow final : public QDialog
{
    Q_OBJECT

public:
    static constexpr int DisplayMs = 1500;

    explicit SplashWindow(QWidget *parent = nullptr);

    QTimer *timer() const { return m_timer; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *m_picture;
    QTimer *m_timer;
};
