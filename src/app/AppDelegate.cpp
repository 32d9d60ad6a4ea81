#include "app/AppDelegate.h"

#include "actions/HUDActionService.h"
#include "app/AppServices.h"
#include "app/CommandLine.h"
#include "app/HotKeyCenter.h"
#include "app/HotKeyStartup.h"
#include "app/MenuBarController.h"
#include "app/MenuBindings.h"
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
#include "platform/Platform.h"
#include "platform/RemoteControl.h"
#include "platform/Screens.h"
#include "platform/SystemLog.h"
#include "platform/WindowSprites.h"
#include "platform/WindowSystem.h"
#include "platform/linux/PasswdUserAccount.h"
#include "quests/QuestService.h"
#include "setup/SetupChecker.h"
#include "skills/SkillBook.h"
#include "ui/CoreSoundEngine.h"
#include "ui/CoreToastCenter.h"
#include "ui/hud/FloatingHUDPanel.h"
#include "ui/hud/LayoutEditor.h"
#include "ui/setup/SetupCheckWindow.h"
#include "ui/widgets/NowPlaying.h"
#include "ui/widgets/ReadoutScale.h"
#include "ui/widgets/ReadoutViews.h"
#include "ui/widgets/ScaledRoot.h"
#include "windows/WindowArranger.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <type_traits>

namespace {

CoreSoundEngine::Cue cueFor(PanelCue cue)
{
    switch (cue) {
    case PanelCue::open:
        return CoreSoundEngine::Cue::open;
    case PanelCue::close:
        return CoreSoundEngine::Cue::close;
    case PanelCue::select:
        return CoreSoundEngine::Cue::select;
    case PanelCue::confirm:
        return CoreSoundEngine::Cue::confirm;
    case PanelCue::cancel:
        return CoreSoundEngine::Cue::cancel;
    }
    return CoreSoundEngine::Cue::select;
}

} // namespace

