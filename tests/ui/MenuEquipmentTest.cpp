#include "clipboard/ClipboardHistory.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWindowSystem.h"
#include "fakes/FakeWorkspace.h"
#include "hud/HUDLayout.h"
#include "monitors/RunningAppsMonitor.h"
#include "ui/menu/CoreEquipment.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuSelection.h"
#include "ui/widgets/ReadoutViews.h"
#include "widgets/WidgetTestSupport.h"
#include "windows/WindowArranger.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using CoreWidgets::CoreEquipment;

namespace {

constexpr pid_t ownPid = 4242;

Loadout loadout(const QString &name, const QStringList &apps)
{
    Loadout l{QUuid::createUuid(), name, QDateTime::currentDateTimeUtc(), {}};
    for (const QString &app : apps)
        l.entries << Loadout::Entry{app.toLower(), app, 0, 0, 0, 0.5, 1, "1440x900"};
    return l;
}

} // namespace

class EquipmentView : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    FakeWindowSystem windows;
    FakeWorkspace workspace;
    FakeScreens screens;
    FakeAppPaths paths{dir.filePath("Vantle"), {}};
    FakeClock clock;
    FakeFeedback feedback;
    QList<CoreSoundEngine::Cue> cues;
    std::unique_ptr<WindowArranger> arranger;

    void SetUp() override
    {
        WidgetTest::registerThemeFonts();
        screens.setScreens({FakeScreens::make("primary", {0, 0, 1440, 900})});
    }

    void make(const QList<Loadout> &saved = {})
    {
        if (!saved.isEmpty()) {
            QFile file(paths.dataFile("loadouts.json"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(Loadout::encode(saved));
        }
        arranger = std::make_unique<WindowArranger>(
            windows, workspace, screens, paths, clock, feedback,
            [] { return std::optional<pid_t>(); }, ownPid);
    }

    std::unique_ptr<CoreEquipment> view()
    {
        return std::make_unique<CoreEquipment>(*arranger,
                                               [this](CoreSoundEngine::Cue c) { cues << c; });
    }
};

TEST_F(EquipmentView, UntrustedShowsAllowThenAZoneSnapsTheWindowInFront)
{
    workspace.apps << FakeWorkspace::make(100, "Text Editor", "org.gnome.TextEditor");
    workspace.front = 100;
    windows.standard.insert(100, {7});
    windows.frames.insert(7, QRectF(100, 100, 400, 300));
    windows.trust = false;
    make();
    auto panel = view();
    EXPECT_TRUE(panel->allowButton()->isVisibleTo(panel.get()));
    windows.trust = true;
    panel->allowButton()->click(); // checks again
    EXPECT_TRUE(arranger->trusted());
    EXPECT_FALSE(panel->allowButton()->isVisibleTo(panel.get()));
    panel->zoneButtons()[0]->click(); // left half
    ASSERT_TRUE(windows.frames.contains(7));
    EXPECT_EQ(windows.frames.value(7).left(), 0);
    EXPECT_EQ(windows.frames.value(7).width(), 720);
}

TEST_F(EquipmentView, ZonesInTheirGridThenLoadoutRowsThatDeleteWithTheCancelCue)
{
    {
        make();
        auto panel = view();
        const auto &zones = panel->zoneButtons();
        QStringList titles;
        for (SnapZone zone : SnapZones::all())
            titles << SnapZones::title(zone);
        EXPECT_EQ(WidgetTest::accessibleNames(zones), titles);
        // Five columns 80 points apart; the sixth zone starts the second row.
        EXPECT_EQ(zones[1]->x() - zones[0]->x(), 80);
        EXPECT_EQ(zones[5]->x(), zones[0]->x());
        EXPECT_GT(zones[5]->y(), zones[4]->y());
        EXPECT_FALSE(panel->allowButton()->isVisibleTo(panel.get()));
        EXPECT_FALSE(panel->emptyText().isEmpty());
    }
    make({loadout("Code + Docs", {"Code", "Code", "Firefox"}), loadout("Mail", {"Thunderbird"})});
    auto panel = view();
    EXPECT_TRUE(panel->emptyText().isEmpty());
    EXPECT_EQ(WidgetTest::accessibleNames(panel->loadoutRows()),
              QStringList({"Code + Docs", "Mail"}));
    EXPECT_EQ(panel->loadoutRows()[0]->toolTip(),
              "Equip: launches any missing apps and puts 3 windows back where you saved them.");
    EXPECT_EQ(panel->deleteButtons()[1]->accessibleName(), "Delete loadout Mail");
    EXPECT_EQ(CoreEquipment::windowCount(1) + ", " + CoreEquipment::windowCount(3),
              "1 window, 3 windows");

    panel->deleteButtons()[0]->click();
    EXPECT_EQ(cues, QList<CoreSoundEngine::Cue>{CoreSoundEngine::Cue::cancel});
    ASSERT_EQ(arranger->loadouts().size(), 1);
    EXPECT_EQ(arranger->loadouts()[0].name, "Mail");
    EXPECT_EQ(WidgetTest::accessibleNames(panel->loadoutRows()), QStringList{"Mail"});
    // The replaced buttons go once the click has returned.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(panel->findChildren<MenuPaintedButton *>().size(), 10 + 2 + 2);
}

TEST_F(EquipmentView, FactoryBuildsEveryViewAtItsPanelSizeOnlyOverItsModels)
{
    make();
    WidgetTest::Metrics metrics;
    FakePasteboard pasteboard;
    FakeUserDefaults defaults;
    ClipboardHistory history(pasteboard, workspace, defaults, paths, clock, ownPid);
    RunningAppsMonitor apps(workspace, ownPid, {});
    MenuSelection selection;
    const ReadoutModels models{.metrics = &metrics.start(),
                               .menuSelection = &selection,
                               .runningApps = &apps,
                               .clipboard = &history,
                               .arranger = arranger.get()};
    for (const WidgetSpec &spec : HUDLayout::specs()) {
        SCOPED_TRACE(HUDWidget::rawValue(spec.id).toStdString());
        std::unique_ptr<QWidget> view(makeReadoutView(spec.id, models));
        std::unique_ptr<QWidget> bare(makeReadoutView(spec.id, ReadoutModels{}));
        const bool modelless = spec.id == HUDWidgetID::targetCursor
            || spec.id == HUDWidgetID::nowPlaying || spec.id == HUDWidgetID::skillSlots
            || spec.id == HUDWidgetID::confirmLogout;
        EXPECT_EQ(bare != nullptr, modelless);
        if (spec.id == HUDWidgetID::skills) {
            EXPECT_EQ(view, nullptr) << "the skill book has no view yet";
            continue;
        }
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->size(), spec.size.toSize());
    }
}
