#pragma once

#include "setup/SetupFacts.h"

#include <QString>
#include <QStringList>

#include <optional>

class CalendarStore;
class LoginItemService;
class MediaPlayers;
class SystemInfo;
class WindowSystem;

// The questions the setup check asks of the machine. A question left unanswered here gives the
// not-found answer of `SetupFacts`.
class SetupProbes
{
public:
    virtual ~SetupProbes() = default;

    // Called as each run starts: the skill book lists the Shortcuts again, and a later run
    // counts what it found.
    virtual void reloadShortcuts() { }

    // Asked on the main thread; each must answer at once.
    virtual SystemInfo::SessionKind session() const { return SetupFacts().session; }
    virtual bool windowControl() const { return SetupFacts().windowControl; }
    virtual bool windowList() const { return SetupFacts().windowList; }
    virtual QStringList hotKeyFailures() const { return {}; }
    virtual std::optional<int> shortcutCount() const { return std::nullopt; }
    // What the program itself costs, as one line; empty when it is not measured.
    virtual QString selfCost() const { return {}; }

    // Asked on the checker's thread pool, each on a thread of its own; each may block on a file
    // system or the bus, and is given up when the run's deadline passes.
    virtual QString prettyName() const { return SetupFacts().prettyName; }
    virtual SetupFacts::StoreAccess calendar() const { return SetupFacts().calendar; }
    virtual SetupFacts::StoreAccess reminders() const { return SetupFacts().reminders; }
    virtual CalendarSources calendarSources() const { return {}; }
    virtual bool shortcutsTool() const { return false; }
    virtual QStringList mediaPlayers() const { return {}; }
    virtual bool spotifyInstalled() const { return false; }
    virtual bool loginItem() const { return false; }
    virtual bool ollama() const { return false; }

    // Whether a desktop entry `spotify` or `com.spotify.Client` is installed in one of `folders`
    // (the applications folders of the XDG data directories).
    static bool spotifyInstalledIn(const QStringList &folders);
};

// The probes over the platform's services. `hotKeyFailures` is what start-up made of the hot
// keys; `executableFolder` is where the Shortcuts tool is looked for first.
class StandardSetupProbes : public SetupProbes
{
public:
    StandardSetupProbes(const SystemInfo &system, const WindowSystem &windows,
                        const CalendarStore &calendars, const MediaPlayers &players,
                        const LoginItemService &loginItems, const QStringList &hotKeyFailures,
                        QString executableFolder);

    SystemInfo::SessionKind session() const override;
    // A few round trips on the connection Qt already holds to the local X server: as quick as
    // any other X request the interface makes, and the window system is not shared with other
    // threads.
    bool windowControl() const override;
    bool windowList() const override;
    QStringList hotKeyFailures() const override { return m_hotKeyFailures; }

    QString prettyName() const override;
    SetupFacts::StoreAccess calendar() const override;
    SetupFacts::StoreAccess reminders() const override;
    CalendarSources calendarSources() const override;
    bool shortcutsTool() const override;
    QStringList mediaPlayers() const override;
    bool spotifyInstalled() const override;
    bool loginItem() const override;
    bool ollama() const override;

private:
    const SystemInfo &m_system;
    const WindowSystem &m_windows;
    const CalendarStore &m_calendars;
    const MediaPlayers &m_players;
    const LoginItemService &m_loginItems;
    const QStringList &m_hotKeyFailures;
    const QString m_executableFolder;
};
