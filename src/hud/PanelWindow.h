#pragma once

#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

// How one panel behaves on the desktop.
struct PanelStyle
{
    QString name; // the X11 window name is "Kaidro " + name
    int level = 3; // stacking among our own panels: higher stays above lower
    bool clickThrough = false; // the pointer reaches the windows below
    bool shadow = false;
    // The panel switches between taking and passing clicks while shown (the menu rail).
    bool switchesClickThrough = false;
};

// A borderless floating panel as the controllers that time it see it. Frames are in model
// coordinates (points, y up). The real panel is a top-level QWidget (FloatingHUDPanel); tests
// drive the controllers over a fake that finishes every animation at once.
class PanelWindow
{
public:
    virtual ~PanelWindow() = default;

    virtual QRectF frame() const = 0;
    virtual void setFrame(const QRectF &frame) = 0;

    // Maps the panel above other windows without activating it, or unmaps it.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;

    virtual double alpha() const = 0;
    virtual void setAlpha(double alpha) = 0;

    // Moves alpha (and the frame, when given) to the targets over `duration` seconds after
    // `delay` seconds; `done` runs when the animation finishes and not when a later animation
    // or an order-out replaces it. A new animation replaces one that is running.
    virtual void animate(double alpha, std::optional<QRectF> frame, double duration,
                         double delay = 0, std::function<void()> done = {})
        = 0;
    // Stops any running animation where it is.
    virtual void stopAnimations() = 0;

    // Click-through panels let the pointer reach the windows below.
    virtual void setClickThrough(bool clickThrough) = 0;
    virtual bool isClickThrough() const = 0;

    // Whether the panel has keyboard focus.
    virtual bool isKey() const = 0;

    // Content exists only while the panel is shown. `attachContent` builds the view for the
    // panel's widget at `scale`; `detachContent` destroys it.
    virtual void attachContent(double scale) = 0;
    virtual void detachContent() = 0;
    virtual bool hasContent() const = 0;
};
