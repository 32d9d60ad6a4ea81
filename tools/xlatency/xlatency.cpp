// Times, from the events the X server sends, how long a user waits:
//   xlatency launch --title T[,T...] [--runs N] -- COMMAND [ARGS...]
//       start COMMAND, stop the clock when a window titled T is mapped, end COMMAND again
//   xlatency key --combo KEYS --title T [--focus] [--close KEYS] [--runs N]
//       press KEYS, stop the clock when T is mapped (and, with --focus, has the keyboard focus),
//       then close it with --close (or KEYS again) and wait until it is unmapped
//   xlatency type --title T --text CHARS [--open KEYS] [--min-area PX] [--runs N]
//       with T shown (opened by --open first), type one character, stop the clock at the first
//       repaint of T that covers at least PX pixels, then erase it again
// Each sample goes to stderr; the 10th, 50th and 90th percentiles in milliseconds go to stdout.
// Keys are faked through XTest, so global key grabs see them as a user's keys.
#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "xlatency: %s\n", message.c_str());
    std::exit(2);
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(separator, start);
        parts.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

xcb_keysym_t keysymFor(const std::string &name)
{
    static const std::pair<const char *, xcb_keysym_t> named[] = {
        {"ctrl", 0xffe3},  {"alt", 0xffe9},    {"super", 0xffeb},  {"shift", 0xffe1},
        {"space", 0x0020}, {"Escape", 0xff1b}, {"Return", 0xff0d}, {"BackSpace", 0xff08},
        {"Tab", 0xff09},   {"Down", 0xff54},   {"Up", 0xff52},
    };
    for (const auto &[n, sym] : named) {
        if (name == n)
            return sym;
    }
    if (name.size() == 1 && name[0] > 0x20 && name[0] < 0x7f)
        return xcb_keysym_t(std::tolower(static_cast<unsigned char>(name[0])));
    fail("unknown key " + name);
}

