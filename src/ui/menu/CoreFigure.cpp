#include "ui/menu/CoreFigure.h"

#include <QPolygonF>

#include <array>
#include <utility>

QPainterPath CoreFigure(const QRectF &rect)
{
    const double sx = rect.width() / 100.0;
    const double sy = rect.height() / 220.0;
    auto at
        = [&](double x, double y) { return QPointF(rect.left() + x * sx, rect.top() + y * sy); };

    QPainterPath path;
    path.addEllipse(QRectF(at(36, 0), QSizeF(28 * sx, 30 * sy)));

    static constexpr std::array<std::pair<double, double>, 17> body{{
        {40, 34},
        {60, 34},
        {82, 44},
        {92, 130},
        {80, 132},
        {73, 72},
        {71, 128},
        {75, 216},
        {54, 216},
        {50, 142},
        {46, 216},
        {25, 216},
        {29, 128},
        {27, 72},
        {20, 132},
        {8, 130},
        {18, 44},
    }};
    QPolygonF outline;
    for (const auto &[x, y] : body)
        outline << at(x, y);
    outline << outline.first();
    path.addPolygon(outline);
    path.closeSubpath();
    return path;
}
