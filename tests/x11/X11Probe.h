#pragma once

#include <QPainter>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <memory>
#include <optional>

#include <sys/types.h>
#include <xcb/xcb.h>

class QLineEdit;
class X11WindowSystem;

// What the X11 tests ask of the display, mostly through the tools a person would use.
namespace X11Probe {

// Serves this process's events until `condition` holds or `ms` have passed.
inline bool waitUntil(const std::function<bool()> &condition, int ms = 10000)
{
    return QTest::qWaitFor(condition, ms);
}

// The absolute geometry (top-left origin) of the viewable window named `name`, as xwininfo has it.
std::optional<QRect> windowGeometry(const QString &name);
inline bool isViewable(const QString &name)
{
    return windowGeometry(name).has_value();
}
std::optional<QRect> waitForWindow(const QString &name, int ms = 10000);
// The stacking rank among the root's children (0 topmost) of what holds `name`; -1 if none.
int stackingRank(const QString &name);
// A managed window's frame in root coordinates: its client area and the frame extents.
std::optional<QRectF> frameOnScreen(quint32 window);
bool near(const QRectF &a, const QRectF &b, double tolerance = 1);

// A program's standard output; empty when it did not finish.
QString run(const QString &program, const QStringList &arguments);
// Runs xdotool with the arguments (a string is split at spaces); true when it exited 0.
inline bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}
inline bool xdotool(const QString &arguments)
{
    return xdotool(arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts));
}
// Another app (xclip) copies `text`, offered as `type` when one is given.
void copyToClipboard(const QString &text, const QString &type = {});
// Shows `field` with the keyboard focus, as the app in front.
void focusField(QLineEdit &field, const QString &title, const QRect &geometry);

// Writes the program's defaults file under the test's private HOME.
bool writeDefaults(const QByteArray &json);
// Desktop entries org.example.Eyes (xeyes) and org.example.Calc (xcalc), whatever is installed.
void writeEntries(const QString &folder);

// The first window the window list gives to process `pid`, once it has one.
std::optional<quint32> waitForWindowOf(const X11WindowSystem &windows, pid_t pid);

// Another X program the test starts, with a geometry of its own; ended by its process id.
class Client final
{
public:
    explicit Client(const QString &program, const QString &geometry = QStringLiteral("+600+400"));
    ~Client()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    pid_t pid() const { return pid_t(m_process.processId()); }

private:
    QProcess m_process;
};

// The real program, stopped by its own process id, never by name. With `terminal` it runs under
// `script`, which gives it the terminal it logs to.
class Vantle final
{
public:
    explicit Vantle(const QProcessEnvironment &environment
                    = QProcessEnvironment::systemEnvironment(),
                    bool terminal = false);
    ~Vantle() { stop(); }
    bool started() const { return m_started; }
    // SIGTERM to the program, then the exit; true when it exited of itself.
    bool stop();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    bool m_started = false;
};

// Ctrl+Alt+Super, NumLock and H on the private display, where Alt is Mod1 and Super Mod4.
constexpr quint16 CtrlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr quint16 NumLock = XCB_MOD_MASK_2;
constexpr quint32 SymH = 0x68;

// Another client on the same display, with an X connection of its own.
class OtherClient final
{
public:
    ~OtherClient() { xcb_disconnect(m_connection); }
    // Grabs the key of `keysym` with `modifiers` on the root window; false when another holds it.
    bool grab(quint32 keysym, quint16 modifiers);
    void ungrab(quint32 keysym, quint16 modifiers);
    // The keyboard modifiers (locks included) as the server has them now.
    quint16 modifierState();
    // Takes the CLIPBOARD selection with a window of its own and never answers a request for it.
    void takeClipboard();
    // The 32-bit pixel of `window` at `at` as the server holds it; 0 when it cannot be read.
    quint32 pixel(quint32 window, QPoint at);

private:
    quint8 keycode(quint32 keysym);

    xcb_connection_t *const m_connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
};

// A desktop panel of another client: a dock window along an edge of the root, reserving
// `reserved` pixels there over its own length (`_NET_WM_STRUT_PARTIAL`). Gone with the object.
class Dock final
{
public:
    enum Edge { left, right, top, bottom };
    Dock(const QRect &geometry, Edge edge, int reserved);
    ~Dock() { xcb_disconnect(m_connection); }

private:
    xcb_connection_t *const m_connection = xcb_connect(nullptr, nullptr);
};

// Stands in for a readout's view: an opaque plate over the whole panel.
class Plate final : public QWidget
{
public:
    using QWidget::QWidget;
    static inline const QColor colour{40, 90, 160};

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), colour); }
};

// A plain top-level window of ours, shown.
inline std::unique_ptr<QWidget> showWindow(const QRect &geometry, Qt::WindowFlags flags = {})
{
    auto widget = std::make_unique<QWidget>(nullptr, flags);
    widget->setGeometry(geometry);
    widget->setMinimumSize(50, 50);
    widget->show();
    return widget;
}

} // namespace X11Probe
