#pragma once

#include <QColor>
#include <QPointF>
#include <QTransform>

class QImage;

// How a tappable tile or icon reacts to a press: it shrinks to 0.88 about its centre (sprung)
// and brightens by 0.08 while held.
class CorePressButtonStyle final
{
public:
    static constexpr double pressedScale = 0.88;
    static constexpr double pressedBrightness = 0.08;
    static constexpr double springResponse = 0.22;
    static constexpr double springDamping = 0.55;

    static double scaleFor(bool pressed) { return pressed ? pressedScale : 1.0; }
    static double brightnessFor(bool pressed) { return pressed ? pressedBrightness : 0.0; }

    // Scales by `scale` about `anchor` (the label's centre).
    static QTransform transform(const QPointF &anchor, double scale);

    // Adds `amount` to each colour component, leaving opacity alone.
    static QColor brightened(const QColor &colour, double amount);
    // The same for every pixel of a premultiplied image (transparent pixels stay transparent).
    static void brighten(QImage &image, double amount);

private:
    CorePressButtonStyle() = delete;
};
