#include "app/AppDelegate.h"

#include "actions/HUDActionService.h"
#include "app/AppServices.h"
#include "app/CommandLine.h"
#include "app/HotKeyCenter.h"
#include "app/HotKeyStartup.h"
#include "app/MenuBarController.h"
#include "app/ReadoutWiring.h"
#include "app/ShellActions.h"
#include "app/SingleCopy.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"
#include "commandbar/CommandBarController.h"
#include "hud/FloatingHUDPanelController.h"
#include "hud/HUDHotKeys.h"
#include "hud/HUDLayout.h"
#include "monitors/NetworkMonitor.h"
#include "monitors/NowPlayingMonitor.h"
#include "monitors/RunningAppsMonitor.h"
#include "monitors/TargetMonitor.h"
#include "monitors/UnreadMonitor.h"
#include "platform/AppPaths.h"
#include "platform/Logging.h"
#include "platform/Platform.h"
#include "platform/RemoteControl.h"
#include "platform/Screens.h"
#include "platform/SystemLog.h"
#include "platform/WindowSystem.h"
#include "platform/wayland/PortalHotKeys.h"
#include "quests/QuestService.h"
#include "setup/SetupChecker.h"
#include "skills/SkillBook.h"
#include "ui/CoreSoundEngine.h"
#include "ui/CoreToastCenter.h"
#include "ui/hud/FloatingHUDPanel.h"
#include "ui/hud/LayoutEditor.h"
#include "ui/setup/SetupCheckWindow.h"
#include "windows/WindowArranger.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHash>
#include <QPointer>
#include <QTimer>

AppDelegate::AppDelegate(Platform &platform, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_prepared(prepare(platform))
    , m_services(std::make_unique<AppServices>(platform))
{
    ShellActions::install(m_services->commands, *this);
    connect(&m_services->commands, &HUDCommands::triggered, this,
            [](const QString &id) { qCDebug(lcShell) << "command" << id; });
    makeHUDController();
}

void AppDelegate::toggleAllWidgets()
{
    HUDWidgetSettings &widgets = m_services->widgets;
    if (widgets.allHidden())
        widgets.showAll();
    else
        widgets.hideAll();
}

AppDelegate::~AppDelegate() = default;

std::future<AppDelegate::Prepared> AppDelegate::prepare(const Platform &platform)
{
    // A few hundred process folders to read, and each font file parsed: a good part of the
    // start, done beside the services' construction. The font database may be used from any
    // thread; nothing draws text before the steps below take the result.
    const QString resources = platform.paths->resourcesFolder();
    const ProcessTable &processes = *platform.processes;
    return std::async(std::launch::async | std::launch::deferred, [&processes, resources] {
        Prepared prepared;
        prepared.otherCopies = SingleCopy::otherCopies(processes);
        if (!resources.isEmpty())
            prepared.fonts = registerFonts(resources + QStringLiteral("/fonts"));
        return prepared;
    });
}

int AppDelegate::registerFonts(const QString &folder)
{
    if (folder.isEmpty())
        return 0;
    const QDir dir(folder);
    int registered = 0;
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        if (!name.endsWith(QLatin1String(".ttf"), Qt::CaseInsensitive))
            continue; // told here: a name filter compiles a wildcard pattern
        // A file that does not load is skipped: text falls back to the system font.
        if (QFontDatabase::addApplicationFont(dir.filePath(name)) >= 0)
            ++registered;
    }
    return registered;
}

