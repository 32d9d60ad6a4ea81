#include "ui/FlashModifier.h"

#include "ui/PulseRing.h"

#include <QEvent>
#include <QWidget>

FlashModifier::FlashModifier(QWidget *target)
    : QObject(target)
    , m_target(target)
    , m_ring(new PulseRing(target))
{
    target->installEventFilter(this);
    follow();
    m_ring->show();
}

bool FlashModifier::isActive() const
{
    return m_ring && m_ring->isActive();
}

void FlashModifier::setActive(bool active)
{
    if (!m_ring)
        return;
    m_ring->setActive(active);
    follow();
}

bool FlashModifier::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Show:
        // A child added later would otherwise stack above the ring.
        case QEvent::ChildAdded:
        case QEvent::ChildPolished:
            follow();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FlashModifier::follow()
{
    if (!m_target || !m_ring)
        return;
    m_ring->setGeometry(m_target->rect());
    m_ring->raise();
}
