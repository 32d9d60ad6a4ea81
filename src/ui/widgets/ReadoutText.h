#pragma once

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QRectF>
#include <QString>

class QPainter;
class QTime;

// Text as the readouts draw it: unhinted glyphs in one colour over a soft shadow of the same
// glyphs, so the words stay legible over any wallpaper.
namespace ReadoutText {

// The advance of `text`. With `tabularDigits` every digit takes the width of the widest one,
// so a ticking clock does not shift its neighbours.
double width(const QString &text, const QFont &font, bool tabularDigits = false);

// Line height (ascent + descent) of `font`.
double height(const QFont &font);

// Draws `text` in `rect` directly, without shadow or cache: horizontally by `alignment` (left,
// right or centre), always centred vertically on the font's ascent and descent.
void drawPlain(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
               const QFont &font, const QColor &colour, bool tabularDigits = false);

// `time` in the short time style of `locale`, hours and minutes only: some locales (Qt's C
// locale among them) keep the seconds in their short format, which a readout that changes once
// a minute has no use for.
QString shortTime(const QTime &time, const QLocale &locale = QLocale());
// `format` (a QLocale time format) without its seconds: each run of 's' and the '.' or ':' just
// before it.
QString withoutSeconds(const QString &format);

// `text` elided at the right to fit `maxWidth`.
QString elided(const QString &text, const QFont &font, double maxWidth);

// Draws `text` as drawPlain() does, through the pixmap cache; with a non-zero `shadowOpacity` a
// black shadow of that opacity, blurred by `shadowRadius` and dropped one point, goes under it.
void draw(QPainter &painter, const QRectF &rect, Qt::Alignment alignment, const QString &text,
          const QFont &font, const QColor &colour, double shadowOpacity = 0,
          double shadowRadius = 2, bool tabularDigits = false);

} // namespace ReadoutText
