#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QFont;
class QPainter;
class QWidget;

// Drawing shared by the menu's panels.
namespace MenuPainting {

// A small capsule button with a caption in upper-case letters: `accent` fills it, white text.
void textButton(QPainter &painter, const QRectF &bounds, const QString &text, const QColor &accent,
                bool hovered);
// A round icon button: the symbol in `colour`, a faint disc under the pointer.
void iconButton(QPainter &painter, const QRectF &bounds, const QString &symbol,
                const QColor &colour, bool hovered);
// The width a text button needs for `text`.
double textButtonWidth(const QString &text);
// A light tile with cut corners, outlined in gold while `highlighted`.
void tile(QPainter &painter, const QRectF &bounds, bool highlighted);

// The frosted card a list panel sits on, inside `panel` (room left for its shadow), and the
// area its content takes inside it (a title row first).
constexpr double cardTitleHeight = 26;
QRectF cardPlate(const QWidget &panel);
QRectF cardContent(const QWidget &panel);
// Paints the card with `title` in its title row; the pen is left in the ink colour.
void card(QPainter &painter, const QWidget &panel, const QString &title);

// A row card: a disc filled with `fill` holding `symbol`, with lines of text beside it.
void rowDisc(QPainter &painter, const QRectF &disc, const QColor &fill, const QString &symbol,
             const QColor &symbolColour, double symbolSize);
// One line of a row card's text, cut short with `elide` where it is wider than `rect`.
void rowLine(QPainter &painter, const QRectF &rect, const QFont &font, const QColor &colour,
             Qt::Alignment alignment, const QString &text,
             Qt::TextElideMode elide = Qt::ElideRight);
// The title over the subtitle that the list rows show in `text`; the pen is left in the
// subtitle's colour.
void rowTitles(QPainter &painter, const QRectF &text, const QString &title, const QString &subtitle,
               Qt::TextElideMode subtitleElide = Qt::ElideRight);

} // namespace MenuPainting
