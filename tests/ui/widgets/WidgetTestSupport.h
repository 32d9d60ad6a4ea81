#pragma once

#include "fakes/FakeClock.h"
#include "fakes/FakeSystemStats.h"
#include "monitors/SystemMetricsService.h"

#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

#include <cmath>
#include <memory>

namespace WidgetTest {

inline const QColor backdrop{100, 100, 100};
constexpr double gib = 1073741824.0;

// The theme font, so that text widths and the saved pictures are the real ones.
inline void registerThemeFonts()
{
    static const bool done = [] {
        const QDir fonts(QStringLiteral(KAIDRO_SOURCE_DIR "/resources/fonts"));
        for (const QString &name : fonts.entryList({QStringLiteral("*.ttf")}))
            QFontDatabase::addApplicationFont(fonts.filePath(name));
        return true;
    }();
    (void)done;
}

// The widget and its children over a flat grey, as a translucent panel shows them.
inline QImage render(QWidget &widget, const QColor &under = backdrop)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(under);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// With KAIDRO_WIDGET_SNAPSHOTS set to a folder, saves the widget over a wallpaper-like
// gradient there, for a person to look at.
inline void snapshot(QWidget &widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("KAIDRO_WIDGET_SNAPSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const int ratio = 2;
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    {
        QPainter painter(&image);
        QLinearGradient wallpaper(0, 0, widget.width(), widget.height());
        wallpaper.setColorAt(0, QColor(38, 70, 96));
        wallpaper.setColorAt(1, QColor(150, 120, 96));
        painter.fillRect(QRect(QPoint(), widget.size()), wallpaper);
    }
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    image.save(QDir(folder).filePath(name + QStringLiteral(".png")));
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

// A real metrics service over fake figures. Set the figures, then start().
struct Metrics
{
    FakeSystemStats stats;
    FakeClock clock;
    std::unique_ptr<SystemMetricsService> service;

    Metrics()
    {
        stats.physical = 16 * gib;
        stats.mem = MemoryFigures{4 * gib, 16 * gib};
    }

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
