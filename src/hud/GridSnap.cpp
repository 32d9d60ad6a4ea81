#include "hud/GridSnap.h"

#include <cmath>

namespace GridSnap {

namespace {

struct Candidate
{
    double position;
    double guide;
};

} // namespace

AxisResult snapAxis(const QList<double> &starts, const QList<double> &ends, double value,
                    double length, double low, double high)
{
    // The order matters: on equal distance the earlier candidate wins, so the margins and the
    // centre beat the other widgets' edges.
    QList<Candidate> candidates;
    candidates.reserve(3 + 2 * (starts.size() + ends.size()));
    candidates.append({low + edgeMargin, low + edgeMargin});
    candidates.append({high - edgeMargin - length, high - edgeMargin});
    const double mid = (low + high) / 2;
    candidates.append({mid - length / 2, mid});
    for (double s : starts) {
        candidates.append({s, s});
        candidates.append({s - gap - length, s - gap});
    }
    for (double e : ends) {
        candidates.append({e - length, e});
        candidates.append({e + gap, e + gap});
    }

    const Candidate *best = nullptr;
    double bestDistance = 0;
    for (const Candidate &c : candidates) {
        const double d = std::abs(c.position - value);
        if (!best || d < bestDistance) {
            best = &c;
            bestDistance = d;
        }
    }
    if (best && bestDistance <= snapDistance)
        return {best->position, best->guide};
    // std::round takes halves away from zero.
    return {low + gridPitch * std::round((value - low) / gridPitch), std::nullopt};
}

Result snap(const QList<QRectF> &others, QPointF origin, QSizeF size, const QRectF &bounds)
{
    QList<double> xStarts, xEnds, yStarts, yEnds;
    for (const QRectF &r : others) {
        // With y up a rectangle's y is its lowest edge and y + height its highest.
        xStarts << r.x();
        xEnds << r.x() + r.width();
        yStarts << r.y();
        yEnds << r.y() + r.height();
    }
    const AxisResult x = snapAxis(xStarts, xEnds, origin.x(), size.width(), bounds.x(),
                                  bounds.x() + bounds.width());
    const AxisResult y = snapAxis(yStarts, yEnds, origin.y(), size.height(), bounds.y(),
                                  bounds.y() + bounds.height());
    return {{x.value, y.value}, x.guide, y.guide};
}

} // namespace GridSnap
