#include "hud/FollowingReadouts.h"

#include "hud/HUDLayout.h"
#include "hud/HUDPanels.h"
#include "hud/HUDState.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Geometry.h"
#include "platform/Screens.h"

#include <cmath>

using enum HUDWidgetID;

FollowingReadouts::FollowingReadouts(Screens &screens, HUDPanels &panels,
                                     const HUDWidgetSettings &widgets, const HUDState &state,
                                     QObject *parent)
    : QObject(parent)
    , m_screens(screens)
    , m_panels(panels)
    , m_widgets(widgets)
    , m_state(state)
{ }

PanelWindow *FollowingReadouts::panelToShow(HUDWidgetID id, bool wanted)
{
    if (!m_state.isVisible || m_widgets.isHidden(id))
        return nullptr;
    m_panels.ensureCreated(m_screens);
    PanelWindow *p = m_panels.panel(id);
    if (p && !wanted) {
        if (p->isVisible())
            m_panels.fadeOut(id, 0.25);
        return nullptr;
    }
    return p;
}

void FollowingReadouts::setGaze(std::optional<QRectF> windowFrame)
{
    m_gaze = windowFrame;
    PanelWindow *p = panelToShow(targetCursor, windowFrame.has_value());
    if (!p)
        return;
    const QRectF w = *windowFrame;
    const QList<ScreenInfo> screens = m_screens.screens();
    ScreenInfo screen = m_screens.mainScreen();
    for (const ScreenInfo &s : screens) {
        if (s.frame.intersects(w)) {
            screen = s;
            break;
        }
    }
    const HUDLayout::CursorPlacement placed = HUDLayout::placeTargetCursor(w, screen);
    if (placed.cramped != m_cramped) {
        m_cramped = placed.cramped;
        emit crampedChanged(m_cramped);
    }
    if (!p->hasContent())
        p->attachContent(HUDLayout::scale(targetCursor, screen));
    m_panels.place(targetCursor, placed.frame);
    const double target = m_pointerNear.contains(targetCursor) ? 0.08 : 1.0;
    // A panel on its way out is brought back even where its fade has barely begun.
    if (p->isVisible() && !m_panels.isLeaving(targetCursor)
        && std::abs(p->alpha() - target) <= 0.02)
        return;
    m_panels.stopLeaving(targetCursor);
    p->orderFront();
    p->animate(target, std::nullopt, 0.2);
}

void FollowingReadouts::setPlaying(bool playing)
{
    m_playing = playing;
    PanelWindow *p = panelToShow(nowPlaying, playing);
    if (!p)
        return;
    if (p->isVisible() && !m_panels.isLeaving(nowPlaying) && p->alpha() >= 0.99)
        return;
    m_panels.stopLeaving(nowPlaying);
    const ScreenInfo screen = HUDLayout::screenUnderPointer(m_screens);
    if (!p->hasContent())
        p->attachContent(HUDLayout::scale(nowPlaying, screen));
    m_panels.place(nowPlaying, m_panels.placedFrame(nowPlaying, screen));
    p->orderFront();
    p->animate(1.0, std::nullopt, 0.25);
}

void FollowingReadouts::setPointerNear(const QSet<HUDWidgetID> &near)
{
    const bool changed = near.contains(targetCursor) != m_pointerNear.contains(targetCursor);
    m_pointerNear = near;
    if (changed)
        refreshGaze();
}

QSet<HUDWidgetID> FollowingReadouts::widgetsNear(const QPointF &pointer) const
{
    QSet<HUDWidgetID> near;
    const PanelWindow *p = m_panels.panel(targetCursor);
    if (p && p->isVisible() && p->alpha() > 0.01) {
        const QRectF f = p->frame();
        const QSizeF box = m_cramped ? QSizeF(90, 70) : QSizeF(230, 120);
        const QRectF area(f.center().x() - box.width() / 2, f.bottom() - box.height(), box.width(),
                          box.height());
        if (YUp::containsClosed(area.adjusted(-24, -24, 24, 24), pointer))
            near.insert(targetCursor);
    }
    return near;
}
