#include "ui/menu/MenuTree.h"
#include "hud/HUDSettings.h"
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

// The effects that only need to be seen to run, each under a name of its own.
using Effect = std::function<void()> MenuEffects::*;
const std::pair<Effect, const char *> kNotes[]
    = {{&MenuEffects::closeMenu, "closeMenu"},     {&MenuEffects::editLayout, "edit"},
       {&MenuEffects::resetLayout, "reset"},       {&MenuEffects::hideHUD, "hideHUD"},
       {&MenuEffects::requestQuit, "quit"},        {&MenuEffects::showQuest, "quest"},
       {&MenuEffects::showInventory, "inventory"}, {&MenuEffects::showSkills, "skills"},
       {&MenuEffects::showEquipment, "equipment"}, {&MenuEffects::copyStatus, "copy"},
       {&MenuEffects::stagePrompt, "stage"},       {&MenuEffects::wakeAI, "wake"},
       {&MenuEffects::unloadAI, "unload"},         {&MenuEffects::toggleFocus, "focus"},
       {&MenuEffects::openProjects, "projects"},   {&MenuEffects::openActivityMonitor, "activity"},
       {&MenuEffects::hideAll, "hideAll"},         {&MenuEffects::showAll, "showAll"}};

// Every effect writes one line into `log`, so a test reads what a title reached.
struct Recorder
{
    QStringList log;
    bool loginOn = false;
    double readoutIdle = 10;
    double menuIdle = 6;
    QSet<HUDWidgetID> hidden;
    QStringList running;
    MenuEffects effects;

    Recorder()
    {
        for (const auto &[member, name] : kNotes)
            effects.*member = [this, name] { log << name; };
        effects.openApp = [this](const QString &name, const QStringList &alternatives) {
            log << "openApp " + QStringList(QStringList{name} + alternatives).join(", ");
            return true;
        };
        effects.setStatus = [this](const QString &s) { log << "status " + s; };
        effects.report = [this](const QString &t, const QString &m) { log << t + " | " + m; };
        effects.toast = [this](const QString &t, const QString &m, double) {
            log << "toast " + t + " | " + m;
        };
        effects.toggleWidget = [this](HUDWidgetID id) {
            if (!hidden.remove(id))
                hidden.insert(id);
            log << "toggle " + HUDWidget::rawValue(id);
            return !hidden.contains(id);
        };
        effects.cycleReadoutIdle = [this] { return readoutIdle; };
        effects.cycleMenuIdle = [this] { return menuIdle; };
        effects.runningAppNames = [this] { return running; };
        effects.loginItemEnabled = [this] { return loginOn; };
        effects.keys = {"Ctrl+Alt+Super+H", "Ctrl+Alt+Super+M", "Ctrl+Alt+Super+Space"};
    }

    QStringList run(const QString &title)
    {
        log.clear();
        MenuActions::runNode(title, effects);
        return log;
    }
};

} // namespace

TEST(MenuTree, EveryLeafDoesSomethingOfItsOwnAndEveryEntryHasItsOwnDetail)
{
    // A misspelt title leaves a dead row or one without help; two titles on one effect clash.
    Recorder r;
    const MenuEffects none;
    QHash<QString, QString> leafBy;
    for (const MenuCategory &c : MenuTree::categories()) {
        for (const MenuNode &n : c.nodes) {
            EXPECT_NE(MenuTree::detailText(n.title, {}), n.title) << n.title.toStdString();
            QList<MenuNode> leaves = n.children;
            if (leaves.isEmpty())
                leaves = {n};
            else
                EXPECT_TRUE(r.run(n.title).isEmpty()) << "a node with children only opens them";
            for (const MenuNode &leaf : leaves) {
                EXPECT_TRUE(leaf.children.isEmpty()) << leaf.title.toStdString();
                EXPECT_NE(MenuTree::detailText(leaf.title, {}), leaf.title);
                MenuActions::runNode(leaf.title, none);
                const QString did = r.run(leaf.title).join('\n');
                EXPECT_FALSE(did.isEmpty()) << leaf.title.toStdString();
                EXPECT_FALSE(leafBy.contains(did)) << leaf.title.toStdString() << " does what "
                                                   << leafBy[did].toStdString() << " does";
                leafBy.insert(did, leaf.title);
            }
        }
    }
    // The selection starts on "Character", which runs as well.
    const QString character = r.run("Character").join('\n');
    EXPECT_FALSE(character.isEmpty() || leafBy.contains(character));
    EXPECT_TRUE(r.run("Friends").isEmpty());
    EXPECT_TRUE(r.run("No Such Entry").isEmpty());
}

TEST(MenuDetail, FollowsFlagsTimingsAndCountsTheSelectionSignalsChangesOnceStatusSaysTheNewState)
{
    MenuFacts facts;
    QSet<HUDWidgetID> hidden;
    facts.isHidden = [&hidden](HUDWidgetID id) { return hidden.contains(id); };
    hidden.insert(HUDWidgetID::fieldHeader); // the rail shows the clock's own state
    EXPECT_EQ(MenuTree::detailText("HP Bar", facts), "HP Bar is shown. Click to hide it.");
    // Without a source of hidden flags everything counts as shown.
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
    EXPECT_EQ(r.run("Clock"), QStringList({"toggle fieldHeader", "status Clock hidden"}));
    EXPECT_EQ(r.run("Clock"), QStringList({"toggle fieldHeader", "status Clock shown"}));
    EXPECT_EQ(r.run("Hide All"), QStringList({"hideAll", "status All widgets hidden"}));

    // The toast names the value the cycle landed on, zero as its own word.
    r.readoutIdle = 0;
    EXPECT_EQ(r.run("Readouts").first(),
              "status HUD readouts: " + HUDSettings::readoutIdleLabel(0));
    r.menuIdle = 6;
    EXPECT_TRUE(r.run("Auto-Hide").last().contains(" 6 seconds after"));
    // A running app counts for a tool when its name contains the tool's, in any case.
    r.running = {"tailscale-systray", "Firefox", "vantle"};
    EXPECT_EQ(r.run("Equipped").last(),
              "Equipped | NotchNook: —\nMagnet: —\nTailscale: running\n"
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
        MenuRail::Inputs in{r.effects, &selection};
        in.facts = [this] {
            return MenuFacts{.isHidden = [this](HUDWidgetID id) { return r.hidden.contains(id); }};
        };
        in.onRegions = [this](const QList<QRectF> &regions) { reported << regions; };
        in.playCue = [this](SoundCue) { r.log << "cue"; };
        rail = std::make_unique<MenuRail>(std::move(in));
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
    EXPECT_EQ(r.log, QStringList{"openApp Mail"});
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
