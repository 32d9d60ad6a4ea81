#include "monitors/RunningAppsMonitor.h"

#include "platform/Feedback.h"

#include "platform/Workspace.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace {
// An app whose start time could not be read counts as launched in the distant past.
qint64 launchKey(const RunningApp &app)
{
    if (app.launchDate && app.launchDate->isValid())
        return app.launchDate->toMSecsSinceEpoch();
    return std::numeric_limits<qint64>::min();
}
} // namespace

RunningAppsMonitor::RunningAppsMonitor(Workspace &workspace, pid_t ownPid, Feedback &feedback,
                                       QObject *parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_ownPid(ownPid)
    , m_feedback(feedback)
{
    // Queued: the workspace reports from inside its own event handling, and the list it would
    // hand us then may still be half updated. The context object drops the calls once we are
    // gone.
    connect(&m_workspace, &Workspace::launched, this, &RunningAppsMonitor::refresh,
            Qt::QueuedConnection);
    connect(&m_workspace, &Workspace::terminated, this, &RunningAppsMonitor::refresh,
            Qt::QueuedConnection);
    connect(&m_workspace, &Workspace::activated, this, &RunningAppsMonitor::refresh,
            Qt::QueuedConnection);
    refresh();
}

RunningAppsMonitor::~RunningAppsMonitor() = default;

void RunningAppsMonitor::refresh()
{
    const QList<RunningApp> apps = m_workspace.runningApplications();
    // While one of our own panels has the focus, the slot to mark is still the app the user
    // came from.
    const pid_t front = m_workspace.frontmostPid();
    if (front > 0 && front != m_ownPid
        && std::ranges::any_of(apps, [front](const RunningApp &a) { return a.pid == front; }))
        m_lastFrontPID = front;

    QList<RunningApp> candidates;
    for (const RunningApp &app : apps) {
        if (app.regular && app.pid > 0 && app.pid != m_ownPid)
            candidates << app;
    }
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const RunningApp &a, const RunningApp &b) { return launchKey(a) < launchKey(b); });

    QList<RunningApp> kept = candidates.mid(0, slotCount);
    // The app the user was working in is always on the panel, at the cost of the newest slot.
    if (kept.size() == slotCount) {
        const auto isLastFront = [this](const RunningApp &a) { return a.pid == m_lastFrontPID; };
        const auto front = std::find_if(candidates.cbegin(), candidates.cend(), isLastFront);
        if (front != candidates.cend() && std::none_of(kept.cbegin(), kept.cend(), isLastFront))
            kept.last() = *front;
    }

    QList<Entry> entries;
    entries.reserve(kept.size());
    QHash<pid_t, RunningApp> slotApps;
    for (const RunningApp &app : kept) {
        entries << Entry{app.pid, app.name.isEmpty() ? QStringLiteral("App") : app.name,
                         app.pid == m_lastFrontPID};
        slotApps.insert(app.pid, app);
    }
    // An icon stays while its app keeps a slot under the same icon name.
    m_icons.removeIf([&slotApps, this](const auto &icon) {
        const auto now = slotApps.constFind(icon.key());
        return now == slotApps.cend() || now->iconName != m_slotApps.value(icon.key()).iconName;
    });
    m_slotApps = std::move(slotApps);
    m_entries = entries;
    emit entriesChanged();
}

QIcon RunningAppsMonitor::icon(pid_t id) const
{
    const auto app = m_slotApps.constFind(id);
    if (app == m_slotApps.cend())
        return {};
    auto known = m_icons.constFind(id);
    if (known == m_icons.cend())
        known = m_icons.insert(id, m_workspace.icon(*app));
    return *known;
}

void RunningAppsMonitor::switchTo(pid_t pid)
{
    m_feedback.play(SoundCue::select, 1.0f);
    m_workspace.activate(pid);
}
