#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

class QWidget;
class QWindow;
class WaylandConnection;
class WaylandShmBuffer;
struct WaylandOutput;
struct wl_callback;
struct wl_surface;
struct zwlr_layer_surface_v1;

// One of our panels on the compositor's overlay layer. Qt draws the panel offscreen; this
// mirrors it onto a layer surface anchored at the top-left of the output that holds it, the
// margins placing it at the panel's frame: the surface is made when the panel shows and
// destroyed when it hides, and each repaint is drawn into a free shared-memory buffer and
// committed, at most once a frame of the output. A panel that passes clicks gets an empty
// input region; one cut by a mask takes input only inside it. A panel that switches between
// passing and taking clicks as the pointer moves over it (the menu rail) decides that from
// where the pointer is, which the compositor tells only over our own surfaces: while it passes
// clicks, its painted pixels still take the pointer, so the switch can be made.
class WaylandLayerPanel final : public QObject
{
    Q_OBJECT
public:
    enum class Keyboard { none, exclusive };

    WaylandLayerPanel(WaylandConnection &connection, QWidget *widget);
    ~WaylandLayerPanel() override;

    QWindow *window() const;
    wl_surface *surface() const { return m_surface; }
    bool mapped() const { return m_layer != nullptr; }
    // Takes the keyboard while mapped (the command bar while it is open) or gives it back.
    void setKeyboard(Keyboard keyboard);

    // The layer surface's and the frame callback's events.
    static void configured(void *data, zwlr_layer_surface_v1 *layer, uint32_t serial,
                           uint32_t width, uint32_t height);
    static void closed(void *data, zwlr_layer_surface_v1 *layer);
    static void frameDone(void *data, wl_callback *callback, uint32_t time);

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void map();
    void unmap();
    void place();
    void scheduleDraw();
    void draw();
    WaylandShmBuffer *freeBuffer(QSize size);
    // Whether the panel switches between passing and taking clicks.
    bool switches() const;
    // True when the input region changed.
    bool applyInputRegion();

    WaylandConnection &m_connection;
    QPointer<QWidget> m_widget;
    wl_surface *m_surface = nullptr;
    zwlr_layer_surface_v1 *m_layer = nullptr;
    wl_callback *m_frame = nullptr;
    WaylandOutput *m_output = nullptr;
    std::vector<std::unique_ptr<WaylandShmBuffer>> m_buffers;
    Keyboard m_keyboard = Keyboard::none;
    bool m_configured = false;
    bool m_dirty = false;
    bool m_drawQueued = false;
    // What the input region was last set to: nothing yet, the whole surface, or a region.
    enum class Input { unset, whole, region } m_input = Input::unset;
    QRegion m_inputRegion;
    // The painted pixels of a panel that switches, which take the pointer while it passes clicks.
    QRegion m_painted;
    QTimer m_inputWatch;
};