class Display
{
public:
    Display()
    {
        int screenNumber = 0;
        m_conn = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_conn))
            fail("cannot open the display");
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
        for (int i = 0; i < screenNumber; ++i)
            xcb_screen_next(&it);
        m_root = it.data->root;
        m_symbols = xcb_key_symbols_alloc(m_conn);
        m_netWmName = atom("_NET_WM_NAME");

        const xcb_query_extension_reply_t *damage = xcb_get_extension_data(m_conn, &xcb_damage_id);
        if (damage && damage->present) {
            m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
            free(xcb_damage_query_version_reply(m_conn, xcb_damage_query_version(m_conn, 1, 1),
                                                nullptr));
        }
        const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &rootMask);
        // Windows that exist already (panels are created hidden and shown later), and the
        // clients inside the window manager's frames.
        for (xcb_window_t top : children(m_root)) {
            watch(top);
            for (xcb_window_t inner : children(top))
                watch(inner);
        }
        xcb_flush(m_conn);
    }

    ~Display()
    {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_conn);
    }

    // Presses every key of "ctrl+alt+m" in order and releases them in reverse.
    void press(const std::string &combo)
    {
        std::vector<xcb_keycode_t> codes;
        for (const std::string &name : split(combo, '+')) {
            xcb_keycode_t *found = xcb_key_symbols_get_keycode(m_symbols, keysymFor(name));
            if (!found || !found[0])
                fail("no key code for " + name);
            codes.push_back(found[0]);
            free(found);
        }
        for (xcb_keycode_t c : codes)
            xcb_test_fake_input(m_conn, XCB_KEY_PRESS, c, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto c = codes.rbegin(); c != codes.rend(); ++c)
            xcb_test_fake_input(m_conn, XCB_KEY_RELEASE, *c, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_conn);
    }

    std::string title(xcb_window_t w)
    {
        for (xcb_atom_t property : {m_netWmName, xcb_atom_t(XCB_ATOM_WM_NAME)}) {
            xcb_get_property_reply_t *reply = xcb_get_property_reply(
                m_conn, xcb_get_property(m_conn, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                nullptr);
            if (!reply)
                continue;
            std::string text(static_cast<const char *>(xcb_get_property_value(reply)),
                             size_t(xcb_get_property_value_length(reply)));
            free(reply);
            if (!text.empty())
                return text;
        }
        return {};
    }

    // The first mapped window titled `title`, if any.
    std::optional<xcb_window_t> mappedWindow(const std::string &wanted)
    {
        for (xcb_window_t top : children(m_root)) {
            for (xcb_window_t w : [&] {
                     std::vector<xcb_window_t> all{top};
                     for (xcb_window_t inner : children(top))
                         all.push_back(inner);
                     return all;
                 }()) {
                if (title(w) != wanted)
                    continue;
                xcb_get_window_attributes_reply_t *a = xcb_get_window_attributes_reply(
                    m_conn, xcb_get_window_attributes(m_conn, w), nullptr);
                const bool viewable = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
                free(a);
                if (viewable)
                    return w;
            }
        }
        return std::nullopt;
    }

    // Waits up to `timeout` for an event `accept` takes; false on timeout.
    bool waitFor(const std::function<bool(xcb_generic_event_t *)> &accept,
                 std::chrono::milliseconds timeout)
    {
        const Clock::time_point deadline = Clock::now() + timeout;
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_conn)) {
                const uint8_t type = event->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY)
                    watch(reinterpret_cast<xcb_create_notify_event_t *>(event)->window);
                else if (type == XCB_REPARENT_NOTIFY)
                    watch(reinterpret_cast<xcb_reparent_notify_event_t *>(event)->window);
                const bool taken = accept(event);
                free(event);
                if (taken)
                    return true;
            }
            if (xcb_connection_has_error(m_conn))
                fail("lost the display");
            const auto left
                = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            pollfd fd{xcb_get_file_descriptor(m_conn), POLLIN, 0};
            poll(&fd, 1, int(left.count()));
        }
    }

    // Drops the events that are waiting.
    void drain()
    {
        xcb_flush(m_conn);
        waitFor([](xcb_generic_event_t *) { return false; }, std::chrono::milliseconds(0));
    }

    bool isMap(xcb_generic_event_t *e, const std::vector<std::string> &titles, xcb_window_t *w)
    {
        if ((e->response_type & 0x7f) != XCB_MAP_NOTIFY)
            return false;
        const xcb_window_t mapped = reinterpret_cast<xcb_map_notify_event_t *>(e)->window;
        if (std::find(titles.begin(), titles.end(), title(mapped)) == titles.end())
            return false;
        *w = mapped;
        return true;
    }

    xcb_connection_t *conn() const { return m_conn; }
    int damageEvent() const { return m_damageEvent; }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
            m_conn, xcb_intern_atom(m_conn, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_NONE;
        free(r);
        return a;
    }

    std::vector<xcb_window_t> children(xcb_window_t w)
    {
        std::vector<xcb_window_t> out;
        xcb_query_tree_reply_t *tree
            = xcb_query_tree_reply(m_conn, xcb_query_tree(m_conn, w), nullptr);
        if (!tree)
            return out;
        const xcb_window_t *c = xcb_query_tree_children(tree);
        out.assign(c, c + xcb_query_tree_children_length(tree));
        free(tree);
        return out;
    }

    void watch(xcb_window_t w)
    {
        if (!m_watched.insert(w).second)
            return;
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_change_window_attributes(m_conn, w, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_conn);
    }

    xcb_connection_t *m_conn = nullptr;
    xcb_window_t m_root = XCB_NONE;
    xcb_key_symbols_t *m_symbols = nullptr;
    xcb_atom_t m_netWmName = XCB_NONE;
    int m_damageEvent = -1;
    std::set<xcb_window_t> m_watched;
};

double millisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

constexpr std::chrono::milliseconds kTimeout(10000);

double launchOnce(Display &x, const std::vector<std::string> &titles, char **command)
{
    x.drain();
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0)
        fail("fork failed");
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    xcb_window_t w = XCB_NONE;
    const bool mapped
        = x.waitFor([&](xcb_generic_event_t *e) { return x.isMap(e, titles, &w); }, kTimeout);
    const double ms = millisSince(start);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    if (!mapped)
        fail("no window mapped after the launch");
    return ms;
}

double keyOnce(Display &x, const std::string &combo, const std::string &title, bool focus,
               const std::string &close)
{
    if (x.mappedWindow(title))
        fail(title + " is shown already");
    x.drain();
    const std::vector<std::string> titles{title};
    const Clock::time_point start = Clock::now();
    x.press(combo);
    xcb_window_t w = XCB_NONE;
    bool isMapped = false, isFocused = !focus;
    const bool done = x.waitFor(
        [&](xcb_generic_event_t *e) {
            if (!isMapped && x.isMap(e, titles, &w))
                isMapped = true;
            if (focus && (e->response_type & 0x7f) == XCB_FOCUS_IN) {
                auto *f = reinterpret_cast<xcb_focus_in_event_t *>(e);
                if (f->detail != XCB_NOTIFY_DETAIL_POINTER && x.title(f->event) == title)
                    isFocused = true;
            }
            return isMapped && isFocused;
        },
        kTimeout);
    const double ms = millisSince(start);
    if (!done)
        fail(title + " was not " + (isMapped ? "focused" : "mapped") + " after " + combo);
    x.press(close);
    x.waitFor(
        [&](xcb_generic_event_t *e) {
            return (e->response_type & 0x7f) == XCB_UNMAP_NOTIFY
                && reinterpret_cast<xcb_unmap_notify_event_t *>(e)->window == w;
        },
        kTimeout);
    return ms;
}

