#pragma once

#include "platform/WindowSprites.h"

#include <QHash>
#include <QMetaObject>
#include <QSize>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

struct xcb_connection_t;
class X11PresentTimeline;

// Sprites as server-side pixmaps of a 32-bit (translucent) window, copied in with CopyArea.
// Where the server takes copies for future frames (Present), a loop's next steps are queued
// there a few seconds ahead, and the player thread wakes once a batch instead of once a step.
class X11WindowSprites final : public WindowSprites
{
public:
    // Null unless `window` is a 32-bit window on a server that takes our ARGB pixels as they
    // are laid out in memory.
    static std::unique_ptr<X11WindowSprites> create(xcb_connection_t *connection, quint32 window);
    ~X11WindowSprites() override;

    bool keep(int index, const QImage &image) override;
    bool show(int index, QPoint at) override;
    void clear() override;
    bool play(const std::vector<Step> &steps, int loopMs,
              std::chrono::steady_clock::time_point start, QPoint at) override;
    void stop() override;
    void reshow() override;

private:
    X11WindowSprites(xcb_connection_t *connection, quint32 window);
    struct Pixmap
    {
        quint32 id = 0;
        QSize size;
    };
    // The connection closes with the application; nothing is sent after that.
    bool connected() const;

    // The loop being played: the pixmaps of its steps, in order.
    struct Loop
    {
        std::vector<int> atMs;
        std::vector<Pixmap> frames;
        int loopMs = 0;
        std::chrono::steady_clock::time_point start;
        QPoint at;
    };
    void playLoop();
    void endThread();
    // Queues the loop's steps from `from` to `until` with the server. Under m_mutex.
    void queueSteps(const Loop &loop, std::chrono::steady_clock::time_point from,
                    std::chrono::steady_clock::time_point until);

    xcb_connection_t *m_connection;
    quint32 m_window;
    quint32 m_gc = 0;
    QHash<int, Pixmap> m_pixmaps;

    // The player thread sleeps until the next step; requests go out on the toolkit's own
    // connection (xcb serialises them), so a step never overtakes a repaint sent before it.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Loop> m_loop; // guarded by m_mutex
    quint64 m_loopsStarted = 0; // guarded by m_mutex
    std::unique_ptr<X11PresentTimeline> m_timeline; // guarded by m_mutex; null without Present
    bool m_timelineTried = false; // guarded by m_mutex
    bool m_reshow = false; // guarded by m_mutex
    bool m_quit = false; // guarded by m_mutex
    std::thread m_player;
    QMetaObject::Connection m_quitHook;
};
