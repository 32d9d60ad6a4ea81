#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <limits>

class Clock;
class HUDSettings;

// The HUD's two idle rules, timed on the injected clock and checked once a second: the readouts
// go once their deadline after the HUD was summoned passes with nothing holding them, and the
// menu closes once it has gone unused for the menu idle. A setting of 0 turns a rule off.
class IdleRules final : public QObject
{
    Q_OBJECT
public:
    struct Hooks
    {
        std::function<bool()> hudVisible;
        // The menu or one of its sub-panels is up.
        std::function<bool()> menuOpen;
        // The menu, the layout editor or the command bar holds the readouts up.
        std::function<bool()> readoutsHeld;
        // The menu is in use: the layout is edited, the pointer is on it or the command bar is
        // up.
        std::function<bool()> menuInUse;
        std::function<void()> hideHUD;
        std::function<void()> closeMenu;
    };

    IdleRules(const Clock &clock, const HUDSettings &settings, Hooks hooks,
              QObject *parent = nullptr);

    // Starts the readouts' deadline afresh, or stops it while the HUD is hidden or always on.
    void restartReadouts();
    void stopReadouts();
    // The menu was used just now; its idle time counts from here while it is open.
    void noteMenuActivity();

    // The timers call these, and so do tests.
    void readoutTick();
    void idleTick();

    double readoutDeadline() const { return m_readoutDeadline; }
    bool readoutTimerRunning() const { return m_readoutTimer.isActive(); }
    bool idleTimerRunning() const { return m_idleTimer.isActive(); }

private:
    double now() const;

    const Clock &m_clock;
    const HUDSettings &m_settings;
    Hooks m_hooks;
    double m_readoutDeadline = std::numeric_limits<double>::infinity();
    double m_lastMenuActivity = 0;
    QTimer m_readoutTimer;
    QTimer m_idleTimer;
};
