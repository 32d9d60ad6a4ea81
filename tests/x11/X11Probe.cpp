#include "X11Probe.h"

#include "platform/linux/X11WindowSystem.h"
#include "platform/linux/Xcb.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace X11Probe {

namespace {

// The absolute geometry in an xwininfo report.
QRect absolute(const QString &xwininfo)
{
    const auto field = [&](const QString &label) {
        return QRegularExpression(label + ":\\s+(-?\\d+)").match(xwininfo).captured(1).toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

} // namespace

std::optional<QRect> windowGeometry(const QString &name)
{
    const QString out = run(QStringLiteral("xwininfo"), {QStringLiteral("-name"), name});
    return out.contains("Map State: IsViewable") ? std::optional(absolute(out)) : std::nullopt;
}

std::optional<QRect> waitForWindow(const QString &name, int ms)
{
    std::optional<QRect> geometry;
    waitUntil([&] { return (geometry = windowGeometry(name)).has_value(); }, ms);
    return geometry;
}

int stackingRank(const QString &name)
{
    // xwininfo lists the root's children topmost first, each five spaces in.
    int rank = -1;
    for (const QString &line : run("xwininfo", {"-root", "-tree"}).split('\n')) {
        if (line.startsWith("     0x"))
            ++rank;
        if (line.contains('"' + name + "\":"))
            return rank;
    }
    return -1;
}

std::optional<QRectF> frameOnScreen(quint32 window)
{
    const QString id = QStringLiteral("0x") + QString::number(window, 16);
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const QRegularExpressionMatch extents
        = QRegularExpression(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"))
              .match(run(QStringLiteral("xprop"), {"-id", id, "_NET_FRAME_EXTENTS"}));
    if (!info.contains(QStringLiteral("Absolute upper-left X")) || !extents.hasMatch())
        return std::nullopt;
    const auto extent = [&](int i) { return extents.captured(i).toInt(); };
    return QRectF(absolute(info)).adjusted(-extent(1), -extent(3), extent(2), extent(4));
}

bool near(const QRectF &a, const QRectF &b, double tolerance)
{
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance
        && std::abs(a.width() - b.width()) <= tolerance
        && std::abs(a.height() - b.height()) <= tolerance;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

void copyToClipboard(const QString &text, const QString &type)
{
    // xclip stays behind to serve the selection: its output goes nowhere, so this returns.
    const QString script = QStringLiteral(
        "printf %s \"$1\" | xclip -selection clipboard ${2:+-t \"$2\"} >/dev/null 2>&1");
    QProcess::execute(QStringLiteral("sh"), {"-c", script, "sh", text, type});
}

void focusField(QLineEdit &field, const QString &title, const QRect &geometry)
{
    field.setWindowTitle(title);
    field.setGeometry(geometry);
    field.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
    ASSERT_TRUE(xdotool(QStringList{"search", "--name", title, "windowactivate", "--sync"}));
    ASSERT_TRUE(waitUntil([&] { return field.hasFocus() && field.isActiveWindow(); }, 3000));
}

bool writeDefaults(const QByteArray &json)
{
    return readFile(writeFile(TestEnvironment::home() + "/.config/Vantle/defaults.json", json))
        == json;
}

void writeEntries(const QString &folder)
{
    for (const auto &[id, body] :
         {std::pair{"Eyes", "Name=Watching Eyes\nExec=xeyes\nIcon=eyes-icon\nStartupWMClass=XEyes"},
          {"Calc", "Name=Pocket Calculator\nExec=xcalc\nStartupWMClass=XCalc"}})
        writeFile(folder + QStringLiteral("/org.example.%1.desktop").arg(id),
                  QByteArray("[Desktop Entry]\nType=Application\n") + body + '\n');
}

std::optional<quint32> waitForWindowOf(const X11WindowSystem &windows, pid_t pid)
{
    std::optional<quint32> id;
    waitUntil([&] {
        const QList<WindowInfo> list = windows.windowList().value_or(QList<WindowInfo>());
        if (const auto it = std::ranges::find(list, pid, &WindowInfo::pid); it != list.end())
            id = it->id;
        return id.has_value();
    });
    return id;
}

Client::Client(const QString &program, const QString &geometry)
{
    m_process.start(program, {QStringLiteral("-geometry"), geometry});
    m_process.waitForStarted();
}

Vantle::Vantle(const QProcessEnvironment &environment, bool terminal)
{
    m_process.setProcessEnvironment(environment);
    const QString program = QStringLiteral(KAIDRO_VANTLE_PATH);
    if (terminal) {
        // The script's shell execs the program, which so is the script's only child.
        m_process.start(QStringLiteral("script"), {"-qfec", "exec '" + program + "'", "/dev/null"});
    } else {
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(program, QStringList());
    }
    m_started = m_process.waitForStarted(5000);
}

bool Vantle::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    pid_t program = pid_t(m_process.processId());
    if (m_process.program() == QStringLiteral("script"))
        program = run(QStringLiteral("pgrep"), {"-P", QString::number(program)}).toInt();
    if (program > 0)
        ::kill(program, SIGTERM);
    if (m_process.waitForFinished(5000))
        return m_process.exitStatus() == QProcess::NormalExit;
    m_process.kill();
    m_process.waitForFinished();
    return false;
}

bool OtherClient::grab(quint32 keysym, quint16 modifiers)
{
    xcb_generic_error_t *error = xcb_request_check(
        m_connection,
        xcb_grab_key_checked(m_connection, 0, m_root, modifiers, keycode(keysym),
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return error == nullptr;
}

void OtherClient::ungrab(quint32 keysym, quint16 modifiers)
{
    xcb_ungrab_key(m_connection, keycode(keysym), m_root, modifiers);
    // A round trip, so the server has let go before the caller goes on.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

quint16 OtherClient::modifierState()
{
    xcb_query_pointer_reply_t *reply
        = xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
    const quint16 mask = reply ? reply->mask : 0;
    std::free(reply);
    return mask;
}

void OtherClient::takeClipboard()
{
    const xcb_window_t window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, 9, "CLIPBOARD"), nullptr);
    xcb_set_selection_owner(m_connection, window, atom ? atom->atom : 0, XCB_CURRENT_TIME);
    std::free(atom);
    // A round trip, so the selection is ours before the caller goes on; events are never read.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

quint32 OtherClient::pixel(quint32 window, QPoint at)
{
    xcb_get_image_reply_t *reply
        = xcb_get_image_reply(m_connection,
                              xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                            int16_t(at.x()), int16_t(at.y()), 1, 1, ~0u),
                              nullptr);
    quint32 value = 0;
    if (reply && xcb_get_image_data_length(reply) >= 4)
        std::memcpy(&value, xcb_get_image_data(reply), 4);
    std::free(reply);
    return value;
}

Dock::Dock(const QRect &g, Edge edge, int reserved)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const xcb_window_t w = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, w, screen->root, int16_t(g.x()),
                      int16_t(g.y()), uint16_t(g.width()), uint16_t(g.height()), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    const auto atom = [this](const char *name) {
        const auto r = Xcb::take(
            xcb_intern_atom_reply(m_connection,
                                  xcb_intern_atom(m_connection, 0, strlen(name), name), nullptr),
            nullptr);
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    };
    const auto set = [&](const char *name, xcb_atom_t type, quint32 n, const void *data) {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, w, atom(name), type, 32, n, data);
    };
    const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
    set("_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, 1, &dock);
    // left, right, top, bottom, then each band's start and end along its edge.
    quint32 strut[12] = {};
    strut[edge] = quint32(reserved);
    const bool vertical = edge == left || edge == right;
    strut[4 + 2 * edge] = quint32(vertical ? g.top() : g.left());
    strut[5 + 2 * edge] = quint32(vertical ? g.bottom() : g.right());
    set("_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, 12, strut);
    const quint32 placed[18] = {1 | 4}; // USPosition | PPosition: where it asks, as panels are
    set("WM_NORMAL_HINTS", XCB_ATOM_WM_SIZE_HINTS, 18, placed);
    xcb_map_window(m_connection, w);
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

quint8 OtherClient::keycode(quint32 keysym)
{
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return code;
}

} // namespace X11Probe
