#pragma once

#include <QImage>
#include <QPoint>

#include <chrono>
#include <vector>

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

    // A loop the sprites play by themselves, on a thread of their own, so that an endless
    // animation does not wake its owner at every frame: sprite `index` is shown at `at` from
    // `atMs` into each loop of `loopMs`, loops counted from `start`. It plays until stop(),
    // keep(), clear() or another play(). False, with nothing playing, where the sprites cannot
    // play by themselves or a step's sprite is not kept; the owner steps them then.
    struct Step
    {
        int atMs;
        int index;
    };
    virtual bool play(const std::vector<Step> &steps, int loopMs,
                      std::chrono::steady_clock::time_point start, QPoint at)
    {
        (void)steps, (void)loopMs, (void)start, (void)at;
        return false;
    }
    virtual void stop() { }
    // Shows the playing loop's current sprite again a moment from now: the toolkit has just
    // painted that area and its pixels may land after the loop's last step.
    virtual void reshow() { }
};
