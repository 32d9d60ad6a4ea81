#include "setup/SetupProbes.h"

#include "actions/ShortcutsTool.h"
#include "platform/CalendarStore.h"
#include "platform/MediaPlayers.h"
#include "platform/SystemInfo.h"
#include "platform/WindowSystem.h"
#include "setup/LoginItemService.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

SetupProbes SetupProbes::standard(const SystemInfo &system, const WindowSystem &windows,
                                  const CalendarStore &calendars, const MediaPlayers &players,
                                  const LoginItemService &loginItems,
                                  const QStringList &hotKeyFailures, QString executableFolder)
{
    SetupProbes probes;
    probes.session = [&system] { return system.sessionKind(); };
    // A few round trips on the connection Qt already holds to the local X server: as quick as
    // any other X request the interface makes, and the window system is not shared with other
    // threads.
    probes.windowControl = [&windows] { return windows.trusted(); };
    probes.hotKeyFailures = [&hotKeyFailures] { return hotKeyFailures; };

    probes.prettyName = [&system] { return system.prettyName(); };
    probes.calendar = [&calendars] { return calendars.eventAccess(); };
    probes.reminders = [&calendars] { return calendars.reminderAccess(); };
    probes.shortcutsTool = [folder = std::move(executableFolder)] {
        return !ShortcutsTool::locate(folder).isEmpty();
    };
    probes.mediaPlayers = [&players] { return players.runningPlayers(); };
    probes.spotifyInstalled = [] {
        return spotifyInstalledIn(
            QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation));
    };
    probes.loginItem = [&loginItems] { return loginItems.isEnabled(); };
    probes.ollama
        = [] { return !QStandardPaths::findExecutable(QStringLiteral("ollama")).isEmpty(); };
    return probes;
}
