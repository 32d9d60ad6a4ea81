#include "hud/HUDVisibility.h"
