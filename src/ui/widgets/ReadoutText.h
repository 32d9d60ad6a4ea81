#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

// Text as the readouts draw it: glyph outlines filled in one colour over a soft shadow of the
// same outlines, so the words stay legible over any wallpaper.
namespace ReadoutText {

// The advance of `text`. With `tabularDigits` every digit takes the width of the widest one,
// so a ticking clock does not shift its neighbours.
double width(const QString &text, const QFont &font, bool tabularDigits = false);

// Line height (ascent + descent) of `font`.
double height(const QFont &font);

// The outline of `text` placed in `rect`: horizontally by `alignment` (left, right or centre),
// always centred vertically on the font's ascent and descent.
QPainterPath path(const QString &text, const QFont &font, const QRectF &rect,
                  Qt::Alignment alignment, bool tabularDigits = false);

// `text` elided at the right to fit `maxWidth`.
QString elided(const QString &text, const QFont &font, double maxWidth);

// Fills the outline of `text` in `colour`; with a non-zero `shadowOpacity` a black shadow of
// that opacity, blurred by `shadowRadius` and dropped one point, goes under it.
void draw(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
          const QFont &font, const QColor &colour, double shadowOpacity = 0,
          double shadowRadius = 2, bool tabularDigits = false);

} // namespace ReadoutText
