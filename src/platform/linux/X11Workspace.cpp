#include "platform/linux/X11Workspace.h"

#include "platform/linux/BoundedRead.h"
#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/X11Clients.h"
#include "platform/linux/Xcb.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readProcFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return readUpTo(file, 65536);
}

// The boot time in seconds since the epoch, from the btime line of /proc/stat.
std::optional<qint64> bootTime()
{
    const QByteArray stat = readProcFile(QStringLiteral("/proc/stat"));
    for (const QByteArray &line : stat.split('\n')) {
        if (line.startsWith("btime ")) {
            bool ok = false;
            const qint64 seconds = line.mid(6).trimmed().toLongLong(&ok);
            if (ok)
                return seconds;
        }
    }
    return std::nullopt;
}

QString processName(pid_t pid)
{
    return QString::fromUtf8(readProcFile(QStringLiteral("/proc/%1/comm").arg(pid)).trimmed());
}

// The executable's file name (a binary replaced since it started still names itself); the
// command name when the link cannot be read (another user's process).
QString executableName(pid_t pid)
{
    const QString target = ProcFsProcessTable::cleanExecutablePath(
        QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget());
    if (!target.isEmpty())
        return QFileInfo(target).fileName();
    return processName(pid);
}

// Whether the process runs as another user than this program: /proc/PID belongs to the
// process's user. A process that has gone meanwhile counts as ours.
bool ownedByAnotherUser(pid_t pid)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(QStringLiteral("/proc/%1").arg(pid)).constData(), &st) != 0)
        return false;
    return st.st_uid != ::getuid();
}

bool isStandard(const X11Client &client)
{
    return client.kind == X11WindowKind::normal || client.kind == X11WindowKind::none;
}

// A desktop entry's Icon: an absolute path is a file, anything else a theme name.
} // namespace

X11Workspace::X11Workspace(QObject *parent)
    : X11Workspace(DesktopEntryMatcher::defaultFolders(), parent)
{ }

X11Workspace::X11Workspace(QStringList applicationFolders, QObject *parent)
    : XdgWorkspace(std::move(applicationFolders), parent)
    , m_clients(std::make_unique<X11Clients>(Xcb::connection(), Xcb::rootOf(Xcb::connection())))
{
    if (!m_clients->valid())
        return;
    // The running apps are named from the desktop entries as soon as the program starts.
    m_entries.preload();
    m_clientListAtom = m_clients->atom("_NET_CLIENT_LIST");
    m_activeAtom = m_clients->atom("_NET_ACTIVE_WINDOW");
    m_clients->listenOnRoot(XCB_EVENT_MASK_PROPERTY_CHANGE);
    m_pids = clientPids();
    m_activePid = activePid();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Workspace::~X11Workspace()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::optional<QDateTime> X11Workspace::launchDate(pid_t pid)
{
    const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    // Field 22, the start time in clock ticks after boot; the fields after ')' start at 3.
    constexpr int kStartTime = 22 - 3;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    bool ok = false;
    const qint64 ticks = fields.value(kStartTime).toLongLong(&ok);
    const std::optional<qint64> boot = bootTime();
    const long perSecond = ::sysconf(_SC_CLK_TCK);
    if (!ok || !boot || perSecond <= 0)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*boot * 1000 + ticks * 1000 / perSecond);
}

QList<RunningApp> X11Workspace::runningApplications() const
{
    const std::optional<QList<quint32>> list = m_clients->rootWindowList("_NET_CLIENT_LIST");
    if (!list)
        return {};
    // Grouped in the order the manager lists clients (oldest first).
    QList<pid_t> order;
    QHash<pid_t, QList<X11Client>> byPid;
    for (const X11Client &client : m_clients->describe(*list, true)) {
        if (client.pid <= 0)
            continue;
        if (!byPid.contains(client.pid))
            order << client.pid;
        byPid[client.pid] << client;
    }
    QHash<pid_t, RunningApp> known;
    QList<RunningApp> out;
    for (const pid_t pid : order) {
        const QList<X11Client> &windows = byPid[pid];
        RunningApp app;
        const auto cached = m_known.constFind(pid);
        if (cached != m_known.constEnd()) {
            app = *cached;
        } else {
            // A normal window names the app best; a dialog or menu carries the same class.
            const X11Client *named = &windows.first();
            for (const X11Client &w : windows) {
                if (isStandard(w)) {
                    named = &w;
                    break;
                }
            }
            app.pid = pid;
            app.launchDate = launchDate(pid);
            app.executable = executableName(pid);
            app.otherUser = ownedByAnotherUser(pid);
            if (const std::optional<DesktopEntry> entry
                = m_entries.match(named->gtkApplicationId, named->instanceName, named->className,
                                  app.executable)) {
                app.appId = entry->id;
                app.name = entry->name;
                app.desktopFile = entry->filePath;
                app.iconName = entry->iconName;
            } else {
                app.name = processName(pid);
            }
        }
        app.regular = false;
        for (const X11Client &w : windows) {
            const bool kindCounts = isStandard(w) || w.kind == X11WindowKind::dialog;
            app.regular = app.regular || (kindCounts && !w.skipTaskbar);
        }
        known.insert(pid, app);
        out << app;
    }
    m_known = known;
    return out;
}

