#include "hud/FloatingHUDPanelController.h"
#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDVisibility.h"
#include "hud/HUDWidgetSettings.h"

#include "fakes/FakeClock.h"
#include "fakes/FakePanelWindow.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeUserDefaults.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMap>

using enum HUDWidgetID;

namespace {

class PanelControllerTest : public ::testing::Test
{
protected:
    PanelControllerTest()
    {
        screens.setScreens({left});
        screens.setPointer({700, 450});
        QObject::connect(&visibility, &HUDVisibility::visibleChanged,
                         [this](bool v) { serviceCalls << v; });
        make();
    }

    void make()
    {
        panels.clear();
        controller = std::make_unique<FloatingHUDPanelController>(
            screens, clock,
            FloatingHUDPanelController::Stores{widgets, layout, settings, visibility, notes},
            [this](HUDWidgetID id, const PanelStyle &) {
                auto p = std::make_unique<FakePanelWindow>();
                panels.insert(id, p.get());
                return p;
            });
        using C = FloatingHUDPanelController;
        C *c = controller.get();
        QObject::connect(c, &C::play, [this](SoundCue cue) { cues << cue; });
        QObject::connect(c, &C::closeCommandBar, [this, c] {
            c->setCommandBarVisible(false);
            ++commandBarCloses;
        });
        QObject::connect(c, &C::dismissToast, [this] { ++toastDismissals; });
        QObject::connect(c, &C::openLayoutEditor, [this](const ScreenInfo &on, EditableWidgets w) {
            editorScreen = on;
            editorWidgets = std::move(w);
        });
        QObject::connect(c, &C::closeLayoutEditor, [this] { ++editorCloses; });
    }

    void pointAt(QPointF p)
    {
        screens.setPointer(p);
        controller->pointerUpdate();
    }

    void runSeconds(int seconds)
    {
        for (int i = 0; i < seconds; ++i, controller->readoutTick(), controller->idleTick())
            clock.advance(1.0);
    }

    bool shown(HUDWidgetID id) const { return panels.value(id) && panels.value(id)->isVisible(); }
    QRectF home(HUDWidgetID id) const { return HUDLayout::frame(HUDLayout::spec(id), left); }
    // The panels on screen, in the order of their ids.
    QList<HUDWidgetID> up() const
    {
        QList<HUDWidgetID> ids = panels.keys();
        ids.removeIf([this](HUDWidgetID id) { return !shown(id); });
        return ids;
    }

    const ScreenInfo left = FakeScreens::make(QStringLiteral("left"), {0, 0, 1440, 900}, 25);
    const ScreenInfo right = FakeScreens::make(QStringLiteral("right"), {1440, 0, 2560, 1440}, 0);

    FakeScreens screens;
    FakeClock clock;
    FakeUserDefaults defaults;
    HUDNotifications notes;
    HUDWidgetSettings widgets{defaults, notes};
    HUDLayoutStore layout{defaults};
    HUDSettings settings{defaults, notes};
    HUDVisibility visibility;
    QMap<HUDWidgetID, FakePanelWindow *> panels;
    QList<SoundCue> cues;
    QList<bool> serviceCalls;
    int commandBarCloses = 0, toastDismissals = 0, editorCloses = 0;
    std::optional<ScreenInfo> editorScreen;
    EditableWidgets editorWidgets;
    std::unique_ptr<FloatingHUDPanelController> controller;
};

} // namespace

