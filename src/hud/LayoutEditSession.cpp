#include "hud/LayoutEditSession.h"

#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDPanels.h"
#include "hud/HUDState.h"
#include "hud/PanelStyles.h"

using enum HUDWidgetID;

LayoutEditSession::LayoutEditSession(HUDPanels &panels, HUDLayoutStore &layout,
                                     const HUDState &state, const Screens &screens, QObject *parent)
    : QObject(parent)
    , m_panels(panels)
    , m_layout(layout)
    , m_state(state)
    , m_screens(screens)
{ }

ScreenInfo LayoutEditSession::placementScreen() const
{
    return m_state.hudScreen.value_or(HUDLayout::screenUnderPointer(m_screens));
}

QList<HUDWidgetID> LayoutEditSession::holdPanelsStill()
{
    QList<HUDWidgetID> held;
    for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it) {
        PanelWindow *p = it.value().get();
        if (!p->isVisible())
            continue;
        p->setClickThrough(true);
        held << it.key();
        // A panel still fading out goes on its way; the others stand still at full opacity in
        // their places, where a slide that was running would have taken them.
        if (!m_panels.isLeaving(it.key()))
            p->animate(1.0, m_panels.home(it.key()), 0);
    }
    return held;
}

void LayoutEditSession::releasePanels()
{
    for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it)
        it.value()->setClickThrough(PanelStyles::styleFor(it.key()).clickThrough);
}

QList<EditableWidget> LayoutEditSession::editableWidgets() const
{
    QList<EditableWidget> widgets;
    for (const WidgetSpec &spec : HUDLayout::specs()) {
        if (spec.id == targetCursor || m_panels.isLeaving(spec.id))
            continue;
        const auto it = m_panels.all().constFind(spec.id);
        if (it == m_panels.all().constEnd() || !it.value()->isVisible())
            continue;
        // The panel's content fills it: the content frame is the panel frame.
        widgets.append(
            {spec.id, PanelStyles::editorTitle(spec.id), it.value(), it.value()->frame()});
    }
    return widgets;
}

void LayoutEditSession::commitDrop(HUDWidgetID id, QPointF origin)
{
    if (!m_state.layoutEditing || id == targetCursor)
        return;
    const ScreenInfo screen = placementScreen();
    // The sub-panels have no offset of their own: they move with the summary panel, so a
    // sub-panel dropped somewhere moves the summary panel by as much, now and on every show.
    const auto offsetKey
        = [](HUDWidgetID w) { return HUDLayout::followsSummary().contains(w) ? summaryPanel : w; };
    const HUDWidgetID key = offsetKey(id);
    const QPointF home = HUDLayout::frame(HUDLayout::spec(id), screen).topLeft();
    m_layout.setOffset(key, origin.x() - home.x(), origin.y() - home.y());
    for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it) {
        if (offsetKey(it.key()) != key)
            continue;
        if (it.key() == id || it.value()->isVisible())
            m_panels.place(it.key(), m_panels.placedFrame(it.key(), screen));
    }
}

void LayoutEditSession::resetLayout()
{
    m_layout.resetAll();
    const ScreenInfo screen = placementScreen();
    for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it) {
        if (it.key() == targetCursor)
            continue;
        m_panels.place(it.key(), m_panels.placedFrame(it.key(), screen));
    }
}
