#pragma once

#include <QObject>
#include <QPointer>

class PulseRing;
class QWidget;

// Lays a PulseRing over a widget: the ring is a child covering the widget's whole area, kept on
// top of its siblings and resized with it. The modifier belongs to the widget.
class FlashModifier final : public QObject
{
    Q_OBJECT

public:
    explicit FlashModifier(QWidget *target);

    bool isActive() const;
    void setActive(bool active);

    PulseRing *ring() const { return m_ring; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow();

    QPointer<QWidget> m_target;
    QPointer<PulseRing> m_ring;
};
