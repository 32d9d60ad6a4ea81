#include "platform/linux/X11WindowSprites.h"

#include "platform/linux/X11PresentTimeline.h"
#include "platform/linux/Xcb.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int kLargestSide = 4096;
} // namespace

std::unique_ptr<X11WindowSprites> X11WindowSprites::create(xcb_connection_t *connection,
                                                           quint32 window)
{
    if (!connection || !window || xcb_connection_has_error(connection)
        || !Xcb::takesArgbAsIs(xcb_get_setup(connection)))
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
    if (!connected()) {
        // The connection went with the application, and what the server held with it.
        if (m_timeline)
            m_timeline->forsake();
        return;
    }
    clear();
    m_timeline.reset();
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
        if (!m_timelineTried) {
            m_timelineTried = true;
            m_timeline = X11PresentTimeline::create(m_connection, m_window);
        }
        m_loop = std::move(loop);
        ++m_loopsStarted;
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
    // Steps queued with the server are taken back.
    if (m_timeline)
        m_timeline->cancelPending();
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
        if (m_timeline)
            m_timeline->cancelPending();
    }
    m_wake.notify_one();
    if (m_player.joinable())
        m_player.join();
}

namespace {
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The step showing at `at` ms into a loop whose steps start at `atMs`, and the moment (ms into
// the loop, past its end for the first step of the next) of the step after it.
std::pair<size_t, int> stepAt(const std::vector<int> &atMs, int loopMs, int at)
{
    const auto next = std::upper_bound(atMs.begin(), atMs.end(), at);
    // Before the loop's first step, its last one is still showing.
    const size_t current = next == atMs.begin() ? atMs.size() - 1 : size_t(next - atMs.begin()) - 1;
    return {current, next == atMs.end() ? loopMs + atMs.front() : *next};
}
} // namespace

void X11WindowSprites::queueSteps(const Loop &loop, steady_clock::time_point from,
                                  steady_clock::time_point until)
{
    const milliseconds loopLength(loop.loopMs);
    auto round = loop.start + loopLength * ((from - loop.start) / loopLength);
    if (round > from)
        round -= loopLength;
    for (; round < until; round += loopLength) {
        for (size_t i = 0; i < loop.atMs.size(); ++i) {
            const steady_clock::time_point t = round + milliseconds(loop.atMs[i]);
            if (t >= from && t < until)
                m_timeline->present(loop.frames[i].id, loop.at, m_timeline->frameAt(t));
        }
    }
    xcb_flush(m_connection);
}

void X11WindowSprites::playLoop()
{
    // A repaint asked to be covered again goes out after the toolkit's own flush.
    constexpr milliseconds kAfterRepaint(30);
    // The server is handed the steps of the next four loops (four seconds at least), and more
    // a little before those run out.
    constexpr milliseconds kLead(300);
    constexpr steady_clock::time_point kNever = steady_clock::time_point::max();
    std::unique_lock lock(m_mutex);
    size_t shown = 0;
    quint64 playing = 0;
    steady_clock::time_point reshowAt = kNever;
    // Until when the server holds the loop's steps (kNever: it holds none), and when to ask it
    // for its frame count next while it does not.
    steady_clock::time_point queuedUntil = kNever;
    steady_clock::time_point sampleAt = {};
    milliseconds sampleBackoff(1000);
    while (!m_quit) {
        if (!m_loop) {
            reshowAt = kNever;
            queuedUntil = kNever;
            m_wake.wait(lock);
            continue;
        }
        const Loop &loop = *m_loop;
        const steady_clock::time_point now = steady_clock::now();
        if (playing != m_loopsStarted) {
            // A new loop: whatever the server held was taken back by stop().
            playing = m_loopsStarted;
            queuedUntil = kNever;
        }
        if (m_reshow) {
            m_reshow = false;
            reshowAt = now + kAfterRepaint;
            shown = loop.frames.size(); // none yet
        }
        const qint64 into = std::chrono::duration_cast<milliseconds>(now - loop.start).count();
        const int at = int(((into % loop.loopMs) + loop.loopMs) % loop.loopMs);
        const auto [current, nextAt] = stepAt(loop.atMs, loop.loopMs, at);
        const bool again = now >= reshowAt;
        const bool serverPlays = queuedUntil != kNever && now < queuedUntil;
        if (serverPlays && !again) {
            shown = current;
        } else if (current != shown || again) {
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
        steady_clock::time_point wakeAt = loop.start + milliseconds(into - at + nextAt);
        const bool topUp = queuedUntil != kNever && now >= queuedUntil - kLead;
        if (m_timeline && (topUp || (queuedUntil == kNever && now >= sampleAt))) {
            if (m_timeline->sample()) {
                const steady_clock::time_point until
                    = now + std::max(milliseconds(4 * loop.loopMs), milliseconds(4000));
                // The step showing now is on screen already.
                queueSteps(loop, queuedUntil == kNever ? now + milliseconds(1) : queuedUntil,
                           until);
                queuedUntil = until;
                sampleBackoff = milliseconds(1000);
            } else {
                // Stepped here until the server's frames keep a steady pace; asked again
                // less and less often while they do not.
                m_timeline->cancelPending();
                queuedUntil = kNever;
                sampleAt = now + sampleBackoff;
                sampleBackoff = std::min(sampleBackoff * 2, milliseconds(60000));
            }
        }
        if (queuedUntil != kNever)
            wakeAt = queuedUntil - kLead;
        wakeAt = std::min(wakeAt, reshowAt);
        m_wake.wait_until(lock, wakeAt);
    }
}
