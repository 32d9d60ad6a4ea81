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
#include "platform/Screens.h"
#include "platform/SystemLog.h"
#include "platform/WindowSystem.h"
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

std::unique_ptr<PanelWindow> makeToastPanel(const Screens &screens, WindowSystem &windows,
                                            PanelStack &stack,
                                            FloatingHUDPanel::ContentFactory content)
{
    return std::make_unique<FloatingHUDPanel>(PanelStyle{QStringLiteral("toast"), 6, false, false},
                                              std::move(content), screens, windows, stack);
}

HUDActionService::Options actionOptions()
{
    HUDActionService::Options options;
    options.shortcutsTool = ShortcutsTool::locate(QCoreApplication::applicationDirPath());
    return options;
}

SkillBook::Collaborators skillCollaborators(WindowArranger &arranger, HUDActionService &actions)
{
    SkillBook::Collaborators with;
    with.loadouts = [&arranger] { return arranger.loadouts(); };
    with.equip = [&arranger](const Loadout &loadout, std::function<void()> done) {
        arranger.equip(loadout, std::move(done));
    };
    with.toggleFocus = [&actions] { actions.toggleFocus(); };
    with.wakeAI = [&actions] { actions.wakeAI(); };
    with.unloadAI = [&actions] { actions.unloadAI(); };
    return with;
}

SetupActions setupActions(AppServices &s)
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
    return actions;
}

// The platform's probes, and the skill book for the Shortcuts it lists.
class ProgramSetupProbes final : public StandardSetupProbes
{
public:
    explicit ProgramSetupProbes(AppServices &s)
        : StandardSetupProbes(*s.platform.system, *s.platform.windows, *s.platform.calendars,
                              *s.platform.players, s.loginItems, s.hotKeyFailures,
                              QCoreApplication::applicationDirPath())
        , m_skills(s.skills)
        , m_selfCost(s.selfCost)
    { }

    void reloadShortcuts() override { m_skills.reload(); }
    std::optional<int> shortcutCount() const override
    {
        if (!m_skills.loaded())
            return std::nullopt;
        return int(m_skills.shortcutNames().size());
    }
    QString selfCost() const override
    {
        const SelfCostMeter::Figures f = m_selfCost.figures();
        return SelfCostMeter::costText(f) + QStringLiteral(", ") + SelfCostMeter::wakeupText(f)
            + QLatin1Char('.');
    }

private:
    SkillBook &m_skills;
    SelfCostMeter &m_selfCost;
};

} // namespace

AppServices::AppServices(Platform &platform)
    : platform(platform)
    , ownPid(pid_t(QCoreApplication::applicationPid()))
    , settings(*platform.defaults, notifications)
    , widgets(*platform.defaults, notifications)
    , layout(*platform.defaults)
    , loginItems(*platform.loginItems, *platform.log)
    , metrics(*platform.stats, *platform.clock)
    , selfCost(*platform.clock)
    , panelStack(*platform.windows)
    , soundModule(CueSoundModule::folders(QCoreApplication::applicationDirPath()), *platform.log,
                  &SoundServer::reachable)
    , sound(platform.paths->resourcesFolder() + QStringLiteral("/sounds"), *platform.clock,
            [this](const QString &path) { return soundModule.player(path); })
    , toasts(
          *platform.screens, *platform.clock,
          [this] { sound.play(SoundCue::confirm, CoreToastCenter::confirmVolume); },
          [&screens = *platform.screens, &windows = *platform.windows,
           this](FloatingHUDPanel::ContentFactory content) {
              return makeToastPanel(screens, windows, panelStack, std::move(content));
          })
    , feedback(sound, toasts)
    , target(*platform.screens, *platform.windows, *platform.workspace, *platform.stats,
             *platform.clock, ownPid)
    , runningApps(*platform.workspace, ownPid, feedback)
    , network(*platform.network)
    , nowPlaying(*platform.players, feedback)
    , unread(*platform.badges)
    , clipboard(*platform.pasteboard, *platform.workspace, *platform.defaults, *platform.paths,
                *platform.clock, ownPid)
    , paster(clipboard, *platform.windows, feedback)
    , apps(*platform.workspace, *platform.clock)
    , actions(*platform.pasteboard, *platform.workspace, *platform.tools, *platform.log,
              *platform.stats, *platform.clock, feedback, actionOptions())
    , arranger(
          *platform.windows, *platform.workspace, *platform.screens, *platform.paths,
          *platform.clock, feedback,
          [this]() -> std::optional<pid_t> {
              if (!target.gaze())
                  return std::nullopt;
              return target.gaze()->pid;
          },
          ownPid)
    , dock(arranger, *platform.screens, feedback, *platform.defaults)
    , skills(*platform.tools, *platform.defaults, *platform.log, feedback,
             skillCollaborators(arranger, actions),
             ShortcutsTool::locate(QCoreApplication::applicationDirPath()))
    , quests(*platform.calendars, *platform.clock, feedback)
    , setupChecker(std::make_shared<ProgramSetupProbes>(*this), setupActions(*this))
    , setupWindow(setupChecker, *platform.defaults)
    , editor(*platform.screens, *platform.windows)
    , m_commandBar(makeCommandBar(*this))
    , commandBar(*m_commandBar)
{
    // The metrics tick only while the HUD is on screen; the thermal check that runs while it is
    // hidden is left alone, so the meter costs nothing then.
    QObject::connect(&metrics, &SystemMetricsService::changed, &metrics, [this] {
        if (metrics.isSampling())
            selfCost.noteTick();
    });
    QObject::connect(&arranger, &WindowArranger::loadoutsChanged, &skills,
                     &SkillBook::loadoutsChanged);
    QObject::connect(&quests, &QuestService::calendarAppRequested, &actions,
                     [this] { actions.openApp(QStringLiteral("Calendar")); });
}

AppServices::~AppServices()
{
    shutdown();
}

void AppServices::shutdown()
{
    // The clipboard's poll and the focus countdown stop with their owners.
    metrics.stop();
    target.setHUDVisible(false);
    unread.setHUDVisible(false);
    quests.setHUDVisible(false);
    network.setHUDVisible(false);
    nowPlaying.setHUDVisible(false);
    commandBar.close();
    setupWindow.close();
    editor.close();
    toasts.dismiss();
    clipboard.flushPinned();
}
