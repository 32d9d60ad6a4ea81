#include "hud/HUDSettings.h"

#include "hud/HUDNotifications.h"
#include "platform/Platform.h"
#include "platform/UserDefaults.h"

#include <cmath>

namespace {
constexpr double kDefaultIdle = 10;

QString secondsLabel(double seconds)
{
    return QString::number(static_cast<long long>(std::trunc(seconds)))
        + QStringLiteral(" seconds");
}
} // namespace

const QList<double> &HUDSettings::menuIdleOptions()
{
    static const QList<double> options{0, 6, 10, 20};
    return options;
}

const QList<double> &HUDSettings::readoutIdleOptions()
{
    static const QList<double> options{10, 30, 60, 0};
    return options;
}

HUDSettings::HUDSettings(UserDefaults &defaults, HUDNotifications &notifications)
    : m_defaults(defaults)
    , m_notifications(notifications)
{ }

double HUDSettings::menuIdle() const
{
    return m_defaults.number(menuIdleKey).value_or(kDefaultIdle);
}

void HUDSettings::setMenuIdle(double seconds)
{
    m_defaults.setValue(menuIdleKey, seconds);
}

double HUDSettings::cycleMenuIdle()
{
    const double current = menuIdle();
    double next = 0;
    for (double option : menuIdleOptions()) {
        if (option > current) {
            next = option;
            break;
        }
    }
    setMenuIdle(next);
    return next;
}

QString HUDSettings::menuIdleLabel(double seconds)
{
    return seconds == 0 ? QStringLiteral("off") : secondsLabel(seconds);
}

double HUDSettings::readoutIdle() const
{
    return m_defaults.number(readoutIdleKey).value_or(kDefaultIdle);
}

void HUDSettings::setReadoutIdle(double seconds)
{
    m_defaults.setValue(readoutIdleKey, seconds);
    m_notifications.postWidgetsChanged();
}

double HUDSettings::cycleReadoutIdle()
{
    const QList<double> &options = readoutIdleOptions();
    const qsizetype at = options.indexOf(readoutIdle());
    const double next = at < 0 ? kDefaultIdle : options.at((at + 1) % options.size());
    setReadoutIdle(next);
    return next;
}

QString HUDSettings::readoutIdleLabel(double seconds)
{
    return seconds == 0 ? QStringLiteral("always on") : secondsLabel(seconds);
}
