#include "pictures.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace pictures {
namespace {

QPixmap canvas(const QSize &size)
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawSheet(QPainter &p, const QRectF &r)
{
    // A sheet of paper with lines and a tick: the emblem of a test.
    const qreal w = r.width();
    QPainterPath sheet;
    const qreal fold = w * 0.22;
    sheet.moveTo(r.left(), r.top());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.right(), r.bottom());
    sheet.lineTo(r.left(), r.bottom());
    sheet.closeSubpath();
    p.setPen(QPen(QColor(30, 60, 110), w * 0.03));
    p.setBrush(QColor(250, 250, 245));
    p.drawPath(sheet);
    p.setPen(QPen(QColor(150, 170, 200), w * 0.035, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const qreal y = r.top() + r.height() * (0.30 + i * 0.14);
        p.drawLine(QPointF(r.left() + w * 0.14, y), QPointF(r.right() - w * (i == 0 ? 0.34 : 0.14), y));
    }
    p.setPen(QPen(QColor(20, 150, 70), w * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(r.left() + w * 0.28, r.top() + r.height() * 0.66);
    tick.lineTo(r.left() + w * 0.46, r.top() + r.height() * 0.84);
    tick.lineTo(r.left() + w * 0.86, r.top() + r.height() * 0.46);
    p.drawPath(tick);
}

} // namespace

QPixmap commandTemplate(bool highlighted, int size)
{
    QPixmap pixmap = canvas(QSize(size, size));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(2, 2, size - 4, size - 4);
    QRadialGradient g(r.center() - QPointF(size * 0.15, size * 0.15), size * 0.7);
    if (highlighted) {
        g.setColorAt(0, QColor(255, 250, 190));
        g.setColorAt(0.6, QColor(250, 205, 40));
        g.setColorAt(1, QColor(200, 140, 0));
    } else {
        g.setColorAt(0, QColor(170, 210, 255));
        g.setColorAt(0.6, QColor(40, 110, 210));
        g.setColorAt(1, QColor(15, 55, 140));
    }
    p.setPen(QPen(highlighted ? QColor(150, 100, 0) : QColor(10, 40, 100), 1.5));
    p.setBrush(g);
    p.drawEllipse(r);
    // An arrow that says "go".
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    QPainterPath arrow;
    const qreal c = size / 2.0;
    arrow.moveTo(c - size * 0.12, c - size * 0.2);
    arrow.lineTo(c + size * 0.2, c);
    arrow.lineTo(c - size * 0.12, c + size * 0.2);
    arrow.closeSubpath();
    p.drawPath(arrow);
    return pixmap;
}

QPixmap background(const QSize &size)
{
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(232, 240, 252));
    g.setColorAt(1, QColor(196, 214, 240));
    p.fillRect(QRect(QPoint(0, 0), size), g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(QPointF(size.width() * 0.15, size.height() * 1.05), size.width() * 0.45, size.height() * 0.5);
    return pixmap;
}

QPixmap emblem(int size)
{
    QPixmap pixmap = canvas(QSize(size, size));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawSheet(p, QRectF(size * 0.15, size * 0.05, size * 0.7, size * 0.9));
    return pixmap;
}

QPixmap splash(const QString &title, const QString &version)
{
    const QSize size(480, 300);
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(20, 55, 120));
    g.setColorAt(1, QColor(40, 120, 190));
    p.fillRect(QRect(QPoint(0, 0), size), g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 25));
    p.drawEllipse(QPointF(420, 40), 160, 160);
    drawSheet(p, QRectF(40, 60, 120, 160));

    QFont big = p.font();
    big.setPixelSize(44);
    big.setBold(true);
    p.setFont(big);
    p.setPen(Qt::white);
    p.drawText(QRectF(190, 80, 280, 60), Qt::AlignLeft | Qt::AlignVCenter, title);
    QFont small = p.font();
    small.setPixelSize(18);
    small.setBold(false);
    p.setFont(small);
    p.setPen(QColor(220, 235, 255));
    p.drawText(QRectF(192, 140, 280, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Version %1").arg(version));
    p.drawText(QRectF(192, 170, 280, 50), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Tests for the classroom"));
    QFont tiny = p.font();
    tiny.setPixelSize(12);
    p.setFont(tiny);
    p.setPen(QColor(200, 215, 240));
    p.drawText(QRectF(0, size.height() - 34, size.width() - 16, 24), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Examforge"));
    return pixmap;
}

} // namespace pictures
