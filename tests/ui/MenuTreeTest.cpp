#include "ui/menu/MenuTree.h"
#include "hud/HUDSettings.h"
#include "ui/menu/MenuActions.h"
#include "ui/menu/MenuSelection.h"

#include <QSet>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QStringList titles(const QList<MenuNode> &nodes)
{
    QStringList list;
    for (const MenuNode &n : nodes)
        list << n.title;
    return list;
}

const MenuCategory &categoryNamed(const QString &title)
{
    for (const MenuCategory &c : MenuTree::categories()) {
        if (c.title == title)
            return c;
    }
    ADD_FAILURE() << "no category " << title.toStdString();
    return MenuTree::categories().first();
}

const MenuNode &nodeNamed(const QList<MenuNode> &nodes, const QString &title)
{
    for (const MenuNode &n : nodes) {
        if (n.title == title)
            return n;
    }
    ADD_FAILURE() << "no node " << title.toStdString();
    return nodes.first();
}

// Every effect writes one line into `log`, so a test reads what a title reached.
struct Recorder
{
    QStringList log;
    bool openSucceeds = true;
    bool loginOn = false;
    double readoutIdle = 10;
    double menuIdle = 6;
    QSet<HUDWidgetID> hidden;
    QStringList running;
    MenuEffects effects;

