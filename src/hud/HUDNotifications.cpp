#include "hud/HUDNotifications.h"

