#include "ui/menu/MenuActions.h"

#include "actions/HUDActionService.h"
#include "hud/HUDCommands.h"
#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"
#include "monitors/SelfCostMeter.h"
#include "platform/Feedback.h"
#include "platform/Workspace.h"
#include "setup/LoginItemService.h"

#include <QHash>

namespace {

// The help is several lines long; it stays up longer than an ordinary toast.
constexpr double kHelpToastSeconds = 12;
constexpr double kToastSeconds = 5;

QString seconds(double value)
{
    return QString::number(value);
}

using Kind = MenuEntry::Kind;
using ServiceCall = void (HUDActionService::*)();

// The action service's calls the entries make, by the name the table gives them.
const QList<std::pair<QString, ServiceCall>> &serviceCalls()
{
    static const QList<std::pair<QString, ServiceCall>> calls{
        {QStringLiteral("copyStatus"), &HUDActionService::copyStatus},
        {QStringLiteral("stagePrompt"), &HUDActionService::stagePrompt},
        {QStringLiteral("wakeAI"), &HUDActionService::wakeAI},
        {QStringLiteral("unloadAI"), &HUDActionService::unloadAI},
        {QStringLiteral("toggleFocus"), &HUDActionService::toggleFocus},
        {QStringLiteral("openProjects"), &HUDActionService::openProjects},
        {QStringLiteral("openActivityMonitor"), &HUDActionService::openActivityMonitor},
    };
    return calls;
}

// Every entry but the widget toggles, by title.
const QHash<QString, MenuEntry> &entries()
{
    auto command = [](const char *id) { return MenuEntry{Kind::command, QLatin1String(id)}; };
    auto service = [](const char *name) { return MenuEntry{Kind::service, QLatin1String(name)}; };
    auto open = [](const char *app, QStringList alternatives = {}) {
        return MenuEntry{Kind::openApp, QLatin1String(app), std::move(alternatives)};
    };
    static const QHash<QString, MenuEntry> all{
        // The panels and the HUD itself: the shell's commands.
        {QStringLiteral("Close Menu"), command("close-menu")},
        {QStringLiteral("Edit Layout"), command("edit-layout")},
        {QStringLiteral("Reset Layout"), command("reset-layout")},
        {QStringLiteral("Hide HUD"), command("hide-hud")},
        {QStringLiteral("Log Out"), command("request-quit")},
        {QStringLiteral("Quest"), command("quest")},
        {QStringLiteral("Inventory"), command("inventory")},
        {QStringLiteral("Shortcuts"), command("skills")},
        {QStringLiteral("Loadouts"), command("equipment")},

        {QStringLiteral("Character"),
         open("ego lite", {QStringLiteral("Ego Lite"), QStringLiteral("ego")})},
        {QStringLiteral("Materials"), service("copyStatus")},
        {QStringLiteral("Use Item"), service("stagePrompt")},
        {QStringLiteral("Tessar Skills"), service("wakeAI")},
        {QStringLiteral("Extra Skills"), service("unloadAI")},
        {QStringLiteral("Focus"), service("toggleFocus")},
        {QStringLiteral("Field Map"), service("openProjects")},
        {QStringLiteral("Dungeon Map"),
         open("iTerm", {QStringLiteral("iTerm2"), QStringLiteral("Terminal")})},
        {QStringLiteral("Party"), service("openActivityMonitor")},
        {QStringLiteral("Friend"), open("Contacts")},
        {QStringLiteral("Message"), open("Messages")},
        {QStringLiteral("Mail"), open("Mail")},
        {QStringLiteral("Weapons"),
         open("Cursor", {QStringLiteral("Claude"), QStringLiteral("Xcode")})},
        {QStringLiteral("Accessory"),
         open("Mullvad VPN", {QStringLiteral("Tailscale"), QStringLiteral("WireGuard")})},

        {QStringLiteral("Hide All"), MenuEntry{Kind::hideAll}},
        {QStringLiteral("Show All"), MenuEntry{Kind::showAll}},
        {QStringLiteral("Equipped"), MenuEntry{Kind::equipped}},
        {QStringLiteral("Option"), MenuEntry{Kind::option}},
        {QStringLiteral("Readouts"), MenuEntry{Kind::readouts}},
        {QStringLiteral("Auto-Hide"), MenuEntry{Kind::autoHide}},
        {QStringLiteral("Help"), MenuEntry{Kind::help}},
    };
    return all;
}

void runReadouts(const MenuEffects &e)
{
    const double now = e.settings.cycleReadoutIdle();
    e.actions.setLastStatus(QStringLiteral("HUD readouts: ") + HUDSettings::readoutIdleLabel(now));
    const QString body = now == 0 ? QStringLiteral("Always on. They stay until you hide the HUD.")
                                  : QStringLiteral("They leave ") + seconds(now)
            + QStringLiteral(" seconds after you summon the HUD. ") + e.keys.hud
            + QStringLiteral(" brings them back.");
    e.feedback.toast(QStringLiteral("HUD readouts"), body, kToastSeconds);
}

void runAutoHide(const MenuEffects &e)
{
    const double now = e.settings.cycleMenuIdle();
    e.actions.setLastStatus(QStringLiteral("Menu auto-hide: ") + HUDSettings::menuIdleLabel(now));
    const QString body = now == 0 ? QStringLiteral("Off. The menu stays until you close it.")
                                  : QStringLiteral("The menu puts itself away ") + seconds(now)
            + QStringLiteral(" seconds after your pointer leaves it.");
    e.feedback.toast(QStringLiteral("Menu auto-hide"), body, kToastSeconds);
}

void runOption(const MenuEffects &e)
{
    const QString onOff = e.loginItems.isEnabled() ? QStringLiteral("on") : QStringLiteral("off");
    e.actions.setLastStatus(e.keys.hud + QStringLiteral(" · Login ") + onOff);
    e.feedback.toast(QStringLiteral("Option"),
                     QStringLiteral("Toggle: ") + e.keys.hud + QStringLiteral("\nOpen at Login: ")
                         + onOff + QStringLiteral("\nRight-click menu bar icon for options."),
                     kToastSeconds);
}

void runEquipped(const MenuEffects &e)
{
    QStringList names;
    for (const RunningApp &app : e.workspace.runningApplications())
        names << app.name;
    const QStringList lines = MenuActions::equippedLines(names);
    e.actions.setLastStatus(lines.join(QStringLiteral(" · ")));
    e.actions.report(QStringLiteral("Equipped"), lines.join(QLatin1Char('\n')));
}

void toggleWidget(const QString &title, HUDWidgetID id, const MenuEffects &e)
{
    const bool visible = e.widgets.toggle(id);
    e.actions.setLastStatus(title
                            + (visible ? QStringLiteral(" shown") : QStringLiteral(" hidden")));
}

void runHelp(const MenuEffects &e)
{
    e.actions.setLastStatus(QStringLiteral("Help shown"));
    // Nothing on screen shows the status line with the help below it, so the help comes as a
    // toast.
    e.feedback.toast(QStringLiteral("Help shown"), MenuTree::helpText(e.keys), kHelpToastSeconds);
}

} // namespace

