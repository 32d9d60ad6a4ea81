#include "hud/HUDPanels.h"

#include "hud/HUDLayout.h"
#include "hud/PanelStyles.h"

#include "platform/Screens.h"

#include <QPointer>

#include <algorithm>

using enum HUDWidgetID;

HUDPanels::HUDPanels(const HUDLayoutStore &layout, Factory factory, QObject *parent)
    : QObject(parent)
    , m_layout(layout)
    , m_factory(std::move(factory))
{ }

void HUDPanels::create(const ScreenInfo &screen)
{
    for (const WidgetSpec &spec : HUDLayout::specs()) {
        std::unique_ptr<PanelWindow> p = m_factory(spec.id, PanelStyles::styleFor(spec.id));
        if (!p)
            continue;
        const QRectF frame = placedFrame(spec.id, screen);
        p->setFrame(frame);
        m_homes.insert(spec.id, frame);
        m_panels.insert(spec.id, std::shared_ptr<PanelWindow>(std::move(p)));
    }
}

void HUDPanels::ensureCreated(const Screens &screens)
{
    if (m_panels.isEmpty() && !screens.screens().isEmpty())
        create(HUDLayout::screenUnderPointer(screens));
}

PanelWindow *HUDPanels::panel(HUDWidgetID id) const
{
    const auto it = m_panels.constFind(id);
    return it == m_panels.constEnd() ? nullptr : it->get();
}

bool HUDPanels::isShown(HUDWidgetID id) const
{
    const PanelWindow *p = panel(id);
    return p && p->isVisible();
}

bool HUDPanels::subPanelShown() const
{
    return std::any_of(PanelStyles::subPanels().begin(), PanelStyles::subPanels().end(),
                       [this](HUDWidgetID id) { return isShown(id); });
}

QRectF HUDPanels::placedFrame(HUDWidgetID id, const ScreenInfo &screen) const
{
    const WidgetSpec &spec = HUDLayout::spec(id);
    return {HUDLayout::origin(spec, screen, m_layout), HUDLayout::scaledSize(spec, screen)};
}

std::optional<QRectF> HUDPanels::home(HUDWidgetID id) const
{
    const auto it = m_homes.constFind(id);
    if (it == m_homes.constEnd())
        return std::nullopt;
    return *it;
}

void HUDPanels::place(HUDWidgetID id, const QRectF &frame)
{
    m_homes.insert(id, frame);
    if (PanelWindow *p = panel(id))
        p->setFrame(frame);
}

void HUDPanels::slideIn(const QList<HUDWidgetID> &ids, const ScreenInfo &screen)
{
    for (qsizetype i = 0; i < ids.size(); ++i) {
        PanelWindow *p = panel(ids.at(i));
        if (!p)
            continue;
        const WidgetSpec &spec = HUDLayout::spec(ids.at(i));
        const QRectF target = placedFrame(spec.id, screen);
        m_leaving.remove(spec.id);
        m_homes.insert(spec.id, target);
        p->stopAnimations();
        p->attachContent(HUDLayout::scale(spec.id, screen));
        p->setAlpha(0);
        p->setFrame(target.translated(0, PanelStyles::entranceOffset(spec.anchor)));
        p->orderFront();
        p->animate(1.0, target, 0.22, double(i) * 0.045);
    }
}

void HUDPanels::fadeIn(HUDWidgetID id, double scale, const QRectF &frame, double duration)
{
    PanelWindow *p = panel(id);
    if (!p)
        return;
    m_leaving.remove(id);
    p->stopAnimations();
    p->attachContent(scale);
    place(id, frame);
    p->setAlpha(0);
    p->orderFront();
    p->animate(1.0, std::nullopt, duration);
}

void HUDPanels::fadeOut(HUDWidgetID id, double duration)
{
    PanelWindow *p = panel(id);
    if (!p)
        return;
    emit leaving(id);
    m_leaving.insert(id);
    const std::weak_ptr<PanelWindow> weak = m_panels.value(id);
    const QPointer<HUDPanels> self(this);
    p->animate(0.0, std::nullopt, duration, 0, [weak, self, id] {
        if (self)
            self->m_leaving.remove(id);
        if (auto strong = weak.lock()) {
            strong->orderOut();
            strong->detachContent();
        }
    });
}

void HUDPanels::dismiss(HUDWidgetID id, double duration)
{
    PanelWindow *p = panel(id);
    if (!p)
        return;
    const std::weak_ptr<PanelWindow> weak = m_panels.value(id);
    const QPointer<HUDPanels> self(this);
    auto putAway = [weak, self, id] {
        if (self)
            self->m_leaving.remove(id);
        if (auto strong = weak.lock()) {
            strong->orderOut();
            strong->setAlpha(1.0);
            strong->detachContent();
        }
    };
    if (duration > 0 && p->isVisible()) {
        m_leaving.insert(id);
        p->animate(0.0, std::nullopt, duration, 0, putAway);
    } else {
        p->stopAnimations();
        putAway();
    }
}

void HUDPanels::moveShown(const ScreenInfo &from, const ScreenInfo &to)
{
    for (auto it = m_panels.begin(); it != m_panels.end(); ++it) {
        PanelWindow *p = it.value().get();
        if (!p->isVisible())
            continue;
        const HUDWidgetID id = it.key();
        if (id == targetCursor)
            continue;
        if (HUDLayout::scale(id, to) != HUDLayout::scale(id, from))
            p->attachContent(HUDLayout::scale(id, to));
        place(id, placedFrame(id, to));
    }
}
