#pragma once

#include <QPainter>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

#include <sys/types.h>

class X11WindowSystem;
struct xcb_connection_t;

// What the X11 tests ask of the display, mostly through the command-line tools a person would
// use, and the programs and clients they start on it.
namespace X11Probe {

// Serves this process's events until `condition` holds or `ms` have passed; whether it held.
bool waitUntil(const std::function<bool()> &condition, int ms = 10000);

// The absolute geometry of the mapped window named `name`, as xwininfo reports it (top-left
// origin); nothing when no such window is viewable.
std::optional<QRect> windowGeometry(const QString &name);
bool isViewable(const QString &name);
std::optional<QRect> waitForWindow(const QString &name, int ms = 10000);
// The frame of a managed window in root coordinates: its client area grown by the window
// manager's frame extents.
std::optional<QRectF> frameOnScreen(quint32 window);
// The name of the window that has the keyboard focus.
QString focusedWindowName();

// A program's standard output; empty when it did not finish.
QString run(const QString &program, const QStringList &arguments);
// Runs xdotool with space-separated arguments; true when it exited 0.
bool xdotool(const QString &arguments);
bool xdotool(const QStringList &arguments);

// Writes the program's defaults file under the test's private HOME.
bool writeDefaults(const QByteArray &json);

// The first window the window list gives to process `pid`.
std::optional<quint32> windowOf(const X11WindowSystem &windows, pid_t pid);

// Another X program the test starts, with a geometry of its own; ended by its process id when
// the test is done with it.
class Client final
{
public:
    explicit Client(const QString &program, const QString &geometry = QStringLiteral("+600+400"));
    ~Client() { quit(); }
    pid_t pid() const { return pid_t(m_process.processId()); }
    void quit();

private:
    QProcess m_process;
};

// xeyes and xcalc apart from each other, with their windows once the window list has them.
// xcalc takes the focus when asked; openbox would not make xeyes active.
struct TwoClients
{
    explicit TwoClients(const X11WindowSystem &windows);
    Client eyes{QStringLiteral("xeyes"), QStringLiteral("300x200+100+100")};
    Client calc{QStringLiteral("xcalc"), QStringLiteral("300x200+500+300")};
    std::optional<quint32> eyesWindow, calcWindow;
};

// The real program in a process of its own, stopped by its own process id (never by name: a
// copy the user runs must live on). With `terminal`, it runs under `script`, which gives it
// the terminal it logs to, and its output is read from the script's.
class Vantle final
{
public:
    explicit Vantle(const QProcessEnvironment &environment
                    = QProcessEnvironment::systemEnvironment(),
                    bool terminal = false);
    ~Vantle() { stop(); }
    bool started() const { return m_started; }
    // The program's own id; under `script`, its child's.
    std::optional<pid_t> pid() const;
    // SIGTERM, then the exit; true when it exited of itself.
    bool stop();
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    bool m_started = false;
};

// Another client on the same display: an X connection of its own, which sets no _NET_WM_PID.
class OtherClient final
{
public:
    OtherClient();
    ~OtherClient();
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;

    // Grabs the key of `keysym` with `modifiers` on the root window; false when another holds it.
    bool grab(quint32 keysym, quint16 modifiers);
    void ungrab(quint32 keysym, quint16 modifiers);
    // The keyboard modifiers (locks included) as the server has them now.
    quint16 modifierState();
    // A mapped window of type dock.
    quint32 createDock(int x, int y, int width, int height);
    // Asks the window manager to add a state to another client's window.
    void addState(quint32 window, const char *state);
    bool hasPidProperty(quint32 window);

private:
    quint32 atom(const char *name);
    quint8 keycode(quint32 keysym);

    xcb_connection_t *m_connection;
    quint32 m_root = 0;
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

} // namespace X11Probe
