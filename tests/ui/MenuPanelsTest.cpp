#include "clipboard/ClipboardHistory.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeSystemLog.h"
#include "fakes/FakeToolRunner.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"
#include "hud/HUDLayout.h"
#include "monitors/RunningAppsMonitor.h"
#include "skills/SkillBook.h"
#include "support/TestHelpers.h"
#include "ui/CoreSoundEngine.h"
#include "ui/menu/CoreEquipment.h"
#include "ui/menu/CoreFigure.h"
#include "ui/menu/CoreInventory.h"
#include "ui/menu/CoreSkills.h"
#include "ui/menu/CoreSummaryPanel.h"
#include "ui/menu/InventoryText.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuSelection.h"
#include "ui/menu/SummaryRing.h"
#include "ui/widgets/ConfirmLogout.h"
#include "ui/widgets/FieldHeader.h"
#include "ui/widgets/NowPlaying.h"
#include "ui/widgets/PartyStrip.h"
#include "ui/widgets/PlayerStatus.h"
#include "ui/widgets/QuestLog.h"
#include "ui/widgets/ReadoutViewFactory.h"
#include "ui/widgets/ReadoutViews.h"
#include "ui/widgets/SkillSlotTile.h"
#include "ui/widgets/SkillSlots.h"
#include "widgets/WidgetTestSupport.h"
#include "windows/WindowArranger.h"

#include <QAction>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using CoreWidgets::CoreEquipment;
using CoreWidgets::CoreInventory;
using CoreWidgets::CoreSummaryPanel;

namespace {

constexpr pid_t ownPid = 4242;

ClipItem clip(const QString &text, const QDateTime &date, const QString &app = {})
{
    return {QUuid::createUuid(), text, date, app};
}

Loadout loadout(const QString &name, const QStringList &apps)
{
    Loadout l{QUuid::createUuid(), name, QDateTime::currentDateTimeUtc(), {}};
    for (const QString &app : apps)
        l.entries << Loadout::Entry{app.toLower(), app, 0, 0, 0, 0.5, 1, "1440x900"};
    return l;
}

RunningApp app(pid_t pid, const QString &name, int launchedMinutesAgo)
{
    return FakeWorkspace::make(pid, name, {}, true,
                               QDateTime::currentDateTimeUtc().addSecs(-60 * launchedMinutesAgo));
}

} // namespace

TEST(InventoryText, CaptionsShortTextCountsAndSearch)
{
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    // A clock set back (a copy stamped in the future) still reads as new.
    const std::tuple<int, const char *, const char *> captions[]
        = {{9, "", "JUST NOW"},
           {10, "", "10 SECONDS AGO"},
           {-60, "", "JUST NOW"},
           {300, "Text Editor", "5 MINUTES AGO  ·  TEXT EDITOR"},
           {0, "Firefox", "JUST NOW  ·  FIREFOX"}};
    for (const auto &[ago, app, caption] : captions)
        EXPECT_EQ(InventoryText::caption(clip("a", now.addSecs(-ago), app), now, "en_US"), caption);

    EXPECT_EQ(InventoryText::shortText("  one\n\ttwo   three \n"), "one two three");
    // An emoji straddling the cut is dropped whole, never halved.
    EXPECT_EQ(InventoryText::shortText(QString("abc") + QString::fromUtf8("😀") + "de", 4), "abc…");

    const QList<ClipItem> clips{clip("Meeting notes\nfor Monday", now), clip("grocery list", now)};
    EXPECT_EQ(InventoryText::matching(clips, "  "), clips);
    EXPECT_EQ(InventoryText::matching(clips, "NOTES monday"), QList{clips[0]});
    EXPECT_TRUE(InventoryText::matching(clips, "notes tuesday").isEmpty());
}

TEST(SummaryGeometry, TheFigureFillsItsRectAndTheRingStartsOnTopThenRunsClockwise)
{
    const QPainterPath path = CoreFigure(QRectF(10, 20, 50, 110));
    EXPECT_TRUE(QRectF(10, 20, 50, 110).contains(path.boundingRect()));

    // A quarter of the way round is on the right (y grows downwards), half way at the bottom.
    const SummaryRing::Ellipse ring{{100, 200}, 80, 120};
    for (const auto &[slot, centre] :
         {std::pair{0, QPointF(100, 80)}, {3, {180, 200}}, {6, {100, 320}}, {9, {20, 200}}})
        EXPECT_EQ(SummaryRing::slotCentre(ring, slot, 12), centre) << slot;
}

