#include "ui/menu/MenuActions.h"

#include "actions/HUDActionService.h"
#include "hud/HUDCommands.h"
#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Feedback.h"
#include "platform/Workspace.h"
#include "setup/LoginItemService.h"

namespace {

// The help is several lines long; it stays up longer than an ordinary toast.
constexpr double kHelpToastSeconds = 12;
constexpr double kToastSeconds = 5;

QString seconds(double value)
{
    return QString::number(value);
}

// The entries that open a panel or act on the panels themselves: the shell's commands.
bool runPanelEntry(const QString &title, const MenuEffects &e)
{
    static const QList<std::pair<QString, QString>> table{
        {QStringLiteral("Close Menu"), QStringLiteral("close-menu")},
        {QStringLiteral("Edit Layout"), QStringLiteral("edit-layout")},
        {QStringLiteral("Reset Layout"), QStringLiteral("reset-layout")},
        {QStringLiteral("Hide HUD"), QStringLiteral("hide-hud")},
        {QStringLiteral("Log Out"), QStringLiteral("request-quit")},
        {QStringLiteral("Quest"), QStringLiteral("quest")},
        {QStringLiteral("Inventory"), QStringLiteral("inventory")},
        {QStringLiteral("Shortcuts"), QStringLiteral("skills")},
        {QStringLiteral("Loadouts"), QStringLiteral("equipment")},
    };
    for (const auto &[name, command] : table) {
        if (name == title) {
            e.commands.trigger(command);
            return true;
        }
    }
    return false;
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

bool runWidgetEntry(const QString &title, const MenuEffects &e)
{
    if (title == QLatin1String("Hide All")) {
        e.widgets.hideAll();
        e.actions.setLastStatus(QStringLiteral("All widgets hidden"));
        return true;
    }
    if (title == QLatin1String("Show All")) {
        e.widgets.showAll();
        e.actions.setLastStatus(QStringLiteral("All widgets shown"));
        return true;
    }
    const std::optional<HUDWidgetID> id = HUDWidgetSettings::widget(title);
    if (!id)
        return false;
    const bool visible = e.widgets.toggle(*id);
    e.actions.setLastStatus(title
                            + (visible ? QStringLiteral(" shown") : QStringLiteral(" hidden")));
    return true;
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

void runNode(const QString &title, const MenuEffects &e)
{
    if (runPanelEntry(title, e) || runWidgetEntry(title, e))
        return;
    if (title == QLatin1String("Character"))
        e.actions.openApp(QStringLiteral("ego lite"),
                          {QStringLiteral("Ego Lite"), QStringLiteral("ego")});
    else if (title == QLatin1String("Materials"))
        e.actions.copyStatus();
    else if (title == QLatin1String("Use Item"))
        e.actions.stagePrompt();
    else if (title == QLatin1String("Tessar Skills"))
        e.actions.wakeAI();
    else if (title == QLatin1String("Extra Skills"))
        e.actions.unloadAI();
    else if (title == QLatin1String("Focus"))
        e.actions.toggleFocus();
    else if (title == QLatin1String("Field Map"))
        e.actions.openProjects();
    else if (title == QLatin1String("Dungeon Map"))
        e.actions.openApp(QStringLiteral("iTerm"),
                          {QStringLiteral("iTerm2"), QStringLiteral("Terminal")});
    else if (title == QLatin1String("Party"))
        e.actions.openActivityMonitor();
    else if (title == QLatin1String("Friend"))
        e.actions.openApp(QStringLiteral("Contacts"));
    else if (title == QLatin1String("Message"))
        e.actions.openApp(QStringLiteral("Messages"));
    else if (title == QLatin1String("Mail"))
        e.actions.openApp(QStringLiteral("Mail"));
    else if (title == QLatin1String("Weapons"))
        e.actions.openApp(QStringLiteral("Cursor"),
                          {QStringLiteral("Claude"), QStringLiteral("Xcode")});
    else if (title == QLatin1String("Accessory"))
        e.actions.openApp(QStringLiteral("Mullvad VPN"),
                          {QStringLiteral("Tailscale"), QStringLiteral("WireGuard")});
    else if (title == QLatin1String("Equipped"))
        runEquipped(e);
    else if (title == QLatin1String("Option"))
        runOption(e);
    else if (title == QLatin1String("Readouts"))
        runReadouts(e);
    else if (title == QLatin1String("Auto-Hide"))
        runAutoHide(e);
    else if (title == QLatin1String("Help")) {
        e.actions.setLastStatus(QStringLiteral("Help shown"));
        // Nothing on screen shows the status line with the help below it, so the help
        // comes as a toast.
        e.feedback.toast(QStringLiteral("Help shown"), MenuTree::helpText(e.keys),
                         kHelpToastSeconds);
    }
}

} // namespace MenuActions
