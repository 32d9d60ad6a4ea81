#include "ui/menu/MenuTree.h"
#include "actions/HUDActionService.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeFeedback.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeSystemLog.h"
#include "fakes/FakeSystemStats.h"
#include "fakes/FakeToolRunner.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWorkspace.h"
#include "hud/HUDCommands.h"
#include "hud/HUDLayout.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"
#include "setup/LoginItemService.h"
#include "ui/menu/MenuActions.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuRail.h"
#include "ui/menu/MenuSelection.h"
#include "widgets/WidgetTestSupport.h"

#include <QSet>
#include <QSignalSpy>

#include <gtest/gtest.h>

using CoreWidgets::MenuRail;

namespace {

// The login item's state as the test sets it.
struct SwitchedLoginItems final : LoginItems
{
    bool on = false;
    Status status() const override { return on ? Status::enabled : Status::notRegistered; }
    bool registerItem(QString * = nullptr) override { return on = true; }
    bool unregisterItem(QString * = nullptr) override { return !(on = false); }
    QString executablePath() const override { return "/opt/kaidro/bin/Vantle"; }
};

// The panel commands the menu triggers.
const char *const kCommands[]
    = {"close-menu", "edit-layout", "reset-layout", "hide-hud", "request-quit",
       "quest",      "inventory",   "skills",       "equipment"};

// The menu over the shell's commands, a real action service and real settings on fakes. What a
// title reached is read back as lines of `log`: the ids of the commands triggered, the status
// lines set ("status ...") and the toasts shown ("toast title | message").
struct Recorder
{
    QStringList log;
    FakeUserDefaults defaults;
    HUDNotifications notifications;
    HUDWidgetSettings widgets{defaults, notifications};
    HUDSettings settings{defaults, notifications};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeToolRunner tools;
    FakeSystemLog systemLog;
    FakeSystemStats stats;
    FakeClock clock;
    FakeFeedback feedback;
    HUDActionService actions{pasteboard, workspace, tools,    systemLog,
                             stats,      clock,     feedback, HUDActionService::Options{}};
    SwitchedLoginItems loginItem;
    LoginItemService loginItems{loginItem, systemLog};
    HUDCommands commands;
    MenuEffects effects{
        commands,   actions,
        feedback,   widgets,
        settings,   workspace,
        loginItems, {"Ctrl+Alt+Super+H", "Ctrl+Alt+Super+M", "Ctrl+Alt+Super+Space"}};

    Recorder()
    {
        for (const char *id : kCommands)
            commands.add({id});
        QObject::connect(&commands, &HUDCommands::triggered,
                         [this](const QString &id) { log << id; });
        QObject::connect(&actions, &HUDActionService::lastStatusChanged,
                         [this](const QString &status) { log << "status " + status; });
    }

    // Runs `title` and answers what it did.
    QStringList run(const QString &title)
    {
        log.clear();
        feedback.toasts.clear();
        MenuActions::runNode(title, effects);
        return log + toasts();
    }

    QStringList toasts() const
    {
        QStringList out;
        for (const FakeFeedback::Toast &t : feedback.toasts)
            out << "toast " + t.title + " | " + t.message;
        return out;
    }
};

// What an entry does, as one line.
QString described(const QString &title)
{
    const std::optional<MenuEntry> e = MenuActions::entry(title);
    if (!e)
        return {};
    return QString::number(int(e->kind)) + " " + e->target + " " + e->alternatives.join(", ");
}

} // namespace

TEST(MenuTree, EveryLeafDoesSomethingOfItsOwnAndEveryEntryHasItsOwnDetail)
{
    // A misspelt title leaves a dead row or one without help; two titles on one effect clash.
    QHash<QString, QString> leafBy;
    for (const MenuCategory &c : MenuTree::categories()) {
        for (const MenuNode &n : c.nodes) {
            EXPECT_NE(MenuTree::detailText(n.title, {}), n.title) << n.title.toStdString();
            QList<MenuNode> leaves = n.children;
            if (leaves.isEmpty())
                leaves = {n};
            else
                EXPECT_TRUE(described(n.title).isEmpty()) << "a node with children only opens them";
            for (const MenuNode &leaf : leaves) {
                EXPECT_TRUE(leaf.children.isEmpty()) << leaf.title.toStdString();
                EXPECT_NE(MenuTree::detailText(leaf.title, {}), leaf.title);
                const QString did = described(leaf.title);
                EXPECT_FALSE(did.isEmpty()) << leaf.title.toStdString();
                EXPECT_FALSE(leafBy.contains(did)) << leaf.title.toStdString() << " does what "
                                                   << leafBy[did].toStdString() << " does";
                leafBy.insert(did, leaf.title);
            }
        }
    }
    // The selection starts on "Character", which runs as well.
    const QString character = described("Character");
    EXPECT_FALSE(character.isEmpty() || leafBy.contains(character));
    EXPECT_TRUE(described("Friends").isEmpty());
    EXPECT_TRUE(described("No Such Entry").isEmpty());

    // Each panel entry triggers its shell command, and a title that names nothing does nothing.
    Recorder r;
    for (const char *title : {"Close Menu", "Edit Layout", "Reset Layout", "Hide HUD", "Log Out",
                              "Quest", "Inventory", "Shortcuts", "Loadouts"})
        EXPECT_EQ(r.run(title), QStringList{MenuActions::entry(title)->target}) << title;
    EXPECT_TRUE(r.run("No Such Entry").isEmpty());
}

