#include "platform/linux/X11PresentTimeline.h"

#include "platform/Rounding.h"

#include <xcb/present.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
// A frame rate we take for a screen's: 10 to 250 frames a second. A blanked screen's counter
// runs at one a second and is not one to queue on.
constexpr double kShortestFrameUs = 4000;
constexpr double kLongestFrameUs = 100000;
// Samples at least this far apart measure the rate.
constexpr int64_t kBaselineUs = 800000;
// A sample further than this from where the rate put it means the counter jumped or changed
// pace (another screen, a mode change, a blank): the rate is measured again.
constexpr double kDriftFrames = 2;

int64_t microseconds(X11PresentTimeline::Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}
} // namespace

std::unique_ptr<X11PresentTimeline> X11PresentTimeline::create(xcb_connection_t *connection,
                                                               uint32_t window)
{
    if (!connection || !window || xcb_connection_has_error(connection))
        return nullptr;
    const xcb_query_extension_reply_t *present
        = xcb_get_extension_data(connection, &xcb_present_id);
    if (!present || !present->present)
        return nullptr;
    xcb_present_query_version_reply_t *version = xcb_present_query_version_reply(
        connection, xcb_present_query_version(connection, 1, 0), nullptr);
    const bool usable = version && version->major_version >= 1;
    std::free(version);
    if (!usable)
        return nullptr;
    return std::unique_ptr<X11PresentTimeline>(new X11PresentTimeline(connection, window));
}

X11PresentTimeline::X11PresentTimeline(xcb_connection_t *connection, uint32_t window)
    : m_connection(connection)
    , m_window(window)
{
    m_events = xcb_generate_id(m_connection);
    // Our events go to a queue of their own, never to the toolkit's.
    m_special = xcb_register_for_special_xge(m_connection, &xcb_present_id, m_events, nullptr);
    // A selection that stays made keeps the event id; completions are asked for only around a
    // sample, so the copies played wake nobody.
    xcb_present_select_input(m_connection, m_events, m_window,
                             XCB_PRESENT_EVENT_MASK_CONFIGURE_NOTIFY);
    m_blank = xcb_generate_id(m_connection);
    xcb_create_pixmap(m_connection, 32, m_blank, m_window, 1, 1);
}

X11PresentTimeline::~X11PresentTimeline()
{
    if (!m_connection || xcb_connection_has_error(m_connection))
        return;
    cancelPending();
    xcb_present_select_input(m_connection, m_events, m_window, 0);
    xcb_free_pixmap(m_connection, m_blank);
    xcb_flush(m_connection);
    if (m_special)
        xcb_unregister_for_special_event(m_connection, m_special);
}

bool X11PresentTimeline::sample()
{
    if (!m_special || xcb_connection_has_error(m_connection))
        return false;
    const uint32_t serial = ++m_serial;
    xcb_present_select_input(m_connection, m_events, m_window,
                             XCB_PRESENT_EVENT_MASK_CONFIGURE_NOTIFY
                                 | XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
    // Without a divisor the server answers at once with the frame it is at.
    const xcb_void_cookie_t asked
        = xcb_present_notify_msc_checked(m_connection, m_window, serial, 0, 0, 0);
    xcb_present_select_input(m_connection, m_events, m_window,
                             XCB_PRESENT_EVENT_MASK_CONFIGURE_NOTIFY);
    // The check is a round trip: the answer, sent before its reply, is queued by then. A gone
    // window answers with an error instead, so nothing waits for an event that never comes.
    if (xcb_generic_error_t *error = xcb_request_check(m_connection, asked)) {
        std::free(error);
        m_interval = 0;
        return false;
    }
    std::optional<Sample> got;
    while (xcb_generic_event_t *event = xcb_poll_for_special_event(m_connection, m_special)) {
        const auto *complete = reinterpret_cast<xcb_present_complete_notify_event_t *>(event);
        if (complete->event_type == XCB_PRESENT_COMPLETE_NOTIFY
            && complete->kind == XCB_PRESENT_COMPLETE_KIND_NOTIFY_MSC && complete->serial == serial)
            got = Sample{int64_t(complete->ust), complete->msc};
        std::free(event);
    }
    const int64_t now = microseconds(Clock::now());
    // Its time must be on our clock (the monotonic one), and close to now.
    if (!got || std::abs(now - got->ust) > 250000) {
        m_first.reset();
        m_interval = 0;
        return false;
    }
    if (m_interval > 0) {
        const double expected = double(m_last.msc) + double(got->ust - m_last.ust) / m_interval;
        if (std::abs(double(got->msc) - expected) > kDriftFrames) {
            m_first.reset();
            m_interval = 0;
        }
    }
    if (m_first && got->ust - m_first->ust >= kBaselineUs && got->msc > m_first->msc) {
        const double interval = double(got->ust - m_first->ust) / double(got->msc - m_first->msc);
        if (interval >= kShortestFrameUs && interval <= kLongestFrameUs) {
            m_interval = interval;
        } else {
            m_first = got;
            m_interval = 0;
        }
    } else if (!m_first) {
        m_first = got;
    }
    m_last = *got;
    return steady();
}

uint64_t X11PresentTimeline::frameNow(Clock::time_point now) const
{
    const double since = double(microseconds(now) - m_last.ust);
    return m_last.msc + uint64_t(std::max(0.0, Rounding::floor(since / m_interval)));
}

uint64_t X11PresentTimeline::frameAt(Clock::time_point t) const
{
    const double since = double(microseconds(t) - m_last.ust);
    const double frame = double(m_last.msc) + Rounding::ceil(since / m_interval);
    return std::max(frameNow(Clock::now()) + 1, uint64_t(std::max(0.0, frame)));
}

void X11PresentTimeline::present(uint32_t pixmap, QPoint at, uint64_t frame)
{
    // Whole copies only: a queued copy is replaced by a later one for its frame only when
    // neither names a part of the window.
    xcb_present_pixmap(m_connection, m_window, pixmap, ++m_serial, XCB_NONE, XCB_NONE,
                       int16_t(at.x()), int16_t(at.y()), XCB_NONE, XCB_NONE, XCB_NONE,
                       XCB_PRESENT_OPTION_COPY, frame, 0, 0, 0, nullptr);
    const uint64_t passed = frameNow(Clock::now());
    std::erase_if(m_pending, [passed](uint64_t f) { return f <= passed; });
    m_pending.push_back(frame);
}

void X11PresentTimeline::cancelPending()
{
    if (m_pending.empty())
        return;
    const uint64_t passed = steady() ? frameNow(Clock::now()) : 0;
    for (const uint64_t frame : m_pending) {
        // The blank lands outside the window: the copy it replaces draws nothing.
        if (frame > passed)
            xcb_present_pixmap(m_connection, m_window, m_blank, ++m_serial, XCB_NONE, XCB_NONE, -4,
                               -4, XCB_NONE, XCB_NONE, XCB_NONE, XCB_PRESENT_OPTION_COPY, frame, 0,
                               0, 0, nullptr);
    }
    m_pending.clear();
    xcb_flush(m_connection);
}
