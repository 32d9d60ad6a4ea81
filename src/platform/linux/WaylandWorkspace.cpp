#include "platform/linux/WaylandWorkspace.h"

#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/X11Workspace.h"
#include "platform/wayland/WaylandToplevels.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

// The newest process of this user running one of `executables` (file names) that does not
// stand for another app already.
pid_t newestProcess(const QStringList &executables, const QSet<pid_t> &taken)
{
    const ProcFsProcessTable table;
    const uid_t uid = table.ownUid();
    ProcessEntry best;
    const auto runsOne = [&executables](const QString &executable) {
        return !executable.isEmpty()
            && executables.contains(QFileInfo(executable).fileName(), Qt::CaseInsensitive);
    };
    for (const ProcessEntry &p : table.processes(runsOne)) {
        if (p.uid != uid || taken.contains(p.pid))
            continue;
        if (p.startTime >= best.startTime)
            best = p;
    }
    return best.pid;
}

// The file name of the program an entry's Exec line starts (quotes and field codes aside).
QString execProgram(const QString &desktopFile)
{
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith("Exec="))
            return QFileInfo(QString::fromUtf8(line.mid(5))
                                 .section(QLatin1Char(' '), 0, 0)
                                 .remove(QLatin1Char('"')))
                .fileName();
    }
    return {};
}

} // namespace

WaylandWorkspace::WaylandWorkspace(WaylandToplevels &toplevels, std::function<wl_seat *()> seat,
                                   QObject *parent)
    : XdgWorkspace(DesktopEntryMatcher::defaultFolders(), parent)
    , m_toplevels(toplevels)
    , m_seat(std::move(seat))
{
    connect(&toplevels, &WaylandToplevels::changed, this, &WaylandWorkspace::refresh);
    refresh();
}

WaylandWorkspace::~WaylandWorkspace() = default;

RunningApp WaylandWorkspace::describe(const QString &appId)
{
    RunningApp app;
    app.appId = appId;
    app.name = appId;
    app.regular = true;
    QStringList executables{appId, appId.section(QLatin1Char('.'), -1)};
    const QByteArray id = appId.toUtf8();
    if (const std::optional<DesktopEntry> entry = m_entries.match(id, id, id, appId)) {
        app.appId = entry->id;
        app.name = entry->name;
        app.desktopFile = entry->filePath;
        app.iconName = entry->iconName;
        executables << entry->id << execProgram(entry->filePath);
    }
    QSet<pid_t> taken;
    for (const RunningApp &other : std::as_const(m_apps))
        taken.insert(other.pid);
    app.pid = newestProcess(executables, taken);
    if (app.pid > 0) {
        app.executable = QFileInfo(QStringLiteral("/proc/%1/exe").arg(app.pid)).symLinkTarget();
        app.executable = QFileInfo(app.executable).fileName();
        app.launchDate = X11Workspace::launchDate(app.pid);
    } else {
        app.pid = m_nextUnmatched++;
    }
    return app;
}

void WaylandWorkspace::refresh()
{
    QSet<QString> present;
    for (const WaylandToplevel &t : m_toplevels.toplevels()) {
        if (!t.appId.isEmpty())
            present.insert(t.appId);
    }
    QList<pid_t> gone;
    for (auto it = m_apps.begin(); it != m_apps.end();) {
        if (present.contains(it.key())) {
            ++it;
            continue;
        }
        gone << it->pid;
        it = m_apps.erase(it);
    }
    QList<pid_t> came;
    for (const QString &appId : std::as_const(present)) {
        if (!m_apps.contains(appId)) {
            m_apps.insert(appId, describe(appId));
            came << m_apps.value(appId).pid;
        }
    }
    const std::optional<WaylandToplevel> active = m_toplevels.active();
    const pid_t activePid = active ? pidOf(active->appId) : 0;
    for (pid_t pid : std::as_const(gone))
        emit terminated(pid);
    for (pid_t pid : std::as_const(came))
        emit launched(pid);
    if (activePid != m_activePid) {
        m_activePid = activePid;
        if (activePid)
            emit activated(activePid);
    }
}

pid_t WaylandWorkspace::pidOf(const QString &appId) const
{
    const auto it = m_apps.constFind(appId);
    return it == m_apps.cend() ? 0 : it->pid;
}

QList<RunningApp> WaylandWorkspace::runningApplications() const
{
    return m_apps.values();
}

std::optional<RunningApp> WaylandWorkspace::frontmostApplication() const
{
    return m_activePid ? application(m_activePid) : std::nullopt;
}

std::optional<RunningApp> WaylandWorkspace::application(pid_t pid) const
{
    for (const RunningApp &app : m_apps) {
        if (app.pid == pid)
            return app;
    }
    return std::nullopt;
}

bool WaylandWorkspace::activate(pid_t pid)
{
    // The app's most recently active window.
    for (const WaylandToplevel &t : m_toplevels.toplevels()) {
        if (pidOf(t.appId) == pid)
            return m_toplevels.activate(t.id, m_seat());
    }
    return false;
}
