#include "platform/wayland/WaylandConnection.h"

#include <wayland-client.h>
// The protocol names an argument "namespace", a keyword here.
#define namespace layerNamespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "xdg-output-unstable-v1-client-protocol.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <cerrno>
#include <cstring>

Q_LOGGING_CATEGORY(lcWaylandClient, "kaidro.platform.wayland", QtInfoMsg)

struct WaylandOutputEvents
{
    static WaylandConnection *owner(void *data) { return static_cast<WaylandConnection *>(data); }
    static WaylandOutput *find(WaylandConnection *c, wl_output *o) { return c->output(o); }

    static void geometry(void *data, wl_output *o, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                         const char *, const char *, int32_t)
    {
        if (WaylandOutput *out = find(owner(data), o))
            out->position = QPoint(x, y);
    }
    static void mode(void *data, wl_output *o, uint32_t flags, int32_t w, int32_t h, int32_t)
    {
        WaylandOutput *out = find(owner(data), o);
        if (out && (flags & WL_OUTPUT_MODE_CURRENT))
            out->modeSize = QSize(w, h);
    }
    static void done(void *data, wl_output *)
    {
        WaylandConnection *c = owner(data);
        // Without xdg-output the logical place is the mode over the scale.
        for (WaylandOutput *out : c->m_outputs) {
            if (!out->xdgOutput && out->modeSize.isValid())
                out->logical = QRect(out->position, out->modeSize / std::max(1, out->scale));
        }
        emit c->outputsChanged();
    }
    static void scale(void *data, wl_output *o, int32_t factor)
    {
        if (WaylandOutput *out = find(owner(data), o))
            out->scale = std::max(1, factor);
    }
    static void name(void *data, wl_output *o, const char *name)
    {
        if (WaylandOutput *out = find(owner(data), o))
            out->name = QString::fromUtf8(name);
    }
    static void description(void *data, wl_output *o, const char *text)
    {
        if (WaylandOutput *out = find(owner(data), o))
            out->description = QString::fromUtf8(text);
    }

    static WaylandOutput *ofXdg(void *data, zxdg_output_v1 *x)
    {
        for (WaylandOutput *out : owner(data)->m_outputs) {
            if (out->xdgOutput == x)
                return out;
        }
        return nullptr;
    }
    static void xdgPosition(void *data, zxdg_output_v1 *x, int32_t px, int32_t py)
    {
        if (WaylandOutput *out = ofXdg(data, x))
            out->logical.moveTopLeft(QPoint(px, py));
    }
    static void xdgSize(void *data, zxdg_output_v1 *x, int32_t w, int32_t h)
    {
        if (WaylandOutput *out = ofXdg(data, x))
            out->logical.setSize(QSize(w, h));
    }
    static void xdgDone(void *, zxdg_output_v1 *) { }
    static void xdgName(void *data, zxdg_output_v1 *x, const char *name)
    {
        if (WaylandOutput *out = ofXdg(data, x); out && out->name.isEmpty())
            out->name = QString::fromUtf8(name);
    }
    static void xdgDescription(void *, zxdg_output_v1 *, const char *) { }
};

namespace {

const wl_output_listener kOutputListener{
    WaylandOutputEvents::geometry, WaylandOutputEvents::mode, WaylandOutputEvents::done,
    WaylandOutputEvents::scale,    WaylandOutputEvents::name, WaylandOutputEvents::description,
};
const zxdg_output_v1_listener kXdgOutputListener{
    WaylandOutputEvents::xdgPosition,    WaylandOutputEvents::xdgSize,
    WaylandOutputEvents::xdgDone,        WaylandOutputEvents::xdgName,
    WaylandOutputEvents::xdgDescription,
};
const wl_registry_listener kRegistryListener{&WaylandConnection::global,
                                             &WaylandConnection::globalRemove};

void noteLayerShell(void *data, wl_registry *, quint32, const char *interface, quint32)
{
    if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0)
        *static_cast<bool *>(data) = true;
}
void ignoreRemove(void *, wl_registry *, quint32)
{ }

} // namespace

bool WaylandConnection::offersLayerShell()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return false;
    bool offered = false;
    const wl_registry_listener listener{noteLayerShell, ignoreRemove};
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &offered);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return offered;
}

std::shared_ptr<WaylandConnection> WaylandConnection::open(QString *error)
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        *error = QStringLiteral("cannot connect to the Wayland compositor (%1)")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    std::shared_ptr<WaylandConnection> connection(new WaylandConnection(display));
    if (!connection->start(error))
        return nullptr;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display *display)
    : m_display(display)
{ }

WaylandConnection::~WaylandConnection()
{
    // What was made on this connection goes while it is still open.
    qDeleteAll(findChildren<QObject *>(Qt::FindDirectChildrenOnly));
    for (WaylandOutput *out : std::as_const(m_outputs)) {
        if (out->xdgOutput)
            zxdg_output_v1_destroy(out->xdgOutput);
        wl_output_destroy(out->output);
        delete out;
    }
    if (m_xdgOutputs)
        zxdg_output_manager_v1_destroy(m_xdgOutputs);
    if (m_layerShell)
        zwlr_layer_shell_v1_destroy(m_layerShell);
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_compositor)
        wl_compositor_destroy(m_compositor);
    if (m_registry)
        wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

