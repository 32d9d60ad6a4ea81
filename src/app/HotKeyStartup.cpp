#include "app/HotKeyStartup.h"

#include "app/HotKeyCenter.h"
#include "hud/HUDHotKeys.h"

HotKeyStartup::Report HotKeyStartup::report(bool hudOk, bool commandOk, bool menuOk, bool hideAllOk)
{
    Report r;
    if (!hudOk)
        r.failures << HUDHotKey.displayText;
    if (!menuOk)
        r.failures << MenuHotKey.displayText;
    if (!commandOk)
        r.failures << CommandBarHotKey.displayText;
    if (!hideAllOk)
        r.failures << HideAllHotKey.displayText;

    if (!hideAllOk)
        r.logLines << QStringLiteral("hide-all hotkey %1 failed to register")
                          .arg(HideAllHotKey.displayText);
    if (!menuOk)
        r.logLines
            << QStringLiteral("menu hotkey %1 failed to register").arg(MenuHotKey.displayText);
    if (!commandOk)
        r.logLines << QStringLiteral("command bar hotkey %1 failed to register")
                          .arg(CommandBarHotKey.displayText);
    if (!hudOk)
        r.logLines
            << QStringLiteral("global hotkey %1 failed to register").arg(HUDHotKey.displayText);
    return r;
}
