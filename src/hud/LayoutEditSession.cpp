#include "hud/LayoutEditSession.h"

#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDPanels.h"
#include "hud/PanelStyles.h"

#include <QPointer>

using enum HUDWidgetID;

LayoutEditSession::LayoutEditSession(HUDPanels &panels, HUDLayoutStore &layout, Hooks hooks,
                                     QObject *parent)
    : QObject(parent)
    , m_panels(panels)
    , m_layout(layout)
    , m_hooks(std::move(hooks))
{ }

void LayoutEditSession::enter(const ScreenInfo &screen)
{
    m_active = true;
    for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it) {
        PanelWindow *p = it.value().get();
        if (!p->isVisible())
            continue;
        p->setClickThrough(true);
        m_hooks.holdStill(it.key());
        // A panel still fading out goes on its way; the others stand still at full opacity in
        // their places, where a slide that was running would have taken them.
        if (!m_panels.isLeaving(it.key()))
            p->animate(1.0, m_panels.home(it.key()), 0);
    }
    if (!m_hooks.openEditor)
        return;
    const QPointer<LayoutEditSession> self(this);
    EditorActions actions;
    actions.widgets = [self] { return self ? self->editableWidgets() : QList<EditableWidget>{}; };
    actions.commit = [self](HUDWidgetID id, QPointF origin) {
        if (self)
            self->commitDrop(id, origin);
    };
    actions.reset = [self] {
        if (self)
            self->resetLayout();
    };
    actions.done = [self] {
        if (self && self->m_active)
            self->leave();
    };
    m_hooks.openEditor(screen, std::move(actions));
}

void LayoutEditSession::leave()
{
    m_active = false;
    if (m_hooks.closeEditor)
        m_hooks.closeEditor();
    for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it)
        it.value()->setClickThrough(PanelStyles::styleFor(it.key()).clickThrough);
    m_hooks.left();
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
    if (!m_active || id == targetCursor)
        return;
    const ScreenInfo screen = m_hooks.screen();
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
    const ScreenInfo screen = m_hooks.screen();
    for (auto it = m_panels.all().begin(); it != m_panels.all().end(); ++it) {
        if (it.key() == targetCursor)
            continue;
        m_panels.place(it.key(), m_panels.placedFrame(it.key(), screen));
    }
}
