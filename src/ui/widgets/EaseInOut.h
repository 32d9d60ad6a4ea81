#pragma once

#include <QEasingCurve>

// The ease-in-out timing of the readouts' animations: a cubic Bézier through (0.42, 0) and
// (0.58, 1), slow at both ends.
inline QEasingCurve easeInOutCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}
