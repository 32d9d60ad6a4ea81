#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <optional>

// Reads the CLIPBOARD selection on an X connection of its own, so an owner that answers slowly,
// or never, or offers a huge text, costs a worker thread its time and never the event loop.
// XFixes tells of each new owner; each is asked once: TARGETS first, then the text, each
// answer awaited for at most `answerTimeout`. One thread at a time.
class X11ClipboardReader final
{
public:
    static constexpr std::chrono::milliseconds answerTimeout{500};

    struct Contents
    {
        QStringList types;
        // UTF-8; nothing when there is no text, when it is marked secret or over the limit.
        std::optional<QByteArray> text;
        xcb_window_t owner = XCB_WINDOW_NONE;
        // What was on the clipboard when the reader started, not a change.
        bool initial = false;
    };

    explicit X11ClipboardReader(qsizetype maxTextBytes);
    ~X11ClipboardReader();
    X11ClipboardReader(const X11ClipboardReader &) = delete;
    X11ClipboardReader &operator=(const X11ClipboardReader &) = delete;

    bool isValid() const { return m_window != XCB_WINDOW_NONE; }
    // Waits for the next owner and reads what it offers; nothing once `stop` is set. An owner
    // equal to `ownOwner` (our own write) is passed over; a read that a newer owner overtook is
    // dropped and the newer one read instead, so types and text always come from one owner.
    std::optional<Contents> next(const std::atomic<bool> &stop,
                                 const std::atomic<quint32> &ownOwner);
    // Wakes a `next` waiting on another thread so it sees `stop`; any thread may call it.
    void wake();

private:
    using Deadline = std::chrono::steady_clock::time_point;
    Contents read(xcb_window_t owner);
    // Asks the owner to convert to `target`; the property the answer landed in, or none.
    xcb_atom_t convert(xcb_atom_t target);
    std::optional<QByteArray> fetchText(xcb_atom_t target);
    std::optional<QByteArray> fetchIncrementally(qsizetype announced);
    // The next event that `wanted` accepts, handling owner changes on the way; nothing at the
    // deadline, on a lost connection, or as soon as the owner changed.
    template <typename Wanted> xcb_generic_event_t *waitFor(Wanted wanted, Deadline deadline);
    void handle(const xcb_generic_event_t *event);
    QString atomName(xcb_atom_t atom);

    const qsizetype m_maxTextBytes;
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE, m_targets = XCB_ATOM_NONE, m_incr = XCB_ATOM_NONE;
    // Where the answers land: one of a few, in turn.
    xcb_atom_t m_properties[4]{};
    xcb_atom_t m_property = XCB_ATOM_NONE;
    int m_nextProperty = 0;
    quint8 m_selectionNotify = 0;
    QHash<xcb_atom_t, QString> m_names;
    // The owner changed since the last read began.
    bool m_changed = true;
    bool m_initial = true;
    const std::atomic<bool> *m_stop = nullptr;
    // Polled beside the connection: the waits sleep until an event or a stop, never in slices.
    int m_wakeFd = -1;
};
