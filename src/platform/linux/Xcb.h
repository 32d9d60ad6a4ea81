#pragma once

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// What the X11 pieces share: Qt's own connection, its root window, and replies that free
// themselves.
namespace Xcb {

// Qt's connection to the X server; null off X11.
inline xcb_connection_t *connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The first screen's root window; none without a connection.
inline xcb_window_t rootOf(xcb_connection_t *c)
{
    if (!c)
        return XCB_WINDOW_NONE;
    const xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem > 0 ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Replies are taken with an error pointer, so a request that failed (a window that vanished
// meanwhile) does not land an error in Qt's event queue, where Qt would log it.
template <typename T> Reply<T> take(T *reply, xcb_generic_error_t *error)
{
    std::free(error);
    return Reply<T>(reply);
}

// ARGB32 in memory is what a 32-bit visual expects when the server reads pixels least
// significant byte first, 32 bits to the pixel with no extra padding.
inline bool takesArgbAsIs(const xcb_setup_t *setup)
{
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup); f.rem;
         xcb_format_next(&f)) {
        if (f.data->depth == 32)
            return f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    }
    return false;
}

} // namespace Xcb
