#pragma once

#include "platform/WindowSystem.h"

// The X11 window system, through the connection Qt opened. Trust needs an X11 session (not
// Wayland), a window manager that announces EWMH, and the XTEST extension.
class X11WindowSystem final : public WindowSystem
{
public:
    X11WindowSystem();
    bool trusted() const override;
    bool compositing() const override;
    void preparePanel(quintptr windowId) const override;

    // Whether the environment names a Wayland session, where X11 clients cannot see or move
    // other apps' windows.
    static bool isWaylandSession();

private:
    struct xcb_connection_t *m_connection = nullptr;
    unsigned int m_root = 0;
};
