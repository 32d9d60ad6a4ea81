#pragma once

#include <QPainterPath>
#include <QRectF>

#include <numbers>

// The custom outlines of the game interface. Each fills the rectangle it is given as one closed
// polygon, y growing downwards.

// A parallelogram: a negative skew shifts the top edge right by tan(|skew|)·height, a positive
// skew shifts the bottom edge left by tan(skew)·height; the other edge keeps the rectangle's x.
QPainterPath CoreSkewedRect(const QRectF &rect, double skewDegrees = -30);
// tan(skew) for a skew between -80° and 80°, by Lambert's continued fraction x / (1 - x²/(3 -
// x²/(5 - ...))), which twenty levels carry to a double's precision. The maths library's tan is a
// routine with two tables of its own, some 190 KB mapped for the one slope the plates use; a
// constant skew folds at compile time.
constexpr double skewSlope(double skewDegrees)
{
    const double x = skewDegrees * std::numbers::pi / 180.0;
    const double x2 = x * x;
    double rest = 0;
    for (int k = 41; k >= 3; k -= 2)
        rest = x2 / (k - rest);
    return x / (1 - rest);
}

// A plate with its top-right corner cut at 45° by `cut` and its bottom-left corner by 0.35·cut.
QPainterPath CoreCutPanel(const QRectF &rect, double cut = 18);

// A right-pointing arrow head notched at 35 % of its width.
QPainterPath CoreChevron(const QRectF &rect);

// A right-pointing triangle.
QPainterPath Triangle(const QRectF &rect);

// Full height left of `stepAt` (fraction of the width), `thinFraction` of the height (top
// aligned) to its right, with a slanted step and a slanted right end.
QPainterPath CoreStepBarShape(const QRectF &rect, double stepAt, double thinFraction);
