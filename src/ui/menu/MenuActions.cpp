#include "ui/menu/MenuActions.h"

#include "hud/HUDSettings.h"
#include "hud/HUDWidgetSettings.h"

namespace {

// The help is several lines long; it stays up longer than an ordinary toast.
constexpr double kHelpToastSeconds = 12;
constexpr double kToastSeconds = 5;

template <typename F, typename... Args> void call(const F &f, Args &&...args)
{
    if (f)
        f(std::forward<Args>(args)...);
}

void openApp(const MenuEffects &e, const QString &name, const QStringList &alternatives = {})
{
    if (e.openApp)
        e.openApp(name, alternatives);
}

QString seconds(double value)
{
    return QString::number(value);
}

// The entries that open a panel or act on the panels themselves.
bool runPanelEntry(const QString &title, const MenuEffects &e)
{
    static const QList<std::pair<QString, std::function<void()> MenuEffects::*>> table{
        {QStringLiteral("Close Menu"), &MenuEffects::closeMenu},
        {QStringLiteral("Edit Layout"), &MenuEffects::editLayout},
        {QStringLiteral("Reset Layout"), &MenuEffects::resetLayout},
        {QStringLiteral("Hide HUD"), &MenuEffects::hideHUD},
        {QStringLiteral("Log Out"), &MenuEffects::requestQuit},
        {QStringLiteral("Quest"), &MenuEffects::showQuest},
        {QStringLiteral("Inventory"), &MenuEffects::showInventory},
        {QStringLiteral("Shortcuts"), &MenuEffects::showSkills},
        {QStringLiteral("Loadouts"), &MenuEffects::showEquipment},
    };
    for (const auto &[name, member] : table) {
        if (name == title) {
            call(e.*member);
            return true;
        }
    }
    return false;
}

void runReadouts(const MenuEffects &e)
{
    if (!e.cycleReadoutIdle)
        return;
    const double now = e.cycleReadoutIdle();
    call(e.setStatus, QStringLiteral("HUD readouts: ") + HUDSettings::readoutIdleLabel(now));
    const QString body = now == 0 ? QStringLiteral("Always on. They stay until you hide the HUD.")
                                  : QStringLiteral("They leave ") + seconds(now)
            + QStringLiteral(" seconds after you summon the HUD. ") + e.keys.hud
            + QStringLiteral(" brings them back.");
    call(e.toast, QStringLiteral("HUD readouts"), body, kToastSeconds);
}

void runAutoHide(const MenuEffects &e)
{
    if (!e.cycleMenuIdle)
        return;
    const double now = e.cycleMenuIdle();
    call(e.setStatus, QStringLiteral("Menu auto-hide: ") + HUDSettings::menuIdleLabel(now));
    const QString body = now == 0 ? QStringLiteral("Off. The menu stays until you close it.")
                                  : QStringLiteral("The menu puts itself away ") + seconds(now)
            + QStringLiteral(" seconds after your pointer leaves it.");
    call(e.toast, QStringLiteral("Menu auto-hide"), body, kToastSeconds);
}

void runOption(const MenuEffects &e)
{
    const bool login = e.loginItemEnabled && e.loginItemEnabled();
    const QString onOff = login ? QStringLiteral("on") : QStringLiteral("off");
    call(e.setStatus, e.keys.hud + QStringLiteral(" · Login ") + onOff);
    call(e.toast, QStringLiteral("Option"),
         QStringLiteral("Toggle: ") + e.keys.hud + QStringLiteral("\nOpen at Login: ") + onOff
             + QStringLiteral("\nRight-click menu bar icon for options."),
         kToastSeconds);
}

void runEquipped(const MenuEffects &e)
{
    const QStringList lines
        = MenuActions::equippedLines(e.runningAppNames ? e.runningAppNames() : QStringList());
    call(e.setStatus, lines.join(QStringLiteral(" · ")));
    call(e.report, QStringLiteral("Equipped"), lines.join(QLatin1Char('\n')));
}

bool runWidgetEntry(const QString &title, const MenuEffects &e)
{
    if (title == QLatin1String("Hide All")) {
        call(e.hideAll);
        call(e.setStatus, QStringLiteral("All widgets hidden"));
        return true;
    }
    if (title == QLatin1String("Show All")) {
        call(e.showAll);
        call(e.setStatus, QStringLiteral("All widgets shown"));
        return true;
    }
    const std::optional<HUDWidgetID> id = HUDWidgetSettings::widget(title);
    if (!id)
        return false;
    if (e.toggleWidget) {
        const bool visible = e.toggleWidget(*id);
        call(e.setStatus, title + (visible ? QStringLiteral(" shown") : QStringLiteral(" hidden")));
    }
    return true;
}

} // namespace

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
        openApp(e, QStringLiteral("ego lite"), {QStringLiteral("Ego Lite"), QStringLiteral("ego")});
    else if (title == QLatin1String("Materials"))
        call(e.copyStatus);
    else if (title == QLatin1String("Use Item"))
        call(e.stagePrompt);
    else if (title == QLatin1String("Tessar Skills"))
        call(e.wakeAI);
    else if (title == QLatin1String("Extra Skills"))
        call(e.unloadAI);
    else if (title == QLatin1String("Focus"))
        call(e.toggleFocus);
    else if (title == QLatin1String("Field Map"))
        call(e.openProjects);
    else if (title == QLatin1String("Dungeon Map"))
        openApp(e, QStringLiteral("iTerm"), {QStringLiteral("iTerm2"), QStringLiteral("Terminal")});
    else if (title == QLatin1String("Party"))
        call(e.openActivityMonitor);
    else if (title == QLatin1String("Friend"))
        openApp(e, QStringLiteral("Contacts"));
    else if (title == QLatin1String("Message"))
        openApp(e, QStringLiteral("Messages"));
    else if (title == QLatin1String("Mail"))
        openApp(e, QStringLiteral("Mail"));
    else if (title == QLatin1String("Weapons"))
        openApp(e, QStringLiteral("Cursor"), {QStringLiteral("Claude"), QStringLiteral("Xcode")});
    else if (title == QLatin1String("Accessory"))
        openApp(e, QStringLiteral("Mullvad VPN"),
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
        call(e.setStatus, QStringLiteral("Help shown"));
        // Nothing on screen shows the status line with the help below it, so the help
        // comes as a toast.
        call(e.toast, QStringLiteral("Help shown"), MenuTree::helpText(e.keys), kHelpToastSeconds);
    }
}

} // namespace MenuActions
