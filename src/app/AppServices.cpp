#include "app/AppServices.h"

#include "actions/HUDActionService.h"
#include "actions/ShortcutsTool.h"
#include "app/CommandBarWiring.h"
#include "app/CueSoundModule.h"
#include "app/ShellFeedback.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"
#include "commandbar/AppCatalog.h"
#include "commandbar/CommandBarController.h"
#include "monitors/NetworkMonitor.h"
#include "monitors/NowPlayingMonitor.h"
#include "monitors/RunningAppsMonitor.h"
#include "monitors/TargetMonitor.h"
#include "monitors/UnreadMonitor.h"
#include "platform/AppPaths.h"
#include "platform/Platform.h"
#include "platform/SystemLog.h"
#include "platform/linux/SoundServer.h"
#include "quests/QuestService.h"
#include "setup/SetupChecker.h"
#include "skills/SkillBook.h"
#include "ui/CoreSoundEngine.h"
#include "ui/CoreToastCenter.h"
#include "ui/hud/FloatingHUDPanel.h"
#include "ui/hud/LayoutEditor.h"
#include "ui/menu/MenuSelection.h"
#include "ui/setup/SetupCheckWindow.h"
#include "windows/WindowArranger.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace {

// Built once and deliberately never deleted (see AppServices).
template <typename T, typename... Args> T &keep(Args &&...args)
{
    return *new T(std::forward<Args>(args)...);
}

CoreSoundEngine &makeSound(Platform &platform)
{
    CueSoundModule &module
        = keep<CueSoundModule>(CueSoundModule::folders(QCoreApplication::applicationDirPath()),
                               *platform.log, &SoundServer::reachable);
    return keep<CoreSoundEngine>(platform.paths->resourcesFolder() + QStringLiteral("/sounds"),
                                 *platform.clock,
                                 [&module](const QString &path) { return module.player(path); });
}

CoreToastCenter &makeToasts(Platform &platform, CoreSoundEngine &sound)
{
    const Screens &screens = *platform.screens;
    WindowSystem &windows = *platform.windows;
    return keep<CoreToastCenter>(
        screens, *platform.clock,
        [&sound] { sound.play(SoundCue::confirm, CoreToastCenter::confirmVolume); },
        [&screens,
         &windows](FloatingHUDPanel::ContentFactory content) -> std::unique_ptr<PanelWindow> {
            return std::make_unique<FloatingHUDPanel>(
                PanelStyle{QStringLiteral("toast"), 6, false, false}, std::move(content), screens,
                windows);
        });
}

HUDActionService &makeActions(Platform &platform, Feedback &feedback)
{
    HUDActionService::Options options;
    options.shortcutsTool = ShortcutsTool::locate(QCoreApplication::applicationDirPath());
    return keep<HUDActionService>(*platform.pasteboard, *platform.workspace, *platform.tools,
                                  *platform.log, *platform.stats, *platform.clock, feedback,
                                  std::move(options));
}

SkillBook &makeSkills(AppServices &s)
{
    WindowArranger &arranger = s.arranger;
    HUDActionService &actions = s.actions;
    SkillBook::Collaborators with;
    with.loadouts = [&arranger] { return arranger.loadouts(); };
    with.equip = [&arranger](const Loadout &loadout, std::function<void()> done) {
        arranger.equip(loadout, std::move(done));
    };
    with.toggleFocus = [&actions] { actions.toggleFocus(); };
    with.wakeAI = [&actions] { actions.wakeAI(); };
    with.unloadAI = [&actions] { actions.unloadAI(); };
    Platform &platform = s.platform;
    auto &book = keep<SkillBook>(*platform.tools, *platform.defaults, *platform.log, s.feedback,
                                 std::move(with),
                                 ShortcutsTool::locate(QCoreApplication::applicationDirPath()));
    QObject::connect(&arranger, &WindowArranger::loadoutsChanged, &book,
                     &SkillBook::loadoutsChanged);
    return book;
}

