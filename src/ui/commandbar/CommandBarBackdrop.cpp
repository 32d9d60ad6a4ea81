#include "ui/commandbar/CommandBarBackdrop.h"

#include "ui/commandbar/CommandBarRow.h"
#include "ui/commandbar/CommandBarView.h"

#include "ui/CoreShadow.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr double sideInset = 10; // 620 of content inside the 640-point window
constexpr double topInset = 20;
constexpr double bottomSpace = 6;
constexpr double footerHeight = 30;
constexpr double cornerRadius = 14;

} // namespace

QRectF CommandBarBackdrop::content(const QSizeF &size)
{
    return QRectF(sideInset, topInset, size.width() - 2 * sideInset,
                  size.height() - topInset - bottomSpace);
}

void CommandBarBackdrop::paint(QPainter &painter, const QSize &size)
{
    const QRectF content = CommandBarBackdrop::content(QSizeF(size));
    QPainterPath card;
    card.addRoundedRect(content, cornerRadius, cornerRadius);
    CoreShadow::paint(painter, card, QColor(0, 0, 0, int(0.3 * 255)), 10, QPointF(0, 4));
    painter.fillPath(card, CoreTheme::cardWhite());

    Symbols::draw(painter, QRectF(content.x() + 18, content.y() + 23, 24, 24),
                  QStringLiteral("magnifyingglass"), CommandBarView::ink(), 18);
    painter.setPen(QPen(QColor(0, 0, 0, 20), 1));
    painter.drawLine(QPointF(content.x() + 12, content.y() + searchHeight - 0.5),
                     QPointF(content.right() - 12, content.y() + searchHeight - 0.5));

    const QRectF footer(content.x(), content.bottom() - footerHeight, content.width(),
                        footerHeight);
    painter.setPen(QPen(QColor(0, 0, 0, 20), 1));
    painter.drawLine(QPointF(footer.left() + 12, footer.top() + 0.5),
                     QPointF(footer.right() - 12, footer.top() + 0.5));
    static const QList<std::pair<QString, QString>> hints{
        {QStringLiteral("↩"), QStringLiteral("run")},
        {QStringLiteral("⌥↩"), QStringLiteral("alternate")},
        {QStringLiteral("↑↓"), QStringLiteral("choose")},
        {QStringLiteral("esc"), QStringLiteral("close")},
    };
    QColor outline = CommandBarView::ink();
    outline.setAlphaF(0.4f);
    const QFont labelFont = themeFont(10, ThemeWeight::medium);
    double x = footer.left() + 16;
    for (const auto &[key, label] : hints) {
        const double w = CommandBarRow::keyCapWidth(key);
        CommandBarRow::paintKeyCap(painter, QRectF(x, footer.center().y() - 8, w, 16), key,
                                   CommandBarView::ink(), outline);
        x += w + 6;
        painter.setPen(CommandBarView::ink());
        painter.setFont(labelFont);
        const double lw = QFontMetricsF(labelFont).horizontalAdvance(label);
        painter.drawText(QRectF(x, footer.top(), lw + 2, footerHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
        x += lw + 18;
    }
}

void CommandBarBackdrop::draw(QPainter &painter, const QSize &size)
{
    // Every row between the top and bottom bands is the same at any height.
    constexpr int top = topBand, bottom = bottomBand, middle = 64;
    const QTransform world = painter.worldTransform();
    const double ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QPointF origin = world.map(QPointF());
    if (ratio != 1.0 || world.type() > QTransform::TxTranslate
        || origin != QPointF(origin.toPoint()) || size.height() < top + bottom) {
        paint(painter, size);
        return;
    }
    // Painted once per width at a height of its own, then blitted in three bands: no blur, no
    // antialiased fill of the card (Qt spreads a fill that tall over its thread pool) and no
    // footer text at each keystroke.
    static QImage bands;
    if (bands.width() != size.width()) {
        bands = QImage(size.width(), top + middle + bottom, QImage::Format_ARGB32_Premultiplied);
        bands.fill(Qt::transparent);
        QPainter p(&bands);
        p.setRenderHints(painter.renderHints());
        paint(p, bands.size());
    }
    const int width = size.width();
    const int end = size.height() - bottom;
    painter.drawImage(QPoint(0, 0), bands, QRect(0, 0, width, top));
    for (int y = top; y < end; y += middle)
        painter.drawImage(QPoint(0, y), bands, QRect(0, top, width, std::min(middle, end - y)));
    painter.drawImage(QPoint(0, end), bands, QRect(0, top + middle, width, bottom));
}
