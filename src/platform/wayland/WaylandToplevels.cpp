#include "platform/wayland/WaylandToplevels.h"

#include "platform/wayland/WaylandConnection.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

struct WaylandToplevels::Events
{
    static WaylandToplevels *self(void *data) { return static_cast<WaylandToplevels *>(data); }

    static void toplevel(void *data, zwlr_foreign_toplevel_manager_v1 *,
                         zwlr_foreign_toplevel_handle_v1 *handle);
    static void finished(void *data, zwlr_foreign_toplevel_manager_v1 *manager)
    {
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        self(data)->m_manager = nullptr;
    }

    static void title(void *data, zwlr_foreign_toplevel_handle_v1 *h, const char *title)
    {
        if (Handle *t = self(data)->find(h))
            t->pending.title = QString::fromUtf8(title);
    }
    static void appId(void *data, zwlr_foreign_toplevel_handle_v1 *h, const char *appId)
    {
        if (Handle *t = self(data)->find(h))
            t->pending.appId = QString::fromUtf8(appId);
    }
    static void outputEnter(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) { }
    static void outputLeave(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) { }
    static void state(void *data, zwlr_foreign_toplevel_handle_v1 *h, wl_array *states)
    {
        Handle *t = self(data)->find(h);
        if (!t)
            return;
        t->pending.activated = false;
        t->pending.minimized = false;
        const auto *begin = static_cast<const uint32_t *>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
            if (begin[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
                t->pending.activated = true;
            else if (begin[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED)
                t->pending.minimized = true;
        }
    }
    static void done(void *data, zwlr_foreign_toplevel_handle_v1 *h)
    {
        WaylandToplevels *owner = self(data);
        Handle *t = owner->find(h);
        if (!t)
            return;
        const bool nowActive = t->pending.activated && !t->shown.activated;
        t->shown = t->pending;
        if (nowActive) {
            owner->m_handles.removeOne(t);
            owner->m_handles.prepend(t);
        }
        emit owner->changed();
    }
    static void closed(void *data, zwlr_foreign_toplevel_handle_v1 *h)
    {
        WaylandToplevels *owner = self(data);
        Handle *t = owner->find(h);
        if (!t)
            return;
        owner->m_handles.removeOne(t);
        zwlr_foreign_toplevel_handle_v1_destroy(h);
        delete t;
        emit owner->changed();
    }
    static void parent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *)
    { }
};

namespace {
const zwlr_foreign_toplevel_manager_v1_listener kManagerListener{
    WaylandToplevels::Events::toplevel, WaylandToplevels::Events::finished};
const zwlr_foreign_toplevel_handle_v1_listener kHandleListener{
    WaylandToplevels::Events::title,       WaylandToplevels::Events::appId,
    WaylandToplevels::Events::outputEnter, WaylandToplevels::Events::outputLeave,
    WaylandToplevels::Events::state,       WaylandToplevels::Events::done,
    WaylandToplevels::Events::closed,      WaylandToplevels::Events::parent,
};
} // namespace

void WaylandToplevels::Events::toplevel(void *data, zwlr_foreign_toplevel_manager_v1 *,
                                        zwlr_foreign_toplevel_handle_v1 *handle)
{
    WaylandToplevels *owner = self(data);
    auto *t = new Handle;
    t->handle = handle;
    t->pending.id = owner->m_nextId++;
    // A new window goes behind the others until the compositor says it is active.
    owner->m_handles.append(t);
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, owner);
}

WaylandToplevels::WaylandToplevels(WaylandConnection &connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    m_manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
        connection.bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (!m_manager)
        return;
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &kManagerListener, this);
    // The windows open now, before anyone asks.
    connection.roundtrip();
}

WaylandToplevels::~WaylandToplevels()
{
    for (Handle *t : std::as_const(m_handles)) {
        zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
        delete t;
    }
    if (m_manager) {
        zwlr_foreign_toplevel_manager_v1_stop(m_manager);
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    }
    m_connection.flush();
}

WaylandToplevels::Handle *WaylandToplevels::find(zwlr_foreign_toplevel_handle_v1 *handle)
{
    for (Handle *t : std::as_const(m_handles)) {
        if (t->handle == handle)
            return t;
    }
    return nullptr;
}

QList<WaylandToplevel> WaylandToplevels::toplevels() const
{
    QList<WaylandToplevel> out;
    for (const Handle *t : m_handles) {
        // Announced but not yet described.
        if (t->shown.id != 0)
            out << t->shown;
    }
    return out;
}

std::optional<WaylandToplevel> WaylandToplevels::active() const
{
    for (const Handle *t : m_handles) {
        if (t->shown.id != 0 && t->shown.activated)
            return t->shown;
    }
    return std::nullopt;
}

bool WaylandToplevels::activate(quint32 id, wl_seat *seat)
{
    if (!seat)
        return false;
    for (const Handle *t : std::as_const(m_handles)) {
        if (t->shown.id == id) {
            zwlr_foreign_toplevel_handle_v1_activate(t->handle, seat);
            m_connection.flush();
            return true;
        }
    }
    return false;
}
