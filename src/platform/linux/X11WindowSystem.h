#pragma once

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QHash>
#include <QMargins>

#include "platform/WindowSystem.h"

#include <memory>

class X11Clients;

// The X11 window system, through the connection Qt opened. Trust needs an X11 session (not
// Wayland), a window manager that announces EWMH, and the XTEST extension.
class X11WindowSystem final : public WindowSystem, private QAbstractNativeEventFilter
{
public:
    X11WindowSystem();
    ~X11WindowSystem() override;
    bool trusted() const override;
    bool compositing() const override;
    Qt::WindowFlags panelWindowFlags(PanelRole role) const override;
    void preparePanel(quintptr windowId) const override;
    std::optional<QList<WindowInfo>> windowList() const override;
    QList<quint32> standardWindows(pid_t pid) const override;
    std::optional<quint32> focusedWindow(pid_t pid) const override;
    std::optional<QRectF> windowFrame(quint32 window) const override;
    bool setWindowFrame(quint32 window, const QRectF &frame) override;
    bool raiseWindow(quint32 window) override;
    bool sendPasteKeystroke() override;
    bool activateOwnWindow(quintptr windowId) override;
    void stackUnder(quintptr windowId, quintptr ceilingId) override;
    bool onTopInOrder(const QList<quintptr> &bottomToTop) const override;
    std::unique_ptr<WindowSprites> sprites(quintptr windowId) const override;
    std::unique_ptr<WindowCanvas> canvas(quintptr windowId) const override;
    void flush() override;
    bool cutInput(quintptr windowId, const QRect &rect) override;

    // Whether the environment names a Wayland session, where X11 clients cannot see or move
    // other apps' windows.
    static bool isWaylandSession();

private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    void watchCompositor();
    bool compositorOwnsSelection() const;
    // Something that may change the window list happened: it is read again at the next ask.
    void listChanged() { ++m_generation; }

    struct CachedClient
    {
        WindowInfo info; // everything but the bounds
        QMargins extents;
        bool hidden = false;
        bool shown = true; // on the current desktop when read
        qint64 readAt = 0;
    };

    struct xcb_connection_t *m_connection = nullptr;
    unsigned int m_root = 0;
    std::unique_ptr<X11Clients> m_clients;
    // The window list runs every pointer poll; a window's properties other than its place and
    // mapping are read again at most once a second.
    mutable QHash<quint32, CachedClient> m_cache;
    mutable QElapsedTimer m_cacheClock;
    // The last list, kept while the root reports no window mapped, moved, restacked or gone
    // (a resting pointer asks for it every second) and for a few seconds at most, for what the
    // root does not report, such as a window's opacity.
    bool m_watchingRoot = false;
    bool m_swallowRootEvents = false;
    quint64 m_generation = 0;
    // The windows last found on top in their order, while nothing was reported since.
    struct OnTop
    {
        QList<quintptr> windows;
        quint64 generation = 0;
    };
    mutable OnTop m_onTop;
    // The window XFixes tells of the compositing manager's comings and goings, and what it told.
    unsigned int m_compositorWatch = 0;
    int m_selectionNotify = -1;
    bool m_compositing = false;
    // Whether windows take input shapes (XFixes regions and SHAPE 1.1), asked at the first cut.
    bool m_xfixesRegions = false;
    std::optional<bool> m_inputShapes;
    mutable std::optional<QList<WindowInfo>> m_list;
    mutable quint64 m_listGeneration = 0;
    mutable qint64 m_listAt = 0;
    // A connection of our own for reading the server time: waiting for an event on Qt's
    // connection would take events from Qt.
    struct xcb_connection_t *m_timeConnection = nullptr;
    unsigned int m_timeWindow = 0;
    unsigned int m_timeAtom = 0;
    unsigned int serverTime();
};