// The models of the menu's panels over fakes, with a text editor in front.
struct Panels : ::testing::Test
{
    void SetUp() override
    {
        WidgetTest::registerThemeFonts();
        workspace.apps = {FakeWorkspace::make(100, "Text Editor", "org.gnome.TextEditor"),
                          FakeWorkspace::make(ownPid, "Vantle", "vantle")};
        workspace.front = 100;
        screens.setScreens({FakeScreens::make("primary", {0, 0, 1440, 900})});
    }

    void copy(const QString &text)
    {
        pasteboard.externalCopy(text);
        history.poll();
    }

    std::unique_ptr<CoreInventory> inventory()
    {
        auto view = std::make_unique<CoreInventory>(
            history, CoreInventory::Inputs{[this] { return clock.now(); }, "en_US"});
        QObject::connect(view.get(), &CoreInventory::copied, [this] { events << "copied"; });
        QObject::connect(view.get(), &CoreInventory::pasteRequested,
                         [this](const ClipItem &c) { events << "paste " + c.text; });
        return view;
    }

    std::unique_ptr<CoreEquipment> equipment(const QList<Loadout> &saved = {})
    {
        writeFile(paths.dataFile("loadouts.json"), Loadout::encode(saved));
        arranger = std::make_unique<WindowArranger>(
            windows, workspace, screens, paths, clock, feedback,
            [] { return std::optional<pid_t>(); }, ownPid);
        auto view = std::make_unique<CoreEquipment>(*arranger);
        QObject::connect(view.get(), &CoreEquipment::cue, [this](SoundCue c) { cues << c; });
        return view;
    }

    QTemporaryDir dir;
    FakeAppPaths paths{dir.path(), {}};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeUserDefaults defaults;
    FakeClock clock;
    ClipboardHistory history{pasteboard, workspace, defaults, paths, clock, ownPid};
    QStringList events; // the inventory's pastes and callbacks
    FakeWindowSystem windows;
    FakeScreens screens;
    FakeFeedback feedback;
    QList<SoundCue> cues;
    std::unique_ptr<WindowArranger> arranger;
    FakeToolRunner tools;
    FakeSystemLog log;
    SkillBook book{tools,
                   defaults,
                   log,
                   feedback,
                   {[this] { return arranger ? arranger->loadouts() : QList<Loadout>(); }},
                   "vantle-shortcuts"};
    RunningAppsMonitor apps{workspace, 1, feedback};
    MenuSelection selection;
};

TEST_F(Panels, SummaryFillsTwelveSlotsInOrderSwitchesOnlyFilledOnesAndShowsTheSelection)
{
    workspace.apps = {app(10, "Files", 30), app(11, "Terminal", 20), app(12, "Firefox", 10)};
    workspace.front = 11;
    apps.refresh();
    CoreSummaryPanel panel(selection, apps);
    const auto &buttons = panel.slotButtons();
    EXPECT_EQ(WidgetTest::accessibleNames(buttons),
              QStringList({"Files", "Terminal, frontmost", "Firefox"})
                  + QStringList(9, "Empty slot"));
    // Slot 0 at the top of the ring, slot 3 to the right of the figure.
    EXPECT_LT(buttons[0]->geometry().center().y(), panel.figureRect().top());
    EXPECT_GT(buttons[3]->geometry().center().x(), panel.figureRect().right());

    buttons[1]->click();
    buttons[5]->click();
    EXPECT_EQ(workspace.activations, QList<pid_t>{11}) << "an empty slot does nothing";
    EXPECT_EQ(std::ranges::count(feedback.cues, SoundCue::select, &QPair<SoundCue, float>::first),
              1);

    const QImage before = WidgetTest::render(panel);
    selection.select("Settings", "Clock", "clock.fill", "Shown");
    const QImage after = WidgetTest::render(panel);
    // The header changes with the selection; the figure below stays, dark ink on the light plate.
    EXPECT_NE(before.copy(60, 18, 170, 40), after.copy(60, 18, 170, 40));
    const QPoint chest = panel.figureRect().center().toPoint();
    EXPECT_EQ(before.pixel(chest), after.pixel(chest));
    EXPECT_LT(QColor(after.pixel(chest)).lightness(), 120);

    // A hovered app that quits is forgotten.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(panel.slotButtons()[0], &enter);
    EXPECT_EQ(panel.hovered(), std::optional<pid_t>(10));
    workspace.apps = {app(20, "Mail", 5)};
    apps.refresh();
    EXPECT_EQ(panel.slotButtons()[0]->accessibleName(), "Mail");
    EXPECT_FALSE(panel.hovered());
}

