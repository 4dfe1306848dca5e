#pragma once

#include <QAbstractButton>
#include <QPixmap>

/// A command of the main window shown as a picture. It reports mouse movement over itself
/// (for the highlight rule), acts on a click, and can be reached and pressed by keyboard.
class ImageCommand final : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString tag READ tag WRITE setTag)

public:
    explicit ImageCommand(QWidget *parent = nullptr);

    void setPicture(const QPixmap &picture);
    QPixmap picture() const { return m_picture; }

    /// "1" while shown normal, "2" while shown highlighted.
    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    QSize sizeHint() const override;

signals:
    /// The mouse moved over the command, or the keyboard focus reached it.
    void hovered();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPixmap m_picture;
    QString m_tag = QStringLiteral("1");
};
