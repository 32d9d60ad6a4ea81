#include "ui/menu/SummaryRing.h"

#include <cmath>
#include <numbers>

namespace SummaryRing {

double angle(int index, int count)
{
    if (count <= 0)
        return -std::numbers::pi / 2;
    return 2 * std::numbers::pi * index / count - std::numbers::pi / 2;
}

QPointF slotCentre(const Ellipse &ring, int index, int count)
{
    const double t = angle(index, count);
    return {ring.centre.x() + ring.rx * std::cos(t), ring.centre.y() + ring.ry * std::sin(t)};
}

QLineF spoke(const Ellipse &ring, int index, int count)
{
    const double t = angle(index, count);
    const double c = std::cos(t), s = std::sin(t);
    const QPointF from(ring.centre.x() + 0.28 * ring.rx * c,
                       ring.centre.y() - 4 + 0.3 * ring.ry * s);
    const QPointF to(ring.centre.x() + 0.88 * ring.rx * c, ring.centre.y() + 0.88 * ring.ry * s);
    return {from, to};
}

} // namespace SummaryRing
