#pragma once

#include "platform/HotKeys.h"

#include <QString>
#include <QtGlobal>

// One global key combination the program holds: its fixed id, the `HotKeys` key and modifier
// values, and the name used in logs, the tray tooltip, the menu and the setup check.
struct HotKeyBinding
{
    quint32 id = 0;
    quint32 keyCode = 0;
    quint32 modifiers = 0;
    QString displayText;
};

// The four fixed combinations: Ctrl + Alt + Super with H, Space, M or X.
inline constexpr quint32 kHotKeyModifiers = HotKeys::Control | HotKeys::Option | HotKeys::Command;
inline const HotKeyBinding HUDHotKey{1, HotKeys::KeyH, kHotKeyModifiers,
                                     QStringLiteral("Ctrl+Alt+Super+H")};
inline const HotKeyBinding CommandBarHotKey{2, HotKeys::KeySpace, kHotKeyModifiers,
                                            QStringLiteral("Ctrl+Alt+Super+Space")};
inline const HotKeyBinding MenuHotKey{3, HotKeys::KeyM, kHotKeyModifiers,
                                      QStringLiteral("Ctrl+Alt+Super+M")};
inline const HotKeyBinding HideAllHotKey{4, HotKeys::KeyX, kHotKeyModifiers,
                                         QStringLiteral("Ctrl+Alt+Super+X")};
