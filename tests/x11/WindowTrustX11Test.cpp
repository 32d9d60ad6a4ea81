#include "platform/linux/X11WindowSystem.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

// Runs on a private Xvfb display with openbox, an EWMH window manager, and XTEST.
TEST(X11WindowSystem, TrustedUnderAnEwmhWindowManagerNotUnderWayland)
{
    X11WindowSystem windows;
    EXPECT_TRUE(windows.trusted());
    qputenv("WAYLAND_DISPLAY", QByteArray("wayland-0"));
    EXPECT_FALSE(windows.trusted());
    qunsetenv("WAYLAND_DISPLAY");
    EXPECT_TRUE(windows.trusted());
}
