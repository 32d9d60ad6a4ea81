#pragma once

#include "setup/SetupFacts.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CalendarStore;
class LoginItemService;
class MediaPlayers;
class SystemInfo;
class WindowSystem;

// The questions the setup check asks of the machine. A missing probe leaves its fact at the
// not-found answer.
struct SetupProbes
{
    // Called as each run starts: the skill book lists the Shortcuts again, and a later run
    // counts what it found.
    std::function<void()> reloadShortcuts;

    // Asked on the main thread; each must answer at once.
    std::function<SystemInfo::SessionKind()> session;
    std::function<bool()> windowControl;
    std::function<QStringList()> hotKeyFailures;
    std::function<std::optional<int>()> shortcutCount;

    // Asked on the thread pool; each may block on a file system or the bus, and is given up
    // when the run's deadline passes.
    std::function<QString()> prettyName;
    std::function<SetupFacts::StoreAccess()> calendar;
    std::function<SetupFacts::StoreAccess()> reminders;
    std::function<bool()> shortcutsTool;
    std::function<QStringList()> mediaPlayers;
    std::function<bool()> spotifyInstalled;
    std::function<bool()> loginItem;
    std::function<bool()> ollama;

    // The probes over the platform's services. `hotKeyFailures` is what start-up made of the
    // hot keys; `executableFolder` is where the Shortcuts tool is looked for first.
    static SetupProbes standard(const SystemInfo &system, const WindowSystem &windows,
                                const CalendarStore &calendars, const MediaPlayers &players,
                                const LoginItemService &loginItems,
                                const QStringList &hotKeyFailures, QString executableFolder);
    // Whether a desktop entry `spotify` or `com.spotify.Client` is installed in one of `folders`
    // (the applications folders of the XDG data directories).
    static bool spotifyInstalledIn(const QStringList &folders);
};
