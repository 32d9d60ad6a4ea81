#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

// One party line: a name, a small stepped gauge and a detail text on a slanted dark plate.
// `inverted` marks a readout where a high value is bad, so a full bar turns red.
class MiniHP final
{
public:
    static constexpr double rowHeight = 26;
    static constexpr double leadingPadding = 20;
    static constexpr double trailingPadding = 22;
    static constexpr double spacing = 8;
    static constexpr double gaugeWidth = 128;
    static constexpr double gaugeHeight = 14;
    // How far the plate reaches past the row's trailing edge.
    static constexpr double plateOverhang = 6;
    static constexpr double minimumDetailScale = 0.8;

    QString name;
    double fraction = 0;
    QString detail;
    bool inverted = false;

    static QFont nameFont();
    static QFont detailFont();

    // hpColor of the fraction, or of its complement when inverted.
    QColor fillColour() const;
    // The detail's own width, before any shrinking.
    double naturalDetailWidth() const;
    // Row width with a name column of `nameWidth` and a detail column of `detailWidth`.
    static double rowWidth(double nameWidth, double detailWidth);
    // The gauge inside a row whose top-left corner is `origin`.
    static QRectF gaugeRect(const QPointF &origin, double nameWidth);

    // Paints the row at `origin` (top-left of the row, the plate's overhang lies beyond it); the
    // gauge shows `displayedFraction`. A detail wider than its column shrinks to 0.8 of its size
    // and is cut short if even that is too wide. With `only` set (in the painter's coordinates)
    // the words that cannot reach it are left alone: a sliding gauge repaints its own box.
    void paint(QPainter &painter, const QPointF &origin, double displayedFraction, double nameWidth,
               double detailWidth, const QRectF &only = {}) const;
};