TEST_F(PanelControllerTest,
       ShowSlidesInShownReadoutsStaggeredHidesThemAfterTenSecondsFollowsChanges)
{
    widgets.toggle(fieldHeader); // hidden by the user
    QCoreApplication::processEvents();
    layout.setOffset(playerStatus, 40, -200);
    controller->show();
    EXPECT_TRUE(controller->isVisible() && visibility.visible());
    EXPECT_EQ(std::pair(serviceCalls, cues), std::pair(QList<bool>{true}, QList{SoundCue::open}));
    // The target cursor follows the gaze, now playing follows playback, the menu stays closed.
    EXPECT_EQ(up(), (QList<HUDWidgetID>{playerStatus, partyStrip}));
    const FakePanelWindow *hp = panels.value(playerStatus);
    EXPECT_EQ(std::pair(hp->animations.value(0).delay, panels[partyStrip]->animations[0].delay),
              std::pair(0.0, 0.045));
    EXPECT_EQ(std::tuple(hp->frame(), hp->alpha(), hp->hasContent()),
              std::tuple(home(playerStatus).translated(40, -200), 1.0, true));
    runSeconds(11);
    EXPECT_EQ(serviceCalls, (QList<bool>{true, false}));
    // Views exist only while shown.
    EXPECT_FALSE(controller->isVisible() || visibility.visible() || hp->hasContent()
                 || controller->readoutTimerRunning() || !up().isEmpty());
    // Widget changes show and hide panels while shown; the quick bar waits for the menu.
    controller->show();
    widgets.showAll();
    QCoreApplication::processEvents();
    EXPECT_EQ(up(), (QList<HUDWidgetID>{fieldHeader, playerStatus, partyStrip}));
    widgets.toggle(partyStrip);
    QCoreApplication::processEvents();
    EXPECT_EQ(up(), (QList<HUDWidgetID>{fieldHeader, playerStatus}));
    controller->toggleMenu();
    widgets.hideAll();
    QCoreApplication::processEvents();
    EXPECT_EQ(up(), QList<HUDWidgetID>{menuRail}); // not the user's to hide
}

TEST_F(PanelControllerTest, ReadoutDeadlineWaitsForMenuSubPanelAndCommandBarAndFollowsTheSetting)
{
    settings.setMenuIdle(0); // keep the menu up by itself
    controller->show();
    const std::function<void(bool)> holds[]
        = {[this](bool) { controller->toggleMenu(); },
           [this](bool) { controller->openMenuPanel(inventory); },
           [this](bool on) { controller->setCommandBarVisible(on); }};
    for (const auto &hold : holds) {
        hold(true);
        runSeconds(30);
        EXPECT_TRUE(controller->isVisible());
        hold(false);
    }
    runSeconds(9);
    EXPECT_TRUE(controller->isVisible());
    runSeconds(2);
    EXPECT_FALSE(controller->isVisible());
    // A new idle time restarts the deadline; zero keeps the readouts up.
    controller->show();
    runSeconds(8);
    settings.setReadoutIdle(30);
    QCoreApplication::processEvents();
    runSeconds(25);
    EXPECT_TRUE(controller->isVisible());
    runSeconds(6);
    EXPECT_FALSE(controller->isVisible());
    settings.setReadoutIdle(0);
    QCoreApplication::processEvents();
    controller->show();
    EXPECT_FALSE(controller->readoutTimerRunning());
    runSeconds(120);
    EXPECT_TRUE(controller->isVisible());
}

TEST_F(PanelControllerTest, MenuIdleClosesTheMenuOnlyWhenNothingKeepsItInUse)
{
    settings.setMenuIdle(6);
    settings.setReadoutIdle(0);
    const QRectF rail = home(menuRail), summary = home(summaryPanel);
    const QPointF away(rail.left() + 20, rail.bottom() - 400); // on the rail, off what it draws
    const std::tuple<const char *, QPointF, std::function<void()>, bool> cases[] = {
        {"pointer away", away, {}, false},
        {"on a drawn rail row", {rail.left() + 350, rail.bottom() - 120}, {}, true},
        {"11 points beside the summary", {summary.left() - 11, summary.center().y()}, {}, true},
        {"13 points beside the summary", {summary.left() - 13, summary.center().y()}, {}, false},
        {"menu panel has focus", away, [this] { panels.value(summaryPanel)->key = true; }, true},
        {"command bar up", away, [this] { controller->setCommandBarVisible(true); }, true},
        {"layout edited", away, [this] { controller->toggleLayoutEditing(); }, true},
        {"sub-panel alone", away,
         [this] {
             controller->toggleMenu();
             controller->openMenuPanel(inventory);
         },
         false},
    };
    for (const auto &[name, pointer, setup, keptOpen] : cases) {
        make();
        controller->show();
        controller->toggleMenu();
        controller->setRailRegions({QRectF(300, 100, 176, 46)});
        screens.setPointer(pointer);
        if (setup)
            setup();
        runSeconds(5);
        EXPECT_TRUE(controller->menuOpen()) << name;
        runSeconds(2);
        EXPECT_EQ(controller->menuOpen(), keptOpen) << name;
        EXPECT_TRUE(controller->isVisible()) << name; // only the menu goes
    }
    EXPECT_FALSE(controller->idleTimerRunning());
}

