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
        : widgets(defaults, notes)
        , layout(defaults)
        , settings(defaults, notes)
    {
        screens.setScreens({left});
        screens.setPointer({700, 450});
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
            },
            FloatingHUDPanelController::Hooks{[this](PanelCue c) { cues << c; },
                                              [this] { return commandBar; },
                                              [this] {
                                                  commandBar = false;
                                                  ++commandBarCloses;
                                              },
                                              [this] { ++toastDismissals; },
                                              [this](const ScreenInfo &screen, EditorActions a) {
                                                  editorScreen = screen;
                                                  editor = std::move(a);
                                              },
                                              [this] { ++editorCloses; }});
        controller->addReadoutService([this](bool v) { serviceCalls << v; });
    }

    void runSeconds(int seconds)
    {
        for (int i = 0; i < seconds; ++i) {
            clock.advance(1.0);
            controller->readoutTick();
            controller->idleTick();
        }
    }

    bool shown(HUDWidgetID id) const { return panels.value(id) && panels.value(id)->isVisible(); }

    const ScreenInfo left = FakeScreens::make(QStringLiteral("left"), {0, 0, 1440, 900}, 25);
    const ScreenInfo right = FakeScreens::make(QStringLiteral("right"), {1440, 0, 2560, 1440}, 0);

    FakeScreens screens;
    FakeClock clock;
    FakeUserDefaults defaults;
    HUDNotifications notes;
    HUDWidgetSettings widgets;
    HUDLayoutStore layout;
    HUDSettings settings;
    HUDVisibility visibility;
    QMap<HUDWidgetID, FakePanelWindow *> panels;
    QList<PanelCue> cues;
    QList<bool> serviceCalls;
    bool commandBar = false;
    int commandBarCloses = 0;
    int toastDismissals = 0;
    std::optional<ScreenInfo> editorScreen;
    EditorActions editor;
    int editorCloses = 0;
    std::unique_ptr<FloatingHUDPanelController> controller;
};

} // namespace

TEST_F(PanelControllerTest, ShowSlidesInVisibleReadoutsStaggeredAndHidesThemAfterTenSeconds)
{
    widgets.toggle(fieldHeader); // hidden by the user
    QCoreApplication::processEvents();
    controller->show();
    EXPECT_TRUE(controller->isVisible());
    EXPECT_TRUE(visibility.visible());
    EXPECT_EQ(serviceCalls, QList<bool>{true});
    EXPECT_EQ(cues, QList<PanelCue>{PanelCue::open});
    EXPECT_EQ(panels.size(), HUDLayout::specs().size());

    EXPECT_TRUE(shown(playerStatus));
    EXPECT_TRUE(shown(partyStrip));
    EXPECT_FALSE(shown(fieldHeader));
    EXPECT_FALSE(shown(targetCursor)); // follows the gaze
    EXPECT_FALSE(shown(nowPlaying)); // follows playback
    EXPECT_FALSE(shown(menuRail));

    const FakePanelWindow *hp = panels.value(playerStatus);
    ASSERT_EQ(hp->animations.size(), 1);
    EXPECT_EQ(hp->animations[0].delay, 0);
    EXPECT_EQ(panels.value(partyStrip)->animations[0].delay, 0.045);
    const QRectF expected(HUDLayout::origin(HUDLayout::spec(playerStatus), left, layout),
                          HUDLayout::scaledSize(HUDLayout::spec(playerStatus), left));
    EXPECT_EQ(hp->frame(), expected);
    EXPECT_EQ(hp->alpha(), 1.0);
    EXPECT_TRUE(hp->hasContent());
    EXPECT_DOUBLE_EQ(hp->contentScale, 0.72);

    runSeconds(9);
    EXPECT_TRUE(controller->isVisible());
    runSeconds(2);
    EXPECT_FALSE(controller->isVisible());
    EXPECT_FALSE(visibility.visible());
    EXPECT_EQ(serviceCalls, (QList<bool>{true, false}));
    EXPECT_FALSE(shown(playerStatus));
    EXPECT_FALSE(hp->hasContent()); // views exist only while shown
    EXPECT_FALSE(controller->readoutTimerRunning());
}

TEST_F(PanelControllerTest, ReadoutDeadlineMovesWhileMenuEditorOrCommandBarIsOpen)
{
    settings.setMenuIdle(0); // keep the menu up by itself
    controller->show();
    controller->toggleMenu();
    runSeconds(30);
    EXPECT_TRUE(controller->isVisible());
    controller->toggleMenu();
    commandBar = true;
    runSeconds(30);
    EXPECT_TRUE(controller->isVisible());
    commandBar = false;
    runSeconds(9);
    EXPECT_TRUE(controller->isVisible());
    runSeconds(2);
    EXPECT_FALSE(controller->isVisible());
}

