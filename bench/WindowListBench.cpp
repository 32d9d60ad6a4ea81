#include "platform/linux/X11WindowSystem.h"

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
        xcb_flush(m_connection);
    }
    ~ManyClients() { xcb_disconnect(m_connection); }

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
};

void windowListOfFortyClients(benchmark::State &state)
{
    X11WindowSystem windows;
    ManyClients clients;
    // Openbox manages the new windows in its own time; wait until all forty are listed.
    for (int i = 0; i < 500; ++i) {
        const auto list = windows.windowList();
        if (list && list->size() >= kWindows)
            break;
        QThread::msleep(10);
    }
    const auto first = windows.windowList();
    if (!first || first->size() < kWindows) {
        state.SkipWithError("the window manager did not list the forty windows");
        return;
    }
    for (auto _ : state) {
        const auto list = windows.windowList();
        benchmark::DoNotOptimize(list);
    }
    state.counters["windows"] = double(first->size());
}
BENCHMARK(windowListOfFortyClients)->Unit(benchmark::kMicrosecond);

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
