#pragma once

#include <QMarginsF>
#include <QPointF>
#include <QString>

class QPainter;

// The round button face of the menu: a ring around a disc carrying a symbol. A selected face is
// gold, a little larger and has a white pointer on its left; `lightIdle` is the paler idle look
// used on light backgrounds.
class CoreCircleIcon final
{
public:
    static constexpr double selectedScale = 1.08;
    static constexpr double springResponse = 0.28;
    static constexpr double springDamping = 0.65;

    explicit CoreCircleIcon(QString systemImage, bool selected = false, double size = 54,
                            bool lightIdle = false);

    const QString &systemImage() const { return m_systemImage; }
    bool selected() const { return m_selected; }
    double size() const { return m_size; }
    bool lightIdle() const { return m_lightIdle; }

    // The scale the face rests at: larger when selected.
    double restingScale() const { return m_selected ? selectedScale : 1.0; }

    // Paints the face centred on `centre` at its resting scale, or at `scale` while a widget
    // springs between the two.
    void paint(QPainter &painter, const QPointF &centre) const;
    void paint(QPainter &painter, const QPointF &centre, double scale) const;

    // How far the shadow, the selected scale and the pointer reach beyond the size × size square.
    static QMarginsF outsets(double size);

private:
    QString m_systemImage;
    bool m_selected;
    double m_size;
    bool m_lightIdle;
};
