#include "ui/menu/MenuBindings.h"

#include "actions/HUDActionService.h"
#include "hud/FloatingHUDPanelController.h"
#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Workspace.h"
#include "ui/CoreToastCenter.h"

namespace MenuBindings {

MenuEffects effects(std::function<FloatingHUDPanelController *()> controller,
                    std::function<bool()> loginItemEnabled, MenuHotKeyTexts keys,
                    Workspace &workspace)
{
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
    auto service = [](void (HUDActionService::*op)()) {
        return [op] { (HUDActionService::shared().*op)(); };
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

    e.openApp = [](const QString &name, const QStringList &alternatives) {
        return HUDActionService::shared().openApp(name, alternatives);
    };
    e.copyStatus = service(&HUDActionService::copyStatus);
    e.stagePrompt = service(&HUDActionService::stagePrompt);
    e.wakeAI = service(&HUDActionService::wakeAI);
    e.unloadAI = service(&HUDActionService::unloadAI);
    e.toggleFocus = service(&HUDActionService::toggleFocus);
    e.openProjects = service(&HUDActionService::openProjects);
    e.openActivityMonitor = service(&HUDActionService::openActivityMonitor);
    e.setStatus = [](const QString &status) { HUDActionService::shared().setLastStatus(status); };
    e.report = [](const QString &title, const QString &message) {
        HUDActionService::shared().report(title, message);
    };
    e.toast = [](const QString &title, const QString &message, double duration) {
        CoreToastCenter::shared().show(title, message, duration);
    };

    e.toggleWidget = [](HUDWidgetID id) { return HUDWidgetSettings::shared().toggle(id); };
    e.hideAll = [] { HUDWidgetSettings::shared().hideAll(); };
    e.showAll = [] { HUDWidgetSettings::shared().showAll(); };
    e.cycleReadoutIdle = [] { return HUDSettings::shared().cycleReadoutIdle(); };
    e.cycleMenuIdle = [] { return HUDSettings::shared().cycleMenuIdle(); };

    e.runningAppNames = [&workspace] {
        QStringList names;
        for (const RunningApp &app : workspace.runningApplications())
            names << app.name;
        return names;
    };
    e.loginItemEnabled = std::move(loginItemEnabled);
    e.keys = std::move(keys);
    return e;
}

MenuFacts facts(const QString &hudKeyText)
{
    MenuFacts f;
    f.isHidden = [](HUDWidgetID id) { return HUDWidgetSettings::shared().isHidden(id); };
    f.hudKeyText = hudKeyText;
    f.readoutIdle = HUDSettings::shared().readoutIdle();
    f.menuIdle = HUDSettings::shared().menuIdle();
    return f;
}

} // namespace MenuBindings
