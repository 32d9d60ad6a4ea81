#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

// The target marker: a kite in the tier colour with a shaded right facet, a thin white outline,
// a highlight near the top and a glow of its own colour.
class CoreCursorDiamond final
{
public:
    static constexpr double sideAt = 0.38;
    static constexpr double glowOpacity = 0.75;
    static constexpr double glowRadius = 8;

    explicit CoreCursorDiamond(const QColor &tint);

    QColor tint() const { return m_tint; }

    // The kite filling `rect`: top centre, right edge at 0.38 of the height, bottom centre, left
    // edge at 0.38 of the height.
    static QPainterPath kite(const QRectF &rect);

    void paint(QPainter &painter, const QRectF &rect) const;

private:
    void paintDirect(QPainter &painter, const QRectF &rect) const;

    QColor m_tint;
};
