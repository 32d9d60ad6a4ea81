#include "platform/Screens.h"

ScreenInfo Screens::mainScreen() const
{
    const auto all = screens();
    return all.isEmpty() ? ScreenInfo{} : all.first();
}