TEST_F(PanelControllerTest, RehomesOnlyAfterDwellingOnAnotherScreen)
{
    screens.setScreens({left, right});
    controller->show();
    const auto hudOn = [this] { return controller->hudScreen()->name; };
    ASSERT_EQ(hudOn(), "left");
    QStringList seen;
    for (double dt : {0.0, 0.5, 0.35}) {
        clock.advance(dt);
        pointAt({2000, 700});
        seen << hudOn();
    }
    EXPECT_EQ(seen, (QStringList{"left", "left", "right"}));
    EXPECT_EQ(panels[playerStatus]->frame(),
              HUDLayout::frame(HUDLayout::spec(playerStatus), right));
    // A dwell starts over whenever the pointer comes back.
    for (QPointF p : {QPointF(700, 450), QPointF(2000, 700), QPointF(700, 450)}) {
        pointAt(p);
        clock.advance(0.5);
    }
    EXPECT_EQ(hudOn(), "right");
}

// A display that goes takes no panel with it; the stored offsets place them there and back.
TEST_F(PanelControllerTest, UnpluggedScreenSendsThePanelsToTheOtherAndItsReturnBringsThemBack)
{
    screens.setScreens({left, right});
    screens.setPointer({2000, 700});
    // Far enough right on the wide screen that the narrow one clamps it.
    layout.setOffset(playerStatus, 1500, -100);
    controller->show();
    controller->toggleMenu();
    ASSERT_EQ(controller->hudScreen(), right);
    const QList<HUDWidgetID> shownBefore = up();
    const QRectF hpOnRight = panels[playerStatus]->frame();
    const auto placedOn = [this](HUDWidgetID id, const ScreenInfo &s) {
        const WidgetSpec &spec = HUDLayout::spec(id);
        return QRectF(HUDLayout::origin(spec, s, layout), HUDLayout::scaledSize(spec, s));
    };

    // Unplugged: the HP bar is clamped onto the display that is left, at its scale.
    screens.setPointer({700, 450});
    screens.setScreens({left});
    EXPECT_EQ(controller->hudScreen(), left);
    EXPECT_EQ(up(), shownBefore);
    EXPECT_TRUE(left.visibleFrame.contains(panels[playerStatus]->frame()));
    EXPECT_DOUBLE_EQ(panels[playerStatus]->contentScale, 0.72);

    // Plugged back: it returns to where it was.
    screens.setScreens({left, right});
    EXPECT_EQ(controller->hudScreen(), right);
    EXPECT_EQ(panels[playerStatus]->frame(), hpOnRight);
    EXPECT_DOUBLE_EQ(panels[playerStatus]->contentScale, 0.95);

    // Once the user has taken the HUD to the other display, a return does not pull it back.
    screens.setScreens({left});
    controller->hide();
    controller->show();
    screens.setScreens({left, right});
    EXPECT_EQ(controller->hudScreen(), left);

    // Resized, the panels are placed anew; with no display at all they wait where they are.
    const ScreenInfo smaller = FakeScreens::make(QStringLiteral("left"), {0, 0, 1280, 800}, 25);
    screens.setScreens({smaller, right});
    EXPECT_EQ(controller->hudScreen(), smaller);
    EXPECT_EQ(panels[partyStrip]->frame(), placedOn(partyStrip, smaller));
    screens.setScreens({});
    EXPECT_EQ(panels[partyStrip]->frame(), placedOn(partyStrip, smaller));

    // The editor ends when its display goes away.
    screens.setScreens({left, right});
    controller->toggleLayoutEditing();
    ASSERT_EQ(editorScreen, left);
    screens.setPointer({2000, 700});
    screens.setScreens({right});
    EXPECT_TRUE(!controller->layoutEditing() && editorCloses == 1);
    EXPECT_EQ(panels[playerStatus]->frame(), placedOn(playerStatus, right));
    EXPECT_EQ(layout.offsets().keys(), QStringList{"playerStatus"});
}