TEST_F(Panels, EmptyPackSearchMissesPinnedFirstAndFooterButtonsThatClearAndPause)
{
    auto view = inventory();
    EXPECT_TRUE(view->tiles().isEmpty() && !view->clearButton()->isVisibleTo(view.get()));

    copy("first copy");
    EXPECT_TRUE(view->tiles().size() == 1 && view->emptyText().isEmpty());
    view->searchField()->setText("zebra");
    EXPECT_TRUE(view->tiles().isEmpty());
    EXPECT_TRUE(view->clearButton()->isVisibleTo(view.get()));
    view->clearButton()->click();
    EXPECT_TRUE(view->searchField()->text().isEmpty() && view->tiles().size() == 1);

    clock.advance(120);
    copy("second copy");
    history.togglePin(history.items().last().id); // "first copy"
    EXPECT_EQ(WidgetTest::accessibleNames(view->tiles()),
              QStringList({"pinned: first copy", "copied item: second copy"}));
    EXPECT_EQ(view->footerText(), "2 items + 1 pinned");
    view->clearUnpinnedButton()->click();
    EXPECT_EQ(WidgetTest::accessibleNames(view->tiles()), QStringList{"pinned: first copy"});
    const QString recording = view->recordingButton()->toolTip();
    view->recordingButton()->click();
    EXPECT_FALSE(history.isRecording());
    EXPECT_NE(view->recordingButton()->toolTip(), recording) << "the help follows the state";
}

TEST_F(Panels, TileClickCopiesBackAndTheMenuActs)
{
    copy("alpha");
    copy("beta");
    auto view = inventory();
    ASSERT_EQ(view->tiles().size(), 2);
    view->tiles()[1]->click(); // "alpha"
    EXPECT_EQ(pasteboard.text, std::optional<QString>("alpha"));
    EXPECT_EQ(events, QStringList{"copied"});

    std::unique_ptr<QMenu> menu(view->actionsMenu(0));
    const QList<QAction *> actions = menu->actions();
    ASSERT_EQ(WidgetTest::mapped(actions, &QAction::text),
              QStringList({"Paste", "Pin", "Delete", "Never record copies from Text Editor"}));
    actions[0]->trigger();
    EXPECT_EQ(events, QStringList({"copied", "paste alpha"}));
    actions[1]->trigger();
    EXPECT_TRUE(view->shown().first().pinned);
    std::unique_ptr<QMenu> pinnedMenu(view->actionsMenu(0));
    EXPECT_EQ(pinnedMenu->actions()[1]->toolTip(), "Unpin");
    pinnedMenu->actions()[3]->trigger();
    EXPECT_TRUE(history.ignoredBundles().contains("org.gnome.TextEditor"));
    std::unique_ptr<QMenu> again(view->actionsMenu(0));
    again->actions()[2]->trigger(); // Delete
    EXPECT_TRUE(view->shown().isEmpty());
}

