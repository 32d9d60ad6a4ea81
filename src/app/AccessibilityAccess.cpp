#include "app/AccessibilityAccess.h"

#include "platform/Platform.h"
#include "platform/WindowSystem.h"

bool AccessibilityAccess::request(const WindowSystem &windows)
{
    return windows.trusted();
}

bool AccessibilityAccess::request()
{
    return request(*Platform::installed().windows);
}

void AccessibilityAccess::openSettings()
{
    // Window control on X11 depends on the session and the window manager, not on a setting
    // the user can switch; the setup check explains what is missing instead.
}
