#include "platform/Geometry.h"

#include <algorithm>
#include <cmath>

namespace YUp {

double distance(const QPointF &p, const QRectF &r)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    return std::hypot(dx, dy);
}

bool containsClosed(const QRectF &r, const QPointF &p)
{
    return p.x() >= r.left() && p.x() <= r.right() && p.y() >= r.top() && p.y() <= r.bottom();
}

} // namespace YUp
