#pragma once

#include <QStringList>

// The display names of the hot keys that failed to register at launch, in the order HUD, menu,
// command bar, hide-all. Written once per launch; the setup check reads it.
class HotKeyReport final
{
public:
    static QStringList &failures();
};
