#pragma once

#include "hud/HUDLayout.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

// Where a dragged widget lands: next to the widgets around it, on the screen margins or centre
// when one of those is close, else on the 8-point grid. Model coordinates (points, y up).
namespace GridSnap {

inline constexpr double gridPitch = HUDLayout::gridPitch;
// Spacing left between a widget and the one it is placed beside.
inline constexpr double gap = 8;
// The snap line inside each screen edge.
inline constexpr double edgeMargin = 24;
// The largest move a snap may make.
inline constexpr double snapDistance = 10;

struct Result
{
    QPointF origin;
    std::optional<double> guideX; // x of the vertical guide line, when an x snap was taken
    std::optional<double> guideY; // y of the horizontal guide line
};

struct AxisResult
{
    double value;
    std::optional<double> guide;
};

// One axis: `value` is the proposed start of a span of `length`; `starts` and `ends` are the
// other widgets' spans on this axis; `low` and `high` bound the axis.
AxisResult snapAxis(const QList<double> &starts, const QList<double> &ends, double value,
                    double length, double low, double high);

// `others` are the other widgets' content frames; `origin` and `size` the dragged content;
// `bounds` the screen's visible frame.
Result snap(const QList<QRectF> &others, QPointF origin, QSizeF size, const QRectF &bounds);

} // namespace GridSnap
