#include "itemanalysischarts.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int Margin = 8;

/// A tick step of 1, 2 or 5 times a power of ten that gives at most `ticks` steps over span.
double niceStep(double span, int ticks)
{
    if (span <= 0)
        return 1;
    const double raw = span / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 5.0, 10.0}) {
        if (f * power >= raw)
            return f * power;
    }
    return 10 * power;
}

QString tickText(double value)
{
    return QString::number(value, 'g', 4);
}

} // namespace

QImage AnalysisChart::picture(const QSize &size) const
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());
    draw(painter, image.rect());
    return image;
}

void AnalysisChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, rect());
}

void ScoreHistogram::setBins(const QList<itemanalysis::Bin> &bins)
{
    m_bins = bins;
    update();
}

void ScoreHistogram::draw(QPainter &painter, const QRect &rect) const
{
    const QFontMetrics fm(painter.font());
    painter.setPen(Qt::black);
    const QRect titleRect(rect.left(), rect.top() + Margin, rect.width(), fm.height());
    painter.drawText(titleRect, Qt::AlignCenter, QStringLiteral("Students per score"));
    if (m_bins.isEmpty())
        return;
    int highest = 0;
    for (const itemanalysis::Bin &b : m_bins)
        highest = qMax(highest, b.count);
    const double yStep = niceStep(qMax(1, highest), 5);
    const double yTop = qMax(yStep, std::ceil(highest / yStep) * yStep);

    const int left = rect.left() + Margin + fm.horizontalAdvance(tickText(yTop)) + 6;
    const int top = titleRect.bottom() + Margin;
    const int bottom = rect.bottom() - Margin - 2 * fm.height() - 4;
    const int right = rect.right() - Margin - fm.horizontalAdvance(tickText(m_bins.last().to)) / 2;
    if (right - left < 20 || bottom - top < 20)
        return;
    const QRectF plot(left, top, right - left, bottom - top);
    const auto yOf = [&](double v) { return plot.bottom() - v / yTop * plot.height(); };

    painter.setPen(QColor(220, 220, 220));
    for (double v = yStep; v <= yTop + 1e-9; v += yStep)
        painter.drawLine(QPointF(plot.left(), yOf(v)), QPointF(plot.right(), yOf(v)));
    painter.setPen(Qt::black);
    for (double v = 0; v <= yTop + 1e-9; v += yStep) {
        const QRectF label(rect.left(), yOf(v) - fm.height() / 2.0, left - rect.left() - 4, fm.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, tickText(v));
    }

    const double from = m_bins.first().from;
    const double to = m_bins.last().to;
    const auto xOf = [&](double v) { return plot.left() + (v - from) / (to - from) * plot.width(); };
    painter.setBrush(QColor(70, 120, 180));
    painter.setPen(QColor(40, 70, 110));
    for (const itemanalysis::Bin &b : m_bins) {
        if (b.count == 0)
            continue;
        painter.drawRect(QRectF(QPointF(xOf(b.from), yOf(b.count)), QPointF(xOf(b.to), plot.bottom())));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::black);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());

    // Tick labels under the bar edges, thinned to what fits.
    const double width = m_bins.first().to - m_bins.first().from;
    const double room = fm.horizontalAdvance(tickText(to)) + 8;
    const int every = qMax(1, int(std::ceil(room / (plot.width() / m_bins.size()))));
    for (int b = 0; b <= m_bins.size(); b += every) {
        const double v = from + b * width;
        const QRectF label(xOf(v) - room, plot.bottom() + 2, 2 * room, fm.height());
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, tickText(v));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + fm.height() + 4, plot.width(), fm.height()),
                     Qt::AlignCenter, QStringLiteral("Score"));
}

void DiscriminationPlot::setItems(const QList<itemanalysis::ItemResult> &items)
{
    m_items = items;
    update();
}

int DiscriminationPlot::pointCount() const
{
    int n = 0;
    for (const itemanalysis::ItemResult &item : m_items)
        n += item.facility && item.discrimination ? 1 : 0;
    return n;
}

