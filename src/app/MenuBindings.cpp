#include "app/MenuBindings.h"

#include "actions/HUDActionService.h"
#include "app/AppServices.h"
#include "hud/FloatingHUDPanelController.h"
#include "hud/HUDHotKeys.h"
#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Feedback.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

namespace MenuBindings {

MenuEffects effects(AppServices &services, std::function<FloatingHUDPanelController *()> controller)
{
    HUDActionService &actions = services.actions;
    HUDWidgetSettings &widgets = services.widgets;
    HUDSettings &settings = services.settings;
    Feedback &feedback = services.feedback;
    Workspace &workspace = *services.platform.workspace;
    // Each panel action does nothing while there is no controller.
    auto on = [controller](std::function<void(FloatingHUDPanelController &)> act) {
        return [controller, act] {
            if (FloatingHUDPanelController *c = controller ? controller() : nullptr)
                act(*c);
        };
    };
    auto panel = [on](HUDWidgetID id) {
        return on([id](FloatingHUDPanelController &c) { c.openMenuPanel(id); });
    };
    auto service = [&actions](void (HUDActionService::*op)()) {
        return [&actions, op] { (actions.*op)(); };
    };

    MenuEffects e;
    e.closeMenu = on([](FloatingHUDPanelController &c) {
        if (c.menuVisible())
            c.toggleMenu();
    });
    e.editLayout = on([](FloatingHUDPanelController &c) { c.toggleLayoutEditing(); });
    e.resetLayout = on([](FloatingHUDPanelController &c) { c.resetLayout(); });
    e.hideHUD = on([](FloatingHUDPanelController &c) { c.hide(); });
    e.requestQuit = on([](FloatingHUDPanelController &c) { c.showConfirmLogout(); });
    e.showQuest = panel(HUDWidgetID::questLog);
    e.showInventory = panel(HUDWidgetID::inventory);
    e.showSkills = panel(HUDWidgetID::skills);
    e.showEquipment = panel(HUDWidgetID::equipment);

    e.openApp = [&actions](const QString &name, const QStringList &alternatives) {
        return actions.openApp(name, alternatives);
    };
    e.copyStatus = service(&HUDActionService::copyStatus);
    e.stagePrompt = service(&HUDActionService::stagePrompt);
    e.wakeAI = service(&HUDActionService::wakeAI);
    e.unloadAI = service(&HUDActionService::unloadAI);
    e.toggleFocus = service(&HUDActionService::toggleFocus);
    e.openProjects = service(&HUDActionService::openProjects);
    e.openActivityMonitor = service(&HUDActionService::openActivityMonitor);
    e.setStatus = [&actions](const QString &status) { actions.setLastStatus(status); };
    e.report = [&actions](const QString &title, const QString &message) {
        actions.report(title, message);
    };
    e.toast = [&feedback](const QString &title, const QString &message, double duration) {
        feedback.toast(title, message, duration);
    };

    e.toggleWidget = [&widgets](HUDWidgetID id) { return widgets.toggle(id); };
    e.hideAll = [&widgets] { widgets.hideAll(); };
    e.showAll = [&widgets] { widgets.showAll(); };
    e.cycleReadoutIdle = [&settings] { return settings.cycleReadoutIdle(); };
    e.cycleMenuIdle = [&settings] { return settings.cycleMenuIdle(); };

    e.runningAppNames = [&workspace] {
        QStringList names;
        for (const RunningApp &app : workspace.runningApplications())
            names << app.name;
        return names;
    };
    LoginItemService &loginItems = services.loginItems;
    e.loginItemEnabled = [&loginItems] { return loginItems.isEnabled(); };
    e.keys = {HUDHotKey.displayText, MenuHotKey.displayText, CommandBarHotKey.displayText};
    return e;
}

MenuFacts facts(AppServices &services)
{
    HUDWidgetSettings &widgets = services.widgets;
    MenuFacts f;
    f.isHidden = [&widgets](HUDWidgetID id) { return widgets.isHidden(id); };
    f.hudKeyText = HUDHotKey.displayText;
    f.readoutIdle = services.settings.readoutIdle();
    f.menuIdle = services.settings.menuIdle();
    return f;
}

} // namespace MenuBindings
