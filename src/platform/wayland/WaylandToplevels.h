#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class WaylandConnection;
struct wl_array;
struct wl_seat;
struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

// One window of another app as the compositor names it: no frame, no process.
struct WaylandToplevel
{
    quint32 id = 0;
    QString title;
    QString appId;
    bool activated = false;
    bool minimized = false;
};

// The compositor's list of windows (wlr foreign toplevel management), most recently activated
// first, and the means to activate one.
class WaylandToplevels final : public QObject
{
    Q_OBJECT
public:
    explicit WaylandToplevels(WaylandConnection &connection, QObject *parent = nullptr);
    ~WaylandToplevels() override;

    // Whether the compositor offers the list at all.
    bool available() const { return m_manager != nullptr; }
    QList<WaylandToplevel> toplevels() const;
    std::optional<WaylandToplevel> active() const;
    bool activate(quint32 id, wl_seat *seat);

    // The protocol's events.
    struct Events;

signals:
    // A window came, went, or changed its app id, title or state.
    void changed();

private:
    struct Handle
    {
        zwlr_foreign_toplevel_handle_v1 *handle = nullptr;
        WaylandToplevel shown; // as of the last done event
        WaylandToplevel pending;
    };
    friend struct Events;

    Handle *find(zwlr_foreign_toplevel_handle_v1 *handle);

    WaylandConnection &m_connection;
    zwlr_foreign_toplevel_manager_v1 *m_manager = nullptr;
    QList<Handle *> m_handles; // most recently activated first
    quint32 m_nextId = 1;
};
