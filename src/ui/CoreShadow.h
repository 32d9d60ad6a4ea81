#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <functional>

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

    // Paints the shadow of what `draw` paints in `colour` (in the painter's current coordinates,
    // inside `area`), blurred by `radius` points and moved by `offset`. Nothing is cached: for
    // drawings that are themselves rendered once, such as text going into the pixmap cache.
    static void paintDrawn(QPainter &painter, const QRectF &area, const QColor &colour,
                           double radius, const QPointF &offset,
                           const std::function<void(QPainter &)> &draw);

    // How far a shadow of `radius` reaches beyond its shape.
    static double reach(double radius);

    // Blurs an image that holds one colour at varying coverage (a silhouette), close to a
    // Gaussian with a standard deviation of radius / 2: only the coverage is blurred, a quarter
    // of the work of blurring each channel, and the colour laid back over it.
    static void blurSilhouette(QImage &image, double radiusPixels, const QColor &colour);

private:
    CoreShadow() = delete;
};
