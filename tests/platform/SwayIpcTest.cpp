#include "platform/wayland/SwayIpc.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

namespace {

// The first window of `appId` other than `other`, waited for while it maps.
std::optional<SwayIpc::Window> waitForWindow(SwayIpc &ipc, const QString &appId, qint64 other = 0)
{
    for (QDeadlineTimer deadline(10000); !deadline.hasExpired(); QThread::msleep(50)) {
        for (const SwayIpc::Window &w : ipc.windows().value_or(QList<SwayIpc::Window>{})) {
            if (w.appId == appId && w.id != other)
                return w;
        }
    }
    return std::nullopt;
}

// The window `id` once sway reports it at `frame`, or as last reported when the deadline passes:
// sway moves a floating window at once but resizes it when the client has drawn the new size.
std::optional<SwayIpc::Window> waitForFrame(SwayIpc &ipc, qint64 id, const QRect &frame)
{
    std::optional<SwayIpc::Window> last;
    for (QDeadlineTimer deadline(10000); !deadline.hasExpired(); QThread::msleep(50)) {
        for (const SwayIpc::Window &w : ipc.windows().value_or(QList<SwayIpc::Window>{})) {
            if (w.id == id)
                last = w;
        }
        if (last && last->frame == frame)
            break;
    }
    return last;
}

void expectFrame(const QRect &frame, int x, int y, int width, int height)
{
    EXPECT_EQ(frame.x(), x);
    EXPECT_EQ(frame.y(), y);
    EXPECT_EQ(frame.width(), width);
    EXPECT_EQ(frame.height(), height);
}

} // namespace

// Against the private sway the test's wrapper started (SWAYSOCK, WAYLAND_DISPLAY).
TEST(SwayIpc, ReadsMovesAndRaisesARealWindow)
{
    SwayIpc ipc(SwayIpc::socketFromEnvironment());
    ASSERT_TRUE(ipc.reachable()) << "no sway at SWAYSOCK";
    QProcess first, second;
    first.start("foot", {});
    const std::optional<SwayIpc::Window> foot = waitForWindow(ipc, "foot");
    ASSERT_TRUE(foot);
    EXPECT_EQ(foot->pid, first.processId());
    EXPECT_TRUE(foot->visible);
    EXPECT_FALSE(foot->floating);
    // Alone on the 1440x900 output, tiled: the frame with its title bar is the whole output.
    expectFrame(foot->frame, 0, 0, 1440, 900);

    ASSERT_TRUE(ipc.setFrame(foot->id, QRect(100, 120, 500, 300)));
    const std::optional<SwayIpc::Window> moved
        = waitForFrame(ipc, foot->id, QRect(100, 120, 500, 300));
    ASSERT_TRUE(moved);
    EXPECT_TRUE(moved->floating);
    expectFrame(moved->frame, 100, 120, 500, 300);

    second.start("foot", {});
    const std::optional<SwayIpc::Window> other = waitForWindow(ipc, "foot", foot->id);
    ASSERT_TRUE(other);
    ASSERT_TRUE(ipc.raise(foot->id));
    for (const SwayIpc::Window &w : ipc.windows().value_or(QList<SwayIpc::Window>{}))
        EXPECT_EQ(w.focused, w.id == foot->id) << w.id;
    EXPECT_FALSE(ipc.setFrame(999999, QRect(0, 0, 100, 100))); // no such window
    for (QProcess *foot : {&first, &second})
        foot->kill(), foot->waitForFinished();
}
