#pragma once

#include "hud/EditableWidget.h"
#include "hud/FollowingReadouts.h"
#include "hud/HUDPanels.h"
#include "hud/HUDState.h"
#include "hud/HUDWidgetID.h"
#include "hud/IdleRules.h"
#include "hud/LayoutEditSession.h"
#include "hud/PanelStyles.h"
#include "hud/PanelWindow.h"
#include "hud/PointerFollower.h"
#include "platform/Feedback.h"
#include "platform/Screens.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSet>

#include <memory>
#include <optional>

class Clock;
class HUDLayoutStore;
class HUDNotifications;
class HUDSettings;
class HUDVisibility;
class HUDWidgetSettings;

// Puts the widgets on screen: one panel per widget, shown and hidden with short fades; the
// readouts, the menu and its sub-panels, and the quit card. The program and the views drive the
// HUD through it alone. The rules it keeps are held by the parts it is built from, over one set
// of panels (HUDPanels): the idle timeouts (IdleRules), following the pointer (PointerFollower),
// the layout editor (LayoutEditSession), and the readouts that follow the gaze and playback
// (FollowingReadouts). They read the HUD's state (HUDState) from the controller and report back
// with signals; the controller reports to the program the same way.
class FloatingHUDPanelController final : public QObject
{
    Q_OBJECT
public:
    using PanelFactory = HUDPanels::Factory;

    struct Stores
    {
        HUDWidgetSettings &widgets;
        HUDLayoutStore &layout;
        HUDSettings &settings;
        HUDVisibility &visibility;
        HUDNotifications &notifications;
    };

    FloatingHUDPanelController(Screens &screens, const Clock &clock, Stores stores,
                               PanelFactory factory, QObject *parent = nullptr);
    ~FloatingHUDPanelController() override;

    static PanelStyle styleFor(HUDWidgetID id) { return PanelStyles::styleFor(id); }

    void start();
    void show();
    void hide();
    void toggleHUD();
    void toggleMenu();
    void openMenuPanel(HUDWidgetID id);
    void closePanel(HUDWidgetID id);
    void showConfirmLogout();
    void dismissConfirm(bool animated);
    void toggleLayoutEditing();
    // What the layout editor reports: a drop, RESET, and DONE or Escape, which ends editing.
    void commitDrop(HUDWidgetID id, QPointF origin) { m_layoutEdit.commitDrop(id, origin); }
    void resetLayout() { m_layoutEdit.resetLayout(); }
    void endLayoutEditing();
    void noteMenuActivity() { m_idle.noteMenuActivity(); }
    // Whether the command bar is up: it holds the readouts and keeps the menu in use.
    void setCommandBarVisible(bool visible) { m_state.commandBarVisible = visible; }

    // Escape pressed in one of our panels.
    void handleEscape();
    // What the rail view reports as drawn, in the rail's own top-left coordinates.
    void setRailRegions(const QList<QRectF> &regions) { m_follower.setRailRegions(regions); }
    // Where the music strip's buttons are, in its own top-left coordinates.
    void setTransportRegion(const QRectF &region) { m_follower.setTransportRegion(region); }
    // The gazed window's frame (model coordinates), or nothing when there is no target.
    void setGaze(std::optional<QRectF> windowFrame) { m_gazeAndPlayback.setGaze(windowFrame); }
    // Whether something plays.
    void setPlaying(bool playing) { m_gazeAndPlayback.setPlaying(playing); }
    // The widgets the pointer is over, as the target monitor reports them.
    void setPointerNear(const QSet<HUDWidgetID> &near) { m_gazeAndPlayback.setPointerNear(near); }
    // Which of the panels that give way to the pointer it is over: the target cursor, whose
    // near area is a box of 230 × 120 (90 × 70 while cramped) hanging from the middle of its
    // top edge, grown by 24 points.
    QSet<HUDWidgetID> widgetsNear(const QPointF &pointer) const
    {
        return m_gazeAndPlayback.widgetsNear(pointer);
    }

    // The timed rules; the timers call these, and so do tests.
    void readoutTick() { m_idle.readoutTick(); }
    void idleTick() { m_idle.idleTick(); }
    void pointerUpdate() { m_follower.update(); }

    bool isVisible() const { return m_state.isVisible; }
    bool menuVisible() const { return m_state.menuVisible; }
    bool confirmVisible() const { return m_state.confirmVisible; }
    bool layoutEditing() const { return m_state.layoutEditing; }
    bool menuOpen() const { return m_idle.menuOpen(); }
    bool cramped() const { return m_gazeAndPlayback.cramped(); }
    const QSet<HUDWidgetID> &fadedPanels() const { return m_follower.faded(); }
    std::optional<ScreenInfo> hudScreen() const { return m_state.hudScreen; }
    double readoutDeadline() const { return m_idle.readoutDeadline(); }
    PanelWindow *panel(HUDWidgetID id) const { return m_panels.panel(id); }
    // The widgets the layout editor may move: every panel on screen but the target cursor,
    // which follows the gazed window, in the layout table's order.
    QList<EditableWidget> editableWidgets() const { return m_layoutEdit.editableWidgets(); }
    // The title the layout editor shows on a widget's outline.
    static QString editorTitle(HUDWidgetID id) { return PanelStyles::editorTitle(id); }
    bool readoutTimerRunning() const { return m_idle.readoutTimerRunning(); }
    bool idleTimerRunning() const { return m_idle.idleTimerRunning(); }

signals:
    // The gaze placement found the target cursor cramped (or no longer cramped).
    void crampedChanged(bool cramped);
    // A sound for what just happened.
    void play(SoundCue cue);
    // The HUD is going away, and the command bar and the toast with it.
    void closeCommandBar();
    void dismissToast();
    // The layout editor over a whole screen, moving the `widgets`, which it asks for whenever it
    // needs them (an empty list once the controller is gone).
    void openLayoutEditor(const ScreenInfo &screen, EditableWidgets widgets);
    void closeLayoutEditor();

private:
    ScreenInfo pointerScreen() const;
    ScreenInfo menuScreen() const;
    // Fades a panel out and puts it away (its view goes with it).
    void fadeOut(HUDWidgetID id, double duration = 0.16);
    void putSubPanelsAway();
    void closeMenu();
    // The menu went unused for its idle time.
    void menuIdle();
    void enterLayoutEditing(const ScreenInfo &screen);
    void leaveLayoutEditing();
    void moveHUD(const ScreenInfo &screen);
    // Displays came, went or changed: the HUD keeps to a display that is there.
    void screensChanged();
    void applyWidgetChanges();

    Screens &m_screens;
    Stores m_stores;
    HUDState m_state;

    HUDPanels m_panels;
    PointerFollower m_follower;
    IdleRules m_idle;
    LayoutEditSession m_layoutEdit;
    FollowingReadouts m_gazeAndPlayback;
    // The display the HUD was on when that display went away; the HUD goes back to it when a
    // display of that name returns, unless the user has taken the HUD elsewhere meanwhile.
    std::optional<QString> m_lostScreen;
};