TEST_F(PanelControllerTest, SubPanelsReplaceEachOtherAndEscapeClosesOneThingAtATime)
{
    settings.setReadoutIdle(0);
    controller->show();
    controller->toggleMenu();
    controller->openMenuPanel(skills);
    controller->openMenuPanel(inventory);
    EXPECT_FALSE(shown(skills));
    controller->showConfirmLogout();
    ASSERT_TRUE(shown(inventory) && shown(confirmLogout));
    cues.clear();
    // What is still up after each press: the card, the sub-panel, the menu, the HUD.
    const QList<QList<bool>> after{{false, true, true, true},
                                   {false, false, true, true},
                                   {false, false, false, true},
                                   {false, false, false, false}};
    for (const QList<bool> &stillUp : after) {
        controller->handleEscape();
        EXPECT_EQ((QList<bool>{controller->confirmVisible(), shown(inventory),
                               controller->menuVisible(), controller->isVisible()}),
                  stillUp);
    }
    EXPECT_FALSE(shown(confirmLogout));
    EXPECT_EQ(panels.value(confirmLogout)->alpha(), 1.0); // restored for next time
    EXPECT_EQ(cues.mid(0, 3), QList<SoundCue>(3, SoundCue::cancel));
}

TEST_F(PanelControllerTest, ReadoutsFadeNearTheReportedPointerInPlaceUntilLayoutEditing)
{
    screens.watching = true;
    controller->show();
    EXPECT_EQ(screens.watchers, 1);
    FakePanelWindow *hp = panels.value(playerStatus);
    const QRectF was = hp->frame();
    screens.movePointer({was.right() + 20, was.center().y()}); // reported, not polled
    // The fade replaces the slide and still ends in place.
    EXPECT_EQ(std::tuple(controller->fadedPanels(), hp->alpha(), hp->animations.last().frame),
              std::tuple(QSet<HUDWidgetID>{playerStatus}, 0.1, std::optional(was)));
    screens.movePointer({was.right() + 30, was.center().y()});
    EXPECT_TRUE(controller->fadedPanels().isEmpty() && hp->alpha() == 1.0);
    screens.movePointer(was.center());
    controller->toggleLayoutEditing(); // more panels shown, still watched once
    EXPECT_EQ(screens.watchers, 1);
    EXPECT_TRUE(controller->layoutEditing() && controller->menuVisible()
                && panels.value(summaryPanel)->isClickThrough()
                && controller->fadedPanels().isEmpty());
    const FakePanelWindow::Animation last = hp->animations.last();
    EXPECT_EQ(std::tuple(last.alpha, last.frame, last.duration), std::tuple(1.0, was, 0.0));
    controller->handleEscape();
    EXPECT_FALSE(controller->layoutEditing() || panels.value(summaryPanel)->isClickThrough());
    EXPECT_TRUE(hp->isClickThrough());
    ASSERT_FALSE(controller->fadedPanels().isEmpty());
    controller->hide();
    EXPECT_TRUE(screens.watchers == 0 && controller->fadedPanels().isEmpty());
}

