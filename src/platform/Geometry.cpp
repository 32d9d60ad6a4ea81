#include "platform/Geometry.h"

#include <algorithm>
#include <cmath>

namespace YUp {

double distance(const QPointF &p, const QRectF &r)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    // Screen distances are far from overflowing a square; std::hypot guards against that in a
    // routine of its own, 64 KB of the maths library mapped for the pointer's every move.
    return std::sqrt(dx * dx + dy * dy);
}

bool containsClosed(const QRectF &r, const QPointF &p)
{
    return p.x() >= r.left() && p.x() <= r.right() && p.y() >= r.top() && p.y() <= r.bottom();
}

} // namespace YUp
