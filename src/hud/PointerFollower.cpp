#include "hud/PointerFollower.h"

#include "hud/HUDLayout.h"
#include "hud/HUDPanels.h"
#include "hud/HUDState.h"
#include "hud/PanelStyles.h"
#include "platform/Clock.h"
#include "platform/Geometry.h"

#include <algorithm>

using enum HUDWidgetID;

namespace {

bool anyContains(const QList<QRectF> &regions, const QPointF &p, double grow)
{
    return std::any_of(regions.begin(), regions.end(), [&](const QRectF &r) {
        return YUp::containsClosed(r.adjusted(-grow, -grow, grow, grow), p);
    });
}

// The pointer in the rail's own top-left coordinates.
QPointF railLocal(const QRectF &rail, const QPointF &pointer)
{
    return {pointer.x() - rail.left(), rail.bottom() - pointer.y()};
}

} // namespace

PointerFollower::PointerFollower(Screens &screens, const Clock &clock, HUDPanels &panels,
                                 const HUDState &state, QObject *parent)
    : QObject(parent)
    , m_screens(screens)
    , m_clock(clock)
    , m_panels(panels)
    , m_state(state)
{
    connect(&m_panels, &HUDPanels::leaving, this, &PointerFollower::forget);
    m_pollTimer.setInterval(150);
    connect(&m_pollTimer, &QTimer::timeout, this, &PointerFollower::update);
    connect(&m_screens, &Screens::pointerMoved, this, [this] {
        if (m_watched)
            update();
    });
    // A pointer that comes to rest on another screen still moves the HUD once the dwell is up.
    m_dwellTimer.setSingleShot(true);
    connect(&m_dwellTimer, &QTimer::timeout, this, &PointerFollower::update);
}

void PointerFollower::start()
{
    if (m_watched || m_pollTimer.isActive())
        return;
    if (m_screens.watchesPointer()) {
        m_watched = true;
        m_screens.startPointerWatch();
    } else {
        m_pollTimer.start();
    }
}

void PointerFollower::stop()
{
    m_pollTimer.stop();
    m_dwellTimer.stop();
    if (m_watched) {
        m_watched = false;
        m_screens.stopPointerWatch();
    }
    if (PanelWindow *rail = m_panels.panel(menuRail))
        rail->setClickThrough(false);
    m_onTransport = false;
    if (PanelWindow *strip = m_panels.panel(nowPlaying))
        strip->setClickThrough(true);
}

void PointerFollower::update()
{
    dwellCheck();
    if (!m_state.isVisible)
        return;
    const QPointF pointer = m_screens.pointerLocation();
    updateTransport(pointer);
    if (!m_state.layoutEditing)
        fadeReadouts(pointer);
    updateRail(pointer);
}

void PointerFollower::dwellCheck()
{
    const std::optional<ScreenInfo> hudScreen = m_state.hudScreen;
    if (!m_state.isVisible || m_state.layoutEditing || !hudScreen)
        return;
    const ScreenInfo s = HUDLayout::screenUnderPointer(m_screens);
    if (s == *hudScreen) {
        m_dwellScreen.reset();
    } else if (m_dwellScreen && s == *m_dwellScreen) {
        if (m_clock.uptime() - m_dwellSince >= 0.8) {
            m_dwellScreen.reset();
            emit dwelt(s);
        }
    } else {
        m_dwellScreen = s;
        m_dwellSince = m_clock.uptime();
        m_dwellTimer.start(850);
    }
}

void PointerFollower::fadeReadouts(const QPointF &pointer)
{
    for (HUDWidgetID id : PanelStyles::fadingReadouts()) {
        PanelWindow *p = m_panels.panel(id);
        if (!p || !p->isVisible()) {
            m_faded.remove(id);
            continue;
        }
        // The pointer on the music strip's buttons means to use them, not to look past them.
        const bool near = YUp::containsClosed(p->frame().adjusted(-24, -24, 24, 24), pointer)
            && !(id == nowPlaying && m_onTransport);
        if (near && !m_faded.contains(id)) {
            m_faded.insert(id);
            p->animate(0.1, m_panels.home(id), 0.14);
        } else if (!near && m_faded.contains(id)) {
            m_faded.remove(id);
            p->animate(1.0, m_panels.home(id), 0.14);
        }
    }
}

void PointerFollower::updateRail(const QPointF &pointer)
{
    PanelWindow *rail = m_panels.panel(menuRail);
    if (!rail)
        return;
    bool takesClicks = false;
    if (rail->isVisible() && !m_railRegions.isEmpty()) {
        // While the layout is edited every press belongs to the editor.
        takesClicks = !m_state.layoutEditing
            && anyContains(m_railRegions, railLocal(rail->frame(), pointer), 6);
    }
    rail->setClickThrough(!takesClicks);
}

void PointerFollower::updateTransport(const QPointF &pointer)
{
    PanelWindow *strip = m_panels.panel(nowPlaying);
    if (!strip)
        return;
    m_onTransport = strip->isVisible() && !m_transportRegion.isEmpty() && !m_state.layoutEditing
        && anyContains({m_transportRegion}, railLocal(strip->frame(), pointer), 6);
    if (!m_state.layoutEditing)
        strip->setClickThrough(!m_onTransport);
}

void PointerFollower::setRailRegions(const QList<QRectF> &regions)
{
    m_railRegions = regions;
    // Whether the rail takes clicks is decided on updates, and the rows just changed under a
    // pointer that may not move again before it clicks. Decided on the next turn of the event
    // loop, not inside the rail view that is still being built or clicked.
    QMetaObject::invokeMethod(
        this, [this] { update(); }, Qt::QueuedConnection);
}

bool PointerFollower::pointerOnMenu() const
{
    const QPointF pointer = m_screens.pointerLocation();
    for (HUDWidgetID id : HUDLayout::menuGroup()) {
        const PanelWindow *p = m_panels.panel(id);
        if (!p || !p->isVisible())
            continue;
        if (p->isKey())
            return true;
        const QRectF f = p->frame();
        if (id == menuRail) {
            if (anyContains(m_railRegions, railLocal(f, pointer), 12))
                return true;
        } else if (YUp::containsClosed(f.adjusted(-12, -12, 12, 12), pointer)) {
            return true;
        }
    }
    return false;
}
