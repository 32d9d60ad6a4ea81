#include "monitors/TargetMonitor.h"
#include "platform/Clock.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/ProcSystemStats.h"
#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/X11Workspace.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

constexpr int kWindows = 40;

// Forty managed client windows on a connection of their own, as forty small programs would
// leave them.
class ManyClients final
{
public:
    ManyClients()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const xcb_atom_t pidAtom = atom("_NET_WM_PID");
        const uint32_t pid = uint32_t(::getpid());
        for (int i = 0; i < kWindows; ++i) {
            const xcb_window_t w = xcb_generate_id(m_connection);
            xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, w, root, int16_t(20 * i),
                              int16_t(15 * i), 200, 150, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                              XCB_COPY_FROM_PARENT, 0, nullptr);
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, w, pidAtom, XCB_ATOM_CARDINAL,
                                32, 1, &pid);
            xcb_map_window(m_connection, w);
        }
        // An unmanaged window of our own, moved to tell the lister that something changed.
        m_marker = xcb_generate_id(m_connection);
        const uint32_t unmanaged = 1;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_marker, root, 0, 0, 4, 4, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, &unmanaged);
        xcb_map_window(m_connection, m_marker);
        xcb_flush(m_connection);
    }
    ~ManyClients() { xcb_disconnect(m_connection); }

    // Puts the pointer at (x, y) of the screen.
    void warp(int x, int y)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_warp_pointer(m_connection, XCB_NONE, root, 0, 0, 0, 0, int16_t(x), int16_t(y));
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    // Moves a window, so the next list is read afresh as after any change on the desktop, and
    // lets Qt's connection take the report.
    void nudge()
    {
        const uint32_t x = (m_nudged = !m_nudged) ? 1 : 0;
        xcb_configure_window(m_connection, m_marker, XCB_CONFIG_WINDOW_X, &x);
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t *qt = x11->connection();
        std::free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
        QCoreApplication::processEvents();
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t out = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return out;
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_marker = 0;
    bool m_nudged = false;
};

// Openbox manages new windows in its own time; waits until all forty are listed.
void waitUntilListed(const X11WindowSystem &windows)
{
    for (int i = 0; i < 500; ++i) {
        const auto list = windows.windowList();
        if (list && list->size() >= kWindows)
            return;
        QThread::msleep(10);
        QCoreApplication::processEvents();
    }
}

// The list read after something on the desktop changed: the stacking, every window's place
// and mapping, and the properties of those not read in the last second.
void windowListOfFortyClients(benchmark::State &state)
{
    X11WindowSystem windows;
    ManyClients clients;
    waitUntilListed(windows);
    const auto first = windows.windowList();
    if (!first || first->size() < kWindows) {
        state.SkipWithError("the window manager did not list the forty windows");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        clients.nudge();
        state.ResumeTiming();
        const auto list = windows.windowList();
        benchmark::DoNotOptimize(list);
    }
    state.counters["windows"] = double(first->size());
}
BENCHMARK(windowListOfFortyClients)->Unit(benchmark::kMicrosecond);

// The list asked again with nothing changed on the desktop, as a resting pointer asks it.
void windowListUnchanged(benchmark::State &state)
{
    X11WindowSystem windows;
    ManyClients clients;
    waitUntilListed(windows);
    clients.nudge();
    for (auto _ : state) {
        const auto list = windows.windowList();
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(windowListUnchanged)->Unit(benchmark::kMicrosecond);

// One poll of the target monitor as the pointer moves between two of the forty windows: the
// pointer read, the window list, the hit test and, on a new window, the target's counters.
// The windows are this process's own, so the monitor is told it is someone else.
void targetPollOverFortyClients(benchmark::State &state)
{
    LinuxScreens screens;
    X11WindowSystem windows;
    X11Workspace workspace;
    ProcSystemStats stats;
    SystemClock clock;
    ManyClients clients;
    waitUntilListed(windows);
    TargetMonitor monitor(screens, windows, workspace, stats, clock, 1);
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        clients.warp(flip ? 120 : 700, flip ? 100 : 560);
        clients.nudge();
        flip = !flip;
        state.ResumeTiming();
        monitor.pollPointer();
    }
    state.counters["targeted"] = monitor.pid() > 0 ? 1 : 0;
}
BENCHMARK(targetPollOverFortyClients)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("WindowListBench: no DISPLAY, nothing to measure");
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
