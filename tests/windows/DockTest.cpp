#include "ArrangerFixture.h"
#include "windows/DockWatcher.h"

#include "fakes/FakeUserDefaults.h"
#include "support/TestHelpers.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using Monitors = QList<Loadout::Monitor>;
// Model coordinates: the right screen sits level with the left one's top.
const ScreenInfo kLeft{"DUMMY0", {0, 0, 1440, 900}, {0, 0, 1440, 900}, "edid-a"};
const ScreenInfo kRight{"DUMMY1", {1440, 100, 1280, 800}, {1440, 100, 1280, 800}, "edid-b"};

// Two screens, an app with a window on each, the watcher over fakes.
class Dock : public Arranger
{
protected:
    FakeUserDefaults defaults;
    std::unique_ptr<DockWatcher> dock;
    const QRectF leftFrame{100, 100, 500, 400}, rightFrame{1600, 200, 600, 300}; // root, y down

    void SetUp() override
    {
        screens.setScreens({kLeft, kRight});
        addApp(10, "Editor", "editor", {7, 8});
        windows.frames = {{7, leftFrame}, {8, rightFrame}};
        make();
        dock = std::make_unique<DockWatcher>(*arranger, screens, feedback, defaults);
    }
    // The second screen goes, the windows are gathered on the first, then it comes back in two
    // steps, as a dock brings it up; every wait runs.
    void unplugAndReplug()
    {
        screens.setScreens({kLeft});
        feedback.runLater();
        windows.frames = {{7, {0, 0, 300, 300}}, {8, {40, 40, 300, 300}}};
        screens.setScreens({kLeft, {kRight.name, kRight.frame, kRight.frame}});
        screens.setScreens({kLeft, kRight});
        feedback.runLater();
    }
    QStringList toastTitles() const { return mapped(feedback.toasts, &FakeFeedback::Toast::title); }
};

} // namespace

TEST_F(Dock, ABoundLoadoutComesBackOnceWhenItsMonitorsReturnAndOnlyThen)
{
    arranger->captureLoadout(true);
    ASSERT_EQ(arranger->loadouts().size(), 1);
    EXPECT_EQ(arranger->loadouts()[0].monitors,
              (Monitors{{"DUMMY0", "edid-a", {0, 0, 1440, 900}},
                        {"DUMMY1", "edid-b", {1440, 100, 1280, 800}}}));
    feedback.toasts.clear();
    unplugAndReplug();
    // Nothing for the one screen; the wait restarted at each step, so one equip.
    EXPECT_EQ(windows.frames.value(7), leftFrame);
    EXPECT_EQ(windows.frames.value(8), rightFrame);
    EXPECT_EQ(toastTitles(), QStringList{"Docked: Editor"});
    EXPECT_EQ(feedback.toasts.value(0).message, "2 windows placed.");
    // The work area moving is not a new set of monitors.
    screens.setScreens({kLeft, {kRight.name, kRight.frame, kRight.frame.adjusted(0, 0, 0, -30)}});
    EXPECT_EQ(feedback.runLater(), 1);
    EXPECT_EQ(feedback.toasts.size(), 1);

    // Another monitor on the same connector is another set; so is the setting turned off.
    screens.setScreens({kLeft, {kRight.name, kRight.frame, kRight.frame, "edid-c"}});
    feedback.runLater();
    defaults.setValue(DockWatcher::enabledKey, false);
    unplugAndReplug();
    EXPECT_EQ(feedback.toasts.size(), 1);
    EXPECT_EQ(windows.frames.value(7), QRectF(0, 0, 300, 300));
}

TEST_F(Dock, AnUnboundLoadoutNeverMovesAnythingAndTheDockLayoutReplacesOnlyItsOwnKind)
{
    arranger->captureLoadout();
    unplugAndReplug();
    EXPECT_EQ(windows.moves.size(), 0);
    EXPECT_EQ(feedback.toasts.size(), 1); // "Loadout saved"

    arranger->captureLoadout(true);
    arranger->saveDockLoadout();
    arranger->saveDockLoadout();
    EXPECT_EQ(mapped(arranger->loadouts(), &Loadout::name),
              (QStringList{"Dock: DUMMY0 + DUMMY1", "Editor", "Editor"}));
    // The newest bound one is the one that docks.
    EXPECT_EQ(arranger->boundTo(Loadout::monitorsOf({kRight, kLeft}))->name,
              "Dock: DUMMY0 + DUMMY1");
    EXPECT_FALSE(arranger->boundTo(Loadout::monitorsOf({kLeft})));
    feedback.toasts.clear();
    unplugAndReplug();
    EXPECT_EQ(toastTitles(), QStringList{"Docked: DUMMY0 + DUMMY1"});
}

TEST(LoadoutMonitors, OlderFilesLoadUnboundDamagedBindingsAreDroppedNotTheLoadout)
{
    const QByteArray old = R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","name":"A","date":0,)"
                           R"("entries":[{"bundleID":"a","appName":"A","index":0,"x":0,"y":0,)"
                           R"("w":1,"h":1,"display":"1440x900"}]}])";
    const auto read = Loadout::decode(old);
    ASSERT_TRUE(read && read->size() == 1);
    EXPECT_FALSE(read->at(0).isBound());
    EXPECT_EQ(Loadout::encode(*read), QJsonDocument::fromJson(old).toJson(QJsonDocument::Compact));

    Loadout bound = read->at(0);
    bound.monitors = Loadout::monitorsOf({kLeft, kRight});
    bound.entries[0].screen = "DUMMY1";
    EXPECT_EQ(Loadout::decode(Loadout::encode({bound})), QList<Loadout>{bound});

    QJsonObject damaged = bound.toJson();
    damaged["monitors"] = QJsonArray{QJsonObject{{"name", "DUMMY0"}, {"x", 1.5}}};
    EXPECT_EQ(Loadout::fromJson(damaged)->monitors, Monitors{});
}

TEST(LoadoutMonitors, OfTwoScreensOfOneSizeTheNamedOneIsUsed)
{
    const QRectF size(0, 0, 1920, 1080);
    const QList<ScreenInfo> twins{{"A", size, size},
                                  {"B", size.translated(1920, 0), size.translated(1920, 0)}};
    Loadout::Entry e{"a", "A", 0, 0, 0, 0.5, 0.5, "1920x1080", "B"};
    EXPECT_EQ(WindowArranger::frameFor(e, twins).left(), 1920);
    e.screen = "renamed"; // still found by its size
    EXPECT_EQ(WindowArranger::frameFor(e, twins).left(), 0);
}
