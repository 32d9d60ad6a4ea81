#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>

class QImage;
class QPainter;

// Soft drop shadows under theme shapes. The blurred silhouette of a shape is rendered once per
// outline, colour, radius and pixel ratio and kept in the pixmap cache, so repainting a panel
// only blits it.
class CoreShadow final
{
public:
    // Paints the shadow of `path` (in the painter's current coordinates) in `colour`, blurred by
    // `radius` points and moved by `offset`.
    static void paint(QPainter &painter, const QPainterPath &path, const QColor &colour,
                      double radius, const QPointF &offset = {});

    // How far a shadow of `radius` reaches beyond its shape.
    static double reach(double radius);

    // Three box passes per axis: close to a Gaussian with a standard deviation of radius / 2.
    static void blur(QImage &image, double radiusPixels);

private:
    CoreShadow() = delete;
};
