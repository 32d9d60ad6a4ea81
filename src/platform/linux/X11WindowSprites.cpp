#include "platform/linux/X11WindowSprites.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int kLargestSide = 4096;

// ARGB32 in memory is what a 32-bit visual expects when the server reads pixels
// least significant byte first, 32 bits to the pixel with no extra padding.
bool takesArgbAsIs(const xcb_setup_t *setup)
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
} // namespace

std::unique_ptr<X11WindowSprites> X11WindowSprites::create(xcb_connection_t *connection,
                                                           quint32 window)
{
    if (!connection || !window || xcb_connection_has_error(connection)
        || !takesArgbAsIs(xcb_get_setup(connection)))
        return nullptr;
    xcb_generic_error_t *error = nullptr;
    xcb_get_geometry_reply_t *geometry
        = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), &error);
    std::free(error);
    const bool argb = geometry && geometry->depth == 32;
    std::free(geometry);
    if (!argb)
        return nullptr;
    return std::unique_ptr<X11WindowSprites>(new X11WindowSprites(connection, window));
}

X11WindowSprites::X11WindowSprites(xcb_connection_t *connection, quint32 window)
    : m_connection(connection)
    , m_window(window)
{
    // No GraphicsExpose or NoExpose event for every copy.
    m_gc = xcb_generate_id(m_connection);
    const uint32_t noExposures = 0;
    xcb_create_gc(m_connection, m_gc, m_window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
}

X11WindowSprites::~X11WindowSprites()
{
    if (!connected())
        return;
    clear();
    xcb_free_gc(m_connection, m_gc);
    xcb_flush(m_connection);
}

bool X11WindowSprites::connected() const
{
    return QGuiApplication::instance() && !xcb_connection_has_error(m_connection);
}

bool X11WindowSprites::keep(int index, const QImage &image)
{
    if (!connected() || image.isNull() || image.width() > kLargestSide
        || image.height() > kLargestSide)
        return false;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Pixmap &pixmap = m_pixmaps[index];
    if (pixmap.id && pixmap.size != pixels.size()) {
        xcb_free_pixmap(m_connection, pixmap.id);
        pixmap.id = 0;
    }
    if (!pixmap.id) {
        pixmap.id = xcb_generate_id(m_connection);
        pixmap.size = pixels.size();
        xcb_create_pixmap(m_connection, 32, pixmap.id, m_window, uint16_t(pixels.width()),
                          uint16_t(pixels.height()));
    }
    // In bands of rows that fit one request.
    const qsizetype row = qsizetype(pixels.width()) * 4;
    const qsizetype room = qsizetype(xcb_get_maximum_request_length(m_connection)) * 4 - 64;
    const int rows = int(std::max<qsizetype>(1, room / row));
    for (int top = 0; top < pixels.height(); top += rows) {
        const int band = std::min(rows, pixels.height() - top);
        // Rows of a 32-bit image are whole words apart, with no padding to strip.
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap.id, m_gc,
                      uint16_t(pixels.width()), uint16_t(band), 0, int16_t(top), 0, 32,
                      uint32_t(row * band), pixels.constScanLine(top));
    }
    return true;
}

bool X11WindowSprites::show(int index, QPoint at)
{
    const auto found = m_pixmaps.constFind(index);
    if (found == m_pixmaps.cend() || !connected())
        return false;
    xcb_copy_area(m_connection, found->id, m_window, m_gc, 0, 0, int16_t(at.x()), int16_t(at.y()),
                  uint16_t(found->size.width()), uint16_t(found->size.height()));
    xcb_flush(m_connection);
    return true;
}

void X11WindowSprites::clear()
{
    if (connected()) {
        for (const Pixmap &pixmap : std::as_const(m_pixmaps))
            xcb_free_pixmap(m_connection, pixmap.id);
    }
    m_pixmaps.clear();
}
