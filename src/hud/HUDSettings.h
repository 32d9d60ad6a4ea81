#pragma once

#include <QList>
#include <QString>

class HUDNotifications;
class UserDefaults;

// How long the menu and the readouts stay on screen. Holds no values of its own: every read
// goes to the defaults.
class HUDSettings final
{
public:
    static inline const QString menuIdleKey = QStringLiteral("Vantle.menuIdle");
    static inline const QString readoutIdleKey = QStringLiteral("Vantle.readoutIdle");
    static const QList<double> &menuIdleOptions();
    static const QList<double> &readoutIdleOptions();

    HUDSettings(UserDefaults &defaults, HUDNotifications &notifications);

    // Seconds without the pointer near the menu before it closes; 0 = off.
    double menuIdle() const;
    void setMenuIdle(double seconds);
    double cycleMenuIdle();
    static QString menuIdleLabel(double seconds);

    // Seconds the readouts stay after the HUD is summoned; 0 = always on.
    double readoutIdle() const;
    void setReadoutIdle(double seconds);
    double cycleReadoutIdle();
    static QString readoutIdleLabel(double seconds);

private:
    UserDefaults &m_defaults;
    HUDNotifications &m_notifications;
};