AppDelegate::AppDelegate(Platform &platform, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_services(std::make_unique<AppServices>(platform))
{
    ShellActions::install(m_services->commands, *this);
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

int AppDelegate::registerFonts(const QString &folder)
{
    if (folder.isEmpty())
        return 0;
    const QDir dir(folder);
    int registered = 0;
    for (const QString &name : dir.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name)) {
        // A file that does not load is skipped: text falls back to the system font.
        if (QFontDatabase::addApplicationFont(dir.filePath(name)) >= 0)
            ++registered;
    }
    return registered;
}

FloatingHUDPanelController &AppDelegate::hudController()
{
    if (m_hudController)
        return *m_hudController;

    AppServices &s = *m_services;
    QPointer<AppDelegate> self(this);
    auto models = std::make_shared<ReadoutModels>();
    models->metrics = &s.metrics;
    models->target = &s.target;
    models->network = &s.network;
    models->nowPlaying = &s.nowPlaying;
    models->unread = &s.unread;
    QPointer<NowPlayingMonitor> playing(&s.nowPlaying);
    models->onTransport = [playing](const QString &command) {
        if (!playing)
            return;
        if (command == QLatin1String("playpause"))
            playing->playPause();
        else if (command == QLatin1String("next track"))
            playing->nextTrack();
        else if (command == QLatin1String("previous track"))
            playing->previousTrack();
    };
    models->account = currentUserAccount();
    models->visibility = &s.visibility;
    models->windowSprites
        = [&windows = *m_platform.windows](quintptr id) { return windows.sprites(id); };
    auto controllerNow = [self]() -> FloatingHUDPanelController * {
        return self ? self->m_hudController.get() : nullptr;
    };
    models->menuEffects = MenuBindings::effects(s, controllerNow);
    models->menuSelection = &s.menuSelection;
    models->menuFacts = [&s] { return MenuBindings::facts(s); };
    models->widgetSettings = &s.widgets;
    models->runningApps = &s.runningApps;
    models->clipboard = &s.clipboard;
    models->pasteClip = [&s](const ClipItem &clip) { s.paster.paste(clip); };
    models->playCue = [&s](CoreSoundEngine::Cue cue) { s.sound.play(cue); };
    // The paste lands in the app that was in front once the menu is out of its way.
    models->onClipPasted = models->menuEffects.closeMenu;
    models->arranger = &s.arranger;
    models->skills = &s.skills;
    models->quests = &s.quests;
    models->actions = &s.actions;
    HUDActionService &actions = s.actions;
    // The clock plays its own cue.
    models->onOpenCalendar = [&actions] { actions.openApp(QStringLiteral("Calendar"), {}, false); };
    models->onOpenSkills = [controllerNow] {
        if (FloatingHUDPanelController *c = controllerNow())
            c->openMenuPanel(HUDWidgetID::skills);
    };
    models->openShortcutsFolder = s.setupChecker.actions().openShortcuts;
    models->openBatterySettings = [&actions] { actions.openBatterySettings(); };
    models->openStorageSettings = [&actions] { actions.openStorageSettings(); };
    models->onRailRegions = [controllerNow](const QList<QRectF> &regions) {
        if (FloatingHUDPanelController *c = controllerNow())
            c->setRailRegions(regions);
    };
    models->onConfirmQuit = [] { QCoreApplication::quit(); };
    models->onCancelQuit = [self] {
        if (self && self->m_hudController)
            self->m_hudController->dismissConfirm(true);
    };

    Screens &screens = *m_platform.screens;
    WindowSystem &windows = *m_platform.windows;
    auto factory = [self, models, &screens, &windows](
                       HUDWidgetID id, const PanelStyle &style) -> std::unique_ptr<PanelWindow> {
        auto content = [id, models](QWidget *parent, double scale) -> QWidget * {
            QWidget *view = makeReadoutView(id, *models, nullptr);
            if (!view)
                return nullptr;
            // The painted readouts scale themselves; a view with controls of its own is scaled
            // as a whole, input included, through a graphics scene.
            if (auto *scalable = dynamic_cast<ReadoutScale *>(view)) {
                scalable->setReadoutScale(scale);
                view->resize(view->sizeHint());
            } else if (scale != 1.0) {
                return new ScaledRoot(view, HUDLayout::spec(id).size, scale, parent);
            }
            view->setParent(parent);
            return view;
        };
        // The music strip takes clicks on its buttons alone; the controller learns where they
        // are, at the panel's scale.
        auto strip = [content, self](QWidget *parent, double scale) -> QWidget * {
            QWidget *root = content(parent, scale);
            QWidget *inner = root;
            // A scaled root reports its content's unscaled rectangles.
            double factor = 1;
            if (auto *scaled = qobject_cast<ScaledRoot *>(root)) {
                inner = scaled->content();
                factor = scale;
            }
            auto *view = qobject_cast<CoreWidgets::NowPlaying *>(inner);
            if (view) {
                auto report = [self, scale = factor](const QRectF &r) {
                    if (self && self->m_hudController)
                        self->m_hudController->setTransportRegion(
                            QRectF(r.topLeft() * scale, r.size() * scale));
                };
                report(view->controlsRect());
                QObject::connect(view, &CoreWidgets::NowPlaying::controlsMoved, view, report);
            }
            return root;
        };
        auto panel = std::make_unique<FloatingHUDPanel>(
            style,
            id == HUDWidgetID::nowPlaying ? FloatingHUDPanel::ContentFactory(strip) : content,
            screens, windows);
        QObject::connect(panel.get(), &FloatingHUDPanel::escapePressed, panel.get(), [self] {
            if (self && self->m_hudController)
                self->m_hudController->handleEscape();
        });
        return panel;
    };

    FloatingHUDPanelController::Hooks hooks;
    hooks.play = [&s](PanelCue cue) { s.sound.play(cueFor(cue)); };
    hooks.dismissToast = [&s] { s.toasts.dismiss(); };
    hooks.openLayoutEditor = [&s](const ScreenInfo &screen, EditorActions actions) {
        s.editor.open(screen, std::move(actions));
    };
    hooks.closeLayoutEditor = [&s] { s.editor.close(); };
    hooks.commandBarVisible = [&s] { return s.commandBar.isVisible(); };
    hooks.closeCommandBar = [&s] { s.commandBar.close(); };

    m_hudController = std::make_unique<FloatingHUDPanelController>(
        screens, *m_platform.clock,
        FloatingHUDPanelController::Stores{s.widgets, s.layout, s.settings, s.visibility,
                                           s.notifications},
        factory, hooks);

    // Every readout service follows the HUD, in this order: metrics, target, unread, quests,
    // network, now playing. The target cursor follows the gaze and the music strip the track.
    FloatingHUDPanelController *controller = m_hudController.get();
    auto follow = [controller](auto *service) {
        QPointer<std::remove_pointer_t<decltype(service)>> ref(service);
        controller->addReadoutService([ref](bool visible) {
            if (ref)
                ref->setHUDVisible(visible);
        });
    };
    follow(&s.metrics);
    TargetMonitor &target = s.target;
    QPointer<TargetMonitor> targetRef(&target);
    follow(&target);
    follow(&s.unread);
    follow(&s.quests);
    follow(&s.network);
    follow(&s.nowPlaying);
    connect(&s.nowPlaying, &NowPlayingMonitor::trackChanged, controller, [controller, playing] {
        if (playing)
            controller->setPlaying(playing->track().has_value());
    });
    connect(&target, &TargetMonitor::gazeChanged, controller, [controller, targetRef] {
        if (!targetRef)
            return;
        const auto &gaze = targetRef->gaze();
        controller->setGaze(gaze ? std::optional<QRectF>(gaze->frame) : std::nullopt);
    });
    connect(controller, &FloatingHUDPanelController::crampedChanged, &target,
            &TargetMonitor::setCramped);
    QPointer<FloatingHUDPanelController> controllerRef(controller);
    target.onPointer = [controllerRef](QPointF pointer) {
        if (controllerRef)
            controllerRef->setPointerNear(controllerRef->widgetsNear(pointer));
    };
    return *m_hudController;
}

void AppDelegate::applicationDidFinishLaunching()
{
    // An accessory: no taskbar entry (every window is a tool window) and no quitting when the
    // last window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleCopy::endOtherCopies(*m_platform.processes, *m_platform.log);

    const QString resources = m_platform.paths->resourcesFolder();
    if (resources.isEmpty()) {
        m_platform.log->log(QStringLiteral("no resources beside %1: no sound cues, fonts or tray "
                                           "emblem")
                                .arg(QCoreApplication::applicationDirPath()));
    }
    registerFonts(resources.isEmpty() ? QString() : resources + QStringLiteral("/fonts"));

    AppServices &s = *m_services;
    s.sound.setEnabled(true);
    s.metrics.start();
    s.clipboard.start();
    s.skills.reload();

    installMenuBar();
    hudController().start();
    registerHotKeys();
    listenForCommands();

    s.setupChecker.start();
    logFirstSetupCheck();
    SetupCheckWindow &setupWindow = s.setupWindow;
    QTimer::singleShot(1000, this, [&setupWindow] { setupWindow.showIfFirstRun(); });

    hudController().show();
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
        auto center = std::make_unique<HotKeyCenter>(key.id, m_platform.hotKeys.get());
        QPointer<QAction> action = commands.action(command.id);
        registrations.append({key, center->registerHotKey(key.keyCode, key.modifiers, [action] {
                                  if (action)
                                      action->trigger();
                              })});
        m_hotKeys.push_back(std::move(center));
    }

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
    m_services->metrics.stop();
}
