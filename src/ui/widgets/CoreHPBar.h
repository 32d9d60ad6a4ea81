#pragma once

#include "ui/CoreTheme.h"

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// The player's HP bar: the name beside a stepped gauge on a slanted dark strip, with a capsule
// of two labels (current HP and level) hanging under the gauge's trailing end.
class CoreHPBar final
{
public:
    static constexpr double nameWidth = 96;
    // Room between the strip's slanted leading edge and the name, and between name and gauge.
    static constexpr double stripLeading = 24;
    static constexpr double nameGap = 8;
    static constexpr double stripTrailing = 24;
    static constexpr double capsuleGap = 4;

    QString username;
    double fraction = 0;
    QString currentLabel;
    QString levelLabel;
    QColor fill = CoreTheme::hpGreen();
    double barW = 270;
    double barH = 26;
    double stripH = 50;

    // The room the whole bar takes, the strip's slant and the capsule included.
    QSizeF size() const;
    // Where the gauge sits, relative to the bar's top-left corner.
    QRectF gaugeRect() const;
    QRectF capsuleRect() const;

    // Paints the bar with its top-left corner at `origin`; the gauge shows `displayedFraction`
    // (the animated value), everything else comes from the fields. With `only` (relative to
    // the bar) just what reaches into it is painted.
    void paint(QPainter &painter, const QPointF &origin, double displayedFraction,
               const QRectF &only = {}) const;
};