TEST_F(PanelControllerTest, ChangingReadoutIdleRestartsTheDeadlineAndZeroIsAlwaysOn)
{
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

TEST_F(PanelControllerTest, MenuIdleClosesMenuOnlyWhenPointerStaysAway)
{
    settings.setMenuIdle(6);
    settings.setReadoutIdle(0);
    controller->show();
    controller->toggleMenu();
    ASSERT_TRUE(controller->menuVisible());
    EXPECT_TRUE(shown(menuRail));
    EXPECT_TRUE(shown(summaryPanel));
    EXPECT_TRUE(shown(skillSlots));

    const QRectF rail = panels.value(menuRail)->frame();
    controller->setRailRegions({QRectF(300, 100, 176, 46)});
    screens.setPointer({rail.left() + 350, rail.bottom() - 120});
    runSeconds(20);
    EXPECT_TRUE(controller->menuVisible());

    screens.setPointer({rail.left() + 20, rail.bottom() - 400});
    runSeconds(5);
    EXPECT_TRUE(controller->menuVisible());
    runSeconds(2);
    EXPECT_FALSE(controller->menuVisible());
    EXPECT_FALSE(shown(menuRail));
    EXPECT_TRUE(controller->isVisible()); // only the menu goes
    EXPECT_FALSE(controller->idleTimerRunning());

    // Within 12 points of another menu panel counts as on the menu.
    controller->toggleMenu();
    const QRectF summary = panels.value(summaryPanel)->frame();
    screens.setPointer({summary.left() - 11, summary.center().y()});
    runSeconds(10);
    EXPECT_TRUE(controller->menuVisible());
    screens.setPointer({summary.left() - 13, summary.center().y()});
    runSeconds(7);
    EXPECT_FALSE(controller->menuVisible());
}

TEST_F(PanelControllerTest, RehomesOnlyAfterDwellingOnAnotherScreen)
{
    screens.setScreens({left, right});
    controller->show();
    ASSERT_EQ(controller->hudScreen()->name, QStringLiteral("left"));
    screens.setPointer({2000, 700});
    controller->pointerUpdate();
    clock.advance(0.5);
    controller->pointerUpdate();
    EXPECT_EQ(controller->hudScreen()->name, QStringLiteral("left"));
    clock.advance(0.35);
    controller->pointerUpdate();
    EXPECT_EQ(controller->hudScreen()->name, QStringLiteral("right"));
    const QRectF hp = panels.value(playerStatus)->frame();
    EXPECT_TRUE(right.visibleFrame.contains(hp));
    EXPECT_EQ(hp.size(), QSizeF(475, 95)); // scaled for the wider screen
    EXPECT_DOUBLE_EQ(panels.value(playerStatus)->contentScale, 0.95);

    screens.setPointer({700, 450});
    controller->pointerUpdate();
    clock.advance(0.3);
    screens.setPointer({2000, 700});
    controller->pointerUpdate();
    clock.advance(2);
    controller->pointerUpdate();
    EXPECT_EQ(controller->hudScreen()->name, QStringLiteral("right"));
}

TEST_F(PanelControllerTest, SubPanelsReplaceEachOtherAndEscapeClosesOneThingAtATime)
{
    settings.setReadoutIdle(0);
    layout.setOffset(summaryPanel, -40, 0);
    controller->show();
    controller->toggleMenu();
    controller->openMenuPanel(skills);
    controller->openMenuPanel(inventory);
    EXPECT_FALSE(shown(skills));
    // Sub-panels sit left of the summary panel, on its offset.
    EXPECT_EQ(panels.value(inventory)->frame().topLeft(),
              HUDLayout::origin(HUDLayout::spec(inventory), left, layout));
    controller->showConfirmLogout();
    ASSERT_TRUE(shown(inventory));
    ASSERT_TRUE(shown(confirmLogout));
    cues.clear();

    controller->handleEscape();
    EXPECT_FALSE(controller->confirmVisible());
    EXPECT_FALSE(shown(confirmLogout));
    EXPECT_TRUE(shown(inventory));
    EXPECT_EQ(panels.value(confirmLogout)->alpha(), 1.0); // restored for next time

    controller->handleEscape();
    EXPECT_FALSE(shown(inventory));
    EXPECT_TRUE(controller->menuVisible());

    controller->handleEscape();
    EXPECT_FALSE(controller->menuVisible());
    EXPECT_TRUE(controller->isVisible());

    controller->handleEscape();
    EXPECT_FALSE(controller->isVisible());
    EXPECT_EQ(cues.mid(0, 3),
              (QList<PanelCue>{PanelCue::cancel, PanelCue::cancel, PanelCue::cancel}));
}

TEST_F(PanelControllerTest, ToggleHUDHidesWhileCommandBarOrSubPanelIsOpen)
{
    commandBar = true;
    controller->toggleHUD();
    EXPECT_FALSE(controller->isVisible());
    EXPECT_EQ(commandBarCloses, 1);

    controller->toggleHUD();
    EXPECT_TRUE(controller->isVisible());
    controller->openMenuPanel(inventory);
    runSeconds(11); // the readouts time out, the sub-panel stays (menu counts as open)
    EXPECT_TRUE(controller->isVisible());
    controller->hide();
    EXPECT_FALSE(shown(inventory));
    EXPECT_EQ(toastDismissals, 2);
}

TEST_F(PanelControllerTest, ReadoutsFadeNearThePointerInPlaceUntilLayoutEditing)
{
    controller->show();
    FakePanelWindow *hp = panels.value(playerStatus);
    const QRectF home = hp->frame();
    screens.setPointer({home.right() + 20, home.center().y()});
    controller->pointerUpdate();
    EXPECT_TRUE(controller->fadedPanels().contains(playerStatus));
    EXPECT_DOUBLE_EQ(hp->alpha(), 0.1);
    EXPECT_EQ(hp->animations.last().frame, home); // replaces the slide, still ends in place
    screens.setPointer({home.right() + 30, home.center().y()});
    controller->pointerUpdate();
    EXPECT_FALSE(controller->fadedPanels().contains(playerStatus));
    EXPECT_DOUBLE_EQ(hp->alpha(), 1.0);

    screens.setPointer(home.center());
    controller->pointerUpdate();
    ASSERT_TRUE(controller->fadedPanels().contains(playerStatus));
    controller->toggleLayoutEditing();
    EXPECT_TRUE(controller->layoutEditing());
    EXPECT_TRUE(controller->menuVisible());
    EXPECT_TRUE(panels.value(summaryPanel)->isClickThrough());
    EXPECT_TRUE(controller->fadedPanels().isEmpty());
    EXPECT_DOUBLE_EQ(hp->animations.last().alpha, 1.0); // at once, in place
    EXPECT_EQ(hp->animations.last().frame, home);
    EXPECT_DOUBLE_EQ(hp->animations.last().duration, 0);
    controller->handleEscape();
    EXPECT_FALSE(controller->layoutEditing());
    EXPECT_FALSE(panels.value(summaryPanel)->isClickThrough());
    EXPECT_TRUE(hp->isClickThrough());
}

TEST_F(PanelControllerTest, RailTakesClicksOnlyOverWhatItDraws)
{
    controller->show();
    controller->toggleMenu();
    FakePanelWindow *rail = panels.value(menuRail);
    controller->pointerUpdate();
    EXPECT_TRUE(rail->isClickThrough()); // nothing drawn reported yet
    controller->setRailRegions({QRectF(0, 0, 176, 46)});
    const QRectF f = rail->frame();
    screens.setPointer({f.left() + 180, f.bottom() - 20}); // 4 points right of the row
    controller->pointerUpdate();
    EXPECT_FALSE(rail->isClickThrough());
    screens.setPointer({f.left() + 190, f.bottom() - 20});
    controller->pointerUpdate();
    EXPECT_TRUE(rail->isClickThrough());

    // New rows under a pointer that stays still take clicks without waiting for it to move.
    controller->setRailRegions({QRectF(0, 0, 200, 46)});
    QCoreApplication::processEvents();
    EXPECT_FALSE(rail->isClickThrough());
    // While editing every press goes through to the editor.
    controller->toggleLayoutEditing();
    EXPECT_TRUE(rail->isClickThrough());
    controller->pointerUpdate();
    EXPECT_TRUE(rail->isClickThrough());
    controller->toggleLayoutEditing();
    EXPECT_FALSE(rail->isClickThrough());
    controller->hide();
    EXPECT_FALSE(rail->isClickThrough());
}

TEST_F(PanelControllerTest, WidgetChangesShowAndHidePanelsWhileShown)
{
    controller->show();
    widgets.toggle(partyStrip);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown(partyStrip));
    widgets.toggle(skillSlots); // a menu widget: hidden while the menu is closed anyway
    widgets.toggle(skillSlots);
    widgets.showAll();
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown(partyStrip));
    EXPECT_FALSE(shown(skillSlots));
    controller->toggleMenu();
    widgets.hideAll();
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown(playerStatus));
    EXPECT_FALSE(shown(summaryPanel));
    EXPECT_TRUE(shown(menuRail)); // not the user's to hide
}

