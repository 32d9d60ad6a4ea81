#pragma once

#include <QLineF>
#include <QPointF>

// Where the summary panel's app slots sit: evenly round an ellipse about the figure, the first
// at the top and the others clockwise (y grows downwards), each with a spoke towards the
// figure.
namespace SummaryRing {

struct Ellipse
{
    QPointF centre;
    double rx = 0;
    double ry = 0;
};

// The angle of slot `index` of `count`: 2π·index / count − π/2.
double angle(int index, int count);
QPointF slotCentre(const Ellipse &ring, int index, int count);
// From 0.28 / 0.3 of the radii (4 points above the centre) out to 0.88 of them.
QLineF spoke(const Ellipse &ring, int index, int count);

} // namespace SummaryRing
