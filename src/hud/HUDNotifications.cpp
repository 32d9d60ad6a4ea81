#include "hud/HUDNotifications.h"

HUDNotifications &HUDNotifications::shared()
{
    static HUDNotifications instance;
    return instance;
}
