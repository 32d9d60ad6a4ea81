#include "hud/HUDVisibility.h"

