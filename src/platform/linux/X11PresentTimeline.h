#pragma once

#include <QPoint>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct xcb_connection_t;
struct xcb_special_event;

// Copies into one window handed to the X server ahead of time (the Present extension), each
// to be made at a frame of the screen: the server plays them while we sleep.
//
// The server counts frames; when each one comes is learnt from samples of the count (a
// round trip each), which must agree on a steady rate before anything is queued. A copy still
// ahead can be taken back, since a later one queued for the same frame replaces it: taken back,
// it draws nothing. Not thread-safe: one caller at a time.
class X11PresentTimeline
{
public:
    using Clock = std::chrono::steady_clock;

    // Null where the server has no Present extension.
    static std::unique_ptr<X11PresentTimeline> create(xcb_connection_t *connection,
                                                      uint32_t window);
    ~X11PresentTimeline();

    // Asks the server where its frame count stands. True when the samples so far agree on a
    // steady rate on our own clock, and so the frames of copies queued now can be trusted.
    bool sample();
    bool steady() const { return m_interval > 0; }
    // The first frame that starts at or after `t`, and not before the next one: a copy queued
    // for it shows at `t` or up to a frame after. Only while steady.
    uint64_t frameAt(Clock::time_point t) const;
    // Queues a copy of `pixmap` (the window's depth) to `at` in the window for `frame`.
    void present(uint32_t pixmap, QPoint at, uint64_t frame);
    // Takes back every copy queued for a frame that has not come yet.
    void cancelPending();
    // The connection is gone: nothing is sent or freed on it any more.
    void forsake() { m_connection = nullptr; }

private:
    X11PresentTimeline(xcb_connection_t *connection, uint32_t window);
    uint64_t frameNow(Clock::time_point now) const;

    struct Sample
    {
        int64_t ust = 0; // µs on the monotonic clock
        uint64_t msc = 0;
    };

    xcb_connection_t *m_connection;
    uint32_t m_window;
    uint32_t m_events = 0;
    xcb_special_event *m_special = nullptr;
    uint32_t m_blank = 0; // 1×1, for taking copies back
    uint32_t m_serial = 0;
    std::optional<Sample> m_first; // where the current rate was first measured from
    Sample m_last;
    double m_interval = 0; // µs a frame; 0 until samples agree
    std::vector<uint64_t> m_pending; // frames of queued copies
};
