#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>

class QPainter;

// Paints that repeat exactly (a label, a glowing marker) are rendered once into a pixmap kept in
// QPixmapCache and afterwards only blitted. The pixmap is keyed by what it shows, the device
// pixel ratio and where the drawing falls inside a device pixel (to a quarter pixel), so the
// blit lands on the same pixels the direct drawing would. A scaled painter gets a rendering at
// its scale; under a painter that rotates or mirrors, the drawing is painted directly. A rendering
// is kept from the second time it is drawn, so a figure shown once costs no memory after it, and
// renderings that are no longer drawn (old words, old sizes) are dropped as new ones are made.
namespace CachedPaint {

// A rendering not blitted in the last two rounds of this many new renderings each is dropped
// from the cache; one drawn once is kept if it is drawn again within the same two rounds.
inline constexpr int kRenderingsPerRound = 32;

// `image` as a cache keeps it: an image that was painted on holds on to its paint engine (over a
// kilobyte with its raster buffers) for as long as its pixels live, and a copy holds none.
QImage kept(const QImage &image);

// Paints `paint` (which draws in the painter's current coordinates, only inside `bounds`)
// through the cache entry named `key`.
void draw(QPainter &painter, const QString &key, const QRectF &bounds,
          const std::function<void(QPainter &)> &paint);

// A shape's name from its kind and measures (in hundredths of a point).
QString measures(QStringView kind, const QSizeF &size, double extra = 0);

// Fills `path` in `colour`, antialiased, through the cache. `shape` names the outline relative
// to its bounding box (its kind and measures), so the same plate anywhere is one entry.
void fillPath(QPainter &painter, const QString &shape, const QPainterPath &path,
              const QColor &colour);

} // namespace CachedPaint