// Waits for a repaint of `damage` covering at least `minArea` pixels.
bool waitForRepaint(Display &x, int minArea)
{
    return x.waitFor(
        [&](xcb_generic_event_t *e) {
            if ((e->response_type & 0x7f) != x.damageEvent())
                return false;
            const auto *d = reinterpret_cast<xcb_damage_notify_event_t *>(e);
            if (std::getenv("XLATENCY_DEBUG"))
                std::fprintf(stderr, "[damage %dx%d+%d+%d] ", d->area.width, d->area.height,
                             d->area.x, d->area.y);
            return int(d->area.width) * int(d->area.height) >= minArea;
        },
        kTimeout);
}

// The p-th percentile, linear between the nearest ranks.
double percentile(std::vector<double> samples, double p)
{
    std::sort(samples.begin(), samples.end());
    const double rank = p / 100.0 * double(samples.size() - 1);
    const size_t below = size_t(rank);
    const size_t above = std::min(below + 1, samples.size() - 1);
    return samples[below] + (rank - double(below)) * (samples[above] - samples[below]);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        fail("usage: xlatency launch|key|type [options]");
    const std::string mode = argv[1];
    int runs = 20, minArea = 2000;
    bool focus = false;
    std::string title, combo, close, text, open;
    char **command = nullptr;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--runs")
            runs = std::max(1, std::atoi(value().c_str()));
        else if (arg == "--title")
            title = value();
        else if (arg == "--combo")
            combo = value();
        else if (arg == "--close")
            close = value();
        else if (arg == "--focus")
            focus = true;
        else if (arg == "--text")
            text = value();
        else if (arg == "--open")
            open = value();
        else if (arg == "--min-area")
            minArea = std::atoi(value().c_str());
        else if (arg == "--") {
            command = argv + i + 1;
            break;
        } else
            fail("unknown option " + arg);
    }
    if (title.empty())
        fail("--title is needed");

    Display x;
    std::vector<double> samples;
    if (mode == "launch") {
        if (!command || !command[0])
            fail("launch needs a command after --");
        for (int r = 0; r < runs; ++r) {
            samples.push_back(launchOnce(x, split(title, ','), command));
            pause(300);
        }
    } else if (mode == "key") {
        if (combo.empty())
            fail("key needs --combo");
        for (int r = 0; r < runs; ++r) {
            samples.push_back(keyOnce(x, combo, title, focus, close.empty() ? combo : close));
            pause(400);
        }
    } else if (mode == "type") {
        if (text.empty())
            fail("type needs --text");
        if (x.damageEvent() < 0)
            fail("the display has no DAMAGE extension");
        if (!open.empty()) {
            x.press(open);
            pause(800);
        }
        const std::optional<xcb_window_t> w = x.mappedWindow(title);
        if (!w)
            fail(title + " is not shown");
        const xcb_damage_damage_t damage = xcb_generate_id(x.conn());
        xcb_damage_create(x.conn(), damage, *w, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        // One untimed round first: the bar may still be settling after it opened.
        for (int r = -1; r < runs; ++r) {
            const std::string key(1, text[size_t(r + 1) % text.size()]);
            pause(250);
            x.drain();
            const Clock::time_point start = Clock::now();
            x.press(key);
            if (!waitForRepaint(x, minArea))
                fail("no repaint after typing " + key);
            if (r >= 0)
                samples.push_back(millisSince(start));
            pause(250);
            x.press("BackSpace");
            waitForRepaint(x, minArea);
        }
        xcb_damage_destroy(x.conn(), damage);
        if (!open.empty())
            x.press("Escape");
        xcb_flush(x.conn());
    } else {
        fail("unknown mode " + mode);
    }
    for (double s : samples)
        std::fprintf(stderr, "%.2f ", s);
    std::fprintf(stderr, "\n");
    std::printf("%.1f %.1f %.1f\n", percentile(samples, 10), percentile(samples, 50),
                percentile(samples, 90));
    return 0;
}
