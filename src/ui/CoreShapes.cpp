#include "ui/CoreShapes.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

QPainterPath closedPolygon(const QPolygonF &points)
{
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    return path;
}

} // namespace

double skewSlope(double skewDegrees)
{
    // tan by Lambert's continued fraction, x / (1 - x²/(3 - x²/(5 - ...))), which twenty levels
    // carry to a double's precision up to some 80°. The maths library's tan is a routine with
    // two tables of its own: some 190 KB mapped for the one slope the plates are drawn with.
    const double x = skewDegrees * std::numbers::pi / 180.0;
    const double x2 = x * x;
    double rest = 0;
    for (int k = 41; k >= 3; k -= 2)
        rest = x2 / (k - rest);
    return x / (1 - rest);
}

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
