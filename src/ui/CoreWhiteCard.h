#pragma once

#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// A white card with a centred title over a thin rule and the content below it. The card paints
// its background, shadow and header; the caller lays out and paints the content in the rect
// that paint() returns.
class CoreWhiteCard final
{
public:
    static constexpr QMarginsF padding{14, 10, 14, 12};
    static constexpr double spacing = 8;

    // Height of the title line, the gap under it and the rule.
    static double headerHeight();

    // The card size that gives the content `contentSize`; wide enough for the title as well.
    static QSizeF sizeForContent(const QString &title, const QSizeF &contentSize);

    // Paints the card filling `rect` and returns the area left for the content: inside the
    // padding, below the header and the spacing.
    static QRectF paint(QPainter &painter, const QRectF &rect, const QString &title);

    // The room a widget leaves around the card so its shadow is not clipped.
    static QMarginsF shadowOutsets();

private:
    CoreWhiteCard() = delete;
};