void AppDelegate::makeHUDController()
{
    AppServices &s = *m_services;
    auto factory = ReadoutWiring::panelFactory(s, m_platform, m_panelReports);
    Screens &screens = *m_platform.screens;
    m_hudController = std::make_unique<FloatingHUDPanelController>(
        screens, *m_platform.clock,
        FloatingHUDPanelController::Stores{s.widgets, s.layout, s.settings, s.visibility,
                                           s.notifications},
        factory);
    FloatingHUDPanelController *controller = m_hudController.get();
    using Controller = FloatingHUDPanelController;
    connect(&m_panelReports, &PanelReports::escapePressed, controller, &Controller::handleEscape);
    connect(&m_panelReports, &PanelReports::railRegionsChanged, controller,
            &Controller::setRailRegions);
    connect(&m_panelReports, &PanelReports::transportRegionChanged, controller,
            &Controller::setTransportRegion);
    connect(&m_panelReports, &PanelReports::confirmCancelled, controller,
            [controller] { controller->dismissConfirm(true); });
    connect(controller, &Controller::play, &s.sound, [&s](SoundCue cue) { s.sound.play(cue); });
    connect(controller, &Controller::dismissToast, &s.toasts, &CoreToastCenter::dismiss);
    connect(controller, &Controller::openLayoutEditor, &s.editor, &LayoutEditor::open);
    connect(controller, &Controller::closeLayoutEditor, &s.editor, &LayoutEditor::close);
    connect(&s.editor, &LayoutEditor::widgetDropped, controller, &Controller::commitDrop);
    connect(&s.editor, &LayoutEditor::resetRequested, controller, &Controller::resetLayout);
    connect(&s.editor, &LayoutEditor::doneRequested, controller, &Controller::endLayoutEditing);
    connect(controller, &Controller::closeCommandBar, &s.commandBar, &CommandBarController::close);
    controller->setCommandBarVisible(s.commandBar.isVisible());
    connect(&s.commandBar, &CommandBarController::visibleChanged, controller,
            &Controller::setCommandBarVisible);

    // Every readout service follows the HUD on screen, in this order: metrics, target, unread,
    // quests, network, now playing. The target cursor follows the gaze and the music strip the
    // track.
    TargetMonitor &target = s.target;
    connect(&s.visibility, &HUDVisibility::visibleChanged, &s.metrics,
            &SystemMetricsService::setHUDVisible);
    connect(&s.visibility, &HUDVisibility::visibleChanged, &target, &TargetMonitor::setHUDVisible);
    connect(&s.visibility, &HUDVisibility::visibleChanged, &s.unread,
            &UnreadMonitor::setHUDVisible);
    connect(&s.visibility, &HUDVisibility::visibleChanged, &s.quests, &QuestService::setHUDVisible);
    connect(&s.visibility, &HUDVisibility::visibleChanged, &s.network,
            &NetworkMonitor::setHUDVisible);
    connect(&s.visibility, &HUDVisibility::visibleChanged, &s.nowPlaying,
            &NowPlayingMonitor::setHUDVisible);
    NowPlayingMonitor &playing = s.nowPlaying;
    connect(&playing, &NowPlayingMonitor::trackChanged, controller,
            [controller, &playing] { controller->setPlaying(playing.track().has_value()); });
    connect(&target, &TargetMonitor::gazeChanged, controller, [controller, &target] {
        const auto &gaze = target.gaze();
        controller->setGaze(gaze ? std::optional<QRectF>(gaze->frame) : std::nullopt);
    });
    connect(controller, &FloatingHUDPanelController::crampedChanged, &target,
            &TargetMonitor::setCramped);
    connect(&target, &TargetMonitor::pointerPolled, controller, [controller](QPointF pointer) {
        controller->setPointerNear(controller->widgetsNear(pointer));
    });
}

void AppDelegate::applicationDidFinishLaunching()
{
    // An accessory: no taskbar entry (every window is a tool window) and no quitting when the
    // last window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    // Found, and the fonts registered, while the services were built.
    const Prepared prepared = m_prepared.get();
    SingleCopy::endCopies(prepared.otherCopies, *m_platform.processes, *m_platform.log);
    qCDebug(lcShell) << prepared.fonts << "bundled fonts registered";

    const QString resources = m_platform.paths->resourcesFolder();
    if (resources.isEmpty()) {
        m_platform.log->log(QStringLiteral("no resources beside %1: no sound cues, fonts or tray "
                                           "emblem")
                                .arg(QCoreApplication::applicationDirPath()));
    }

    AppServices &s = *m_services;
    s.sound.setEnabled(true);
    s.metrics.start();
    s.clipboard.start();
    s.skills.reload();

    installMenuBar();
    m_hudController->start();
    registerHotKeys();
    listenForCommands();

    s.setupChecker.start();
    logFirstSetupCheck();
    SetupCheckWindow &setupWindow = s.setupWindow;
    QTimer::singleShot(1000, this, [&setupWindow] { setupWindow.showIfFirstRun(); });

    m_hudController->show();
}

