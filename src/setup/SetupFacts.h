#pragma once

#include "platform/CalendarStore.h"
#include "platform/SystemInfo.h"

#include <QString>
#include <QStringList>

#include <optional>

// What one run of the setup check found. Every field starts at the answer a probe that never
// answers stands for: the thing is missing, closed or not allowed.
struct SetupFacts
{
    // Access to the local calendar (or task) files.
    using StoreAccess = CalendarStore::Access;

    SystemInfo::SessionKind session = SystemInfo::SessionKind::none;
    QString prettyName = QStringLiteral("Linux");
    bool windowControl = false;
    // Whether the window system lists other apps' windows at all.
    bool windowList = false;
    StoreAccess calendar = StoreAccess::notDetermined;
    StoreAccess reminders = StoreAccess::notDetermined;
    // The calendars and task lists behind those, and what reads them.
    CalendarSources calendarSources;
    bool shortcutsTool = false;
    // How many Shortcuts the skill book found; nothing while it has not loaded them.
    std::optional<int> shortcutCount;
    // The MPRIS bus names on the session bus.
    QStringList mediaPlayers;
    bool spotifyInstalled = false;
    QStringList hotKeyFailures;
    bool loginItem = false;
    bool ollama = false;
    QString selfCost;
};