TEST(MenuDetail, FollowsFlagsTimingsAndCountsTheSelectionSignalsChangesOnceStatusSaysTheNewState)
{
    MenuFacts facts;
    facts.hidden.insert(HUDWidgetID::fieldHeader); // the rail shows the clock's own state
    EXPECT_EQ(MenuTree::detailText("HP Bar", facts), "HP Bar is shown. Click to hide it.");
    EXPECT_EQ(MenuTree::detailText("Clock", facts), "Clock is hidden. Click to show it.");
    EXPECT_EQ(MenuTree::detailText("Clock", MenuFacts{}), "Clock is shown. Click to hide it.");

    facts.menuIdle = 6;
    EXPECT_TRUE(MenuTree::detailText("Auto-Hide", facts)
                    .contains("Now: " + HUDSettings::menuIdleLabel(6) + "."));

    // Marks with their counts are read through the rail below.
    EXPECT_FALSE(MenuTree::attention("Communications", std::nullopt, std::nullopt)
                 || MenuTree::attention("Maps", 3, 0) || MenuTree::attention("Friends", 3, 2));

    MenuSelection selection;
    QSignalSpy spy(&selection, &MenuSelection::changed);
    for (const char *detail : {"shown", "shown", "hidden"})
        selection.select("Settings", "Clock", "clock.fill", detail);
    EXPECT_EQ(std::tuple(spy.count(), selection.detail()), std::tuple(2, "hidden"));

    // Status and toasts say the state after the change.
    Recorder r;
    EXPECT_EQ(r.run("Clock"), QStringList({"status Clock hidden"}));
    EXPECT_TRUE(r.widgets.isHidden(HUDWidgetID::fieldHeader));
    EXPECT_EQ(r.effects.facts().hidden, QSet<HUDWidgetID>{HUDWidgetID::fieldHeader});
    EXPECT_EQ(r.run("Clock"), QStringList({"status Clock shown"}));
    EXPECT_FALSE(r.widgets.isHidden(HUDWidgetID::fieldHeader));
    EXPECT_EQ(r.run("Hide All"), QStringList({"status All widgets hidden"}));
    EXPECT_TRUE(r.widgets.allHidden());

    // The toast names the value the cycle landed on, zero as its own word.
    r.settings.setReadoutIdle(60);
    EXPECT_EQ(r.run("Readouts").first(),
              "status HUD readouts: " + HUDSettings::readoutIdleLabel(0));
    EXPECT_EQ(r.settings.readoutIdle(), 0);
    r.settings.setMenuIdle(0);
    EXPECT_TRUE(r.run("Auto-Hide").last().contains(" 6 seconds after"));
    r.loginItem.on = true;
    EXPECT_EQ(r.run("Option").first(), "status Ctrl+Alt+Super+H · Login on");
    // A running app counts for a tool when its name contains the tool's, in any case.
    for (const char *name : {"tailscale-systray", "Firefox", "vantle"})
        r.workspace.apps << RunningApp{.name = name};
    EXPECT_EQ(r.run("Equipped").last(),
              "toast Equipped | NotchNook: —\nMagnet: —\nTailscale: running\n"
              "Dynamic Wallpaper: —\nVantle: running");
}

struct RailFixture : ::testing::Test
{
    Recorder r;
    MenuSelection selection;
    QList<QList<QRectF>> reported;
    std::unique_ptr<MenuRail> rail;

    void SetUp() override
    {
        WidgetTest::registerThemeFonts();
        rail = std::make_unique<MenuRail>(r.effects, selection);
        // The first regions are drawn while the rail is built, before anyone listens.
        reported << rail->regions();
        QObject::connect(rail.get(), &MenuRail::regionsChanged,
                         [this](const QList<QRectF> &regions) { reported << regions; });
        QObject::connect(rail.get(), &MenuRail::cue, [this](SoundCue) { r.log << "cue"; });
        r.log.clear();
    }

    bool anyRegionContains(const QPointF &p) const
    {
        const QList<QRectF> regions = rail->regions();
        return std::any_of(regions.begin(), regions.end(),
                           [&](const QRectF &r) { return r.contains(p); });
    }
};

