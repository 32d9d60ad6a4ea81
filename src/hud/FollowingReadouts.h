#pragma once

#include "hud/HUDWidgetID.h"

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSet>

#include <optional>

class HUDPanels;
class PanelWindow;
class HUDWidgetSettings;
class Screens;
struct HUDState;

// The two readouts that follow something outside the HUD: the target cursor hangs over the gazed
// window and gives way to the pointer, and now playing shows while something plays. What they
// follow is remembered while the HUD is hidden, and they are placed from it when it shows.
class FollowingReadouts final : public QObject
{
    Q_OBJECT
public:
    FollowingReadouts(Screens &screens, HUDPanels &panels, const HUDWidgetSettings &widgets,
                      const HUDState &state, QObject *parent = nullptr);

    // The gazed window's frame (model coordinates), or nothing when there is no target.
    void setGaze(std::optional<QRectF> windowFrame);
    void setPlaying(bool playing);
    // Places the panels again from what they follow.
    void refreshGaze() { setGaze(m_gaze); }
    void refreshPlaying() { setPlaying(m_playing); }

    // The widgets the pointer is over, as the target monitor reports them.
    void setPointerNear(const QSet<HUDWidgetID> &near);
    void forgetPointer() { m_pointerNear.clear(); }
    // Which of the panels that give way to the pointer it is over: the target cursor, whose
    // near area is a box of 230 × 120 (90 × 70 while cramped) hanging from the middle of its
    // top edge, grown by 24 points.
    QSet<HUDWidgetID> widgetsNear(const QPointF &pointer) const;
    bool cramped() const { return m_cramped; }

signals:
    // The target cursor was found cramped over the gazed window (or no longer cramped).
    void crampedChanged(bool cramped);

private:
    // The panel of `id` when it is to be shown: nothing while the HUD is away or the widget
    // hidden, and nothing (after fading it out) when it is no longer `wanted`.
    PanelWindow *panelToShow(HUDWidgetID id, bool wanted);

    Screens &m_screens;
    HUDPanels &m_panels;
    const HUDWidgetSettings &m_widgets;
    const HUDState &m_state;
    std::optional<QRectF> m_gaze;
    bool m_playing = false;
    QSet<HUDWidgetID> m_pointerNear;
    bool m_cramped = false;
};