bool WaylandConnection::start(QString *error)
{
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &kRegistryListener, this);
    // The globals, then what each output says of itself.
    if (wl_display_roundtrip(m_display) < 0 || wl_display_roundtrip(m_display) < 0) {
        *error = QStringLiteral("the Wayland compositor did not answer");
        return false;
    }
    if (!m_compositor || !m_shm) {
        *error = QStringLiteral("the Wayland compositor offers no surfaces to draw on");
        return false;
    }
    m_reader = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read, this);
    connect(m_reader, &QSocketNotifier::activated, this, &WaylandConnection::readEvents);
    m_writer = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Write, this);
    m_writer->setEnabled(false);
    connect(m_writer, &QSocketNotifier::activated, this, &WaylandConnection::flush);
    // Requests made during a turn of the event loop go out before it sleeps, and events another
    // wait read into the queue are handled.
    if (QAbstractEventDispatcher *loop = QAbstractEventDispatcher::instance())
        connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (!m_failed) {
                wl_display_dispatch_pending(m_display);
                flush();
            }
        });
    return true;
}

void WaylandConnection::global(void *data, wl_registry *registry, quint32 name,
                               const char *interface, quint32 version)
{
    auto *self = static_cast<WaylandConnection *>(data);
    self->m_globals.append({name, QByteArray(interface), version});
    const auto is
        = [interface](const wl_interface &i) { return std::strcmp(interface, i.name) == 0; };
    if (is(wl_compositor_interface) && !self->m_compositor) {
        self->m_compositor = static_cast<wl_compositor *>(
            wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
    } else if (is(wl_shm_interface) && !self->m_shm) {
        self->m_shm = static_cast<wl_shm *>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (is(zwlr_layer_shell_v1_interface) && !self->m_layerShell) {
        self->m_layerShell = static_cast<zwlr_layer_shell_v1 *>(wl_registry_bind(
            registry, name, &zwlr_layer_shell_v1_interface, std::min(version, 4u)));
    } else if (is(zxdg_output_manager_v1_interface) && !self->m_xdgOutputs) {
        self->m_xdgOutputs = static_cast<zxdg_output_manager_v1 *>(wl_registry_bind(
            registry, name, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
        for (WaylandOutput *out : std::as_const(self->m_outputs))
            self->watchOutput(out);
    } else if (is(wl_output_interface)) {
        self->addOutput(name, version);
    }
}

void WaylandConnection::globalRemove(void *data, wl_registry *, quint32 name)
{
    static_cast<WaylandConnection *>(data)->removeGlobal(name);
}

void WaylandConnection::addOutput(quint32 name, quint32 version)
{
    auto *out = new WaylandOutput;
    out->globalName = name;
    out->output = static_cast<wl_output *>(
        wl_registry_bind(m_registry, name, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(out->output, &kOutputListener, this);
    m_outputs.append(out);
    watchOutput(out);
}

void WaylandConnection::watchOutput(WaylandOutput *out)
{
    if (!m_xdgOutputs || out->xdgOutput)
        return;
    out->xdgOutput = zxdg_output_manager_v1_get_xdg_output(m_xdgOutputs, out->output);
    zxdg_output_v1_add_listener(out->xdgOutput, &kXdgOutputListener, this);
}

void WaylandConnection::removeGlobal(quint32 name)
{
    m_globals.removeIf([name](const Global &g) { return g.name == name; });
    for (qsizetype i = 0; i < m_outputs.size(); ++i) {
        WaylandOutput *out = m_outputs.at(i);
        if (out->globalName != name)
            continue;
        m_outputs.removeAt(i);
        if (out->xdgOutput)
            zxdg_output_v1_destroy(out->xdgOutput);
        wl_output_destroy(out->output);
        delete out;
        emit outputsChanged();
        return;
    }
}

void *WaylandConnection::bind(const wl_interface *interface, quint32 version) const
{
    for (const Global &g : m_globals) {
        if (g.interface == interface->name)
            return wl_registry_bind(m_registry, g.name, interface, std::min(version, g.version));
    }
    return nullptr;
}

WaylandOutput *WaylandConnection::outputAt(const QPoint &point) const
{
    for (WaylandOutput *out : m_outputs) {
        if (out->logical.contains(point))
            return out;
    }
    return m_outputs.value(0);
}

WaylandOutput *WaylandConnection::output(wl_output *output) const
{
    for (WaylandOutput *out : m_outputs) {
        if (out->output == output)
            return out;
    }
    return nullptr;
}

void WaylandConnection::setPointer(const QPointF &global)
{
    if (global == m_pointer && m_pointerKnown)
        return;
    m_pointer = global;
    m_pointerKnown = true;
    emit pointerMoved();
}

void WaylandConnection::readEvents()
{
    if (m_failed)
        return;
    while (wl_display_prepare_read(m_display) != 0)
        wl_display_dispatch_pending(m_display);
    if (wl_display_read_events(m_display) < 0) {
        fail("reading events");
        return;
    }
    if (wl_display_dispatch_pending(m_display) < 0)
        fail("handling events");
}

void WaylandConnection::flush()
{
    if (m_failed)
        return;
    if (wl_display_flush(m_display) >= 0) {
        m_writer->setEnabled(false);
        return;
    }
    // The socket is full: the rest goes when the compositor has read some.
    if (errno == EAGAIN)
        m_writer->setEnabled(true);
    else
        fail("sending requests");
}

bool WaylandConnection::roundtrip()
{
    if (m_failed || wl_display_roundtrip(m_display) < 0) {
        fail("waiting for the compositor");
        return false;
    }
    return true;
}

void WaylandConnection::fail(const char *what)
{
    if (m_failed)
        return;
    m_failed = true;
    if (m_reader) {
        m_reader->setEnabled(false);
        m_writer->setEnabled(false);
    }
    const int code = wl_display_get_error(m_display);
    qCWarning(lcWaylandClient) << "lost the Wayland compositor while" << what << "(error" << code
                               << ")";
    // Without the compositor there is nothing to draw on: the program ends as it would with
    // its X server gone.
    QCoreApplication::exit(1);
}