TEST_F(Panels, UntrustedAsksForAccessZonesSnapTheWindowInFrontLoadoutRowsDeleteWithACue)
{
    {
        windows.standard.insert(100, {7});
        windows.frames.insert(7, QRectF(100, 100, 400, 300));
        windows.trust = false;
        auto panel = equipment();
        EXPECT_TRUE(panel->allowButton()->isVisibleTo(panel.get()));
        windows.trust = true;
        panel->allowButton()->click(); // checks again
        EXPECT_TRUE(arranger->trusted() && !panel->allowButton()->isVisibleTo(panel.get()));
        EXPECT_FALSE(panel->emptyText().isEmpty());
        const auto &zones = panel->zoneButtons();
        EXPECT_EQ(WidgetTest::accessibleNames(zones),
                  WidgetTest::mapped(SnapZones::all(), SnapZones::title));
        // Five columns: the sixth zone starts the second row.
        EXPECT_EQ(zones[5]->x(), zones[0]->x());
        EXPECT_GT(zones[5]->y(), zones[4]->y());
        zones[0]->click(); // left half
        EXPECT_EQ(windows.frames.value(7), QRectF(0, 0, 720, 900));
    }
    auto panel = equipment(
        {loadout("Code + Docs", {"Code", "Code", "Firefox"}), loadout("Mail", {"Thunderbird"})});
    EXPECT_TRUE(panel->emptyText().isEmpty());
    EXPECT_EQ(WidgetTest::accessibleNames(panel->loadoutRows()),
              QStringList({"Code + Docs", "Mail"}));
    EXPECT_TRUE(panel->loadoutRows()[0]->toolTip().contains(" 3 windows "));

    panel->deleteButtons()[0]->click();
    EXPECT_EQ(cues, QList<SoundCue>{SoundCue::cancel});
    EXPECT_EQ(WidgetTest::mapped(arranger->loadouts(), &Loadout::name), QStringList{"Mail"});
    EXPECT_EQ(WidgetTest::accessibleNames(panel->loadoutRows()), QStringList{"Mail"});
    // The replaced buttons go once the click has returned.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(panel->findChildren<MenuPaintedButton *>().size(), 10 + 3 + 2);
}

TEST_F(Panels, FactoryBuildsEveryViewAtItsPanelSizeOnlyOverItsModels)
{
    equipment();
    WidgetTest::Metrics metrics;
    SystemMetricsService &m = metrics.start();
    using namespace CoreWidgets;
    // Every view but the rail's (read in MenuTreeTest) over the fixture's models; the bare ones
    // are built without their optional models.
    const std::pair<HUDWidgetID, ReadoutViewFactory::Maker> makers[] = {
        {HUDWidgetID::playerStatus, [&](QWidget *p) { return new PlayerStatus(m, {}, p); }},
        {HUDWidgetID::partyStrip,
         [&](QWidget *p) { return ReadoutViews::partyStrip(m, nullptr, p); }},
        {HUDWidgetID::fieldHeader, [&](QWidget *p) { return new FieldHeader(m, p); }},
        {HUDWidgetID::targetCursor,
         [&](QWidget *p) { return ReadoutViews::targetCursor(nullptr, nullptr, {}, p); }},
        {HUDWidgetID::nowPlaying, [&](QWidget *p) { return ReadoutViews::nowPlaying(nullptr, p); }},
        {HUDWidgetID::questLog,
         [&](QWidget *p) { return ReadoutViews::questLog(m, nullptr, nullptr, nullptr, p); }},
        {HUDWidgetID::skillSlots,
         [&](QWidget *p) { return ReadoutViews::skillSlots(&book, nullptr, p); }},
        {HUDWidgetID::confirmLogout, [&](QWidget *p) { return new ConfirmLogout(p); }},
        {HUDWidgetID::summaryPanel,
         [&](QWidget *p) { return new CoreSummaryPanel(selection, apps, p); }},
        {HUDWidgetID::inventory, [&](QWidget *p) { return new CoreInventory(history, {}, p); }},
        {HUDWidgetID::equipment, [&](QWidget *p) { return new CoreEquipment(*arranger, p); }},
        {HUDWidgetID::skills, [&](QWidget *p) { return new CoreSkills(book, nullptr, p); }},
    };
    ReadoutViewFactory views;
    for (const auto &[id, make] : makers)
        views.add(id, make);
    EXPECT_EQ(views.make(HUDWidgetID::menuRail), nullptr) << "no maker registered";
    views.add(HUDWidgetID::menuRail, [](QWidget *) { return nullptr; });
    EXPECT_EQ(views.make(HUDWidgetID::menuRail), nullptr) << "a maker that has no view";
    for (const WidgetSpec &spec : HUDLayout::specs()) {
        if (spec.id == HUDWidgetID::menuRail)
            continue;
        SCOPED_TRACE(HUDWidget::rawValue(spec.id).toStdString());
        std::unique_ptr<QWidget> view(views.make(spec.id));
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->size(), spec.size.toSize());
    }
}

