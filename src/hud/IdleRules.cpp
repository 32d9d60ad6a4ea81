#include "hud/IdleRules.h"

#include "hud/HUDSettings.h"
#include "platform/Clock.h"

IdleRules::IdleRules(const Clock &clock, const HUDSettings &settings, Hooks hooks, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_settings(settings)
    , m_hooks(std::move(hooks))
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

void IdleRules::restartReadouts()
{
    const double d = m_settings.readoutIdle();
    if (m_hooks.hudVisible() && d > 0) {
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
    if (!m_hooks.hudVisible() || d == 0) {
        stopReadouts();
        return;
    }
    if (m_hooks.readoutsHeld()) {
        m_readoutDeadline = now() + d;
        return;
    }
    if (now() >= m_readoutDeadline)
        m_hooks.hideHUD();
}

void IdleRules::noteMenuActivity()
{
    m_lastMenuActivity = now();
    if (m_hooks.menuOpen()) {
        if (!m_idleTimer.isActive())
            m_idleTimer.start();
    } else {
        m_idleTimer.stop();
    }
}

void IdleRules::idleTick()
{
    if (!m_hooks.menuOpen()) {
        noteMenuActivity();
        m_idleTimer.stop();
        return;
    }
    const double idle = m_settings.menuIdle();
    if (idle == 0 || m_hooks.menuInUse()) {
        m_lastMenuActivity = now();
        return;
    }
    if (now() - m_lastMenuActivity >= idle) {
        m_hooks.closeMenu();
        noteMenuActivity();
    }
}
