#pragma once

#include "fakes/FakeClock.h"
#include "fakes/FakeSystemStats.h"
#include "monitors/SystemMetricsService.h"
#include "support/TestHelpers.h"

#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cmath>
#include <memory>

namespace WidgetTest {

inline const QColor backdrop{100, 100, 100};
constexpr double gib = 1073741824.0;

// The theme font, so that text widths are the real ones.
inline void registerThemeFonts()
{
    [[maybe_unused]] static const bool done = [] {
        const QDir fonts(QStringLiteral(KAIDRO_SOURCE_DIR "/resources/fonts"));
        for (const QString &name : fonts.entryList({QStringLiteral("*.ttf")}))
            QFontDatabase::addApplicationFont(fonts.filePath(name));
        return true;
    }();
}

// The widget and its children over a flat grey, as a translucent panel shows them.
inline QImage render(QWidget &widget, const QColor &under = backdrop)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(under);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// An image of `size` over `under`, painted on by `paint`.
inline QImage painted(QSize size, const std::function<void(QPainter &)> &paint,
                      const QColor &under = backdrop)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(under);
    QPainter painter(&image);
    paint(painter);
    return image;
}

inline int distance(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green())
        + std::abs(a.blue() - b.blue());
}

inline bool near(const QColor &a, const QColor &b, int tolerance = 36)
{
    return distance(a, b) <= tolerance;
}

// How many pixels of `rect` lie within `tolerance` of `colour`.
inline int countNear(const QImage &image, const QRect &rect, const QColor &colour,
                     int tolerance = 40)
{
    int count = 0;
    const QRect inside = rect.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += near(image.pixelColor(x, y), colour, tolerance) ? 1 : 0;
    return count;
}

using ::mapped;

template <typename Widgets> QStringList accessibleNames(const Widgets &widgets)
{
    return mapped(widgets, &QWidget::accessibleName);
}

// A real metrics service over fake figures (16 GB, 4 used). Set the figures, then start().
struct Metrics
{
    FakeSystemStats stats;
    FakeClock clock;
    std::unique_ptr<SystemMetricsService> service;

    SystemMetricsService &start()
    {
        service = std::make_unique<SystemMetricsService>(stats, clock);
        service->start();
        return *service;
    }

    // Publishes a CPU reading of busy / (busy + idle).
    void publishCpu(quint64 busy, quint64 idle)
    {
        stats.addCpu(busy, idle);
        service->tick();
    }
};

} // namespace WidgetTest