TEST_F(PanelControllerTest, RailAndMusicStripTakeClicksOnlyOverWhatTheyDraw)
{
    controller->show();
    controller->setPlaying(true);
    FakePanelWindow *strip = panels.value(nowPlaying);
    controller->setTransportRegion(QRectF(200, 10, 90, 30));
    const QRectF s = strip->frame();
    // Over the title the strip lets clicks through and fades out of the way as any readout.
    for (const auto &[x, overTitle] : {std::pair{250, false}, {60, true}}) {
        pointAt({s.left() + x, s.bottom() - 25});
        EXPECT_EQ(
            std::pair(strip->isClickThrough(), controller->fadedPanels().contains(nowPlaying)),
            std::pair(overTitle, overTitle));
    }

    controller->toggleMenu();
    FakePanelWindow *rail = panels.value(menuRail);
    controller->pointerUpdate();
    EXPECT_TRUE(rail->isClickThrough()); // nothing drawn reported yet
    controller->setRailRegions({QRectF(0, 0, 176, 46)});
    const QRectF f = rail->frame();
    pointAt({f.left() + 180, f.bottom() - 20}); // 4 points right of the row
    EXPECT_FALSE(rail->isClickThrough());
    pointAt({f.left() + 190, f.bottom() - 20});
    EXPECT_TRUE(rail->isClickThrough());
    // New rows under a pointer that stays still take clicks without waiting for it to move.
    controller->setRailRegions({QRectF(0, 0, 200, 46)});
    QCoreApplication::processEvents();
    EXPECT_FALSE(rail->isClickThrough());
    // While editing every press goes through to the editor.
    controller->toggleLayoutEditing();
    controller->pointerUpdate();
    EXPECT_TRUE(rail->isClickThrough());
    controller->toggleLayoutEditing();
    EXPECT_FALSE(rail->isClickThrough());
    controller->hide();
    EXPECT_FALSE(rail->isClickThrough());
}

TEST_F(PanelControllerTest, TargetCursorSitsOverTheGazedWindowAndGivesWayToThePointer)
{
    QList<bool> crampedReports;
    QObject::connect(controller.get(), &FloatingHUDPanelController::crampedChanged,
                     [&](bool cramped) { crampedReports << cramped; });
    controller->show();
    const QRectF window(400, 200, 600, 300), maximised(-10, 0, 1460, 875);
    controller->setGaze(window);
    EXPECT_EQ(panels.value(targetCursor)->frame(),
              HUDLayout::placeTargetCursor(window, left).frame);
    // The pointer box (230 × 120, cramped 90 × 70, + 24) hangs from the top edge's middle.
    const std::tuple<QRectF, double, double, bool> cases[] = {
        {window, 115 + 23, -10, true},    {window, 115 + 25, -10, false},
        {window, 0, -120 - 25, false},    {maximised, 45 + 20, -10, true},
        {maximised, 45 + 30, -10, false}, {window, 0, -120 - 23, true},
    };
    for (const auto &[gazed, dx, dy, near] : cases) {
        controller->setGaze(gazed);
        const QRectF f = panels.value(targetCursor)->frame();
        const QPointF pointer(f.center().x() + dx, f.bottom() + dy);
        EXPECT_EQ(controller->widgetsNear(pointer).contains(targetCursor), near) << dx;
    }
    EXPECT_EQ(crampedReports, (QList<bool>{true, false}));
    controller->setPointerNear({targetCursor});
    EXPECT_DOUBLE_EQ(panels.value(targetCursor)->alpha(), 0.08);
    controller->setGaze(std::nullopt);
    EXPECT_FALSE(shown(targetCursor));
    widgets.toggle(targetCursor);
    controller->setGaze(window);
    EXPECT_FALSE(shown(targetCursor));
}

