#pragma once

#include "platform/WindowSystem.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QWindow;
class WaylandConnection;
class WaylandInput;
class WaylandLayerPanel;
class SwayIpc;
class WaylandToplevels;

// The window system of a Wayland compositor that offers the layer shell. Our panels are layer
// surfaces on its overlay layer (Qt draws them offscreen; see WaylandLayerPanel) and get the
// seat's pointer and keyboard through WaylandInput. Other apps' windows come from the
// compositor's window list where it offers one: it names the active window but tells no frames,
// so the window list holds the active window alone, without bounds. Moving windows and
// synthetic keys need more than the protocols give: untrusted.
class WaylandWindowSystem final : public QObject, public WindowSystem
{
    Q_OBJECT
public:
    // `pidOf` names the app of a window's app id (the workspace's numbering).
    // `sway` null: no compositor IPC, so other apps' windows have no frames and are not moved.
    WaylandWindowSystem(std::shared_ptr<WaylandConnection> connection, WaylandToplevels &toplevels,
                        std::function<pid_t(const QString &)> pidOf,
                        std::unique_ptr<SwayIpc> sway = nullptr);
    ~WaylandWindowSystem() override;

    WaylandInput &input() const { return *m_input; }

    // Other apps' windows can be moved where the compositor's IPC answers.
    bool trusted() const override;
    bool compositing() const override { return true; }
    Qt::WindowFlags panelWindowFlags(PanelRole role) const override;
    void preparePanel(quintptr windowId) const override;
    std::optional<QList<WindowInfo>> windowList() const override;
    QList<quint32> standardWindows(pid_t pid) const override;
    std::optional<quint32> focusedWindow(pid_t pid) const override;
    std::optional<QRectF> windowFrame(quint32 window) const override;
    bool setWindowFrame(quint32 window, const QRectF &frame) override;
    bool raiseWindow(quint32 window) override;
    bool sendPasteKeystroke() override { return false; }
    bool activateOwnWindow(quintptr windowId) override;
    void stackUnder(quintptr windowId, quintptr ceilingId) override;
    bool onTopInOrder(const QList<quintptr> &bottomToTop) const override;
    void flush() override;

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    WaylandLayerPanel *panel(quintptr windowId) const;
    QWindow *windowOf(struct wl_surface *surface) const;
    // The compositor's container for one of the list's windows: the one window of sway's tree
    // with the same app id and title; none when there is no IPC or the match is not unique.
    std::optional<qint64> containerOf(quint32 window) const;

    std::shared_ptr<WaylandConnection> m_connection;
    WaylandToplevels &m_toplevels;
    std::function<pid_t(const QString &)> m_pidOf;
    std::unique_ptr<WaylandInput> m_input;
    std::unique_ptr<SwayIpc> m_sway;
    // Each panel's mirror lives as the panel's child; the map is cleaned as they go.
    mutable QHash<quintptr, QPointer<WaylandLayerPanel>> m_panels;
    // The window we gave the keyboard to, and one whose activation a newly shown panel took.
    QPointer<QWindow> m_keyHolder;
    QPointer<QWindow> m_restore;
};
