#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>

#include <vector>

class QPainter;

// A line of readout text put together from glyphs rendered once each. A readout whose figure
// changes every second shows new words every second, but they are made of the same dozen
// glyphs: each glyph's image and its blurred shadow are kept per quarter-pixel position, and a
// new line costs a few small copies instead of a fresh rendering and blur of the whole line.
//
// Blurring is linear: the shadow of a line is the sum of its glyphs' shadows, so the shadows go
// down added together, under every glyph, as one blurred line would.
namespace GlyphSprites {

// The pieces a line of `text` is drawn in, each with its baseline origin relative to the line's:
// the whole text, or with `tabularDigits` its runs between digits and each digit centred in a
// cell of the widest digit's width.
struct Piece
{
    QString text;
    QPointF origin;
};
std::vector<Piece> pieces(const QString &text, const QFont &font, bool tabularDigits);

// The advance of the line `text` is drawn as (see pieces()): runs and digits are measured once
// each and kept, since measuring shapes the text. Main thread only.
double lineAdvance(const QString &text, const QFont &font, bool tabularDigits);

// Draws `text` with its baseline starting at `origin` (painter coordinates): a shadow of
// `shadowOpacity` (none at 0) blurred by `shadowRadius` points and moved by `shadowOffset`, then
// the glyphs in `colour`. The painter must draw into an image, scaled and moved only; false,
// with nothing drawn, otherwise.
bool draw(QPainter &painter, QPointF origin, const QString &text, const QFont &font,
          const QColor &colour, double shadowOpacity, double shadowRadius, QPointF shadowOffset,
          bool tabularDigits);

} // namespace GlyphSprites
