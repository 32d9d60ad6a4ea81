#include "platform/wayland/WaylandLayerPanel.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandShmBuffer.h"

#include <wayland-client.h>
// The protocol names an argument "namespace", a keyword here.
#define namespace layerNamespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

#include <QBitmap>
#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include <wayland-client.h>

namespace {

const zwlr_layer_surface_v1_listener kLayerListener{&WaylandLayerPanel::configured,
                                                    &WaylandLayerPanel::closed};
const wl_callback_listener kFrameListener{&WaylandLayerPanel::frameDone};

// Three buffers: one shown, one the compositor may still read, one to draw the next frame in.
constexpr size_t kMaxBuffers = 3;
// How often a panel that switches between passing and taking clicks is looked at: the window
// system is not told when a window's flags change.
constexpr int kInputWatchMs = 50;

} // namespace

WaylandLayerPanel::WaylandLayerPanel(WaylandConnection &connection, QWidget *widget)
    : QObject(widget)
    , m_connection(connection)
    , m_widget(widget)
{
    widget->installEventFilter(this);
    if (QWindow *w = widget->windowHandle()) {
        w->installEventFilter(this);
        connect(w, &QWindow::opacityChanged, this, &WaylandLayerPanel::scheduleDraw);
    }
    m_inputWatch.setInterval(kInputWatchMs);
    connect(&m_inputWatch, &QTimer::timeout, this, [this] {
        if (m_configured && m_surface && applyInputRegion()) {
            wl_surface_commit(m_surface);
            m_connection.flush();
        }
    });
    if (widget->isVisible())
        map();
}

WaylandLayerPanel::~WaylandLayerPanel()
{
    unmap();
}

QWindow *WaylandLayerPanel::window() const
{
    return m_widget ? m_widget->windowHandle() : nullptr;
}

void WaylandLayerPanel::setKeyboard(Keyboard keyboard)
{
    if (keyboard == m_keyboard)
        return;
    m_keyboard = keyboard;
    if (!m_layer)
        return;
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        m_layer,
        keyboard == Keyboard::exclusive ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                                        : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wl_surface_commit(m_surface);
    m_connection.flush();
}

bool WaylandLayerPanel::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (watched == m_widget)
            map();
        break;
    case QEvent::Hide:
        if (watched == m_widget)
            unmap();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (watched == m_widget && m_layer)
            place();
        break;
    case QEvent::Expose:
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
        // Qt paints into its backing store while this event is handled; the mirror draws
        // once it has.
        scheduleDraw();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void WaylandLayerPanel::map()
{
    if (m_layer || !m_widget || !m_connection.layerShell())
        return;
    const QRect frame = m_widget->geometry();
    m_output = m_connection.outputAt(frame.topLeft());
    m_surface = wl_compositor_create_surface(m_connection.compositor());
    m_layer = zwlr_layer_shell_v1_get_layer_surface(m_connection.layerShell(), m_surface,
                                                    m_output ? m_output->output : nullptr,
                                                    ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "kaidro");
    zwlr_layer_surface_v1_add_listener(m_layer, &kLayerListener, this);
    zwlr_layer_surface_v1_set_anchor(
        m_layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
    // Other layer surfaces' exclusive zones do not push the panels: their frames are exact.
    zwlr_layer_surface_v1_set_exclusive_zone(m_layer, -1);
    if (m_keyboard == Keyboard::exclusive)
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            m_layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    m_configured = false;
    m_input = Input::unset;
    if (switches())
        m_inputWatch.start();
    place();
}

void WaylandLayerPanel::unmap()
{
    m_inputWatch.stop();
    if (m_frame) {
        wl_callback_destroy(m_frame);
        m_frame = nullptr;
    }
    if (m_layer) {
        zwlr_layer_surface_v1_destroy(m_layer);
        m_layer = nullptr;
    }
    if (m_surface) {
        wl_surface_destroy(m_surface);
        m_surface = nullptr;
    }
    m_buffers.clear();
    m_configured = false;
    // The keyboard is given back with the surface; the next showing asks again.
    m_keyboard = Keyboard::none;
    m_connection.flush();
}

void WaylandLayerPanel::place()
{
    const QRect frame = m_widget->geometry();
    WaylandOutput *output = m_connection.outputAt(frame.topLeft());
    if (output != m_output) {
        // A layer surface stays on the output it was made for.
        unmap();
        map();
        return;
    }
    const QPoint origin = output ? output->logical.topLeft() : QPoint();
    const QPoint margin = frame.topLeft() - origin;
    zwlr_layer_surface_v1_set_size(m_layer, uint32_t(std::max(1, frame.width())),
                                   uint32_t(std::max(1, frame.height())));
    zwlr_layer_surface_v1_set_margin(m_layer, margin.y(), 0, 0, margin.x());
    if (!m_configured) {
        // The first commit carries no buffer: the compositor answers with a configure.
        wl_surface_commit(m_surface);
        m_connection.flush();
        return;
    }
    m_dirty = true;
    draw();
}

void WaylandLayerPanel::scheduleDraw()
{
    m_dirty = true;
    if (m_drawQueued)
        return;
    m_drawQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_drawQueued = false;
            draw();
        },
        Qt::QueuedConnection);
}