TEST_F(RailFixture, ShowsTheTreeTintsTheChosenRowReportsWhatItDrawsAndRunsWhatIsClicked)
{
    const MenuCategory &character = MenuTree::categories().first();
    using WidgetTest::accessibleNames, WidgetTest::mapped;
    EXPECT_EQ(accessibleNames(rail->categoryButtons()),
              mapped(MenuTree::categories(), &MenuCategory::title));
    EXPECT_EQ(accessibleNames(rail->nodeButtons()), mapped(character.nodes, &MenuNode::title));
    EXPECT_EQ(accessibleNames(rail->childButtons()),
              mapped(character.nodes.first().children, &MenuNode::title));

    // 5 categories, 3 nodes, 3 children; the empty lower right passes clicks on.
    ASSERT_FALSE(reported.isEmpty());
    EXPECT_EQ(reported.last(), rail->regions());
    EXPECT_EQ(rail->regions().size(), 11);
    EXPECT_EQ(rail->size(), HUDLayout::spec(HUDWidgetID::menuRail).size.toSize());
    EXPECT_FALSE(anyRegionContains(QPointF(480, 460)));
    EXPECT_TRUE(anyRegionContains(QPointF(200, 20))) << "the first node row";
    EXPECT_TRUE(anyRegionContains(QPointF(40, 40))) << "the first category";

    rail->show();
    const QImage image = WidgetTest::render(*rail, QColor(255, 255, 255));
    // The chosen Items row is tinted gold: its right part, clear of icon and text, against Skills.
    auto sample = [&](const QRectF &row) {
        return image.pixelColor(QPoint(int(row.right() - 12), int(row.center().y())));
    };
    const QColor chosen = sample(rail->regions()[5]), other = sample(rail->regions()[6]);
    EXPECT_GT(WidgetTest::distance(chosen, other), 12);
    EXPECT_GT(chosen.red() - chosen.blue(), other.red() - other.blue()) << "more red than blue";

    rail->chooseCategory(1); // Friends: two nodes, no children
    EXPECT_EQ(std::pair(rail->regions().size(), reported.last()),
              std::pair(qsizetype(7), rail->regions()));
    EXPECT_TRUE(rail->childButtons().isEmpty());
    EXPECT_FALSE(anyRegionContains(QPointF(400, 20)));

    rail->chooseNode(1);
    r.log.clear();
    rail->categoryButtons()[4]->click();
    EXPECT_EQ(r.log, QStringList{"cue"});
    EXPECT_EQ(QList({rail->selectedCategory(), rail->selectedNode(), rail->selectedChild()}),
              QList({4, 0, 0}));

    // A node without children runs at once; one with children only opens them.
    rail->chooseCategory(2); // Communications
    r.log.clear();
    rail->nodeButtons()[1]->click();
    EXPECT_EQ(r.log, QStringList{"status Opened Mail"});
    EXPECT_EQ(selection.item() + ": " + selection.detail(), "Mail: Open Mail");
    rail->chooseCategory(0);
    r.log.clear();
    rail->nodeButtons()[0]->click();
    EXPECT_TRUE(r.log.isEmpty());
    rail->childButtons()[0]->click();
    EXPECT_EQ(r.log, QStringList{"inventory"});
}

TEST_F(RailFixture, IndicesClampWidgetsSitBesideTheirNodeStayOnTheRailClockTogglesAndMarksCount)
{
    rail->chooseCategory(99);
    rail->chooseNode(99);
    EXPECT_EQ(std::tuple(rail->selectedCategory(), rail->selectedNode(), selection.item()),
              std::tuple(4, 8, "Log Out"));
    rail->chooseNode(3); // Widgets
    const auto children = rail->childButtons();
    ASSERT_EQ(children.size(), 9);
    // Nine rows below the fourth node are held up on the rail; a taller column stops at 24.
    EXPECT_EQ(rail->regions()[5 + 9].top(), 34);
    EXPECT_LE(rail->regions().last().bottom(), 472 - 8);
    const std::tuple<double, int, double> columns[]
        = {{48, 3, 48}, {400, 3, 322}, {144, 10, 24}, {0, 10, 0}};
    for (const auto &[offset, rows, top] : columns)
        EXPECT_EQ(MenuRail::childrenColumnTop(offset, rows), top) << offset << ", " << rows;

    children[2]->click();
    EXPECT_EQ(std::pair(selection.item() + " " + selection.icon(), rail->selectedChild()),
              std::pair(QString("Clock clock.fill"), 2));
    // The selection and the help read the state after the toggle.
    EXPECT_EQ(selection.detail(), "Clock is hidden. Click to show it.");
    EXPECT_EQ(rail->childButtons()[2]->toolTip(), selection.detail());

    MenuPaintedButton *comms = rail->categoryButtons()[2];
    rail->setUnreadCount(4);
    EXPECT_TRUE(comms->accessibleName().endsWith("needs attention"));
    rail->setUnreadCount(0);
    EXPECT_EQ(comms->accessibleName(), "Communications");
}
