#pragma once

#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include <cmath>

// Readouts are laid out in points at their design size and drawn smaller (or larger) on screens
// of other widths. A view that scales itself paints through a scaled painter and maps its own
// rectangles and pointer positions, so nothing stands between its paint and its window.
class ReadoutScale
{
public:
    virtual ~ReadoutScale() = default;

    double readoutScale() const { return m_factor; }
    // Draws the readout `factor` times its design size; the caller gives the widget that size.
    void setReadoutScale(double factor)
    {
        m_factor = std::isfinite(factor) && factor > 0 ? factor : 1.0;
    }

protected:
    // The widget's size in design points.
    QSizeF points(const QWidget &widget) const { return QSizeF(widget.size()) / m_factor; }
    // A rectangle in design points as the widget's pixels, grown to whole pixels.
    QRect toPixels(const QRectF &points) const
    {
        return QRectF(points.topLeft() * m_factor, points.size() * m_factor).toAlignedRect();
    }
    QPointF toPoints(const QPointF &pixels) const { return pixels / m_factor; }
    // The part of a repaint (`pixels`, a paint event's rectangle) in design points, a pixel
    // wider all round for antialiased edges.
    QRectF repaintedPoints(const QRect &pixels) const
    {
        const QRectF grown = QRectF(pixels).adjusted(-1, -1, 1, 1);
        return {toPoints(grown.topLeft()), toPoints(grown.bottomRight())};
    }
    QSize scaledHint(const QSizeF &designSize) const
    {
        return {int(std::lround(designSize.width() * m_factor)),
                int(std::lround(designSize.height() * m_factor))};
    }
    // Readies `painter` to draw in design points.
    void beginPoints(QPainter &painter) const
    {
        if (m_factor != 1.0)
            painter.scale(m_factor, m_factor);
    }

private:
    double m_factor = 1.0;
};
