#include "hud/HUDNotifications.h"
