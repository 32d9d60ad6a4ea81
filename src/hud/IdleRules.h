#pragma once

#include <QObject>
#include <QTimer>

#include <limits>

class Clock;
class HUDPanels;
class HUDSettings;
class PointerFollower;
struct HUDState;

// The HUD's two idle rules, timed on the injected clock and checked once a second: the readouts
// go once their deadline after the HUD was summoned passes with nothing holding them, and the
// menu closes once it has gone unused for the menu idle. A setting of 0 turns a rule off. The
// menu, the layout editor and the command bar hold the readouts up; the menu is in use while the
// layout is edited, the pointer is on it or the command bar is up.
class IdleRules final : public QObject
{
    Q_OBJECT
public:
    IdleRules(const Clock &clock, const HUDSettings &settings, const HUDState &state,
              const HUDPanels &panels, const PointerFollower &follower, QObject *parent = nullptr);

    // The menu or one of its sub-panels is up.
    bool menuOpen() const;

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

signals:
    // The readouts' deadline passed with nothing holding them: the HUD goes.
    void readoutsExpired();
    // The menu went unused for the menu idle: it closes.
    void menuIdle();

private:
    double now() const;
    bool readoutsHeld() const;
    bool menuInUse() const;

    const Clock &m_clock;
    const HUDSettings &m_settings;
    const HUDState &m_state;
    const HUDPanels &m_panels;
    const PointerFollower &m_follower;
    double m_readoutDeadline = std::numeric_limits<double>::infinity();
    double m_lastMenuActivity = 0;
    QTimer m_readoutTimer;
    QTimer m_idleTimer;
};
