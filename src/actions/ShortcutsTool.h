#pragma once

#include <QString>

class ToolRunner;

// The user's Shortcuts, reached through our `vantle-shortcuts` program: `list` prints one name
// per line, `run NAME` runs one and passes its output and exit status through.
class ShortcutsTool final
{
public:
    // A Do Not Disturb Shortcut that has not exited by then is ended and counts as failed; the
    // Shortcuts cast as skills have no limit.
    static constexpr int kRunLimitMs = 30000;

    static QString programName();
    // The tool beside the executable, else the one on PATH; empty when there is none.
    static QString locate(const QString &executableFolder);

    // Toggles the desktop's Do Not Disturb through the user's Shortcuts: "Toggle Focus", and
    // when that cannot start or ends with a non-zero status, "Toggle Do Not Disturb". True when
    // one of them succeeded. Blocks until the Shortcuts exit: call it off the main thread.
    static bool toggleDoNotDisturb(const ToolRunner &tools, const QString &program);
};
