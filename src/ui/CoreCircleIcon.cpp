#include "ui/CoreCircleIcon.h"

#include "platform/Rounding.h"
#include "ui/CoreShadow.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kDiscFraction = 0.84;
constexpr double kGlyphFraction = 0.28;
constexpr double kPointerWidth = 8;
constexpr double kPointerHeight = 12;
constexpr double kSelectedShadowRadius = 8;
constexpr double kIdleShadowRadius = 3;

// Centre of the pointer, left of the face's centre.
double pointerOffset(double size)
{
    return -(0.55 * size + 2);
}

} // namespace

CoreCircleIcon::CoreCircleIcon(QString systemImage, bool selected, double size, bool lightIdle)
    : m_systemImage(std::move(systemImage))
    , m_selected(selected)
    , m_size(size)
    , m_lightIdle(lightIdle)
{ }

void CoreCircleIcon::paint(QPainter &painter, const QPointF &centre) const
{
    paint(painter, centre, restingScale());
}

void CoreCircleIcon::paint(QPainter &painter, const QPointF &centre, double scale) const
{
    const double size = m_size;
    const QRectF face(-size / 2, -size / 2, size, size);
    const bool pointer = m_selected && !m_lightIdle;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(centre);
    painter.scale(scale, scale);

    // Pointing left: the right-pointing triangle mirrored about its own vertical centre line.
    QPainterPath pointerPath;
    if (pointer) {
        const QRectF box(pointerOffset(size) - kPointerWidth / 2, -kPointerHeight / 2,
                         kPointerWidth, kPointerHeight);
        const QTransform mirror = QTransform::fromTranslate(-box.center().x(), 0)
            * QTransform::fromScale(-1, 1) * QTransform::fromTranslate(box.center().x(), 0);
        pointerPath = mirror.map(Triangle(box));
    }

    QPainterPath silhouette;
    silhouette.addEllipse(face);
    if (pointer)
        silhouette.addPath(pointerPath);
    silhouette.setFillRule(Qt::WindingFill);
    if (m_selected)
        CoreShadow::paint(painter, silhouette, CoreTheme::gold(), kSelectedShadowRadius);
    else
        CoreShadow::paint(painter, silhouette, QColor::fromRgbF(0, 0, 0, 0.2f), kIdleShadowRadius);

    // The ring's stroke lies inside the face.
    const double ringWidth = m_selected ? 2.5 : 2.0;
    QColor ringColour = CoreTheme::gold();
    if (!m_selected)
        ringColour = QColor::fromRgbF(1, 1, 1, m_lightIdle ? 1.0f : 0.9f);
    painter.setPen(QPen(ringColour, ringWidth));
    painter.setBrush(Qt::NoBrush);
    const double inset = ringWidth / 2;
    painter.drawEllipse(face.adjusted(inset, inset, -inset, -inset));

    const double disc = kDiscFraction * size;
    const QRectF discRect(-disc / 2, -disc / 2, disc, disc);
    const QColor &discColour = m_selected
        ? CoreTheme::gold()
        : (m_lightIdle ? CoreTheme::iconIdleLight() : CoreTheme::iconIdle());
    painter.setPen(Qt::NoPen);
    painter.setBrush(discColour);
    painter.drawEllipse(discRect);

    QColor glyphColour = QColor::fromRgbF(0.52f, 0.52f, 0.52f);
    if (m_selected)
        glyphColour = Qt::white;
    else if (m_lightIdle)
        glyphColour = CoreTheme::textSecondary();
    Symbols::draw(painter, discRect, m_systemImage, glyphColour, kGlyphFraction * size);

    if (pointer)
        painter.fillPath(pointerPath, Qt::white);
    painter.restore();
}

QMarginsF CoreCircleIcon::outsets(double size)
{
    const double grown = size * (selectedScale - 1.0) / 2.0;
    const double shadow = CoreShadow::reach(kSelectedShadowRadius) * selectedScale;
    const double pointerReach
        = (-pointerOffset(size) + kPointerWidth / 2) * selectedScale - size / 2 + shadow;
    const double side = Rounding::ceil(grown + shadow);
    return {Rounding::ceil(std::max(side, pointerReach)), side, side, side};
}
