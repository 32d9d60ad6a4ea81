#pragma once

#include <QHash>
#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QPointF>
#include <QRect>
#include <QString>

#include <memory>

struct wl_compositor;
struct wl_display;
struct wl_interface;
struct wl_output;
struct wl_registry;
struct wl_shm;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
class QSocketNotifier;

Q_DECLARE_LOGGING_CATEGORY(lcWaylandClient)

// One output of the compositor: where it lies in the compositor's logical space (from
// xdg-output where offered, else from wl_output's mode over its scale).
struct WaylandOutput
{
    quint32 globalName = 0;
    wl_output *output = nullptr;
    zxdg_output_v1 *xdgOutput = nullptr;
    QString name; // the connector ("HEADLESS-1", "DP-2")
    QString description;
    QRect logical;
    QSize modeSize;
    QPoint position; // wl_output's own, used without xdg-output
    int scale = 1;
};

// Our own connection to the Wayland compositor, beside Qt (which runs on its offscreen plugin
// on the native path). Events are read and dispatched from the Qt event loop when the socket
// is readable; requests are flushed before the loop sleeps. Main thread only.
class WaylandConnection final : public QObject
{
    Q_OBJECT
public:
    // Connects to WAYLAND_DISPLAY and learns the globals and outputs; null with `error` set
    // when there is no compositor to talk to.
    static std::shared_ptr<WaylandConnection> open(QString *error);
    // Whether the compositor of WAYLAND_DISPLAY offers the layer shell, asked over a
    // connection of its own that is closed again at once. False without a compositor.
    static bool offersLayerShell();

    ~WaylandConnection() override;

    wl_display *display() const { return m_display; }
    wl_compositor *compositor() const { return m_compositor; }
    wl_shm *shm() const { return m_shm; }
    zwlr_layer_shell_v1 *layerShell() const { return m_layerShell; }
    // Binds the first global of `interface` at most at `version`; null when not offered.
    void *bind(const wl_interface *interface, quint32 version) const;

    const QList<WaylandOutput *> &outputs() const { return m_outputs; }
    WaylandOutput *outputAt(const QPoint &point) const;
    WaylandOutput *output(wl_output *output) const;

    // The pointer's last known place in the compositor's logical space: the compositor tells
    // it only while the pointer is over one of our surfaces.
    QPointF pointer() const { return m_pointer; }
    bool pointerKnown() const { return m_pointerKnown; }
    void setPointer(const QPointF &global);

    // Sends queued requests now (a panel that must show a change at once).
    void flush();
    // Sends queued requests and waits until the compositor has answered them all.
    bool roundtrip();

    // The registry's events.
    static void global(void *data, wl_registry *registry, quint32 name, const char *interface,
                       quint32 version);
    static void globalRemove(void *data, wl_registry *registry, quint32 name);

signals:
    void outputsChanged();
    void pointerMoved();

private:
    struct Global
    {
        quint32 name;
        QByteArray interface;
        quint32 version;
    };

    WaylandConnection(wl_display *display);
    bool start(QString *error);
    void readEvents();
    void addOutput(quint32 name, quint32 version);
    void watchOutput(WaylandOutput *output);
    void removeGlobal(quint32 name);
    void fail(const char *what);

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_compositor *m_compositor = nullptr;
    wl_shm *m_shm = nullptr;
    zwlr_layer_shell_v1 *m_layerShell = nullptr;
    zxdg_output_manager_v1 *m_xdgOutputs = nullptr;
    QList<Global> m_globals;
    QList<WaylandOutput *> m_outputs;
    QSocketNotifier *m_reader = nullptr;
    QSocketNotifier *m_writer = nullptr;
    QPointF m_pointer;
    bool m_pointerKnown = false;
    bool m_failed = false;

    friend struct WaylandOutputEvents;
};
