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

StandardSetupProbes::StandardSetupProbes(const SystemInfo &system, const WindowSystem &windows,
                                         const CalendarStore &calendars,
                                         const MediaPlayers &players,
                                         const LoginItemService &loginItems,
                                         const QStringList &hotKeyFailures,
                                         QString executableFolder)
    : m_system(system)
    , m_windows(windows)
    , m_calendars(calendars)
    , m_players(players)
    , m_loginItems(loginItems)
    , m_hotKeyFailures(hotKeyFailures)
    , m_executableFolder(std::move(executableFolder))
{ }

SystemInfo::SessionKind StandardSetupProbes::session() const
{
    return m_system.sessionKind();
}

bool StandardSetupProbes::windowControl() const
{
    return m_windows.trusted();
}

bool StandardSetupProbes::windowList() const
{
    return m_windows.windowList().has_value();
}

QString StandardSetupProbes::prettyName() const
{
    return m_system.prettyName();
}

SetupFacts::StoreAccess StandardSetupProbes::calendar() const
{
    return m_calendars.eventAccess();
}

SetupFacts::StoreAccess StandardSetupProbes::reminders() const
{
    return m_calendars.reminderAccess();
}

CalendarSources StandardSetupProbes::calendarSources() const
{
    return m_calendars.sources();
}

bool StandardSetupProbes::shortcutsTool() const
{
    return !ShortcutsTool::locate(m_executableFolder).isEmpty();
}

QStringList StandardSetupProbes::mediaPlayers() const
{
    return m_players.runningPlayers();
}

bool StandardSetupProbes::spotifyInstalled() const
{
    return spotifyInstalledIn(
        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation));
}

bool StandardSetupProbes::loginItem() const
{
    return m_loginItems.isEnabled();
}

bool StandardSetupProbes::ollama() const
{
    return !QStandardPaths::findExecutable(QStringLiteral("ollama")).isEmpty();
}
