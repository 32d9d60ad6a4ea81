#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// The symbol names the interface uses are drawn from the Material Icons font: the name of each
// symbol maps to the icon font's word (its ligature) for the closest picture, and to the
// character the font gives the same picture, by which it is drawn.
class Symbols final
{
public:
    // The icon font's ligature for `sfName`; a name without an entry gets a neutral question
    // mark so a missing entry shows as a visible stand-in instead of nothing.
    static QString ligature(const QString &sfName);
    static QString fallbackLigature();
    // The icon font's character for `sfName` (the stand-in's for a name without an entry).
    static char32_t codePoint(const QString &sfName);

    static bool isMapped(const QString &sfName);
    // Every mapped symbol name, in table order.
    static QStringList names();

    // The icon font's family name.
    static QString family();

    // The icon font at `pointSize`; the font file is registered with the process on first use
    // when fontconfig does not already list the family.
    static QFont font(double pointSize);

    // Draws the glyph of `sfName` centred in `rect`.
    static void draw(QPainter &painter, const QRectF &rect, const QString &sfName,
                     const QColor &colour, double pointSize);

private:
    Symbols() = delete;
};
