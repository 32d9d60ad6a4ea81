#include "setup/SetupProbes.h"

#include "actions/ShortcutsTool.h"
#include "app/HotKeyReport.h"
#include "app/LoginItemService.h"
#include "platform/SystemInfo.h"
#include "platform/WindowSystem.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// How long the bus may take to list its names; the run gives up at the same time.
constexpr int kBusTimeoutMs = 2000;

QString dataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace

SetupFacts::StoreAccess SetupProbes::storeAccess(const QString &root, const QString &fileName)
{
    bool any = false;
    const QDir dir(root);
    for (const QString &source : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = dir.filePath(source + QLatin1Char('/') + fileName);
        if (!QFileInfo::exists(path))
            continue;
        any = true;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return SetupFacts::StoreAccess::granted;
    }
    return any ? SetupFacts::StoreAccess::denied : SetupFacts::StoreAccess::notDetermined;
}

bool SetupProbes::spotifyInstalledIn(const QStringList &folders)
{
    for (const QString &folder : folders) {
        for (const char *entry : {"spotify.desktop", "com.spotify.Client.desktop"}) {
            if (QFileInfo::exists(QDir(folder).filePath(QLatin1String(entry))))
                return true;
        }
    }
    return false;
}

QStringList SetupProbes::mprisNames(int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {};
    // Asked directly rather than through QDBusConnectionInterface, whose calls wait for the
    // default 25 s when the bus daemon is stuck.
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    QStringList players;
    const QString prefix = QStringLiteral("org.mpris.MediaPlayer2.");
    for (const QString &name : reply.arguments().constFirst().toStringList()) {
        if (name.startsWith(prefix))
            players << name;
    }
    return players;
}

SetupProbes SetupProbes::standard(const SystemInfo &system, const WindowSystem &windows,
                                  const LoginItemService &loginItems, QString executableFolder)
{
    SetupProbes probes;
    probes.session = [&system] { return system.sessionKind(); };
    // A few round trips on the connection Qt already holds to the local X server: as quick as
    // any other X request the interface makes, and the window system is not shared with other
    // threads.
    probes.windowControl = [&windows] { return windows.trusted(); };
    probes.hotKeyFailures = [] { return HotKeyReport::failures(); };

    probes.prettyName = [&system] { return system.prettyName(); };
    probes.calendar = [] {
        return storeAccess(dataHome() + QStringLiteral("/evolution/calendar"),
                           QStringLiteral("calendar.ics"));
    };
    probes.reminders = [] {
        return storeAccess(dataHome() + QStringLiteral("/evolution/tasks"),
                           QStringLiteral("tasks.ics"));
    };
    probes.shortcutsTool = [folder = std::move(executableFolder)] {
        return !ShortcutsTool::locate(folder).isEmpty();
    };
    probes.mediaPlayers = [] { return mprisNames(kBusTimeoutMs); };
    probes.spotifyInstalled = [] {
        return spotifyInstalledIn(
            QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation));
    };
    probes.loginItem = [&loginItems] { return loginItems.isEnabled(); };
    probes.ollama
        = [] { return !QStandardPaths::findExecutable(QStringLiteral("ollama")).isEmpty(); };
    return probes;
}
