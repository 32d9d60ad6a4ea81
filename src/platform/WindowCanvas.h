#pragma once

#include <QImage>
#include <QRegion>

// Pixels put straight into one of our windows from memory the display server reads itself:
// a repaint of a few hundred kilobytes costs one short request instead of its bytes on the
// connection, and lands without waiting for the toolkit's next repaint of the window.
//
// What a canvas puts on screen must also be in the toolkit's own copy of the window, so that the
// toolkit's next repaint of that area shows the same.
class WindowCanvas
{
public:
    virtual ~WindowCanvas() = default;

    // Puts `region` of `image` (premultiplied ARGB, device pixels, its top-left corner at the
    // window's) into the window and sends it at once. False, with nothing sent, when it cannot
    // be done now (the server still reads the last put, the image does not fit): the caller
    // repaints through the toolkit instead.
    virtual bool put(const QImage &image, const QRegion &region) = 0;
};
