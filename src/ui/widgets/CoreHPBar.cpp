#include "ui/widgets/CoreHPBar.h"

#include "platform/Rounding.h"
#include "ui/CachedPaint.h"
#include "ui/CoreShapes.h"
#include "ui/widgets/CoreStepGauge.h"
#include "ui/widgets/ReadoutText.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr double kNameSize = 19;
constexpr double kLabelSize = 13;
constexpr double kTextShadow = 0.35;
constexpr double kLabelPadding = 18;
constexpr double kCapsuleVertical = 6;
constexpr double kCapsuleRadius = 8;
constexpr double kCapsuleInset = 12;
constexpr double kRuleHeight = 14;
constexpr double kRuleOpacity = 0.25;
constexpr double kSkewDegrees = -30;
constexpr double kGaugeOuterLine = 3;
constexpr double kGaugeInnerLine = 1;

const ThemeType kNameType{kNameSize, ThemeWeight::bold};
const ThemeType kLabelType{kLabelSize, ThemeWeight::semibold};

double slant(double height)
{
    return skewSlope(-kSkewDegrees) * height;
}
} // namespace

QRectF CoreHPBar::gaugeRect() const
{
    return {stripLeading + nameWidth + nameGap, (stripH - barH) / 2, barW, barH};
}

QRectF CoreHPBar::capsuleRect() const
{
    const QFont font = themeFont(kLabelType);
    const double width = 4 * kLabelPadding + 1 + ReadoutText::width(currentLabel, font)
        + ReadoutText::width(levelLabel, font);
    const double height = ReadoutText::height(font) + 2 * kCapsuleVertical;
    const QRectF gauge = gaugeRect();
    return {gauge.right() - kCapsuleInset - width, stripH + capsuleGap, width, height};
}

QSizeF CoreHPBar::size() const
{
    const double stripWidth = gaugeRect().right() + stripTrailing;
    return {stripWidth + slant(stripH), capsuleRect().bottom()};
}

void CoreHPBar::paint(QPainter &painter, const QPointF &origin, double displayedFraction,
                      const QRectF &only) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(origin);

    const QRectF gauge = gaugeRect();
    const QRectF strip(0, 0, gauge.right() + stripTrailing, stripH);
    // The strip leans out by its slant; its words and gauge sit well inside it, so nothing it
    // draws reaches more than its edge's antialiasing below it.
    const QRectF stripReach = strip.adjusted(-slant(stripH), 0, slant(stripH), 1);
    if (only.isNull() || only.intersects(stripReach)) {
        CachedPaint::fillPath(painter, CachedPaint::measures(u"skewed", strip.size(), kSkewDegrees),
                              CoreSkewedRect(strip, kSkewDegrees), CoreTheme::panelShade());
        const QRectF nameBox(stripLeading, 0, nameWidth, stripH);
        const QFont name = themeFont(kNameType);
        ReadoutText::draw(painter, nameBox, Qt::AlignLeft,
                          ReadoutText::elided(username, name, nameWidth), name, Qt::white,
                          kTextShadow);
        CoreStepGauge::paint(painter, gauge, displayedFraction, fill, kGaugeOuterLine,
                             kGaugeInnerLine);
    }

    const QRectF capsule = capsuleRect();
    // The plate reaches left to a whole number of device pixels: labels a fraction of a pixel
    // wider or narrower than the last share its rendering instead of caching one of their own.
    QRectF plateBox = capsule;
    if (const double pixels = painter.deviceTransform().m11(); pixels > 0)
        plateBox.setLeft(capsule.right()
                         - Rounding::ceil(capsule.width() * pixels - 1e-6) / pixels);
    QPainterPath plate;
    plate.addRoundedRect(plateBox, kCapsuleRadius, kCapsuleRadius);
    CachedPaint::fillPath(painter,
                          CachedPaint::measures(u"rounded", plateBox.size(), kCapsuleRadius), plate,
                          CoreTheme::panelShade());

    const QFont label = themeFont(kLabelType);
    const double currentWidth = ReadoutText::width(currentLabel, label);
    const QRectF currentBox(capsule.left() + kLabelPadding, capsule.top(), currentWidth,
                            capsule.height());
    ReadoutText::draw(painter, currentBox, Qt::AlignLeft, currentLabel, label, Qt::white,
                      kTextShadow);
    const double ruleX = currentBox.right() + kLabelPadding;
    painter.fillRect(QRectF(ruleX, capsule.center().y() - kRuleHeight / 2, 1, kRuleHeight),
                     QColor::fromRgbF(1, 1, 1, float(kRuleOpacity)));
    const QRectF levelBox(ruleX + 1 + kLabelPadding, capsule.top(),
                          capsule.right() - kLabelPadding - (ruleX + 1 + kLabelPadding),
                          capsule.height());
    ReadoutText::draw(painter, levelBox, Qt::AlignLeft, levelLabel, label, Qt::white, kTextShadow);
    painter.restore();
}
