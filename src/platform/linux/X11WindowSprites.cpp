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
    endThread();
    QObject::disconnect(m_quitHook);
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
    stop();
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
    stop();
    if (connected()) {
        for (const Pixmap &pixmap : std::as_const(m_pixmaps))
            xcb_free_pixmap(m_connection, pixmap.id);
    }
    m_pixmaps.clear();
}

bool X11WindowSprites::play(const std::vector<Step> &steps, int loopMs,
                            std::chrono::steady_clock::time_point start, QPoint at)
{
    stop();
    if (steps.empty() || loopMs <= 0 || !connected())
        return false;
    Loop loop{{}, {}, loopMs, start, at};
    for (const Step &step : steps) {
        const auto found = m_pixmaps.constFind(step.index);
        const bool inOrder = loop.atMs.empty() || step.atMs > loop.atMs.back();
        if (found == m_pixmaps.cend() || step.atMs < 0 || step.atMs >= loopMs || !inOrder)
            return false;
        loop.atMs.push_back(step.atMs);
        loop.frames.push_back(*found);
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_quit)
            return false;
        m_loop = std::move(loop);
        m_reshow = true;
    }
    if (!m_player.joinable()) {
        m_player = std::thread([this] { playLoop(); });
        // The toolkit closes its connection as the application goes: the player stops first.
        m_quitHook
            = QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] { endThread(); });
    }
    m_wake.notify_one();
    return true;
}

void X11WindowSprites::stop()
{
    // Taken while a step is sent: once it is held, no further step goes out.
    const std::lock_guard lock(m_mutex);
    m_loop.reset();
}

void X11WindowSprites::reshow()
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_loop)
            return;
        m_reshow = true;
    }
    m_wake.notify_one();
}

void X11WindowSprites::endThread()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
        m_loop.reset();
    }
    m_wake.notify_one();
    if (m_player.joinable())
        m_player.join();
}

void X11WindowSprites::playLoop()
{
    using namespace std::chrono;
    // A repaint asked to be covered again goes out after the toolkit's own flush.
    constexpr milliseconds kAfterRepaint(30);
    std::unique_lock lock(m_mutex);
    size_t shown = 0;
    constexpr steady_clock::time_point kNever = steady_clock::time_point::max();
    steady_clock::time_point reshowAt = kNever;
    while (!m_quit) {
        if (!m_loop) {
            reshowAt = kNever;
            m_wake.wait(lock);
            continue;
        }
        const Loop &loop = *m_loop;
        const steady_clock::time_point now = steady_clock::now();
        if (m_reshow) {
            m_reshow = false;
            reshowAt = now + kAfterRepaint;
            shown = loop.frames.size(); // none yet
        }
        const qint64 into = duration_cast<milliseconds>(now - loop.start).count();
        const int at = int(((into % loop.loopMs) + loop.loopMs) % loop.loopMs);
        const auto next = std::upper_bound(loop.atMs.begin(), loop.atMs.end(), at);
        // Before the loop's first step, its last one is still showing.
        const size_t current = next == loop.atMs.begin() ? loop.atMs.size() - 1
                                                         : size_t(next - loop.atMs.begin()) - 1;
        const bool again = now >= reshowAt;
        if (current != shown || again) {
            if (xcb_connection_has_error(m_connection)) {
                m_loop.reset();
                continue;
            }
            const Pixmap &frame = loop.frames[current];
            xcb_copy_area(m_connection, frame.id, m_window, m_gc, 0, 0, int16_t(loop.at.x()),
                          int16_t(loop.at.y()), uint16_t(frame.size.width()),
                          uint16_t(frame.size.height()));
            xcb_flush(m_connection);
            shown = current;
            if (again)
                reshowAt = kNever;
        }
        const int nextAt = next == loop.atMs.end() ? loop.loopMs + loop.atMs.front() : *next;
        steady_clock::time_point wakeAt = loop.start + milliseconds(into - at + nextAt);
        wakeAt = std::min(wakeAt, reshowAt);
        m_wake.wait_until(lock, wakeAt);
    }
}