TEST_F(PanelControllerTest, FollowsReportedMotionWithoutPollingAndStopsWatchingWhenHidden)
{
    screens.watching = true;
    controller->show();
    EXPECT_EQ(screens.watchers, 1);
    const QRectF hp = panels.value(playerStatus)->frame();
    screens.movePointer(hp.center());
    EXPECT_TRUE(controller->fadedPanels().contains(playerStatus));
    controller->toggleMenu(); // showing more panels does not watch twice
    EXPECT_EQ(screens.watchers, 1);
    controller->hide();
    EXPECT_EQ(screens.watchers, 0);
    screens.movePointer({700, 450});
    EXPECT_TRUE(controller->fadedPanels().isEmpty());
}

TEST_F(PanelControllerTest, TargetCursorSitsAboveTheGazedWindowWithinTheScreen)
{
    controller->show();
    const QSizeF size = HUDLayout::scaledSize(HUDLayout::spec(targetCursor), left);
    controller->setGaze(QRectF(400, 200, 600, 300));
    ASSERT_TRUE(shown(targetCursor));
    EXPECT_EQ(panels.value(targetCursor)->frame(),
              QRectF(700 - size.width() / 2, 506 - size.height(), size.width(), size.height()));
    EXPECT_FALSE(controller->cramped());
    // The pointer box hangs 120 points from the panel's top edge, 230 wide, plus 24 of margin.
    const QRectF f = panels.value(targetCursor)->frame();
    auto near = [this](double x, double y) {
        return controller->widgetsNear({x, y}).contains(targetCursor);
    };
    EXPECT_TRUE(near(f.center().x() + 115 + 23, f.bottom() - 10));
    EXPECT_FALSE(near(f.center().x() + 115 + 25, f.bottom() - 10));
    EXPECT_FALSE(near(f.center().x(), f.bottom() - 120 - 25));
    // Maximised: no room above, so pinned under the top edge, and the box shrinks to 90 × 70.
    controller->setGaze(QRectF(-10, 0, 1460, 875));
    const QRectF g = panels.value(targetCursor)->frame();
    EXPECT_TRUE(controller->cramped());
    EXPECT_DOUBLE_EQ(g.bottom(), 875 - 4);
    EXPECT_GE(g.left(), 4);
    EXPECT_FALSE(near(g.center().x() + 45 + 30, g.bottom() - 10));
    EXPECT_TRUE(near(g.center().x() + 45 + 20, g.bottom() - 10));
    controller->setPointerNear({targetCursor});
    EXPECT_DOUBLE_EQ(panels.value(targetCursor)->alpha(), 0.08);
    controller->setGaze(std::nullopt);
    EXPECT_FALSE(shown(targetCursor));
    widgets.toggle(targetCursor);
    controller->setGaze(QRectF(400, 200, 600, 300));
    EXPECT_FALSE(shown(targetCursor));
}

