#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

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

} // namespace MenuPainting