std::optional<RunningApp> X11Workspace::application(pid_t pid) const
{
    for (const RunningApp &app : runningApplications()) {
        if (app.pid == pid)
            return app;
    }
    return std::nullopt;
}

std::optional<RunningApp> X11Workspace::frontmostApplication() const
{
    const pid_t pid = activePid();
    if (pid <= 0)
        return std::nullopt;
    return application(pid);
}

bool X11Workspace::activate(pid_t pid)
{
    std::optional<QList<quint32>> stacking = m_clients->rootWindowList("_NET_CLIENT_LIST_STACKING");
    if (!stacking || pid <= 0)
        return false;
    // The topmost normal window that is showing; else one that is minimized (activating
    // restores it); else any of the app's windows.
    std::optional<quint32> shown, minimized, any;
    const QList<X11Client> clients = m_clients->describe(*stacking, false);
    for (auto it = clients.crbegin(); it != clients.crend(); ++it) {
        if (it->pid != pid)
            continue;
        if (!any)
            any = it->window;
        if (isStandard(*it) && !it->hidden && !shown)
            shown = it->window;
        if (isStandard(*it) && it->hidden && !minimized)
            minimized = it->window;
    }
    const std::optional<quint32> target = shown ? shown : minimized ? minimized : any;
    if (!target)
        return false;
    constexpr quint32 kFromPager = 2;
    m_clients->sendToManager(*target, "_NET_ACTIVE_WINDOW",
                             {kFromPager, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
    return true;
}

QSet<pid_t> X11Workspace::clientPids() const
{
    QSet<pid_t> out;
    const std::optional<QList<quint32>> list = m_clients->rootWindowList("_NET_CLIENT_LIST");
    if (!list)
        return out;
    for (const X11Client &client : m_clients->describe(*list, false)) {
        if (client.pid > 0)
            out.insert(client.pid);
    }
    return out;
}

pid_t X11Workspace::activePid() const
{
    const xcb_window_t active = m_clients->activeWindow();
    if (active == XCB_WINDOW_NONE)
        return 0;
    const std::optional<X11Client> client = m_clients->describe(active);
    return client ? client->pid : 0;
}

bool X11Workspace::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != QByteArrayLiteral("xcb_generic_event_t"))
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
    if (change->window != m_clients->root())
        return false;
    if (change->atom == m_clientListAtom)
        m_clientListChanged = true;
    else if (change->atom == m_activeAtom)
        m_activeChanged = true;
    else
        return false;
    // The walk waits until the event loop is back: a burst of changes costs one walk, and no
    // round trip runs inside Qt's event dispatch.
    if (!m_deliveryQueued) {
        m_deliveryQueued = true;
        QMetaObject::invokeMethod(this, &X11Workspace::deliverChanges, Qt::QueuedConnection);
    }
    return false;
}

void X11Workspace::deliverChanges()
{
    m_deliveryQueued = false;
    if (m_clientListChanged) {
        m_clientListChanged = false;
        const QSet<pid_t> now = clientPids();
        const QSet<pid_t> before = std::exchange(m_pids, now);
        for (const pid_t pid : now) {
            if (!before.contains(pid))
                emit launched(pid);
        }
        for (const pid_t pid : before) {
            if (!now.contains(pid)) {
                m_known.remove(pid);
                emit terminated(pid);
            }
        }
    }
    if (m_activeChanged) {
        m_activeChanged = false;
        const pid_t pid = activePid();
        if (pid != m_activePid) {
            m_activePid = pid;
            if (pid > 0)
                emit activated(pid);
        }
    }
}