TEST_F(PanelControllerTest, NoScreensNoPanelsAndNowPlayingFollowsPlaybackOnlyWhileShown)
{
    screens.setScreens({});
    controller->show();
    EXPECT_FALSE(controller->isVisible());
    EXPECT_TRUE(panels.isEmpty());

    screens.setScreens({left});
    controller->setPlaying(true);
    EXPECT_FALSE(shown(nowPlaying));
    controller->show();
    EXPECT_TRUE(shown(nowPlaying)); // remembered from before
    controller->setPlaying(false);
    EXPECT_FALSE(shown(nowPlaying));
}

TEST_F(PanelControllerTest, EditorListsTheShownWidgetsAndStoresDropsAsOffsetsThatSurviveARestart)
{
    controller->show();
    controller->setGaze(QRectF(400, 200, 600, 300)); // the target cursor follows the gaze
    controller->toggleLayoutEditing();
    ASSERT_EQ(editorScreen, left);
    ASSERT_TRUE(editor.widgets);
    QList<HUDWidgetID> ids;
    QStringList titles;
    for (const EditableWidget &w : editor.widgets()) {
        ids << w.id;
        titles << w.title;
        EXPECT_EQ(w.contentFrame, panels.value(w.id)->frame());
        EXPECT_EQ(w.panel.lock().get(), panels.value(w.id));
    }
    EXPECT_EQ(ids,
              (QList<HUDWidgetID>{playerStatus, partyStrip, fieldHeader, menuRail, summaryPanel,
                                  skillSlots}));
    EXPECT_EQ(titles,
              (QStringList{"HP Bar", "Party Bars", "Clock", "Menu", "Summary", "Quick Bar"}));
    const QPointF home = HUDLayout::frame(HUDLayout::spec(playerStatus), left).topLeft();
    editor.commit(playerStatus, home + QPointF(40, -200));
    EXPECT_EQ(layout.offset(playerStatus), QPointF(40, -200));
    EXPECT_EQ(panels.value(playerStatus)->frame().topLeft(), home + QPointF(40, -200));
    EXPECT_EQ(HUDLayoutStore(defaults).offset(playerStatus), QPointF(40, -200));

    make();
    controller->show();
    EXPECT_EQ(panels.value(playerStatus)->frame().topLeft(), home + QPointF(40, -200));
    controller->toggleLayoutEditing();
    editor.commit(playerStatus, home + QPointF(0.3, -0.2)); // back home: no offset kept
    EXPECT_TRUE(layout.offsets().isEmpty());

    // A dropped sub-panel moves the summary panel it follows.
    controller->openMenuPanel(inventory);
    const QPointF inv = HUDLayout::frame(HUDLayout::spec(inventory), left).topLeft();
    const QPointF sum = HUDLayout::frame(HUDLayout::spec(summaryPanel), left).topLeft();
    editor.commit(inventory, inv + QPointF(-16, 40));
    EXPECT_EQ(layout.offset(summaryPanel), QPointF(-16, 40));
    EXPECT_FALSE(layout.offsets().contains(QStringLiteral("inventory")));
    EXPECT_EQ(panels.value(inventory)->frame().topLeft(), inv + QPointF(-16, 40));
    EXPECT_EQ(panels.value(summaryPanel)->frame().topLeft(), sum + QPointF(-16, 40));
}

