#include "ui/CoreShadow.h"

#include "platform/Rounding.h"

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
// One box pass along every line (or column) of a plane of coverage, transparent beyond its
// edges. Three passes each way come close to a Gaussian with a standard deviation of half the
// radius.
void boxPlane(std::vector<quint8> &plane, int width, int height, int half, bool horizontal)
{
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    const int window = 2 * half + 1;
    const qsizetype along = horizontal ? 1 : width;
    std::vector<quint8> line(size_t(length) + 2 * size_t(half));
    for (int l = 0; l < lines; ++l) {
        quint8 *const first = plane.data() + (horizontal ? qsizetype(l) * width : l);
        std::fill(line.begin(), line.end(), quint8(0));
        for (int i = 0; i < length; ++i)
            line[size_t(i + half)] = first[i * along];
        int sum = 0;
        for (int i = 0; i < window - 1; ++i)
            sum += line[size_t(i)];
        for (int i = 0; i < length; ++i) {
            sum += line[size_t(i + window - 1)];
            first[i * along] = quint8((sum + half) / window);
            sum -= line[size_t(i)];
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
    return Rounding::ceil(1.5 * radius) + 1.0;
}

void CoreShadow::blurSilhouette(QImage &image, double radiusPixels, const QColor &colour)
{
    const int half = std::max(0, int(std::lround(radiusPixels / 2.0)));
    if (half == 0)
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = image.width(), height = image.height();
    std::vector<quint8> coverage(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            coverage[size_t(y) * size_t(width) + size_t(x)] = quint8(qAlpha(row[x]));
    }
    for (int pass = 0; pass < 3; ++pass) {
        boxPlane(coverage, width, height, half, true);
        boxPlane(coverage, width, height, half, false);
    }
    const QRgb c = colour.rgb();
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int a = coverage[size_t(y) * size_t(width) + size_t(x)];
            row[x] = qPremultiply(qRgba(qRed(c), qGreen(c), qBlue(c), a));
        }
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
        const QSize size(int(Rounding::ceil((bounds.width() + 2 * margin) * ratio)),
                         int(Rounding::ceil((bounds.height() + 2 * margin) * ratio)));
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
        blurSilhouette(image, radius * ratio, colour);
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
    blurSilhouette(image, radius * scale, colour);
    const QPointF moved = device.map(offset) - device.map(QPointF());
    painter.save();
    painter.resetTransform();
    painter.scale(1 / ratio, 1 / ratio);
    painter.drawImage(QPointF(pixels.topLeft()) + moved, image);
    painter.restore();
}