MenuFacts MenuEffects::facts() const
{
    MenuFacts f;
    for (HUDWidgetID id : HUDWidget::allCases()) {
        if (widgets.isHidden(id))
            f.hidden.insert(id);
    }
    f.hudKeyText = keys.hud;
    f.readoutIdle = settings.readoutIdle();
    f.menuIdle = settings.menuIdle();
    if (selfCost)
        f.selfCost = SelfCostMeter::line(selfCost->figures());
    return f;
}

namespace MenuActions {

const QStringList &equippedTools()
{
    static const QStringList tools{QStringLiteral("NotchNook"), QStringLiteral("Magnet"),
                                   QStringLiteral("Tailscale"), QStringLiteral("Dynamic Wallpaper"),
                                   QStringLiteral("Vantle")};
    return tools;
}

QStringList equippedLines(const QStringList &runningAppNames)
{
    QStringList lines;
    for (const QString &tool : equippedTools()) {
        bool running = false;
        for (const QString &name : runningAppNames)
            running = running || name.contains(tool, Qt::CaseInsensitive);
        lines << tool + (running ? QStringLiteral(": running") : QStringLiteral(": —"));
    }
    return lines;
}

std::optional<MenuEntry> entry(const QString &title)
{
    const auto found = entries().constFind(title);
    if (found != entries().constEnd())
        return *found;
    if (const std::optional<HUDWidgetID> id = HUDWidgetSettings::widget(title))
        return MenuEntry{Kind::widget, HUDWidget::rawValue(*id)};
    return std::nullopt;
}

void runNode(const QString &title, const MenuEffects &e)
{
    const std::optional<MenuEntry> what = entry(title);
    if (!what)
        return;
    switch (what->kind) {
    case Kind::command:
        e.commands.trigger(what->target);
        break;
    case Kind::service:
        for (const auto &[name, call] : serviceCalls()) {
            if (name == what->target)
                (e.actions.*call)();
        }
        break;
    case Kind::openApp:
        e.actions.openApp(what->target, what->alternatives);
        break;
    case Kind::widget:
        if (const std::optional<HUDWidgetID> id = HUDWidget::fromRawValue(what->target))
            toggleWidget(title, *id, e);
        break;
    case Kind::hideAll:
        e.widgets.hideAll();
        e.actions.setLastStatus(QStringLiteral("All widgets hidden"));
        break;
    case Kind::showAll:
        e.widgets.showAll();
        e.actions.setLastStatus(QStringLiteral("All widgets shown"));
        break;
    case Kind::equipped:
        runEquipped(e);
        break;
    case Kind::option:
        runOption(e);
        break;
    case Kind::readouts:
        runReadouts(e);
        break;
    case Kind::autoHide:
        runAutoHide(e);
        break;
    case Kind::help:
        runHelp(e);
        break;
    }
}

} // namespace MenuActions
