#include "ui/menu/MenuTree.h"
#include "hud/HUDSettings.h"
#include "ui/menu/MenuActions.h"
#include "ui/menu/MenuSelection.h"

#include <QSet>
#include <QSignalSpy>

#include <gtest/gtest.h>

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
    // A title spelt differently in the tree and in the dispatch or the detail table leaves a
    // dead row or a row without help; two titles wired to one effect do the same thing twice.
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

TEST(MenuDetail, WidgetEntriesFollowTheirHiddenFlagAndTimingsTheirCurrentValue)
{
    MenuFacts facts;
    QSet<HUDWidgetID> hidden;
    facts.isHidden = [&hidden](HUDWidgetID id) { return hidden.contains(id); };
    EXPECT_EQ(MenuTree::detailText("Clock", facts), "Clock is shown. Click to hide it.");
    hidden.insert(HUDWidgetID::fieldHeader);
    EXPECT_EQ(MenuTree::detailText("Clock", facts), "Clock is hidden. Click to show it.");
    EXPECT_EQ(MenuTree::detailText("HP Bar", facts), "HP Bar is shown. Click to hide it.");
    // Without a source of hidden flags everything counts as shown.
    EXPECT_EQ(MenuTree::detailText("Clock", MenuFacts{}), "Clock is shown. Click to hide it.");

    facts.hudKeyText = "Ctrl+Alt+Super+H";
    facts.menuIdle = 6;
    const QString readouts = MenuTree::detailText("Readouts", facts);
    EXPECT_TRUE(readouts.contains("(Ctrl+Alt+Super+H)")) << readouts.toStdString();
    EXPECT_TRUE(readouts.contains("Now: " + HUDSettings::readoutIdleLabel(0) + "."));
    EXPECT_TRUE(MenuTree::detailText("Auto-Hide", facts)
                    .contains("Now: " + HUDSettings::menuIdleLabel(6) + "."));
    const QString help = MenuTree::helpText({"H", "M", "Space"}).section('\n', 0, 0);
    EXPECT_TRUE(help.startsWith("H shows") && help.contains("M summons") && help.contains("Space"));
}

TEST(MenuAttention, OnlyCountsAboveZeroMarkAndOnlyTheirOwnCategory)
{
    EXPECT_FALSE(MenuTree::attention("Communications", std::nullopt, std::nullopt));
    EXPECT_FALSE(MenuTree::attention("Communications", 0, 5));
    EXPECT_FALSE(MenuTree::attention("Maps", 3, 0));
    EXPECT_FALSE(MenuTree::attention("Friends", 3, 2));
    const auto unread = MenuTree::attention("Communications", 3, std::nullopt);
    ASSERT_TRUE(unread);
    EXPECT_EQ(unread->count, 3);
    EXPECT_EQ(unread->accessibleName, "Communications, needs attention");
    EXPECT_EQ(unread->help, "3 unread in Messages and Mail");
    EXPECT_EQ(MenuTree::attention("Maps", 0, 2)->help, "2 quest(s) need you now");
}

TEST(MenuSelectionModel, SignalsRealChangesOnce)
{
    MenuSelection selection;
    QSignalSpy spy(&selection, &MenuSelection::changed);
    for (const char *detail : {"shown", "shown", "hidden"})
        selection.select("Settings", "Clock", "clock.fill", detail);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(selection.detail(), "hidden");
}

TEST(MenuRun, StatusAndToastsSayTheStateAfterTheChange)
{
    Recorder r;
    EXPECT_EQ(r.run("Clock"), QStringList({"toggle fieldHeader", "status Clock hidden"}));
    EXPECT_EQ(r.run("Clock"), QStringList({"toggle fieldHeader", "status Clock shown"}));
    EXPECT_EQ(r.run("Hide All"), QStringList({"hideAll", "status All widgets hidden"}));

    // Zero is "always on" / "off"; any other value names its seconds and, for the readouts,
    // the key that brings them back.
    r.readoutIdle = 0;
    EXPECT_EQ(r.run("Readouts"),
              QStringList({"status HUD readouts: " + HUDSettings::readoutIdleLabel(0),
                           "toast HUD readouts | Always on. They stay until you hide the HUD."}));
    r.readoutIdle = 10;
    EXPECT_EQ(r.run("Readouts").last(),
              "toast HUD readouts | They leave 10 seconds after you summon the HUD. "
              "Ctrl+Alt+Super+H brings them back.");
    r.menuIdle = 0;
    EXPECT_TRUE(r.run("Auto-Hide").last().endsWith("| Off. The menu stays until you close it."));
    r.menuIdle = 6;
    EXPECT_TRUE(r.run("Auto-Hide").last().contains(" 6 seconds after"));

    for (bool on : {false, true}) {
        r.loginOn = on;
        EXPECT_EQ(r.run("Option").first(),
                  QString("status Ctrl+Alt+Super+H · Login ") + (on ? "on" : "off"));
    }
    // A running app counts for a tool when its name contains the tool's, in any case.
    r.running = {"tailscale-systray", "Firefox", "vantle"};
    EXPECT_EQ(r.run("Equipped").last(),
              "Equipped | NotchNook: —\nMagnet: —\nTailscale: running\n"
              "Dynamic Wallpaper: —\nVantle: running");
    EXPECT_EQ(r.run("Help").first(), "status Help shown");
}
