#pragma once

#include "hud/HUDHotKeys.h"

#include <QList>
#include <QStringList>

// What start-up makes of the hot-key registrations, before anything is stored or logged.
class HotKeyStartup final
{
public:
    struct Registration
    {
        HotKeyBinding key;
        bool registered = false;
    };

    struct Report
    {
        // Display names of the failed keys in the order HUD, menu, command bar, hide-all: what
        // the setup check lists.
        QStringList failures;
        // One message per failed key in the order hide-all, menu, command bar, HUD, each ready
        // for `SystemLog::log` (which adds the program prefix).
        QStringList logLines;
    };

    static Report report(const QList<Registration> &registrations);
};
