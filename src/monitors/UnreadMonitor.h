#pragma once

#include <QObject>

class Badges;
class QTimer;

// The unread count of the mail and chat apps, from their launcher badges, for the menu rail's
// Communications mark. Polled every 10 s while the HUD is on screen; the last count stays while
// it is not. Main thread only.
class UnreadMonitor final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int unread READ unread NOTIFY unreadChanged)

public:
    static constexpr int pollIntervalMs = 10000;

    explicit UnreadMonitor(Badges &badges, QObject *parent = nullptr);
    ~UnreadMonitor() override;

    int unread() const { return m_unread; }

    void setHUDVisible(bool visible);
    bool isPolling() const;
    // Reads the badges; what the timer runs.
    void poll();

signals:
    void unreadChanged(int unread);

private:
    Badges &m_badges;
    QTimer *m_timer;
    int m_unread = 0;
};
