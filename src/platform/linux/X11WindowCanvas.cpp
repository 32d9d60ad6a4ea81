#include "platform/linux/X11WindowCanvas.h"

#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/Xcb.h"

#include <xcb/shm.h>
#include <xcb/xcbext.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

bool takesDescriptors(xcb_connection_t *c)
{
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (!shm || !shm->present)
        return false;
    const Xcb::Reply<xcb_shm_query_version_reply_t> version
        = Xcb::Reply<xcb_shm_query_version_reply_t>(
            xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr));
    return version
        && (version->major_version > 1
            || (version->major_version == 1 && version->minor_version >= 2));
}

} // namespace

std::unique_ptr<WindowCanvas> X11WindowSystem::canvas(quintptr windowId) const
{
    return X11WindowCanvas::create(m_connection, quint32(windowId));
}

std::unique_ptr<X11WindowCanvas> X11WindowCanvas::create(xcb_connection_t *c, quint32 window)
{
    if (!c || !window || xcb_connection_has_error(c) || !Xcb::takesArgbAsIs(xcb_get_setup(c))
        || !takesDescriptors(c))
        return nullptr;
    xcb_generic_error_t *error = nullptr;
    const auto geometry
        = Xcb::take(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), &error), error);
    if (!geometry || geometry->depth != 32 || geometry->width == 0 || geometry->height == 0)
        return nullptr;
    const qsizetype size = qsizetype(geometry->width) * geometry->height * 4;
    const int fd = memfd_create("kaidro-canvas", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    void *memory = ftruncate(fd, off_t(size)) == 0
        ? mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
        : MAP_FAILED;
    if (memory == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    // The connection takes the descriptor (and closes it); the check is the one round trip a
    // canvas costs, and tells a server that cannot map it (a remote one) before any put.
    const quint32 segment = xcb_generate_id(c);
    if (xcb_generic_error_t *refused
        = xcb_request_check(c, xcb_shm_attach_fd_checked(c, segment, fd, 1))) {
        std::free(refused);
        munmap(memory, size_t(size));
        return nullptr;
    }
    return std::unique_ptr<X11WindowCanvas>(
        new X11WindowCanvas(c, window, segment, static_cast<uchar *>(memory), size));
}

X11WindowCanvas::X11WindowCanvas(xcb_connection_t *connection, quint32 window, quint32 segment,
                                 uchar *memory, qsizetype size)
    : m_connection(connection)
    , m_window(window)
    , m_segment(segment)
    , m_memory(memory)
    , m_size(size)
{
    m_gc = xcb_generate_id(m_connection);
    const uint32_t noExposures = 0;
    xcb_create_gc(m_connection, m_gc, m_window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
}

X11WindowCanvas::~X11WindowCanvas()
{
    // The server reads the segment in request order: detached after the last put, it is done
    // with our memory.
    if (!xcb_connection_has_error(m_connection)) {
        if (m_reading)
            xcb_discard_reply(m_connection, m_readBack);
        xcb_shm_detach(m_connection, m_segment);
        xcb_free_gc(m_connection, m_gc);
        xcb_flush(m_connection);
    }
    munmap(m_memory, size_t(m_size));
}

bool X11WindowCanvas::put(const QImage &image, const QRegion &region)
{
    if (xcb_connection_has_error(m_connection) || image.isNull()
        || image.format() != QImage::Format_ARGB32_Premultiplied
        || image.bytesPerLine() != image.width() * 4 || image.sizeInBytes() > m_size)
        return false;
    if (m_reading) {
        // Never waited for: a server still busy with the last put leaves this one to the
        // toolkit.
        void *reply = nullptr;
        xcb_generic_error_t *error = nullptr;
        if (!xcb_poll_for_reply(m_connection, m_readBack, &reply, &error))
            return false;
        std::free(reply);
        std::free(error);
        m_reading = false;
    }
    const QRegion inside = region & image.rect();
    if (inside.isEmpty())
        return true;
    const qsizetype line = image.bytesPerLine();
    for (const QRect &r : inside) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(m_memory + y * line + r.x() * 4, image.constScanLine(y) + r.x() * 4,
                        size_t(r.width()) * 4);
        xcb_shm_put_image(m_connection, m_window, m_gc, uint16_t(image.width()),
                          uint16_t(image.height()), uint16_t(r.x()), uint16_t(r.y()),
                          uint16_t(r.width()), uint16_t(r.height()), int16_t(r.x()), int16_t(r.y()),
                          32, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, m_segment, 0);
    }
    m_readBack = xcb_get_input_focus(m_connection).sequence;
    m_reading = true;
    xcb_flush(m_connection);
    return true;
}
