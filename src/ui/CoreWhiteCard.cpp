#include "ui/CoreWhiteCard.h"

#include "platform/Rounding.h"
#include "ui/CoreShadow.h"
#include "ui/CoreTheme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTitleSize = 14;
constexpr double kTitleToRule = 4;
constexpr double kRuleWidth = 1;
constexpr double kRuleOpacity = 0.5;
constexpr double kShadowOpacity = 0.25;
constexpr double kShadowRadius = 8;
constexpr QPointF kShadowOffset(0, 3);

const ThemeType kTitleType{kTitleSize, ThemeWeight::bold};

// Whole points, so that the rule and the content of a card placed on whole points stay sharp.
double titleLineHeight()
{
    return Rounding::ceil(QFontMetricsF(themeFont(kTitleType)).height());
}

} // namespace

double CoreWhiteCard::headerHeight()
{
    return titleLineHeight() + kTitleToRule + kRuleWidth;
}

QSizeF CoreWhiteCard::sizeForContent(const QString &title, const QSizeF &contentSize)
{
    const double titleWidth = QFontMetricsF(themeFont(kTitleType)).horizontalAdvance(title);
    const double innerWidth = std::max(titleWidth, contentSize.width());
    return {innerWidth + padding.left() + padding.right(),
            padding.top() + headerHeight() + spacing + contentSize.height() + padding.bottom()};
}

QRectF CoreWhiteCard::paint(QPainter &painter, const QRectF &rect, const QString &title)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath card;
    card.addRect(rect);
    CoreShadow::paint(painter, card, QColor::fromRgbF(0, 0, 0, float(kShadowOpacity)),
                      kShadowRadius, kShadowOffset);
    painter.fillRect(rect, CoreTheme::cardWhite());

    const QRectF inner = rect.marginsRemoved(padding);
    const QFont font = themeFont(kTitleType);
    const double titleHeight = titleLineHeight();
    painter.setFont(font);
    painter.setPen(CoreTheme::textSecondary());
    painter.drawText(QRectF(inner.left(), inner.top(), inner.width(), titleHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, title);

    QColor rule = CoreTheme::textSecondary();
    rule.setAlphaF(float(kRuleOpacity));
    painter.fillRect(
        QRectF(inner.left(), inner.top() + titleHeight + kTitleToRule, inner.width(), kRuleWidth),
        rule);
    painter.restore();

    const double contentTop = inner.top() + headerHeight() + spacing;
    return QRectF(inner.left(), contentTop, inner.width(),
                  std::max(0.0, inner.bottom() - contentTop));
}

QMarginsF CoreWhiteCard::shadowOutsets()
{
    const double reach = CoreShadow::reach(kShadowRadius);
    return {reach - kShadowOffset.x(), reach - kShadowOffset.y(), reach + kShadowOffset.x(),
            reach + kShadowOffset.y()};
}
