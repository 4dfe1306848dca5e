#pragma once

#include "itemanalysis.h"

#include <QImage>
#include <QWidget>

/// The two pictures of the item analysis, drawn with QPainter so that the window and the
/// saved PNG show the same drawing at any size.
class AnalysisChart : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    /// The picture drawn at a size of its own (for saving), on a white ground.
    QImage picture(const QSize &size) const;
    /// Draws the chart into rect.
    virtual void draw(QPainter &painter, const QRect &rect) const = 0;

    QSize minimumSizeHint() const override { return {280, 200}; }

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// Bars of how many students reached each score.
class ScoreHistogram final : public AnalysisChart
{
    Q_OBJECT

public:
    using AnalysisChart::AnalysisChart;

    void setBins(const QList<itemanalysis::Bin> &bins);
    const QList<itemanalysis::Bin> &bins() const { return m_bins; }
    void draw(QPainter &painter, const QRect &rect) const override;

private:
    QList<itemanalysis::Bin> m_bins;
};

/// One point per question: facility across, discrimination up, with the lines at which the
/// flags begin.
class DiscriminationPlot final : public AnalysisChart
{
    Q_OBJECT

public:
    using AnalysisChart::AnalysisChart;

    void setItems(const QList<itemanalysis::ItemResult> &items);
    /// The questions that have both figures and so are drawn.
    int pointCount() const;
    void draw(QPainter &painter, const QRect &rect) const override;

private:
    QList<itemanalysis::ItemResult> m_items;
};
