#include "imagecommand.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

ImageCommand::ImageCommand(QWidget *parent)
    : QAbstractButton(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void ImageCommand::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

QSize ImageCommand::sizeHint() const
{
    if (m_picture.isNull())
        return {48, 48};
    return m_picture.deviceIndependentSize().toSize();
}

void ImageCommand::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_picture.isNull()) {
        const QSize size = m_picture.deviceIndependentSize().toSize().scaled(this->size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
        if (!isEnabled()) {
            painter.setOpacity(0.35);
        }
        painter.drawPixmap(target, m_picture);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void ImageCommand::mouseMoveEvent(QMouseEvent *event)
{
    emit hovered();
    QAbstractButton::mouseMoveEvent(event);
    // The background behind must not see this move, or it would take the highlight away.
    event->accept();
}

void ImageCommand::focusInEvent(QFocusEvent *event)
{
    emit hovered();
    QAbstractButton::focusInEvent(event);
}

void ImageCommand::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
