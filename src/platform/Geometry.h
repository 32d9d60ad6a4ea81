#pragma once

#include <QPointF>
#include <QRectF>

// Model geometry is in points with y pointing up and the origin at the bottom-left of the primary
// display. Qt and X11 count y downwards from the top-left of the primary display. These two
// functions are the only conversion between the two; each is its own inverse.
namespace YUp {

inline QPointF flip(const QPointF &p, double primaryHeight)
{
    return {p.x(), primaryHeight - p.y()};
}

inline QRectF flip(const QRectF &r, double primaryHeight)
{
    return {r.x(), primaryHeight - r.y() - r.height(), r.width(), r.height()};
}

// Euclidean distance from a point to a rectangle, 0 inside or on its edge.
double distance(const QPointF &p, const QRectF &r);

// QRectF::contains is false on the right and bottom edges for some shapes; the model wants
// the closed rectangle.
bool containsClosed(const QRectF &r, const QPointF &p);

} // namespace YUp
