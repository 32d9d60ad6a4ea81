#include "ui/CachedPaint.h"

#include "platform/Rounding.h"

#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

#include <cmath>

namespace {
// `value` in base 36 after `out`: keys are built on every paint, and QString::number allocates a
// string of its own for each figure.
void appendNumber(QString &out, qint64 value, int base = 36)
{
    char digits[24];
    int at = sizeof digits;
    quint64 rest = value < 0 ? quint64(-(value + 1)) + 1 : quint64(value);
    do {
        digits[--at] = "0123456789abcdefghijklmnopqrstuvwxyz"[rest % quint64(base)];
        rest /= quint64(base);
    } while (rest != 0);
    if (value < 0)
        digits[--at] = '-';
    out.append(QLatin1StringView(digits + at, qsizetype(sizeof digits) - at));
}

// Where a point falls inside its device pixel, in quarters: 0 to 3.
int quarter(double devicePixels)
{
    return int(std::lround((devicePixels - Rounding::floor(devicePixels)) * 4)) % 4;
}

// The renderings this file put in the cache, each with the round it was last blitted in, and the
// words and shapes drawn once lately but not kept. A round ends after a number of renderings: a
// figure, a clock or a name that changed leaves one behind that nothing draws again, and the
// cache's own limit would keep those for hours.
struct KeptRenderings
{
    QHash<QString, int> lastRound;
    QHash<QString, int> drawnOnce;
    int round = 0;
    int madeThisRound = 0;

    void blitted(const QString &key) { lastRound.insert(key, round); }

    // Whether a rendering of `key` is worth keeping: only when it is drawn a second time. Most
    // figures are drawn once and replaced at the next tick; kept, they would be the cache's
    // largest part.
    bool worthKeeping(const QString &key)
    {
        if (drawnOnce.remove(key))
            return true;
        drawnOnce.insert(key, round);
        return false;
    }

    void made()
    {
        if (++madeThisRound < CachedPaint::kRenderingsPerRound)
            return;
        madeThisRound = 0;
        ++round;
        // Kept: what was blitted or drawn this round or the last one. With the HUD hidden
        // nothing is made, so nothing ages.
        for (auto it = lastRound.begin(); it != lastRound.end();) {
            if (it.value() < round - 1) {
                QPixmapCache::remove(it.key());
                it = lastRound.erase(it);
            } else {
                ++it;
            }
        }
        drawnOnce.removeIf([this](const auto &entry) { return entry.value() < round - 1; });
    }
};

KeptRenderings &keptRenderings()
{
    static KeptRenderings renderings;
    return renderings;
}
} // namespace

namespace CachedPaint {

void draw(QPainter &painter, const QString &key, const QRectF &bounds,
          const std::function<void(QPainter &)> &paint)
{
    if (bounds.isEmpty())
        return;
    const QTransform world = painter.worldTransform();
    // A scaled painter (a readout drawn at the screen's scale) gets its own rendering at that
    // scale; rotations and mirrors are drawn directly.
    if (world.type() > QTransform::TxScale || world.m11() <= 0 || world.m22() <= 0) {
        paint(painter);
        return;
    }
    const double ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const double sx = world.m11() * ratio, sy = world.m22() * ratio; // device pixels per unit
    const QPointF origin = world.map(bounds.topLeft()) * ratio; // device pixels
    // A position just under a whole pixel rounds up to the next one.
    const QPointF whole(Rounding::floor(origin.x() + 0.125), Rounding::floor(origin.y() + 0.125));
    const int qx = quarter(origin.x()), qy = quarter(origin.y());
    const QPointF inside(qx / 4.0, qy / 4.0);

    // Scales to a thousandth and the quarters, folded into one number: a key is built on every
    // paint, and formatting figures is the dearest part of it.
    const quint64 placement = (quint64(qRound(sx * 1000)) << 36) | (quint64(qRound(sy * 1000)) << 8)
        | quint64(qx * 4 + qy);
    QString fullKey;
    fullKey.reserve(key.size() + 16);
    fullKey.append(key).append(QLatin1Char('|'));
    appendNumber(fullKey, qint64(placement));
    QPixmap pixmap;
    QImage once;
    KeptRenderings &renderings = keptRenderings();
    if (QPixmapCache::find(fullKey, &pixmap)) {
        renderings.blitted(fullKey);
    } else {
        const QSize size(int(Rounding::ceil(bounds.width() * sx + inside.x())) + 1,
                         int(Rounding::ceil(bounds.height() * sy + inside.y())) + 1);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHints(painter.renderHints());
            p.translate(inside);
            p.scale(sx, sy);
            p.translate(-bounds.topLeft());
            paint(p);
        }
        if (renderings.worthKeeping(fullKey)) {
            pixmap = QPixmap::fromImage(kept(image));
            QPixmapCache::insert(fullKey, pixmap);
            renderings.blitted(fullKey);
        } else {
            once = std::move(image);
        }
        renderings.made();
    }
    // The pixmap has no ratio of its own: it is placed in device pixels. Only the transform
    // changes, so it alone is put back (a save and restore copies the painter's whole state).
    painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    if (once.isNull())
        painter.drawPixmap(whole, pixmap);
    else
        painter.drawImage(whole, once);
    painter.setWorldTransform(world);
}

QImage kept(const QImage &image)
{
    return image.copy();
}

QString measures(QStringView kind, const QSizeF &size, double extra)
{
    QString key;
    key.reserve(kind.size() + 24);
    key.append(kind);
    for (const double figure : {size.width(), size.height(), extra}) {
        key.append(QLatin1Char('|'));
        appendNumber(key, qRound64(figure * 100), 10);
    }
    return key;
}

void fillPath(QPainter &painter, const QString &shape, const QPainterPath &path,
              const QColor &colour)
{
    const QRectF bounds = path.boundingRect().adjusted(-1, -1, 1, 1);
    QString key;
    key.reserve(shape.size() + 24);
    key.append(QLatin1StringView("kaidro-fill|")).append(shape).append(QLatin1Char('|'));
    appendNumber(key, colour.rgba(), 16);
    draw(painter, key, bounds, [&](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(path, colour);
    });
}

} // namespace CachedPaint
