#include "ui/CoreShadow.h"

#include <QHashFunctions>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One running-average pass of width 2·half+1 along rows (or columns) of a premultiplied image.
void boxPass(QImage &image, int half, bool horizontal)
{
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    const int window = 2 * half + 1;
    std::vector<QRgb> line(size_t(length) + 2 * size_t(half));

    for (int l = 0; l < lines; ++l) {
        auto pixel = [&](int i) -> QRgb & {
            return horizontal ? reinterpret_cast<QRgb *>(image.scanLine(l))[i]
                              : reinterpret_cast<QRgb *>(image.scanLine(i))[l];
        };
        // Pad with transparency on both sides.
        std::fill(line.begin(), line.end(), 0u);
        for (int i = 0; i < length; ++i)
            line[size_t(i + half)] = pixel(i);

        int sum[4] = {0, 0, 0, 0};
        for (int i = 0; i < window - 1; ++i) {
            const QRgb p = line[size_t(i)];
            sum[0] += qAlpha(p), sum[1] += qRed(p), sum[2] += qGreen(p), sum[3] += qBlue(p);
        }
        for (int i = 0; i < length; ++i) {
            const QRgb in = line[size_t(i + window - 1)];
            sum[0] += qAlpha(in), sum[1] += qRed(in), sum[2] += qGreen(in), sum[3] += qBlue(in);
            pixel(i) = qRgba((sum[1] + half) / window, (sum[2] + half) / window,
                             (sum[3] + half) / window, (sum[0] + half) / window);
            const QRgb out = line[size_t(i)];
            sum[0] -= qAlpha(out), sum[1] -= qRed(out), sum[2] -= qGreen(out), sum[3] -= qBlue(out);
        }
    }
}

QString cacheKey(const QPainterPath &path, const QColor &colour, double radius, double ratio)
{
    // A hash of the outline's points: building a text key point by point costs more than the
    // blur it saves for glyph outlines.
    std::vector<double> points;
    points.reserve(size_t(path.elementCount()) * 3 + 4);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        points.push_back(double(e.type));
        points.push_back(std::round(e.x * 100));
        points.push_back(std::round(e.y * 100));
    }
    points.push_back(double(colour.rgba()));
    points.push_back(radius);
    points.push_back(ratio);
    points.push_back(double(path.fillRule()));
    const size_t hash = qHashBits(points.data(), points.size() * sizeof(double));
    return QStringLiteral("kaidro-shadow:") + QString::number(quint64(hash), 16) + QLatin1Char(':')
        + QString::number(path.elementCount());
}

} // namespace

double CoreShadow::reach(double radius)
{
    return std::ceil(1.5 * radius) + 1.0;
}

void CoreShadow::blur(QImage &image, double radiusPixels)
{
    const int half = std::max(0, int(std::lround(radiusPixels / 2.0)));
    if (half == 0)
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(image, half, true);
        boxPass(image, half, false);
    }
}

void CoreShadow::paint(QPainter &painter, const QPainterPath &path, const QColor &colour,
                       double radius, const QPointF &offset)
{
    if (path.isEmpty() || colour.alpha() == 0)
        return;

    const QRectF bounds = path.boundingRect();
    const QPainterPath local = path.translated(-bounds.topLeft());
    const double ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const double margin = reach(radius);

    const QString key = cacheKey(local, colour, radius, ratio);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        const QSize size(int(std::ceil((bounds.width() + 2 * margin) * ratio)),
                         int(std::ceil((bounds.height() + 2 * margin) * ratio)));
        // The outline goes down as a one-bit mask: the blur softens its edges anyway, and Qt
        // hands antialiased fills of many spans (any line of text) to its thread pool in
        // pieces, waking threads for every new text's shadow.
        QImage mask(size, QImage::Format_MonoLSB);
        mask.setColorTable({qRgba(0, 0, 0, 0), qRgba(0, 0, 0, 255)});
        mask.fill(0);
        {
            QPainter p(&mask);
            p.scale(ratio, ratio);
            p.translate(margin, margin);
            p.fillPath(local, QColor(Qt::black));
        }
        mask.setColorTable({qRgba(0, 0, 0, 0), colour.rgba()});
        QImage image = mask.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        blur(image, radius * ratio);
        pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(ratio);
        QPixmapCache::insert(key, pixmap);
    }
    painter.drawPixmap(bounds.topLeft() + offset - QPointF(margin, margin), pixmap);
}

void CoreShadow::paintDrawn(QPainter &painter, const QRectF &area, const QColor &colour,
                            double radius, const QPointF &offset,
                            const std::function<void(QPainter &)> &draw)
{
    if (area.isEmpty() || colour.alpha() == 0)
        return;
    const double ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QTransform device = painter.worldTransform() * QTransform::fromScale(ratio, ratio);
    const double scale = std::sqrt(std::abs(device.determinant()));
    const double margin = reach(radius);
    const QRect pixels
        = device.mapRect(area.adjusted(-margin, -margin, margin, margin)).toAlignedRect();
    if (pixels.isEmpty())
        return;
    QImage image(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHints(painter.renderHints());
        p.setTransform(device * QTransform::fromTranslate(-pixels.left(), -pixels.top()));
        p.setPen(colour);
        p.setBrush(colour);
        draw(p);
    }
    blur(image, radius * scale);
    const QPointF moved = device.map(offset) - device.map(QPointF());
    painter.save();
    painter.resetTransform();
    painter.scale(1 / ratio, 1 / ratio);
    painter.drawImage(QPointF(pixels.topLeft()) + moved, image);
    painter.restore();
}
