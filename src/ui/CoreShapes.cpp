#include "ui/CoreShapes.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

QPainterPath closedPolygon(const QPolygonF &points)
{
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    return path;
}

} // namespace

QPainterPath CoreSkewedRect(const QRectF &rect, double skewDegrees)
{
    const double s = skewSlope(skewDegrees) * rect.height();
    const double a = std::min(s, 0.0);
    const double b = std::max(s, 0.0);
    return closedPolygon({
        {rect.left() - a, rect.top()},
        {rect.right() - a, rect.top()},
        {rect.right() - b, rect.bottom()},
        {rect.left() - b, rect.bottom()},
    });
}

QPainterPath CoreCutPanel(const QRectF &rect, double cut)
{
    return closedPolygon({
        {rect.left(), rect.top()},
        {rect.right() - cut, rect.top()},
        {rect.right(), rect.top() + cut},
        {rect.right(), rect.bottom()},
        {rect.left() + 0.35 * cut, rect.bottom()},
        {rect.left(), rect.bottom() - 0.35 * cut},
    });
}

QPainterPath CoreChevron(const QRectF &rect)
{
    const double midY = rect.center().y();
    return closedPolygon({
        {rect.left(), rect.top()},
        {rect.right(), midY},
        {rect.left(), rect.bottom()},
        {rect.left() + 0.35 * rect.width(), midY},
    });
}

QPainterPath Triangle(const QRectF &rect)
{
    return closedPolygon({
        {rect.left(), rect.top()},
        {rect.right(), rect.center().y()},
        {rect.left(), rect.bottom()},
    });
}

QPainterPath CoreStepBarShape(const QRectF &rect, double stepAt, double thinFraction)
{
    const double h = rect.height();
    const double x = rect.left() + rect.width() * stepAt;
    const double y = rect.top() + h * thinFraction;
    return closedPolygon({
        {rect.left(), rect.top()},
        {rect.right(), rect.top()},
        {rect.right() - 0.35 * h * thinFraction, y},
        {x + (h - (y - rect.top())) * 0.5, y},
        {x, rect.bottom()},
        {rect.left(), rect.bottom()},
    });
}
