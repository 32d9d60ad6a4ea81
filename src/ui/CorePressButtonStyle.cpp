#include "ui/CorePressButtonStyle.h"

#include <QImage>

#include <algorithm>
#include <cmath>

QTransform CorePressButtonStyle::transform(const QPointF &anchor, double scale)
{
    return QTransform::fromTranslate(-anchor.x(), -anchor.y()) * QTransform::fromScale(scale, scale)
        * QTransform::fromTranslate(anchor.x(), anchor.y());
}

QColor CorePressButtonStyle::brightened(const QColor &colour, double amount)
{
    const QColor rgb = colour.toRgb();
    auto up = [amount](float c) { return std::clamp(float(c + amount), 0.0f, 1.0f); };
    return QColor::fromRgbF(up(rgb.redF()), up(rgb.greenF()), up(rgb.blueF()), rgb.alphaF());
}

void CorePressButtonStyle::brighten(QImage &image, double amount)
{
    if (amount == 0 || image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int a = qAlpha(p);
            if (a == 0)
                continue;
            // Premultiplied: the added light is scaled by the pixel's own coverage.
            const int add = int(std::lround(amount * a));
            line[x] = qRgba(std::clamp(qRed(p) + add, 0, a), std::clamp(qGreen(p) + add, 0, a),
                            std::clamp(qBlue(p) + add, 0, a), a);
        }
    }
}
