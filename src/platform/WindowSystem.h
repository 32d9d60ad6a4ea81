#pragma once

#include <QtGlobal>

// The window system of the desktop: whether this program may move other apps' windows and type
// into them.
class WindowSystem
{
public:
    virtual ~WindowSystem() = default;

    // Whether other apps' windows can be moved and synthetic keys sent, asked afresh each time.
    virtual bool trusted() const = 0;

    // Whether a compositing manager runs, so translucent pixels and window opacity show.
    virtual bool compositing() const = 0;

    // Marks one of our panels, before it is first mapped, as present on every desktop and
    // kept out of taskbars and pagers.
    virtual void preparePanel(quintptr windowId) const = 0;
};
