#pragma once

#include <QStringList>

// What start-up makes of the four hot-key registrations, before anything is stored or logged.
class HotKeyStartup final
{
public:
    struct Report
    {
        // Display names of the failed keys in the order HUD, menu, command bar, hide-all: the
        // content of `HotKeyReport::failures()`.
        QStringList failures;
        // One message per failed key in the order hide-all, menu, command bar, HUD, each ready
        // for `SystemLog::log` (which adds the program prefix).
        QStringList logLines;
    };

    static Report report(bool hudOk, bool commandOk, bool menuOk, bool hideAllOk);
};
