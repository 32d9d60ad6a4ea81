#include "monitors/UnreadMonitor.h"

#include "platform/Badges.h"
#include "platform/Logging.h"

#include <QTimer>

UnreadMonitor::UnreadMonitor(Badges &badges, QObject *parent)
    : QObject(parent)
    , m_badges(badges)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(pollIntervalMs);
    m_timer->setTimerType(Qt::VeryCoarseTimer); // on the second, with the other readouts
    connect(m_timer, &QTimer::timeout, this, &UnreadMonitor::poll);
}

UnreadMonitor::~UnreadMonitor() = default;

void UnreadMonitor::setHUDVisible(bool visible)
{
    m_timer->stop();
    if (!visible)
        return;
    poll();
    m_timer->start();
}

bool UnreadMonitor::isPolling() const
{
    return m_timer->isActive();
}

void UnreadMonitor::poll()
{
    // The platform keeps the badges as the apps announce them, so reading them is immediate.
    const int unread = m_badges.unreadCount();
    if (unread == m_unread)
        return;
    m_unread = unread;
    qCDebug(lcMonitors) << "unread count" << unread;
    emit unreadChanged(unread);
}