TEST_F(Panels, SkillsListTheirSectionsAndStarsFillTheQuickBarEquipmentStarsLoadouts)
{
    tools.handler = [](const QString &, const QStringList &args) {
        return exited(0, args.value(0) == "list" ? "Backup\n" : "");
    };
    auto equipmentPanel = equipment({loadout("Desk", {"Code"})});
    equipmentPanel->setSkillBook(&book);
    book.reload();
    while (book.isBusy())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    auto panel = std::make_unique<CoreWidgets::CoreSkills>(book);
    std::unique_ptr<CoreWidgets::SkillSlots> bar(ReadoutViews::skillSlots(&book, nullptr));
    const QString desk = SkillBook::loadoutSkill(arranger->loadouts()[0]).id;
    EXPECT_EQ(panel->rowIDs(),
              (QList<QString>{"builtin:focus", "builtin:wake", "builtin:unload", desk,
                              "shortcut:Backup"}));
    EXPECT_TRUE(panel->emptyTexts().isEmpty());

    // Starring from either panel fills the next quick-bar slot.
    panel->stars()[4]->click();
    equipmentPanel->starButtons()[0]->click();
    EXPECT_EQ(mapped(bar->tiles(),
                     [](auto *tile) { return tile->isEmpty() ? QString() : tile->skill()->id; }),
              (QStringList{"builtin:focus", "shortcut:Backup", desk, ""}));
    EXPECT_EQ(equipmentPanel->starButtons()[0]->accessibleName(), "Remove Desk from the quick bar");

    // A quick-bar tile runs its skill.
    bar->tiles()[1]->click();
    while (book.isBusy())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(tools.calls.last().arguments, (QStringList{"run", "Backup"}));

    // A running Shortcut's row stops it; the run then reports as failed.
    tools.holdStoppableRuns = true;
    panel->rows()[4]->click();
    EXPECT_TRUE(book.running().contains("shortcut:Backup"));
    panel->rows()[4]->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !book.isBusy(); }, 3000));
    EXPECT_EQ(feedback.toasts.last().title, "Backup failed");
}

// The pointer passing over tiles and rows ticks at each panel's volume, through the engine's
// throttle, so a quick sweep does not buzz; deleting a clip sounds the cancel cue.
TEST_F(Panels, HoverTicksAtEachPanelsVolumeThrottledAndDeletingAClipCancels)
{
    struct Player final : CueSoundPlayer
    {
        QStringList &played;
        QString name;
        float volume = 0;
        Player(QStringList &log, QString cue)
            : played(log)
            , name(std::move(cue))
        { }
        void setVolume(float v) override { volume = v; }
        void restart() override { played << name + ' ' + QString::number(volume); }
    };
    QStringList played;
    CoreSoundEngine engine(KAIDRO_RESOURCES_DIR "/sounds", clock, [&](const QString &path) {
        return std::make_unique<Player>(played, QFileInfo(path).completeBaseName());
    });
    const auto sound = [&engine](auto *view) {
        QObject::connect(view, &std::remove_pointer_t<decltype(view)>::cue, &engine,
                         [&engine](SoundCue cue, float volume) { engine.play(cue, volume); });
    };
    const auto pass = [](QWidget *w) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(w, &enter);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    };
    for (const char *text : {"one", "two", "three"})
        copy(text);
    auto pack = inventory();
    sound(pack.get());
    clock.advance(1);
    for (MenuPaintedButton *tile : pack->tiles()) {
        pass(tile); // 50 ms apart: the second is within the throttle, the third is not
        clock.advance(0.05);
    }
    EXPECT_EQ(played, QStringList({"zel_hover 0.35", "zel_hover 0.35"}));

    auto tools = equipment();
    sound(tools.get());
    CoreWidgets::CoreSkills skills(book);
    sound(&skills);
    clock.advance(1);
    pass(tools->zoneButtons()[0]);
    clock.advance(1);
    ASSERT_FALSE(skills.rows().isEmpty());
    pass(skills.rows()[0]);
    std::unique_ptr<QMenu> menu(pack->actionsMenu(0));
    menu->actions()[2]->trigger(); // Delete
    EXPECT_EQ(played.mid(2), QStringList({"zel_hover 0.3", "zel_hover 0.35", "zel_cancel 1"}));
    EXPECT_EQ(history.items().size(), 2);
}
