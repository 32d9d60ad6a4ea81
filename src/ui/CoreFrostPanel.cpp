#include "ui/CoreFrostPanel.h"

#include "ui/CoreShadow.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"

#include <QPainter>
#include <QPen>

namespace {

constexpr double kUnderlayOpacity = 0.35;
constexpr double kShadowOpacity = 0.22;
constexpr double kShadowRadius = 12;
constexpr QPointF kShadowOffset(0, 5);
constexpr double kOutlineWidth = 2;

} // namespace

CoreFrostPanel::CoreFrostPanel(double cut, bool solid)
    : m_cut(cut)
    , m_solid(solid)
{ }

void CoreFrostPanel::paint(QPainter &painter, const QRectF &rect) const
{
    const QPainterPath plate = CoreCutPanel(rect, m_cut);
    const QColor &fill = m_solid ? CoreTheme::frostSolid() : CoreTheme::frostGlass();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    // The shadow follows the stack's own coverage: the underlay and fill composited over each
    // other are not fully opaque, and a shadow under a glassy plate is lighter for it.
    const double coverage = 1.0 - (1.0 - kUnderlayOpacity) * (1.0 - fill.alphaF());
    CoreShadow::paint(painter, plate, QColor::fromRgbF(0, 0, 0, float(kShadowOpacity * coverage)),
                      kShadowRadius, kShadowOffset);

    // The two fills are softened by a third of a point in the original look; at that radius
    // antialiasing already does the same.
    painter.fillPath(plate, QColor::fromRgbF(1, 1, 1, float(kUnderlayOpacity)));
    painter.fillPath(plate, fill);

    QPen outline(Qt::white, kOutlineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    outline.setMiterLimit(10);
    painter.strokePath(plate, outline);
    painter.restore();
}

QMarginsF CoreFrostPanel::shadowOutsets()
{
    const double reach = CoreShadow::reach(kShadowRadius);
    return {reach - kShadowOffset.x(), reach - kShadowOffset.y(), reach + kShadowOffset.x(),
            reach + kShadowOffset.y()};
}
