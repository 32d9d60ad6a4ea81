#include "ui/widgets/CoreCursorDiamond.h"

#include "ui/CachedPaint.h"
#include "ui/CoreShadow.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace {
constexpr double kBottomOpacity = 0.7;
constexpr double kFacetShade = 0.14;
constexpr double kOutlineOpacity = 0.55;
constexpr double kHighlightOpacity = 0.35;

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(colour.alphaF() * alpha));
    return colour;
}
} // namespace

CoreCursorDiamond::CoreCursorDiamond(const QColor &tint)
    : m_tint(tint)
{ }

QPainterPath CoreCursorDiamond::kite(const QRectF &rect)
{
    const double sideY = rect.top() + rect.height() * sideAt;
    QPainterPath path;
    path.moveTo(rect.center().x(), rect.top());
    path.lineTo(rect.right(), sideY);
    path.lineTo(rect.center().x(), rect.bottom());
    path.lineTo(rect.left(), sideY);
    path.closeSubpath();
    return path;
}

void CoreCursorDiamond::paint(QPainter &painter, const QRectF &rect) const
{
    // The bob moves the same diamond up and down: once rendered, each frame is a blit.
    const double reach = CoreShadow::reach(glowRadius) + 1;
    const QString key = QStringLiteral("kaidro-diamond|") + QString::number(m_tint.rgba(), 16)
        + QLatin1Char('|') + QString::number(qRound(rect.width() * 100)) + QLatin1Char('x')
        + QString::number(qRound(rect.height() * 100));
    CachedPaint::draw(painter, key, rect.adjusted(-reach, -reach, reach, reach),
                      [&](QPainter &p) { paintDirect(p, rect); });
}

void CoreCursorDiamond::paintDirect(QPainter &painter, const QRectF &rect) const
{
    const QPainterPath outline = kite(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    CoreShadow::paint(painter, outline, withAlpha(m_tint, glowOpacity), glowRadius);

    QLinearGradient body(rect.topLeft(), rect.bottomLeft());
    body.setColorAt(0, m_tint);
    body.setColorAt(1, withAlpha(m_tint, kBottomOpacity));
    painter.fillPath(outline, body);

    QPainterPath facet;
    facet.moveTo(rect.center().x(), rect.top());
    facet.lineTo(rect.right(), rect.top() + rect.height() * sideAt);
    facet.lineTo(rect.center().x(), rect.bottom());
    facet.closeSubpath();
    painter.fillPath(facet, QColor::fromRgbF(0, 0, 0, float(kFacetShade)));

    // A soft spot of light just under the top vertex, kept inside the kite.
    painter.save();
    painter.setClipPath(outline, Qt::IntersectClip);
    const QPointF spot(rect.center().x() - rect.width() * 0.1, rect.top() + rect.height() * 0.24);
    QRadialGradient highlight(spot, rect.width() * 0.32);
    highlight.setColorAt(0, QColor::fromRgbF(1, 1, 1, float(kHighlightOpacity)));
    highlight.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0));
    painter.fillRect(rect, highlight);
    painter.restore();

    painter.strokePath(outline, QPen(QColor::fromRgbF(1, 1, 1, float(kOutlineOpacity)), 1));
    painter.restore();
}
