#include "ui/commandbar/CommandBarRow.h"

#include "ui/CoreTheme.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <utility>

void CommandBarRow::paintKeyCap(QPainter &painter, const QRectF &rect, const QString &label,
                                const QColor &text, const QColor &outline)
{
    QPainterPath cap;
    cap.addRoundedRect(rect, 4, 4);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(cap);
    painter.setPen(text);
    painter.setFont(themeFont(9, ThemeWeight::bold));
    painter.drawText(rect, Qt::AlignCenter, label);
}

double CommandBarRow::keyCapWidth(const QString &label)
{
    return QFontMetricsF(themeFont(9, ThemeWeight::bold)).horizontalAdvance(label) + 12;
}

QRectF CommandBarRow::iconBox(const QRectF &row)
{
    return QRectF(row.x() + 10, row.center().y() - 15, 30, 30);
}

void CommandBarRow::warmGlyphs()
{
    // A glyph is rasterized the first time it is drawn, which the keystroke that first brings
    // it into a row would pay for: each glyph is drawn once here instead, where no one sees it,
    // at the quarter-pixel offsets text may land on, into the kind of image rows are drawn in.
    static bool warmed = false;
    if (std::exchange(warmed, true))
        return;
    QString ascii;
    for (char16_t c = 0x21; c < 0x7f; ++c)
        ascii += QChar(c);
    QImage canvas(QSize(1400, 24), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    for (const QFont &font : {titleFont(), subtitleFont()}) {
        painter.setFont(font);
        for (const double x : {0.0, 0.25, 0.5, 0.75})
            painter.drawText(QPointF(x, 18), ascii);
    }
}

QFont CommandBarRow::titleFont()
{
    return themeFont(14, ThemeWeight::semibold);
}

QFont CommandBarRow::subtitleFont()
{
    return themeFont(10, ThemeWeight::regular);
}

CommandBarRow::Layout CommandBarRow::layout(const QRectF &row, const CommandItem &item)
{
    Layout layout;
    layout.icon = iconBox(row);
    const double capWidth = keyCapWidth(item.hint);
    layout.cap = QRectF(row.right() - 12 - capWidth, row.center().y() - 9, capWidth, 18);
    const double textLeft = layout.icon.right() + 12;
    const double textWidth = layout.cap.left() - 12 - textLeft;
    layout.title = QRectF(textLeft, row.y() + 5, textWidth, 20);
    layout.subtitle = QRectF(textLeft, row.y() + 25, textWidth, 16);
    layout.titleText = QFontMetricsF(titleFont()).elidedText(item.title, Qt::ElideRight, textWidth);
    if (item.subtitle)
        layout.subtitleText
            = QFontMetricsF(subtitleFont()).elidedText(*item.subtitle, Qt::ElideRight, textWidth);
    return layout;
}

QList<int> CommandBarRow::changed(const QList<CommandItem> &before, int selectedBefore,
                                  const QList<CommandItem> &after, int selectedAfter)
{
    const auto looksAlike = [](const CommandItem &a, const CommandItem &b) {
        return a.title == b.title && a.subtitle == b.subtitle && a.symbol == b.symbol
            && a.appURL == b.appURL && a.hint == b.hint;
    };
    QList<int> changed;
    const int common = int(std::min(before.size(), after.size()));
    for (int row = 0; row < std::max<int>({int(before.size()), int(after.size()), 1}); ++row) {
        if (row >= common) {
            // Came, went, or the empty-list text that stands in row 0.
            if (before.size() != after.size())
                changed << row;
        } else if ((row == selectedBefore) != (row == selectedAfter)
                   || !looksAlike(before.at(row), after.at(row))) {
            changed << row;
        }
    }
    return changed;
}

QRegion CommandBarRow::ink(const QRectF &rect, const CommandItem &item)
{
    // From the icon to the end of the longer line of words, and the key cap, each a little
    // wider for glyphs and outlines that reach past their advance; rows keep to their height.
    const Layout layout = CommandBarRow::layout(rect, item);
    const double words
        = std::max(QFontMetricsF(titleFont()).horizontalAdvance(layout.titleText),
                   QFontMetricsF(subtitleFont()).horizontalAdvance(layout.subtitleText));
    const double left = layout.icon.left() - 3;
    QRegion ink(QRectF(left, rect.top(), layout.title.left() + words + 3 - left, rect.height())
                    .toAlignedRect());
    ink += QRectF(layout.cap.left() - 3, rect.top(), layout.cap.width() + 6, rect.height())
               .toAlignedRect();
    return ink.intersected(rect.toAlignedRect());
}