void DiscriminationPlot::draw(QPainter &painter, const QRect &rect) const
{
    const QFontMetrics fm(painter.font());
    painter.setPen(Qt::black);
    const QRect titleRect(rect.left(), rect.top() + Margin, rect.width(), fm.height());
    painter.drawText(titleRect, Qt::AlignCenter, QStringLiteral("Discrimination against facility"));

    const int left =
        rect.left() + Margin + 2 * fm.height() + fm.horizontalAdvance(QStringLiteral("-0.5")) + 4;
    const int top = titleRect.bottom() + Margin;
    const int bottom = rect.bottom() - Margin - 2 * fm.height() - 4;
    const int right = rect.right() - Margin - fm.horizontalAdvance(QStringLiteral("1.0")) / 2;
    if (right - left < 20 || bottom - top < 20)
        return;
    const QRectF plot(left, top, right - left, bottom - top);
    // Facility 0..1 across, discrimination -1..1 up.
    const auto xOf = [&](double f) { return plot.left() + f * plot.width(); };
    const auto yOf = [&](double d) { return plot.bottom() - (d + 1) / 2 * plot.height(); };

    // The regions the flags stand for, lightly shaded.
    const QColor flagged(250, 228, 228);
    painter.fillRect(QRectF(QPointF(xOf(0), yOf(1)), QPointF(xOf(0.2), yOf(-1))), flagged);
    painter.fillRect(QRectF(QPointF(xOf(0.9), yOf(1)), QPointF(xOf(1), yOf(-1))), flagged);
    painter.fillRect(QRectF(QPointF(xOf(0), yOf(0.2)), QPointF(xOf(1), yOf(-1))), flagged);

    painter.setPen(QColor(220, 220, 220));
    for (int i = 1; i < 10; ++i)
        painter.drawLine(QPointF(xOf(i / 10.0), plot.top()), QPointF(xOf(i / 10.0), plot.bottom()));
    for (int i = -4; i <= 4; ++i)
        painter.drawLine(QPointF(plot.left(), yOf(i / 5.0)), QPointF(plot.right(), yOf(i / 5.0)));
    painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), yOf(0)), QPointF(plot.right(), yOf(0)));

    painter.setPen(Qt::black);
    painter.drawRect(plot);
    for (int i = 0; i <= 5; ++i) {
        const double f = i / 5.0;
        painter.drawText(QRectF(xOf(f) - 20, plot.bottom() + 2, 40, fm.height()),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(f, 'f', 1));
    }
    for (int i = -2; i <= 2; ++i) {
        const double d = i / 2.0;
        painter.drawText(QRectF(rect.left(), yOf(d) - fm.height() / 2.0, left - rect.left() - 4, fm.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(d, 'f', 1));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + fm.height() + 4, plot.width(), fm.height()),
                     Qt::AlignCenter, QStringLiteral("Facility"));
    painter.save();
    painter.translate(rect.left() + Margin + fm.height() / 2.0, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, -fm.height() / 2.0, plot.height(), fm.height()),
                     Qt::AlignCenter, QStringLiteral("Discrimination"));
    painter.restore();

    // Points, numbered when there are few enough to read.
    const bool numbered = pointCount() <= 60;
    painter.setClipRect(plot.adjusted(-4, -4, 4, 4));
    for (const itemanalysis::ItemResult &item : m_items) {
        if (!item.facility || !item.discrimination)
            continue;
        const QPointF p(xOf(*item.facility), yOf(*item.discrimination));
        const bool bad = item.flags & ~unsigned(itemanalysis::NoKey);
        painter.setPen(Qt::NoPen);
        painter.setBrush(bad ? QColor(200, 40, 40) : QColor(40, 110, 60));
        painter.drawEllipse(p, 3.5, 3.5);
        if (numbered) {
            painter.setPen(Qt::black);
            painter.drawText(p + QPointF(5, -3), QString::number(item.number));
        }
    }
    painter.setClipping(false);
}
