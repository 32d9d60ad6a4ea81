#include "hud/IdleRules.h"

#include "hud/HUDPanels.h"
#include "hud/HUDSettings.h"
#include "hud/HUDState.h"
#include "hud/PointerFollower.h"
#include "platform/Clock.h"

IdleRules::IdleRules(const Clock &clock, const HUDSettings &settings, const HUDState &state,
                     const HUDPanels &panels, const PointerFollower &follower, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_settings(settings)
    , m_state(state)
    , m_panels(panels)
    , m_follower(follower)
{
    m_lastMenuActivity = now();
    m_readoutTimer.setInterval(1000);
    // On the second, with the readouts' polls: a deadline kept to the second is enough.
    m_readoutTimer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_readoutTimer, &QTimer::timeout, this, &IdleRules::readoutTick);
    m_idleTimer.setInterval(1000);
    connect(&m_idleTimer, &QTimer::timeout, this, &IdleRules::idleTick);
}

double IdleRules::now() const
{
    return m_clock.uptime();
}

bool IdleRules::menuOpen() const
{
    return m_state.menuVisible || m_panels.subPanelShown();
}

bool IdleRules::readoutsHeld() const
{
    return menuOpen() || m_state.layoutEditing || m_state.commandBarVisible;
}

bool IdleRules::menuInUse() const
{
    return m_state.layoutEditing || m_follower.pointerOnMenu() || m_state.commandBarVisible;
}

void IdleRules::restartReadouts()
{
    const double d = m_settings.readoutIdle();
    if (m_state.isVisible && d > 0) {
        m_readoutDeadline = now() + d;
        if (!m_readoutTimer.isActive())
            m_readoutTimer.start();
    } else {
        stopReadouts();
    }
}

void IdleRules::stopReadouts()
{
    m_readoutTimer.stop();
}

void IdleRules::readoutTick()
{
    const double d = m_settings.readoutIdle();
    if (!m_state.isVisible || d == 0) {
        stopReadouts();
        return;
    }
    if (readoutsHeld()) {
        m_readoutDeadline = now() + d;
        return;
    }
    if (now() >= m_readoutDeadline)
        emit readoutsExpired();
}

void IdleRules::noteMenuActivity()
{
    m_lastMenuActivity = now();
    if (menuOpen()) {
        if (!m_idleTimer.isActive())
            m_idleTimer.start();
    } else {
        m_idleTimer.stop();
    }
}

void IdleRules::idleTick()
{
    if (!menuOpen()) {
        noteMenuActivity();
        m_idleTimer.stop();
        return;
    }
    const double idle = m_settings.menuIdle();
    if (idle == 0 || menuInUse()) {
        m_lastMenuActivity = now();
        return;
    }
    if (now() - m_lastMenuActivity >= idle) {
        emit menuIdle();
        noteMenuActivity();
    }
}
