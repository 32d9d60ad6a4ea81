#include "app/ShellActions.h"

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/MenuBarController.h"
#include "commandbar/CommandBarController.h"
#include "hud/FloatingHUDPanelController.h"
#include "hud/HUDHotKeys.h"
#include "ui/setup/SetupCheckWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

namespace {

using Run = void (*)(AppDelegate &);

struct Definition
{
    HUDCommands::Command command;
    Run run;
};

FloatingHUDPanelController &hud(AppDelegate &d)
{
    return d.hudController();
}

// The bar's rows come first, in the order it lists them.
const QList<Definition> &definitions()
{
    static const QList<Definition> all{
        {{QStringLiteral("menu"), QStringLiteral("Menu"), QStringLiteral("Menu"),
          QStringLiteral("circle.hexagongrid.fill"),
          QStringLiteral("Summon or put away the HUD menu"), MenuHotKey,
          QStringLiteral("open or close the game menu")},
         [](AppDelegate &d) { hud(d).toggleMenu(); }},
        {{QStringLiteral("edit-layout"),
          {},
          QStringLiteral("Edit Layout"),
          QStringLiteral("square.dashed"),
          QStringLiteral("Drag widgets onto a grid"),
          {},
          QStringLiteral("start or finish editing the layout")},
         [](AppDelegate &d) { hud(d).toggleLayoutEditing(); }},
        {{QStringLiteral("reset-layout"),
          {},
          QStringLiteral("Reset Layout"),
          QStringLiteral("arrow.counterclockwise"),
          QStringLiteral("Default widget positions"),
          {},
          {}},
         [](AppDelegate &d) { hud(d).resetLayout(); }},
        {{QStringLiteral("inventory"),
          {},
          QStringLiteral("Inventory"),
          QStringLiteral("shippingbox.fill"),
          QStringLiteral("Clipboard history"),
          {},
          {}},
         [](AppDelegate &d) { hud(d).openMenuPanel(HUDWidgetID::inventory); }},
        {{QStringLiteral("skills"),
          {},
          QStringLiteral("Skills"),
          QStringLiteral("square.stack.3d.up.fill"),
          QStringLiteral("Shortcuts, local AI, focus"),
          {},
          {}},
         [](AppDelegate &d) { hud(d).openMenuPanel(HUDWidgetID::skills); }},
        {{QStringLiteral("equipment"),
          {},
          QStringLiteral("Loadouts"),
          QStringLiteral("rectangle.3.group.fill"),
          QStringLiteral("Window layouts and snapping"),
          {},
          {}},
         [](AppDelegate &d) { hud(d).openMenuPanel(HUDWidgetID::equipment); }},
        {{QStringLiteral("quest"),
          {},
          QStringLiteral("Quest log"),
          QStringLiteral("flag.fill"),
          QStringLiteral("Calendar, reminders, alerts"),
          {},
          {}},
         [](AppDelegate &d) { hud(d).openMenuPanel(HUDWidgetID::questLog); }},
        {{QStringLiteral("hud"), QStringLiteral("Show or Hide HUD Readouts"),
          QStringLiteral("Toggle HUD"), QStringLiteral("eye.fill"),
          QStringLiteral("Show or hide the HUD readouts"), HUDHotKey,
          QStringLiteral("show or hide the readouts")},
         [](AppDelegate &d) { hud(d).toggleHUD(); }},
        {{QStringLiteral("setup-check"),
          QStringLiteral("Setup Check..."),
          QStringLiteral("Setup Check"),
          QStringLiteral("checkmark.shield"),
          QStringLiteral("HUD"),
          {},
          {}},
         [](AppDelegate &d) { d.services().setupWindow.show(); }},
        {{QStringLiteral("hide-widgets"),
          {},
          QStringLiteral("Hide All Widgets"),
          QStringLiteral("eye.slash.fill"),
          QStringLiteral("HUD widgets"),
          {},
          {}},
         [](AppDelegate &d) { d.services().widgets.hideAll(); }},
        {{QStringLiteral("show-widgets"),
          {},
          QStringLiteral("Show All Widgets"),
          QStringLiteral("eye.fill"),
          QStringLiteral("HUD widgets"),
          {},
          {}},
         [](AppDelegate &d) { d.services().widgets.showAll(); }},
        {{QStringLiteral("save-dock"),
          {},
          QStringLiteral("Save Dock Layout"),
          QStringLiteral("display.2"),
          QStringLiteral("Windows back in place when these monitors return"),
          {},
          QStringLiteral("save the open windows for the monitors connected now")},
         [](AppDelegate &d) { d.services().arranger.saveDockLoadout(); }},
        {{QStringLiteral("forget-usage"),
          {},
          QStringLiteral("Forget"),
          QStringLiteral("trash.fill"),
          QStringLiteral("Clear what the command bar learned from your picks"),
          {},
          {}},
         [](AppDelegate &d) {
             d.services().commandBar.model().forgetUsage();
             d.services().feedback.toast(
                 QStringLiteral("Forgotten"),
                 QStringLiteral("The command bar ranks by match alone until it learns again."),
                 3.5);
         }},

        {{QStringLiteral("command-bar"),
          QStringLiteral("Command Bar"),
          {},
          {},
          {},
          CommandBarHotKey,
          QStringLiteral("open or close the command bar")},
         [](AppDelegate &d) { d.services().commandBar.toggle(); }},
        {{QStringLiteral("hide-all"),
          QStringLiteral("Hide All Widgets"),
          {},
          {},
          {},
          HideAllHotKey,
          QStringLiteral("hide every widget, or show them all again")},
         [](AppDelegate &d) { d.toggleAllWidgets(); }},
        {{QStringLiteral("close-menu"), {}, {}, {}, {}, {}, {}},
         [](AppDelegate &d) {
             if (hud(d).menuVisible())
                 hud(d).toggleMenu();
         }},
        {{QStringLiteral("hide-hud"), {}, {}, {}, {}, {}, {}},
         [](AppDelegate &d) { hud(d).hide(); }},
        {{QStringLiteral("request-quit"), {}, {}, {}, {}, {}, {}},
         [](AppDelegate &d) { hud(d).showConfirmLogout(); }},
        {{QStringLiteral("login-item"), QStringLiteral("Open at Login"), {}, {}, {}, {}, {}},
         [](AppDelegate &d) { d.services().loginItems.toggle(); }},
        {{QStringLiteral("about"), QStringLiteral("About Kaidro..."), {}, {}, {}, {}, {}},
         [](AppDelegate &d) {
             if (MenuBarController *tray = d.menuBar())
                 tray->showAbout();
         }},
        {{QStringLiteral("quit"),
          QStringLiteral("Log Out (Quit)"),
          {},
          {},
          {},
          {},
          QStringLiteral("end the running copy")},
         [](AppDelegate &) { QCoreApplication::quit(); }},
    };
    return all;
}

} // namespace

namespace ShellActions {

QList<HUDCommands::Command> table()
{
    QList<HUDCommands::Command> out;
    for (const Definition &d : definitions())
        out << d.command;
    return out;
}

void install(HUDCommands &commands, AppDelegate &delegate)
{
    QPointer<AppDelegate> self(&delegate);
    for (const Definition &d : definitions()) {
        QAction *action = commands.add(d.command);
        const Run run = d.run;
        // Does nothing once the delegate is gone.
        QObject::connect(action, &QAction::triggered, &delegate, [self, run] {
            if (self)
                run(*self);
        });
    }
}

} // namespace ShellActions
