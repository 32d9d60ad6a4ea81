#pragma once

#include <QImage>
#include <QPoint>

// A few same-purpose images kept by the display server for one of our windows, each copied into
// the window on request. Showing one costs a request, not a repaint: an animation that cycles
// through a handful of frames draws each frame once.
//
// What a sprite puts on screen is not in the toolkit's own copy of the window: the next time the
// toolkit repaints that area, it must paint the same frame.
class WindowSprites
{
public:
    virtual ~WindowSprites() = default;

    // Keeps `image` (premultiplied ARGB, device pixels) as sprite `index`, in place of one kept
    // there before. False when the server could not take it.
    virtual bool keep(int index, const QImage &image) = 0;
    // Copies sprite `index` into the window with its top-left corner at `at` (window pixels).
    // False when none is kept there.
    virtual bool show(int index, QPoint at) = 0;
    // Forgets every sprite.
    virtual void clear() = 0;
};
