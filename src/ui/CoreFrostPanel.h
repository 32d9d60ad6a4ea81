#pragma once

#include <QMarginsF>
#include <QRectF>

class QPainter;

// The frosted plate behind the menu's panels: a cut-corner plate of a faint white underlay, the
// frost fill (opaque-ish when `solid`, glassier otherwise) and a white outline, over a soft drop
// shadow.
class CoreFrostPanel final
{
public:
    explicit CoreFrostPanel(double cut = 18, bool solid = false);

    double cut() const { return m_cut; }
    bool solid() const { return m_solid; }

    // Paints the plate filling `rect`; the shadow falls outside it by up to shadowOutsets().
    void paint(QPainter &painter, const QRectF &rect) const;

    // The room a widget leaves around the plate so its shadow is not clipped.
    static QMarginsF shadowOutsets();

private:
    double m_cut;
    bool m_solid;
};