void AppDelegate::installMenuBar()
{
    AppServices &s = *m_services;
    MenuBarController::Status status;
    status.allHidden = [&s] { return s.widgets.allHidden(); };
    status.setupAttention = [&s] { return s.setupChecker.attentionCount(); };
    status.loginItemEnabled = [&s] { return s.loginItems.isEnabled(); };
    m_menuBar = std::make_unique<MenuBarController>(
        s.commands, std::move(status), m_platform.paths->resourcesFolder(), *m_platform.log);
    m_menuBar->install();
}

void AppDelegate::registerHotKeys()
{
    const HUDCommands &commands = m_services->commands;
    QList<HotKeyStartup::Registration> registrations;
    for (const HUDCommands::Command &command : commands.commands()) {
        if (!command.hotKey)
            continue;
        const HotKeyBinding &key = *command.hotKey;
        // The desktop's shortcut settings list a portal's keys by name, in the user's words.
        if (auto *portal = qobject_cast<PortalHotKeys *>(m_platform.hotKeys.get()))
            portal->describe(int(key.id), command.id,
                             command.remoteHelp.isEmpty() ? command.text : command.remoteHelp);
        auto center = std::make_unique<HotKeyCenter>(key.id, m_platform.hotKeys.get());
        QPointer<QAction> action = commands.action(command.id);
        registrations.append({key, center->registerHotKey(key.keyCode, key.modifiers, [action] {
                                  if (action)
                                      action->trigger();
                              })});
        qCDebug(lcShell) << "hot key" << key.displayText << "for" << command.id
                         << (registrations.last().registered ? "held" : "taken elsewhere");
        // A keyboard mapping change moves the grab; one lost then is reported as at start.
        connect(center.get(), &HotKeyCenter::registrationChanged, this,
                [this, index = registrations.size() - 1](bool held) {
                    m_hotKeyStates[index].registered = held;
                    m_services->hotKeyFailures = HotKeyStartup::report(m_hotKeyStates).failures;
                    for (const QString &line :
                         HotKeyStartup::report({m_hotKeyStates[index]}).logLines)
                        m_platform.log->log(line);
                });
        m_hotKeys.push_back(std::move(center));
    }

    m_hotKeyStates = registrations;
    const HotKeyStartup::Report report = HotKeyStartup::report(registrations);
    m_services->hotKeyFailures = report.failures;
    for (const QString &line : report.logLines)
        m_platform.log->log(line);
}

void AppDelegate::logFirstSetupCheck()
{
    // What needs attention goes to the log once, so a session where something is off (a
    // Wayland session, a key another app holds) says so without the window being opened.
    SetupChecker &checker = m_services->setupChecker;
    SystemLog &log = *m_platform.log;
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(&checker, &SetupChecker::changed, this, [&checker, &log, once] {
        if (checker.checking())
            return;
        disconnect(*once);
        for (const SetupItem &item : checker.items()) {
            // Required lines, and the keys, which are the way in; optional extras stay quiet.
            if (item.state == SetupItem::State::attention
                && (item.required || item.id == QLatin1String("keys")))
                log.log(QStringLiteral("setup check: %1: %2").arg(item.title, item.detail));
        }
    });
}

void AppDelegate::listenForCommands()
{
    if (!m_platform.remote)
        return;
    QPointer<HUDCommands> commands(&m_services->commands);
    m_platform.remote->answer(QStringLiteral("stats"), [&meter = m_services->selfCost] {
        const SelfCostMeter::Figures f = meter.figures();
        return SelfCostMeter::line(f) + QLatin1Char('\n') + SelfCostMeter::wakeupText(f);
    });
    QString error;
    const bool listening = m_platform.remote->listen(
        CommandLine::commandNames(),
        [commands](const QString &command) {
            if (commands)
                commands->trigger(command);
        },
        &error);
    if (!listening)
        m_platform.log->log(QStringLiteral("command-line control unavailable: ") + error);
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    for (const std::unique_ptr<HotKeyCenter> &key : m_hotKeys)
        key->unregister();
    qCDebug(lcShell) << "shutting down";
    m_services->shutdown();
}