TEST_F(PanelControllerTest, ResetLayoutFromControllerAndEditorThenDone)
{
    const QPointF home = HUDLayout::frame(HUDLayout::spec(playerStatus), left).topLeft();
    layout.setOffset(playerStatus, 200, -100);
    controller->show();
    EXPECT_NE(panels.value(playerStatus)->frame().topLeft(), home);
    controller->resetLayout();
    EXPECT_EQ(panels.value(playerStatus)->frame().topLeft(), home);
    EXPECT_EQ(layout.offset(playerStatus), QPointF(0, 0));

    layout.setOffset(playerStatus, 200, -100);
    controller->toggleLayoutEditing();
    editor.reset();
    EXPECT_TRUE(layout.offsets().isEmpty());
    EXPECT_EQ(panels.value(playerStatus)->frame().topLeft(), home);

    cues.clear();
    editor.done();
    EXPECT_FALSE(controller->layoutEditing());
    EXPECT_EQ(editorCloses, 1);
    EXPECT_EQ(cues, QList<PanelCue>{PanelCue::close});
    EXPECT_TRUE(panels.value(playerStatus)->isClickThrough());
    EXPECT_FALSE(panels.value(summaryPanel)->isClickThrough());
    editor.done();
    EXPECT_EQ(editorCloses, 1);
    editor.commit(playerStatus, {500, 500});
    EXPECT_TRUE(layout.offsets().isEmpty());
}

TEST_F(PanelControllerTest, EditingHoldsTheClocksHidingClosesItAndItsActionsOutliveNothing)
{
    screens.setPointer({100, 400}); // away from the menu
    controller->show();
    controller->toggleLayoutEditing();
    runSeconds(60);
    EXPECT_TRUE(controller->isVisible());
    EXPECT_TRUE(controller->menuVisible());
    editor.done();
    runSeconds(11);
    EXPECT_FALSE(controller->menuVisible());
    EXPECT_TRUE(controller->isVisible());
    runSeconds(11);
    EXPECT_FALSE(controller->isVisible());

    controller->show();
    controller->toggleLayoutEditing();
    controller->hide();
    EXPECT_EQ(editorCloses, 2);
    EXPECT_FALSE(controller->layoutEditing());
    controller->toggleLayoutEditing(); // from a hidden HUD: shows it and opens the menu
    EXPECT_TRUE(controller->isVisible());
    EXPECT_TRUE(controller->menuVisible());
    EXPECT_TRUE(controller->layoutEditing());

    const EditorActions kept = editor;
    controller.reset();
    layout.setOffset(partyStrip, 50, 50);
    EXPECT_TRUE(kept.widgets().isEmpty());
    kept.commit(playerStatus, {300, 300});
    kept.reset();
    kept.done();
    EXPECT_EQ(layout.offset(partyStrip), QPointF(50, 50));
    EXPECT_EQ(layout.offsets().size(), 1);
}
