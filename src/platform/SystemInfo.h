#pragma once

#include <QString>

// What kind of desktop session this is and which system runs it.
class SystemInfo
{
public:
    enum class SessionKind {
        x11,
        // A Wayland session, Kaidro running through XWayland.
        wayland,
        // A Wayland session whose compositor holds Kaidro's panels on its overlay layer.
        waylandNative,
        // No display server we can talk to (a console, or the offscreen platform).
        none,
    };

    virtual ~SystemInfo() = default;

    // The distribution's own name for itself ("Debian GNU/Linux 12 (bookworm)"); "Linux" when
    // it does not say. May read files: call it off the main thread.
    virtual QString prettyName() const = 0;
    // Answered from the environment; instant.
    virtual SessionKind sessionKind() const = 0;
};
