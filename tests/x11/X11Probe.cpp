#include "X11Probe.h"

#include "platform/linux/X11WindowSystem.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace X11Probe {

namespace {

int field(const QString &text, const char *label)
{
    const QRegularExpression re(QString::fromLatin1(label) + QStringLiteral(":\\s+(-?\\d+)"));
    return re.match(text).captured(1).toInt();
}

// The first process below `root` (a child, or a child's child) whose name is `name`, from the
// parent ids in /proc.
std::optional<pid_t> descendantNamed(pid_t root, const QByteArray &name)
{
    QList<std::tuple<pid_t, pid_t, QByteArray>> processes;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!entry.front().isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold spaces, so read around its brackets.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        processes.append({pid_t(entry.toInt()),
                          pid_t(line.mid(close + 2).split(' ').value(1).toInt()),
                          line.mid(open + 1, close - open - 1)});
    }
    QList<pid_t> below{root};
    for (qsizetype i = 0; i < below.size(); ++i) {
        for (const auto &[pid, parent, comm] : processes) {
            if (parent != below[i])
                continue;
            if (comm == name)
                return pid;
            below.append(pid);
        }
    }
    return std::nullopt;
}

} // namespace

bool waitUntil(const std::function<bool()> &condition, int ms)
{
    return QTest::qWaitFor(condition, ms);
}

std::optional<QRect> windowGeometry(const QString &name)
{
    const QString out = run(QStringLiteral("xwininfo"), {QStringLiteral("-name"), name});
    if (!out.contains(QStringLiteral("Map State: IsViewable")))
        return std::nullopt;
    return QRect(field(out, "Absolute upper-left X"), field(out, "Absolute upper-left Y"),
                 field(out, "Width"), field(out, "Height"));
}

bool isViewable(const QString &name)
{
    return windowGeometry(name).has_value();
}

std::optional<QRect> waitForWindow(const QString &name, int ms)
{
    std::optional<QRect> geometry;
    waitUntil([&] { return (geometry = windowGeometry(name)).has_value(); }, ms);
    return geometry;
}

std::optional<QRectF> frameOnScreen(quint32 window)
{
    const QString id = QStringLiteral("0x") + QString::number(window, 16);
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const QRegularExpressionMatch extents
        = QRegularExpression(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"))
              .match(run(QStringLiteral("xprop"),
                         {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")}));
    if (!info.contains(QStringLiteral("Absolute upper-left X")) || !extents.hasMatch())
        return std::nullopt;
    const int left = extents.captured(1).toInt(), right = extents.captured(2).toInt();
    const int top = extents.captured(3).toInt(), bottom = extents.captured(4).toInt();
    return QRectF(field(info, "Absolute upper-left X") - left,
                  field(info, "Absolute upper-left Y") - top, field(info, "Width") + left + right,
                  field(info, "Height") + top + bottom);
}

QString focusedWindowName()
{
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")})
        .trimmed();
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool xdotool(const QString &arguments)
{
    return xdotool(arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts));
}

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

bool writeDefaults(const QByteArray &json)
{
    const QString config = TestEnvironment::home() + QStringLiteral("/.config/Vantle");
    QDir().mkpath(config);
    QFile f(config + QStringLiteral("/defaults.json"));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(json) == json.size();
}

std::optional<quint32> windowOf(const X11WindowSystem &windows, pid_t pid)
{
    if (const auto list = windows.windowList()) {
        for (const WindowInfo &w : *list) {
            if (w.pid == pid)
                return w.id;
        }
    }
    return std::nullopt;
}

Client::Client(const QString &program, const QString &geometry)
{
    m_process.start(program, {QStringLiteral("-geometry"), geometry});
    m_process.waitForStarted();
}

void Client::quit()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

TwoClients::TwoClients(const X11WindowSystem &windows)
{
    waitUntil([&] {
        eyesWindow = windowOf(windows, eyes.pid());
        calcWindow = windowOf(windows, calc.pid());
        return eyesWindow && calcWindow;
    });
}

Vantle::Vantle(const QProcessEnvironment &environment, bool terminal)
{
    m_process.setProcessEnvironment(environment);
    if (terminal) {
        m_process.start(QStringLiteral("script"),
                        {QStringLiteral("-qfec"), QStringLiteral(KAIDRO_VANTLE_PATH),
                         QStringLiteral("/dev/null")});
    } else {
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(QStringLiteral(KAIDRO_VANTLE_PATH), QStringList());
    }
    m_started = m_process.waitForStarted(5000);
}

std::optional<pid_t> Vantle::pid() const
{
    if (m_process.state() == QProcess::NotRunning)
        return std::nullopt;
    const auto own = pid_t(m_process.processId());
    return m_process.program() == QStringLiteral("script") ? descendantNamed(own, "Vantle") : own;
}

bool Vantle::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    if (const std::optional<pid_t> program = pid())
        ::kill(*program, SIGTERM);
    if (m_process.waitForFinished(5000))
        return m_process.exitStatus() == QProcess::NormalExit;
    m_process.kill();
    m_process.waitForFinished();
    return false;
}

OtherClient::OtherClient()
    : m_connection(xcb_connect(nullptr, nullptr))
{
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

OtherClient::~OtherClient()
{
    xcb_disconnect(m_connection);
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

quint32 OtherClient::createDock(int x, int y, int width, int height)
{
    const xcb_window_t window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, int16_t(x), int16_t(y),
                      uint16_t(width), uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_map_window(m_connection, window);
    xcb_flush(m_connection);
    return window;
}

void OtherClient::addState(quint32 window, const char *state)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("_NET_WM_STATE");
    event.data.data32[0] = 1; // add
    event.data.data32[1] = atom(state);
    event.data.data32[3] = 2;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(m_connection);
}

bool OtherClient::hasPidProperty(quint32 window)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1),
        nullptr);
    const bool has = reply && xcb_get_property_value_length(reply) > 0;
    std::free(reply);
    return has;
}

quint32 OtherClient::atom(const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t out = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return out;
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
