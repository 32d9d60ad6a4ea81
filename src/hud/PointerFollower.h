#pragma once

#include "hud/HUDWidgetID.h"
#include "platform/Screens.h"

#include <QList>
#include <QObject>
#include <QRectF>
#include <QSet>
#include <QTimer>

#include <optional>

class Clock;
class HUDPanels;
struct HUDState;

// Follows the pointer while the HUD is shown, through the screens' motion reports or by polling
// where there are none (neither needs focus or a grab). On every update it moves the HUD to
// another screen once the pointer has dwelt there for 0.8 seconds, fades the readouts it comes
// near out of its way, and lets the menu rail take clicks only over what the rail draws.
class PointerFollower final : public QObject
{
    Q_OBJECT
public:
    // A panel that leaves the screen (HUDPanels::leaving) no longer counts as faded.
    PointerFollower(Screens &screens, const Clock &clock, HUDPanels &panels, const HUDState &state,
                    QObject *parent = nullptr);

    void start();
    // Stops following; the rail takes clicks everywhere again.
    void stop();
    // Every motion report, poll and dwell timeout comes here; so do tests.
    void update();

    // What the rail view reports as drawn, in the rail's own top-left coordinates.
    void setRailRegions(const QList<QRectF> &regions);
    // Where the music strip's transport buttons are, in its own top-left coordinates. The strip
    // lets the pointer through everywhere else, and stays in sight while the pointer is on them.
    void setTransportRegion(const QRectF &region) { m_transportRegion = region; }
    // Whether the pointer is on the menu: over a drawn part of the rail or within 12 points of
    // another menu panel, or a menu panel has keyboard focus.
    bool pointerOnMenu() const;

    // The readouts faded out of the pointer's way.
    const QSet<HUDWidgetID> &faded() const { return m_faded; }
    // The panel is leaving or standing still for the editor: it no longer counts as faded.
    void forget(HUDWidgetID id) { m_faded.remove(id); }

signals:
    // The pointer has dwelt on `screen`, another than the HUD's, for 0.8 seconds: the HUD moves
    // there.
    void dwelt(const ScreenInfo &screen);

private:
    void dwellCheck();
    void fadeReadouts(const QPointF &pointer);
    void updateRail(const QPointF &pointer);
    void updateTransport(const QPointF &pointer);

    Screens &m_screens;
    const Clock &m_clock;
    HUDPanels &m_panels;
    const HUDState &m_state;
    QList<QRectF> m_railRegions;
    QRectF m_transportRegion;
    bool m_onTransport = false;
    QSet<HUDWidgetID> m_faded;
    std::optional<ScreenInfo> m_dwellScreen;
    double m_dwellSince = 0;
    QTimer m_pollTimer;
    QTimer m_dwellTimer;
    bool m_watched = false;
};
