#include "ui/menu/MenuPainting.h"

#include "ui/CoreFrostPanel.h"
#include "ui/CoreShadow.h"
#include "ui/CoreShapes.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>

namespace {
constexpr double kButtonText = 9;
constexpr double kButtonPad = 10;
constexpr double kTracking = 0.6;

const ThemeType kButtonType{kButtonText, ThemeWeight::bold, kTracking};
} // namespace

namespace MenuPainting {

double textButtonWidth(const QString &text)
{
    return QFontMetricsF(themeFont(kButtonType)).horizontalAdvance(text) + 2 * kButtonPad;
}

void textButton(QPainter &painter, const QRectF &bounds, const QString &text, const QColor &accent,
                bool hovered)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF pill = bounds.adjusted(1, 1, -1, -1);
    QColor fill = accent;
    if (hovered)
        fill = fill.lighter(115);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    painter.setPen(Qt::white);
    painter.setFont(themeFont(kButtonType));
    painter.drawText(pill, Qt::AlignCenter, text);
}

void iconButton(QPainter &painter, const QRectF &bounds, const QString &symbol,
                const QColor &colour, bool hovered)
{
    painter.setRenderHint(QPainter::Antialiasing);
    if (hovered) {
        QColor wash = colour;
        wash.setAlphaF(0.15f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(wash);
        painter.drawEllipse(bounds.adjusted(1, 1, -1, -1));
    }
    Symbols::draw(painter, bounds, symbol, colour, bounds.height() * 0.55);
}

void tile(QPainter &painter, const QRectF &bounds, bool highlighted)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = bounds.adjusted(3, 2, -3, -4);
    const QPainterPath plate = CoreCutPanel(face, 8);
    CoreShadow::paint(painter, plate, QColor::fromRgbF(0, 0, 0, 0.18f), 4, QPointF(0, 1.5));
    painter.fillPath(plate, CoreTheme::cardWhite());
    painter.strokePath(
        plate, QPen(highlighted ? CoreTheme::gold() : QColor(220, 220, 224), highlighted ? 2 : 1));
}

QRectF cardPlate(const QWidget &panel)
{
    return QRectF(panel.rect()).adjusted(4, 2, -4, -8);
}

QRectF cardContent(const QWidget &panel)
{
    constexpr double pad = 16;
    return cardPlate(panel).adjusted(12, pad, -12, -pad);
}

void card(QPainter &painter, const QWidget &panel, const QString &title)
{
    CoreFrostPanel(18, false).paint(painter, cardPlate(panel));
    const QRectF content = cardContent(panel);
    painter.setPen(CoreTheme::ink());
    painter.setFont(themeFont(20, ThemeWeight::bold));
    painter.drawText(QRectF(content.left(), content.top(), content.width(), cardTitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, title);
}

void rowDisc(QPainter &painter, const QRectF &disc, const QColor &fill, const QString &symbol,
             const QColor &symbolColour, double symbolSize)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(disc);
    Symbols::draw(painter, disc, symbol, symbolColour, symbolSize);
}

void rowLine(QPainter &painter, const QRectF &rect, const QFont &font, const QColor &colour,
             Qt::Alignment alignment, const QString &text, Qt::TextElideMode elide)
{
    painter.setPen(colour);
    painter.setFont(font);
    painter.drawText(rect, alignment,
                     elide == Qt::ElideNone
                         ? text
                         : painter.fontMetrics().elidedText(text, elide, int(rect.width())));
}

void rowTitles(QPainter &painter, const QRectF &text, const QString &title, const QString &subtitle,
               Qt::TextElideMode subtitleElide)
{
    rowLine(painter, QRectF(text.left(), text.top(), text.width(), text.height() / 2 + 2),
            themeFont(13, ThemeWeight::bold), CoreTheme::ink(), Qt::AlignLeft | Qt::AlignBottom,
            title);
    rowLine(painter, QRectF(text.left(), text.center().y() + 3, text.width(), text.height() / 2),
            themeFont(10, ThemeWeight::regular), CoreTheme::textSecondary(),
            Qt::AlignLeft | Qt::AlignTop, subtitle, subtitleElide);
}

} // namespace MenuPainting