WaylandShmBuffer *WaylandLayerPanel::freeBuffer(QSize size)
{
    std::erase_if(m_buffers, [size](const auto &b) { return !b->busy() && b->size() != size; });
    for (const auto &b : m_buffers) {
        if (!b->busy() && b->size() == size)
            return b.get();
    }
    if (m_buffers.size() >= kMaxBuffers)
        return nullptr;
    auto made = WaylandShmBuffer::create(m_connection.shm(), size);
    if (!made)
        return nullptr;
    m_buffers.push_back(std::move(made));
    return m_buffers.back().get();
}

void WaylandLayerPanel::draw()
{
    // Waits for the configure, and for the compositor to show the last frame.
    if (!m_dirty || !m_configured || m_frame || !m_widget || !m_layer)
        return;
    const QSize size = m_widget->size();
    WaylandShmBuffer *buffer = freeBuffer(size);
    if (!buffer)
        return;
    m_dirty = false;
    QImage &image = buffer->image();
    image.fill(Qt::transparent);
    m_widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const double opacity = m_widget->windowOpacity();
    if (opacity < 1.0) {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillRect(image.rect(), QColor(0, 0, 0, qRound(opacity * 255)));
    }
    if (switches()) {
        m_painted = QRegion(
            QBitmap::fromImage(image.createAlphaMask(Qt::MonoOnly | Qt::ThresholdAlphaDither)));
        m_input = Input::unset;
    }
    applyInputRegion();
    wl_surface_attach(m_surface, buffer->buffer(), 0, 0);
    wl_surface_damage_buffer(m_surface, 0, 0, size.width(), size.height());
    m_frame = wl_surface_frame(m_surface);
    wl_callback_add_listener(m_frame, &kFrameListener, this);
    wl_surface_commit(m_surface);
    buffer->setBusy();
    m_connection.flush();
}

bool WaylandLayerPanel::switches() const
{
    const QWindow *w = window();
    return w && w->flags().testFlag(Qt::X11BypassWindowManagerHint);
}

bool WaylandLayerPanel::applyInputRegion()
{
    QWindow *w = window();
    const bool passes = w && w->flags().testFlag(Qt::WindowTransparentForInput);
    const QRegion mask = passes ? (switches() ? m_painted : QRegion()) : m_widget->mask();
    const Input wanted = passes || !mask.isEmpty() ? Input::region : Input::whole;
    if (wanted == m_input && (wanted == Input::whole || mask == m_inputRegion))
        return false;
    m_input = wanted;
    m_inputRegion = mask;
    if (wanted == Input::whole) {
        wl_surface_set_input_region(m_surface, nullptr);
        return true;
    }
    wl_region *region = wl_compositor_create_region(m_connection.compositor());
    for (const QRect &r : mask)
        wl_region_add(region, r.x(), r.y(), r.width(), r.height());
    wl_surface_set_input_region(m_surface, region);
    wl_region_destroy(region);
    return true;
}

void WaylandLayerPanel::configured(void *data, zwlr_layer_surface_v1 *layer, uint32_t serial,
                                   uint32_t, uint32_t)
{
    auto *self = static_cast<WaylandLayerPanel *>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    self->m_configured = true;
    self->m_dirty = true;
    self->draw();
}

void WaylandLayerPanel::closed(void *data, zwlr_layer_surface_v1 *)
{
    // Its output went away: made again on the output that holds the frame now.
    auto *self = static_cast<WaylandLayerPanel *>(data);
    QMetaObject::invokeMethod(
        self,
        [self] {
            self->unmap();
            if (self->m_widget && self->m_widget->isVisible())
                self->map();
        },
        Qt::QueuedConnection);
}

void WaylandLayerPanel::frameDone(void *data, wl_callback *callback, uint32_t)
{
    auto *self = static_cast<WaylandLayerPanel *>(data);
    wl_callback_destroy(callback);
    self->m_frame = nullptr;
    self->draw();
}
