#include "hud/HUDVisibility.h"

HUDVisibility &HUDVisibility::shared()
{
    static HUDVisibility instance;
    return instance;
}