    Recorder()
    {
        auto note = [this](const QString &name) { return [this, name] { log << name; }; };
        effects.closeMenu = note("closeMenu");
        effects.editLayout = note("editLayout");
        effects.resetLayout = note("resetLayout");
        effects.hideHUD = note("hideHUD");
        effects.requestQuit = note("requestQuit");
        effects.showQuest = note("showQuest");
        effects.showInventory = note("showInventory");
        effects.showSkills = note("showSkills");
        effects.showEquipment = note("showEquipment");
        effects.openApp = [this](const QString &name, const QStringList &alternatives) {
            log << "openApp " + QStringList(QStringList{name} + alternatives).join(", ");
            return openSucceeds;
        };
        effects.copyStatus = note("copyStatus");
        effects.stagePrompt = note("stagePrompt");
        effects.wakeAI = note("wakeAI");
        effects.unloadAI = note("unloadAI");
        effects.toggleFocus = note("toggleFocus");
        effects.openProjects = note("openProjects");
        effects.openActivityMonitor = note("openActivityMonitor");
        effects.setStatus = [this](const QString &s) { log << "status " + s; };
        effects.report
            = [this](const QString &t, const QString &m) { log << "report " + t + " | " + m; };
        effects.toast = [this](const QString &t, const QString &m, double) {
            log << "toast " + t + " | " + m;
        };
        effects.toggleWidget = [this](HUDWidgetID id) {
            if (!hidden.remove(id))
                hidden.insert(id);
            log << "toggle " + HUDWidget::rawValue(id);
            return !hidden.contains(id);
        };
        effects.hideAll = note("hideAll");
        effects.showAll = note("showAll");
        effects.cycleReadoutIdle = [this] {
            log << "cycleReadoutIdle";
            return readoutIdle;
        };
        effects.cycleMenuIdle = [this] {
            log << "cycleMenuIdle";
            return menuIdle;
        };
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

TEST(MenuTree, CategoriesInOrderWithTheirSymbols)
{
    QStringList names, icons;
    for (const MenuCategory &c : MenuTree::categories())
        names << c.title, icons << c.icon;
    EXPECT_EQ(names, QStringList({"Character", "Friends", "Communications", "Maps", "Settings"}));
    EXPECT_EQ(icons,
              QStringList({"person.fill", "person.2.fill", "bubble.left.and.bubble.right.fill",
                           "mappin.and.ellipse", "gearshape.fill"}));
}

TEST(MenuTree, NodesAndChildrenInOrder)
{
    const MenuCategory &character = categoryNamed("Character");
    EXPECT_EQ(titles(character.nodes), QStringList({"Items", "Skills", "Equipment"}));
    EXPECT_EQ(titles(nodeNamed(character.nodes, "Items").children),
              QStringList({"Inventory", "Materials", "Use Item"}));
    EXPECT_EQ(titles(nodeNamed(character.nodes, "Skills").children),
              QStringList({"Shortcuts", "Tessar Skills", "Extra Skills", "Focus"}));
    EXPECT_EQ(nodeNamed(character.nodes, "Equipment").icon, "shield.lefthalf.filled");

    const MenuCategory &settings = categoryNamed("Settings");
    EXPECT_EQ(titles(settings.nodes),
              QStringList({"Option", "Auto-Hide", "Readouts", "Widgets", "Layout", "Help",
                           "Close Menu", "Hide HUD", "Log Out"}));
    const MenuNode &widgets = nodeNamed(settings.nodes, "Widgets");
    EXPECT_EQ(titles(widgets.children),
              QStringList({"HP Bar", "Party Bars", "Clock", "Cursor", "Music", "Summary",
                           "Quick Bar", "Hide All", "Show All"}));
    EXPECT_EQ(widgets.children[2].icon, "clock.fill");
    EXPECT_EQ(nodeNamed(settings.nodes, "Readouts").icon, "gauge.with.dots.needle.33percent");
    EXPECT_EQ(titles(categoryNamed("Maps").nodes),
              QStringList({"Dungeon Map", "Field Map", "Quest"}));
    // Only nodes carry children, never children themselves.
    for (const MenuCategory &c : MenuTree::categories())
        for (const MenuNode &n : c.nodes)
            for (const MenuNode &child : n.children)
                EXPECT_TRUE(child.children.isEmpty()) << child.title.toStdString();
}

TEST(MenuDetail, WidgetEntriesFollowTheirHiddenFlag)
{
    MenuFacts facts;
    QSet<HUDWidgetID> hidden;
    facts.isHidden = [&hidden](HUDWidgetID id) { return hidden.contains(id); };
    EXPECT_EQ(MenuTree::detailText("Clock", facts), "Clock is shown. Click to hide it.");
    hidden.insert(HUDWidgetID::fieldHeader);
    EXPECT_EQ(MenuTree::detailText("Clock", facts), "Clock is hidden. Click to show it.");
    EXPECT_EQ(MenuTree::detailText("HP Bar", facts), "HP Bar is shown. Click to hide it.");
    // Without a source of hidden flags everything counts as shown.
    EXPECT_EQ(MenuTree::detailText("Quick Bar", MenuFacts{}),
              "Quick Bar is shown. Click to hide it.");
}

TEST(MenuDetail, TimingsFixedLinesCategoriesAndHelp)
{
    MenuFacts facts;
    facts.hudKeyText = "Ctrl+Alt+Super+H";
    facts.readoutIdle = 0;
    facts.menuIdle = 6;
    EXPECT_EQ(MenuTree::detailText("Readouts", facts),
              "How long the HUD readouts stay after you summon them (Ctrl+Alt+Super+H). Now: "
                  + HUDSettings::readoutIdleLabel(0) + ". Click to change.");
    EXPECT_EQ(MenuTree::detailText("Auto-Hide", facts),
              "Put the menu away when the pointer has been away from it. Now: "
                  + HUDSettings::menuIdleLabel(6) + ". Click to change.");
    EXPECT_EQ(MenuTree::detailText("Hide All", facts), "Hide every widget and put the menu away");
    EXPECT_EQ(MenuTree::detailText("Field Map", facts), "Open ~/Projects");
    EXPECT_EQ(MenuTree::detailText("Communications", facts), "Communications");

    const QStringList help = MenuTree::helpText({"H", "M", "Space"}).split('\n');
    ASSERT_EQ(help.size(), 6);
    EXPECT_EQ(help[0],
              "H shows or hides the readouts · M summons the menu · Space command bar "
              "· Esc steps back");
    EXPECT_EQ(help[5], "Slots: your open apps, click to switch");
}

TEST(MenuAttention, OnlyCountsAboveZeroMark)
{
    EXPECT_FALSE(MenuTree::attention("Communications", std::nullopt, std::nullopt));
    EXPECT_FALSE(MenuTree::attention("Communications", 0, 5));
    const auto unread = MenuTree::attention("Communications", 3, std::nullopt);
    ASSERT_TRUE(unread);
    EXPECT_EQ(unread->accessibleName, "Communications, needs attention");
    EXPECT_EQ(unread->help, "3 unread in Messages and Mail");
    const auto quests = MenuTree::attention("Maps", 0, 2);
    ASSERT_TRUE(quests);
    EXPECT_EQ(quests->help, "2 quest(s) need you now");
    // The counts mark only their own category.
    EXPECT_FALSE(MenuTree::attention("Friends", 3, 2));
}

TEST(MenuSelectionModel, StartsOnThePlayerAndSignalsRealChangesOnce)
{
    MenuSelection selection;
    EXPECT_EQ(selection.category(), "Player");
    EXPECT_EQ(selection.item(), "Character");
    EXPECT_EQ(selection.icon(), "person.crop.circle");
    EXPECT_EQ(selection.detail(), "Open ego lite");
    QSignalSpy spy(&selection, &MenuSelection::changed);
    selection.select("Settings", "Clock", "clock.fill", "Clock is shown. Click to hide it.");
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(selection.item(), "Clock");
    selection.select("Settings", "Clock", "clock.fill", "Clock is shown. Click to hide it.");
    EXPECT_EQ(spy.count(), 1);
}

TEST(MenuRun, EveryEntryReachesItsOneEffect)
{
    Recorder r;
    // clang-format off
    const std::pair<const char *, const char *> entries[] = {
        {"Close Menu", "closeMenu"}, {"Edit Layout", "editLayout"}, {"Hide HUD", "hideHUD"},
        {"Reset Layout", "resetLayout"}, {"Log Out", "requestQuit"}, {"Quest", "showQuest"},
        {"Inventory", "showInventory"}, {"Shortcuts", "showSkills"}, {"Loadouts", "showEquipment"},
        {"Character", "openApp ego lite, Ego Lite, ego"}, {"Friend", "openApp Contacts"},
        {"Dungeon Map", "openApp iTerm, iTerm2, Terminal"}, {"Mail", "openApp Mail"},
        {"Weapons", "openApp Cursor, Claude, Xcode"}, {"Message", "openApp Messages"},
        {"Accessory", "openApp Mullvad VPN, Tailscale, WireGuard"}, {"Materials", "copyStatus"},
        {"Use Item", "stagePrompt"}, {"Tessar Skills", "wakeAI"}, {"Extra Skills", "unloadAI"},
        {"Focus", "toggleFocus"}, {"Field Map", "openProjects"}, {"Party", "openActivityMonitor"}};
    // clang-format on
    for (const auto &[title, effect] : entries)
        EXPECT_EQ(r.run(title), QStringList{effect}) << title;
    // Choosing a category, or a node that only opens children, runs nothing.
    for (const char *title : {"Friends", "Widgets", "No Such Entry"})
        EXPECT_TRUE(r.run(title).isEmpty()) << title;
}

TEST(MenuRun, WidgetEntriesToggleAndSayTheNewState)
{
    Recorder r;
    EXPECT_EQ(r.run("Clock"), QStringList({"toggle fieldHeader", "status Clock hidden"}));
    EXPECT_EQ(r.run("Clock"), QStringList({"toggle fieldHeader", "status Clock shown"}));
    EXPECT_EQ(r.run("Party Bars"), QStringList({"toggle partyStrip", "status Party Bars hidden"}));
    EXPECT_EQ(r.run("Hide All"), QStringList({"hideAll", "status All widgets hidden"}));
    EXPECT_EQ(r.run("Show All"), QStringList({"showAll", "status All widgets shown"}));
}

TEST(MenuRun, TimingsCycleWithTheirToasts)
{
    Recorder r;
    r.readoutIdle = 0;
    EXPECT_EQ(
        r.run("Readouts"),
        QStringList({"cycleReadoutIdle", "status HUD readouts: " + HUDSettings::readoutIdleLabel(0),
                     "toast HUD readouts | Always on. They stay until you hide the HUD."}));
    r.readoutIdle = 10;
    EXPECT_EQ(r.run("Readouts").last(),
              "toast HUD readouts | They leave 10 seconds after you summon the HUD. "
              "Ctrl+Alt+Super+H brings them back.");
    r.menuIdle = 0;
    EXPECT_EQ(
        r.run("Auto-Hide"),
        QStringList({"cycleMenuIdle", "status Menu auto-hide: " + HUDSettings::menuIdleLabel(0),
                     "toast Menu auto-hide | Off. The menu stays until you close it."}));
    r.menuIdle = 6;
    EXPECT_EQ(r.run("Auto-Hide").last(),
              "toast Menu auto-hide | The menu puts itself away 6 seconds after your pointer "
              "leaves it.");
}

TEST(MenuRun, OptionEquippedAndHelpReport)
{
    Recorder r;
    r.loginOn = true;
    EXPECT_EQ(r.run("Option"),
              QStringList({"status Ctrl+Alt+Super+H · Login on",
                           "toast Option | Toggle: Ctrl+Alt+Super+H\nOpen at Login: on\n"
                           "Right-click menu bar icon for options."}));
    r.running = {"tailscale-systray", "Firefox", "vantle"};
    const QStringList equipped = r.run("Equipped");
    ASSERT_EQ(equipped.size(), 2);
    EXPECT_EQ(equipped[1],
              "report Equipped | NotchNook: —\nMagnet: —\nTailscale: running\n"
              "Dynamic Wallpaper: —\nVantle: running");
    const QStringList help = r.run("Help");
    ASSERT_EQ(help.size(), 2);
    EXPECT_EQ(help[0], "status Help shown");
    EXPECT_TRUE(help[1].startsWith("toast Help shown | Ctrl+Alt+Super+H shows or hides"));
}

TEST(MenuRun, EveryLeafOfTheTreeDoesSomethingAndEmptyEffectsDoNotCrash)
{
    // A title spelt differently in the tree and in the dispatch would leave a dead row.
    Recorder r;
    const MenuEffects none;
    for (const MenuCategory &c : MenuTree::categories()) {
        for (const MenuNode &n : c.nodes) {
            MenuActions::runNode(n.title, none);
            if (n.children.isEmpty()) {
                EXPECT_FALSE(r.run(n.title).isEmpty()) << n.title.toStdString();
            }
            for (const MenuNode &child : n.children) {
                MenuActions::runNode(child.title, none);
                EXPECT_FALSE(r.run(child.title).isEmpty()) << child.title.toStdString();
            }
        }
    }
}
