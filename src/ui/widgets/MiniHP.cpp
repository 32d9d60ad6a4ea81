#include "ui/widgets/MiniHP.h"

#include "ui/CachedPaint.h"
#include "ui/CoreShadow.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"
#include "ui/widgets/CoreStepGauge.h"
#include "ui/widgets/ReadoutText.h"

#include <QPainter>

namespace {
constexpr double kNameSize = 12;
constexpr double kDetailSize = 11;
constexpr double kTextShadow = 0.4;
constexpr double kSkewDegrees = -30;
} // namespace

QFont MiniHP::nameFont()
{
    return themeFont(kNameSize, ThemeWeight::bold);
}

QFont MiniHP::detailFont()
{
    return themeFont(kDetailSize, ThemeWeight::semibold);
}

QColor MiniHP::fillColour() const
{
    return hpColor(inverted ? 1 - fraction : fraction);
}

double MiniHP::naturalDetailWidth() const
{
    return ReadoutText::width(detail, detailFont());
}

double MiniHP::rowWidth(double nameWidth, double detailWidth)
{
    return leadingPadding + nameWidth + spacing + gaugeWidth + spacing + detailWidth
        + trailingPadding;
}

QRectF MiniHP::gaugeRect(const QPointF &origin, double nameWidth)
{
    return {origin.x() + leadingPadding + nameWidth + spacing,
            origin.y() + (rowHeight - gaugeHeight) / 2, gaugeWidth, gaugeHeight};
}

void MiniHP::paint(QPainter &painter, const QPointF &origin, double displayedFraction,
                   double nameWidth, double detailWidth, const QRectF &only) const
{
    // As far as a line's ink reaches past its box: across, its shadow's blur and a point of
    // antialiasing (the box is the advance); down, the glyphs that overhang the line height.
    const auto reaches = [&](const QRectF &box, const QFont &font) {
        const double across = CoreShadow::reach(2) + 1;
        const double down = across + 0.25 * ReadoutText::height(font);
        return only.isNull() || only.intersects(box.adjusted(-across, -down, across, down));
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double width = rowWidth(nameWidth, detailWidth);
    const QRectF plate(origin.x(), origin.y(), width + plateOverhang, rowHeight);
    CachedPaint::fillPath(painter, CachedPaint::measures(u"skewed", plate.size(), kSkewDegrees),
                          CoreSkewedRect(plate, kSkewDegrees), CoreTheme::panelShade());

    const QRectF nameBox(origin.x() + leadingPadding, origin.y(), nameWidth, rowHeight);
    if (reaches(nameBox, nameFont()))
        ReadoutText::draw(painter, nameBox, Qt::AlignLeft, name, nameFont(), Qt::white,
                          kTextShadow);

    const QRectF gauge = gaugeRect(origin, nameWidth);
    CoreStepGauge::paint(painter, gauge, displayedFraction, fillColour());

    const QRectF detailBox(gauge.right() + spacing, origin.y(), detailWidth, rowHeight);
    if (!reaches(detailBox, detailFont())) {
        painter.restore();
        return;
    }
    QFont font = detailFont();
    QString text = detail;
    if (ReadoutText::width(text, font) > detailWidth) {
        font.setPointSizeF(font.pointSizeF() * minimumDetailScale);
        text = ReadoutText::elided(text, font, detailWidth);
    }
    ReadoutText::draw(painter, detailBox, Qt::AlignLeft, text, font, Qt::white, kTextShadow);
    painter.restore();
}
