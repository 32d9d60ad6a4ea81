#include "windows/DockWatcher.h"

#include "platform/Feedback.h"
#include "platform/Logging.h"
#include "platform/Screens.h"
#include "platform/UserDefaults.h"
#include "windows/WindowArranger.h"

DockWatcher::DockWatcher(WindowArranger &arranger, const Screens &screens, Feedback &feedback,
                         const UserDefaults &defaults, QObject *parent)
    : QObject(parent)
    , m_arranger(arranger)
    , m_screens(screens)
    , m_feedback(feedback)
    , m_defaults(defaults)
    , m_settled(Loadout::monitorsOf(screens.screens()))
{
    // The monitors at start are where the user already is: nothing is equipped for them.
    connect(&screens, &Screens::changed, this, &DockWatcher::screensChanged);
}

bool DockWatcher::enabled() const
{
    return m_defaults.boolean(enabledKey).value_or(true);
}

void DockWatcher::screensChanged()
{
    const quint64 generation = ++m_generation;
    m_feedback.later(settleMs, this, [this, generation] { settle(generation); });
}

void DockWatcher::settle(quint64 generation)
{
    // A later change restarted the wait.
    if (generation != m_generation)
        return;
    const QList<Loadout::Monitor> now = Loadout::monitorsOf(m_screens.screens());
    // A work area or a panel that moved is not a new set of monitors.
    if (now.isEmpty() || Loadout::sameMonitors(now, m_settled))
        return;
    m_settled = now;
    if (!enabled())
        return;
    const std::optional<Loadout> loadout = m_arranger.boundTo(now);
    qCDebug(lcWindows) << "monitors settled:" << now.size()
                       << (loadout ? "a loadout is bound to them" : "no loadout is bound to them");
    if (!loadout)
        return;
    // "Docked: Work desk"; a dock layout is already named after its monitors, "Dock: A + B",
    // and says so once.
    QString name = loadout->name;
    if (name.startsWith(Loadout::dockPrefix))
        name = name.mid(Loadout::dockPrefix.size());
    m_arranger.equip(*loadout, {}, QStringLiteral("Docked: ") + name);
}
