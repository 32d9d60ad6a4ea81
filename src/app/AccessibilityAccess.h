#pragma once

class WindowSystem;

// Whether this program may move other apps' windows and type into them. On X11 there is no
// permission prompt: asking re-checks the session, and there are no settings to open.
class AccessibilityAccess final
{
public:
    static bool request(const WindowSystem &windows);
    static bool request();
    static void openSettings();
};
