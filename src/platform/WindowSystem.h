#pragma once

// The window system of the desktop: whether this program may move other apps' windows and type
// into them.
class WindowSystem
{
public:
    virtual ~WindowSystem() = default;

    // Whether other apps' windows can be moved and synthetic keys sent, asked afresh each time.
    virtual bool trusted() const = 0;
};
