// Where our panels sit in the desktop's stacking order, and what is drawn into them apart from
// the toolkit.
#include "platform/linux/X11WindowSprites.h"
#include "platform/linux/X11WindowSystem.h"

#include <xcb/xcb.h>

#include <cstdlib>

bool X11WindowSystem::onTopInOrder(const QList<quintptr> &bottomToTop) const
{
    if (!m_connection || !m_root || bottomToTop.isEmpty())
        return false;
    // Windows stay in their order until the root reports one mapped, moved, restacked or gone.
    if (m_watchingRoot && m_onTop.generation == m_generation && m_onTop.windows == bottomToTop)
        return true;
    m_onTop = {};
    xcb_query_tree_reply_t *tree
        = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr);
    if (!tree)
        return false;
    // The root's children run bottom to top.
    const xcb_window_t *children = xcb_query_tree_children(tree);
    const QList<xcb_window_t> stack(children, children + xcb_query_tree_children_length(tree));
    std::free(tree);
    qsizetype previous = -1;
    for (const quintptr w : bottomToTop) {
        const qsizetype at = stack.indexOf(xcb_window_t(w));
        if (at <= previous)
            return false;
        previous = at;
    }
    // Between and above ours, only windows that are not shown.
    const qsizetype lowest = stack.indexOf(xcb_window_t(bottomToTop.first()));
    QList<xcb_get_window_attributes_cookie_t> cookies;
    for (qsizetype i = lowest + 1; i < stack.size(); ++i) {
        if (!bottomToTop.contains(quintptr(stack.at(i))))
            cookies << xcb_get_window_attributes(m_connection, stack.at(i));
    }
    bool covered = false;
    for (const xcb_get_window_attributes_cookie_t cookie : std::as_const(cookies)) {
        xcb_generic_error_t *error = nullptr;
        xcb_get_window_attributes_reply_t *attributes
            = xcb_get_window_attributes_reply(m_connection, cookie, &error);
        std::free(error);
        covered = covered || (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE);
        std::free(attributes);
    }
    if (!covered)
        m_onTop = {bottomToTop, m_generation};
    return !covered;
}

void X11WindowSystem::stackUnder(quintptr windowId, quintptr ceilingId)
{
    listChanged();
    if (!m_connection || !m_root || !windowId || !ceilingId)
        return;
    // Climb to the child of the root that holds the ceiling: a managed window sits in a frame.
    xcb_window_t top = xcb_window_t(ceilingId);
    for (int depth = 0; depth < 8; ++depth) {
        xcb_query_tree_reply_t *tree
            = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, top), nullptr);
        if (!tree)
            return;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == m_root || parent == XCB_WINDOW_NONE)
            break;
        top = parent;
    }
    const uint32_t values[] = {top, XCB_STACK_MODE_BELOW};
    xcb_configure_window(m_connection, xcb_window_t(windowId),
                         XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    xcb_flush(m_connection);
}

std::unique_ptr<WindowSprites> X11WindowSystem::sprites(quintptr windowId) const
{
    return X11WindowSprites::create(m_connection, quint32(windowId));
}
