#pragma once

#include <QList>
#include <QRect>
#include <QRectF>
#include <Qt>
#include <QtGlobal>

#include <memory>
#include <optional>

#include <sys/types.h>

class WindowCanvas;
class WindowSprites;

// One on-screen window as the window list reports it. `bounds` is the frame-extended geometry
// in the toolkit's logical pixels (top-left origin, y down), as the screens are.
struct WindowInfo
{
    quint32 id = 0;
    pid_t pid = 0; // 0 when the owner cannot be found
    QRectF bounds;
    int layer = 0; // 0 for normal, dialog and utility windows; non-zero for docks, menus, ...
    std::optional<double> alpha;
};

// What one of our panels is to the window manager: an ordinary floating panel, one that passes
// clicks to the windows below, one that switches between passing and taking them as the pointer
// moves over it (the menu rail), or the layout editor, which must stack above the other panels.
enum class PanelRole { plain, clickThrough, switchesClickThrough, editor };

// The window system of the desktop: the windows on screen, moving other apps' windows and typing
// into them. Window frames are in the toolkit's logical pixels with the top-left origin, y down
// (the root's device pixels over the scale of the screen that holds them), and include the
// window manager's frame.
class WindowSystem
{
public:
    virtual ~WindowSystem() = default;

    // Whether other apps' windows can be moved and synthetic keys sent, asked afresh each time.
    virtual bool trusted() const = 0;

    // Whether a compositing manager runs, so translucent pixels and window opacity show.
    virtual bool compositing() const = 0;

    // The window flags a panel in `role` needs on this desktop beyond the frameless, always-on-top
    // tool window every panel is.
    virtual Qt::WindowFlags panelWindowFlags(PanelRole role) const = 0;

    // Marks one of our panels, before it is first mapped, as present on every desktop and
    // kept out of taskbars and pagers.
    virtual void preparePanel(quintptr windowId) const = 0;

    // The mapped windows of the current desktop that are not minimized, front to back; nothing
    // when the list cannot be read.
    virtual std::optional<QList<WindowInfo>> windowList() const = 0;
    // The application's normal windows that are not minimized, topmost first.
    virtual QList<quint32> standardWindows(pid_t pid) const = 0;
    // The active window when it belongs to the application.
    virtual std::optional<quint32> focusedWindow(pid_t pid) const = 0;
    virtual std::optional<QRectF> windowFrame(quint32 window) const = 0;
    // Moves and resizes so that the frame-extended window lands on `frame`.
    virtual bool setWindowFrame(quint32 window, const QRectF &frame) = 0;
    virtual bool raiseWindow(quint32 window) = 0;

    // Types the paste shortcut into whatever has keyboard focus, with only its own modifier
    // held: modifiers the user still holds are released first. False when no key could be sent.
    virtual bool sendPasteKeystroke() = 0;

    // Asks for keyboard focus for one of our own windows (already mapped or just being mapped),
    // stamped with the server's current time so the window manager's focus-stealing
    // prevention sees a fresh request. False when nothing could be asked.
    virtual bool activateOwnWindow(quintptr windowId) = 0;

    // Puts our unmanaged window `windowId` directly under the top-level window that holds our
    // window `ceilingId` (its window manager's frame, where it has one).
    virtual void stackUnder(quintptr windowId, quintptr ceilingId) = 0;

    // Whether our unmanaged windows `bottomToTop` are the topmost shown windows of the desktop,
    // in that order. Where that cannot be told, false: the caller raises them again.
    virtual bool onTopInOrder(const QList<quintptr> &bottomToTop) const
    {
        Q_UNUSED(bottomToTop);
        return false;
    }

    // Sprites for our translucent window `windowId`; null where frames cannot be kept apart
    // from the window (the caller repaints instead).
    virtual std::unique_ptr<WindowSprites> sprites(quintptr windowId) const;

    // A canvas for our translucent window `windowId`; null where the server cannot read our
    // memory (the caller repaints through the toolkit).
    virtual std::unique_ptr<WindowCanvas> canvas(quintptr windowId) const;

    // Lets pointer presses reach our window `windowId` only inside `rect` (window pixels) and
    // the windows beneath it elsewhere, leaving what it shows alone. False where that cannot be
    // done (the caller cuts the window itself).
    virtual bool cutInput(quintptr windowId, const QRect &rect)
    {
        Q_UNUSED(windowId);
        Q_UNUSED(rect);
        return false;
    }

    // Sends what the toolkit has drawn and asked of the window system so far without waiting
    // for the event loop to go idle, for a window that must show a change at once.
    virtual void flush() { }
};
