#pragma once

#include "platform/LoginItems.h"

#include <QString>

class SystemLog;

// Switches the program's login item, refusing for a development build: a copy started from a
// build folder would otherwise start at every log-in long after the folder is gone.
//
// The platform's pair is "register" and "unregister"; `register` is a C++ keyword, so the
// operations are named registerLoginItem and unregisterLoginItem.
class LoginItemService final
{
public:
    LoginItemService(LoginItems &items, SystemLog &log);

    // Only reads the entry: safe to call from any thread.
    bool isEnabled() const;
    // The current status; when not registered (or not found) it first tries to register and
    // then reads it again.
    LoginItems::Status status();
    void registerLoginItem();
    // Whether the item is still enabled afterwards.
    bool unregisterLoginItem();
    // The menu's switch: off when on; otherwise on, opening the settings when the desktop asks
    // for approval.
    void toggle();
    void openSettings() const;

    // Whether `executablePath` lies in a build folder: its folder or one of that folder's
    // parents holds CMakeCache.txt.
    static bool isBuildFolder(const QString &executablePath);

private:
    LoginItems &m_items;
    SystemLog &m_log;
};