QuestService &makeQuests(AppServices &s)
{
    HUDActionService &actions = s.actions;
    return keep<QuestService>(*s.platform.calendars, *s.platform.clock, s.feedback,
                              [&actions] { actions.openApp(QStringLiteral("Calendar")); });
}

SetupChecker &makeSetupChecker(AppServices &s)
{
    Platform &platform = s.platform;
    SetupActions actions;
    HUDActionService &hudActions = s.actions;
    actions.openCalendar = [&hudActions] { hudActions.openApp(QStringLiteral("Calendar")); };
    actions.openShortcuts = [&platform] {
        const QString folder = platform.paths->dataFile(QStringLiteral("shortcuts"));
        QDir().mkpath(folder);
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    // "Music" and "Spotify" are opened through the desktop entries their packages install.
    actions.openPlayer = [&hudActions](const QString &player) { hudActions.openApp(player); };
    LoginItemService &loginItems = s.loginItems;
    actions.turnOnLoginItem = [&loginItems] { loginItems.registerLoginItem(); };
    SetupProbes probes = SetupProbes::standard(
        *platform.system, *platform.windows, *platform.calendars, *platform.players, s.loginItems,
        s.hotKeyFailures, QCoreApplication::applicationDirPath());
    SkillBook &skills = s.skills;
    probes.reloadShortcuts = [&skills] { skills.reload(); };
    probes.shortcutCount = [&skills]() -> std::optional<int> {
        if (!skills.loaded())
            return std::nullopt;
        return int(skills.shortcutNames().size());
    };
    return keep<SetupChecker>(std::move(probes), std::move(actions));
}

} // namespace

AppServices::AppServices(Platform &platform)
    : platform(platform)
    , ownPid(pid_t(QCoreApplication::applicationPid()))
    , settings(*platform.defaults, notifications)
    , widgets(*platform.defaults, notifications)
    , layout(*platform.defaults)
    , loginItems(*platform.loginItems, *platform.log)
    , metrics(*platform.stats, *platform.clock)
    , sound(makeSound(platform))
    , toasts(makeToasts(platform, sound))
    , feedback(keep<ShellFeedback>(sound, toasts))
    , menuSelection(keep<MenuSelection>())
    , target(keep<TargetMonitor>(*platform.screens, *platform.windows, *platform.workspace,
                                 *platform.stats, *platform.clock, ownPid))
    , runningApps(keep<RunningAppsMonitor>(*platform.workspace, ownPid,
                                           [this] { this->feedback.play(SoundCue::select, 1.0f); }))
    , network(keep<NetworkMonitor>(*platform.network))
    , nowPlaying(keep<NowPlayingMonitor>(*platform.players, feedback))
    , unread(keep<UnreadMonitor>(*platform.badges))
    , clipboard(keep<ClipboardHistory>(*platform.pasteboard, *platform.workspace,
                                       *platform.defaults, *platform.paths, *platform.clock,
                                       ownPid))
    , paster(keep<Paster>(clipboard, *platform.windows, feedback))
    , apps(keep<AppCatalog>(*platform.workspace, *platform.clock))
    , actions(makeActions(platform, feedback))
    , arranger(keep<WindowArranger>(
          *platform.windows, *platform.workspace, *platform.screens, *platform.paths,
          *platform.clock, feedback,
          [this]() -> std::optional<pid_t> {
              if (!this->target.gaze())
                  return std::nullopt;
              return this->target.gaze()->pid;
          },
          ownPid))
    , skills(makeSkills(*this))
    , quests(makeQuests(*this))
    , setupChecker(makeSetupChecker(*this))
    , setupWindow(keep<SetupCheckWindow>(setupChecker, *platform.defaults))
    , editor(keep<LayoutEditor>(*platform.screens, *platform.windows))
    , commandBar(*makeCommandBar(*this).release())
{ }

AppServices::~AppServices() = default;
