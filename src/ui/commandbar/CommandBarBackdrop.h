#pragma once

#include <QRectF>
#include <QSize>

class QPainter;

// What the command bar shows that depends on nothing but its size: the card and its shadow,
// the search glyph and separator, the footer with its key hints.
class CommandBarBackdrop final
{
public:
    // From the card's top to the separator below the search field.
    static constexpr double searchHeight = 71;
    // The backdrop's rows that differ between heights: from the top (the card's and its
    // shadow's corners, the glyph, the separator) and from the bottom (the same and the footer).
    static constexpr int topBand = 96;
    static constexpr int bottomBand = 48;

    // The card inside a view of `size`.
    static QRectF content(const QSizeF &size);
    // `paint` paints the backdrop; `draw` draws the same pixels from bands painted once.
    static void paint(QPainter &painter, const QSize &size);
    static void draw(QPainter &painter, const QSize &size);
};