TEST_F(PanelControllerTest, ToggleHUDHidesWhatIsOpenNoScreensNoPanelsNowPlayingFollowsPlayback)
{
    controller->setCommandBarVisible(true);
    controller->toggleHUD();
    EXPECT_TRUE(!controller->isVisible() && commandBarCloses == 1);
    controller->toggleHUD();
    controller->openMenuPanel(inventory);
    controller->toggleHUD();
    EXPECT_TRUE(!shown(inventory) && toastDismissals == 2);
    make();
    screens.setScreens({});
    controller->show();
    EXPECT_TRUE(!controller->isVisible() && panels.isEmpty());
    screens.setScreens({left});
    controller->setPlaying(true);
    EXPECT_FALSE(shown(nowPlaying));
    controller->show();
    EXPECT_TRUE(shown(nowPlaying)); // remembered from before
    controller->setPlaying(false);
    EXPECT_FALSE(shown(nowPlaying));
}

TEST_F(PanelControllerTest, EditorListsTheShownWidgetsStoresDropsResetsEndsOnceOutlivesNothing)
{
    controller->show();
    controller->setGaze(QRectF(400, 200, 600, 300)); // the target cursor follows the gaze
    controller->toggleLayoutEditing();
    ASSERT_EQ(editorScreen, left);
    ASSERT_TRUE(editorWidgets);
    QStringList listed;
    for (const EditableWidget &w : editorWidgets()) {
        listed << w.title;
        EXPECT_EQ(w.contentFrame, panels.value(w.id)->frame());
        EXPECT_EQ(w.panel.lock().get(), panels.value(w.id));
    }
    EXPECT_EQ(listed.size(), 6);
    controller->commitDrop(playerStatus, home(playerStatus).topLeft() + QPointF(40, -200));
    EXPECT_EQ(std::pair(layout.offset(playerStatus), panels.value(playerStatus)->frame()),
              std::pair(QPointF(40, -200), home(playerStatus).translated(40, -200)));
    // A dropped sub-panel moves the summary panel it follows.
    controller->openMenuPanel(inventory);
    controller->commitDrop(inventory, home(inventory).topLeft() + QPointF(-16, 40));
    EXPECT_FALSE(layout.offsets().contains("inventory"));
    EXPECT_EQ(layout.offset(summaryPanel), QPointF(-16, 40));
    EXPECT_EQ(panels.value(inventory)->frame(), home(inventory).translated(-16, 40));
    EXPECT_EQ(panels.value(summaryPanel)->frame(), home(summaryPanel).translated(-16, 40));

    // A reset puts everything back; the editor's DONE ends editing once, and so does hiding.
    controller->commitDrop(playerStatus, home(playerStatus).topLeft() + QPointF(200, -100));
    ASSERT_NE(panels.value(playerStatus)->frame(), home(playerStatus));
    controller->resetLayout();
    EXPECT_TRUE(layout.offsets().isEmpty());
    EXPECT_EQ(panels.value(playerStatus)->frame(), home(playerStatus));
    cues.clear();
    controller->endLayoutEditing();
    controller->endLayoutEditing();
    EXPECT_EQ(std::tuple(controller->layoutEditing(), cues, editorCloses),
              std::tuple(false, QList{SoundCue::close}, 1));
    controller->commitDrop(playerStatus, {500, 500});
    EXPECT_TRUE(layout.offsets().isEmpty());
    controller->toggleLayoutEditing();
    controller->hide();
    EXPECT_TRUE(editorCloses == 2 && !controller->layoutEditing());
    controller->toggleLayoutEditing(); // from a hidden HUD: shows it and opens the menu
    EXPECT_TRUE(controller->isVisible() && controller->menuVisible()
                && controller->layoutEditing());
    // The editor may ask for the widgets after the controller has gone.
    const EditableWidgets kept = editorWidgets;
    controller.reset();
    EXPECT_TRUE(kept().isEmpty());
}
