// Whether a compositing manager runs, told by XFixes as it comes and goes, sending what the
// toolkit has drawn without waiting for its event loop, and where a window takes the pointer.
#include "platform/linux/X11Clients.h"
#include "platform/linux/X11WindowSystem.h"

#include <QRect>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>

void X11WindowSystem::watchCompositor()
{
    // A compositing manager owns the _NET_WM_CM_S0 selection while it runs. Panels ask at every
    // fade and every resize; XFixes reports each change of owner, so they are answered without
    // a round trip. The reports go to a window of our own: Qt watches selections on its own.
    const xcb_query_extension_reply_t *xfixes
        = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    const xcb_atom_t selection = m_clients->atom("_NET_WM_CM_S0");
    if (!xfixes || !xfixes->present || selection == XCB_ATOM_NONE)
        return;
    // The version this connection speaks: asking for less than Qt did would refuse its requests.
    xcb_xfixes_query_version_reply_t *version = xcb_xfixes_query_version_reply(
        m_connection,
        xcb_xfixes_query_version(m_connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr);
    const bool usable = version && version->major_version >= 1;
    m_xfixesRegions = version && version->major_version >= 2;
    std::free(version);
    if (!usable)
        return;
    m_selectionNotify = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    m_compositorWatch = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_compositorWatch, m_root, -1, -1, 1, 1,
                      0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_xfixes_select_selection_input(m_connection, m_compositorWatch, selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // Read once after asking for the reports, so no change falls between the two.
    m_compositing = compositorOwnsSelection();
}

void X11WindowSystem::flush()
{
    // Qt leaves a repaint's last requests in the connection's buffer until its event loop next
    // reads from the server.
    if (m_connection)
        xcb_flush(m_connection);
}

bool X11WindowSystem::cutInput(quintptr windowId, const QRect &rect)
{
    if (!m_connection || !m_xfixesRegions)
        return false;
    if (!m_inputShapes) {
        // Input shapes came with SHAPE 1.1; XFixes sets them from a region in one request.
        static constexpr char shape[] = "SHAPE";
        xcb_query_extension_reply_t *present = xcb_query_extension_reply(
            m_connection, xcb_query_extension(m_connection, sizeof shape - 1, shape), nullptr);
        m_inputShapes = present && present->present;
        std::free(present);
    }
    if (!*m_inputShapes)
        return false;
    const xcb_rectangle_t cut{int16_t(rect.x()), int16_t(rect.y()), uint16_t(rect.width()),
                              uint16_t(rect.height())};
    const xcb_xfixes_region_t region = xcb_generate_id(m_connection);
    xcb_xfixes_create_region(m_connection, region, rect.isEmpty() ? 0 : 1, &cut);
    xcb_xfixes_set_window_shape_region(m_connection, xcb_window_t(windowId), XCB_SHAPE_SK_INPUT, 0,
                                       0, region);
    xcb_xfixes_destroy_region(m_connection, region);
    return true;
}

bool X11WindowSystem::compositing() const
{
    if (m_compositorWatch)
        return m_compositing;
    return compositorOwnsSelection();
}

bool X11WindowSystem::compositorOwnsSelection() const
{
    if (!m_connection)
        return false;
    const xcb_atom_t selection = m_clients->atom("_NET_WM_CM_S0");
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, selection), nullptr);
    if (!reply)
        return false;
    const bool owned = reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}
