#include "app/AppDelegate.h"

#include "app/HotKeyCenter.h"
#include "app/HotKeyReport.h"
#include "app/HotKeyStartup.h"
#include "app/LoginItemService.h"
#include "app/MenuBarController.h"
#include "app/SingleCopy.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"
#include "commandbar/CommandBarController.h"
#include "hud/FloatingHUDPanel.h"
#include "hud/FloatingHUDPanelController.h"
#include "hud/HUDLayout.h"
#include "hud/HUDLayoutStore.h"
#include "hud/HUDNotifications.h"
#include "hud/HUDSettings.h"
#include "hud/HUDVisibility.h"
#include "hud/HUDWidgetSettings.h"
#include "hud/LayoutEditor.h"
#include "monitors/RunningAppsMonitor.h"
#include "monitors/SystemMetricsService.h"
#include "monitors/TargetMonitor.h"
#include "platform/AppPaths.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/SystemLog.h"
#include "platform/linux/PasswdUserAccount.h"
#include "setup/SetupCheckWindow.h"
#include "setup/SetupChecker.h"
#include "ui/CoreSoundEngine.h"
#include "ui/CoreToastCenter.h"
#include "ui/menu/MenuBindings.h"
#include "ui/menu/MenuSelection.h"
#include "ui/widgets/ReadoutViews.h"
#include "ui/widgets/ScaledRoot.h"
#include "windows/WindowArranger.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QPointer>
#include <QTimer>

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
    , m_metrics(std::make_unique<SystemMetricsService>(*platform.stats, *platform.clock))
    , m_hotKey(std::make_unique<HotKeyCenter>(1, platform.hotKeys.get()))
    , m_commandHotKey(std::make_unique<HotKeyCenter>(2, platform.hotKeys.get()))
    , m_menuHotKey(std::make_unique<HotKeyCenter>(3, platform.hotKeys.get()))
    , m_hideAllHotKey(std::make_unique<HotKeyCenter>(4, platform.hotKeys.get()))
{ }

void AppDelegate::toggleAllWidgets()
{
    HUDWidgetSettings &widgets = HUDWidgetSettings::shared();
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

    QPointer<AppDelegate> self(this);
    auto models = std::make_shared<ReadoutModels>();
    models->metrics = m_metrics.get();
    models->target = &TargetMonitor::shared();
    models->account = currentUserAccount();
    models->visibility = &HUDVisibility::shared();
    auto controllerNow = [self]() -> FloatingHUDPanelController * {
        return self ? self->m_hudController.get() : nullptr;
    };
    models->menuEffects = MenuBindings::effects(
        controllerNow, [] { return LoginItemService::shared().isEnabled(); },
        {HUDHotKey::displayText, MenuHotKey::displayText, CommandBarHotKey::displayText},
        *m_platform.workspace);
    models->menuSelection = &MenuSelection::shared();
    models->menuFacts = [] { return MenuBindings::facts(HUDHotKey::displayText); };
    models->widgetSettings = &HUDWidgetSettings::shared();
    models->runningApps = &RunningAppsMonitor::shared();
    models->clipboard = &ClipboardHistory::shared();
    models->pasteClip = [](const ClipItem &clip) { Paster::shared().paste(clip); };
    // The paste lands in the app that was in front once the menu is out of its way.
    models->onClipPasted = models->menuEffects.closeMenu;
    models->arranger = &WindowArranger::shared();
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
    auto factory = [self, models, &screens](
                       HUDWidgetID id, const PanelStyle &style) -> std::unique_ptr<PanelWindow> {
        auto content = [id, models](QWidget *parent, double scale) -> QWidget * {
            QWidget *view = makeReadoutView(id, *models, nullptr);
            if (!view)
                return nullptr;
            if (scale == 1.0) {
                view->setParent(parent);
                return view;
            }
            return new ScaledRoot(view, HUDLayout::spec(id).size, scale, parent);
        };
        auto panel = std::make_unique<FloatingHUDPanel>(style, content, screens);
        QObject::connect(panel.get(), &FloatingHUDPanel::escapePressed, panel.get(), [self] {
            if (self && self->m_hudController)
                self->m_hudController->handleEscape();
        });
        return panel;
    };

    FloatingHUDPanelController::Hooks hooks;
    hooks.play = [](PanelCue cue) { CoreSoundEngine::shared().play(cueFor(cue)); };
    hooks.dismissToast = [] { CoreToastCenter::shared().dismiss(); };
    hooks.openLayoutEditor = [](const ScreenInfo &screen, EditorActions actions) {
        LayoutEditor::shared().open(screen, std::move(actions));
    };
    hooks.closeLayoutEditor = [] { LayoutEditor::shared().close(); };
    hooks.commandBarVisible = [] { return CommandBarController::shared().isVisible(); };
    hooks.closeCommandBar = [] { CommandBarController::shared().close(); };

    m_hudController = std::make_unique<FloatingHUDPanelController>(
        screens, *m_platform.clock,
        FloatingHUDPanelController::Stores{HUDWidgetSettings::shared(), HUDLayoutStore::shared(),
                                           HUDSettings::shared(), HUDVisibility::shared(),
                                           HUDNotifications::shared()},
        factory, hooks);

    // The target monitor follows the HUD after the metrics service, and the target cursor
    // follows its gaze.
    FloatingHUDPanelController *controller = m_hudController.get();
    QPointer<SystemMetricsService> metricsRef(m_metrics.get());
    controller->addReadoutService([metricsRef](bool visible) {
        if (metricsRef)
            metricsRef->setHUDVisible(visible);
    });
    TargetMonitor &target = TargetMonitor::shared();
    QPointer<TargetMonitor> targetRef(&target);
    controller->addReadoutService([targetRef](bool visible) {
        if (targetRef)
            targetRef->setHUDVisible(visible);
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
    WindowArranger::shared().setGazePid([targetRef]() -> std::optional<pid_t> {
        if (!targetRef || !targetRef->gaze())
            return std::nullopt;
        return targetRef->gaze()->pid;
    });
    return *m_hudController;
}

void AppDelegate::applicationDidFinishLaunching()
{
    // An accessory: no taskbar entry (every window is a tool window) and no quitting when the
    // last window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleCopy::endOtherCopies(*m_platform.processes, *m_platform.log);

    const QString resources = m_platform.paths->resourcesFolder();
    registerFonts(resources.isEmpty() ? QString() : resources + QStringLiteral("/fonts"));

    CoreSoundEngine::shared().setEnabled(true);
    m_metrics->start();
    ClipboardHistory::shared().start();
    CommandBarController::shared().model().setCommands(shellCommands());

    installMenuBar();
    hudController().start();
    registerHotKeys();

    SetupChecker::shared().start();
    QTimer::singleShot(1000, this, [] { SetupCheckWindow::shared().showIfFirstRun(); });

    hudController().show();
}

HUDCommands AppDelegate::shellCommands()
{
    QPointer<AppDelegate> self(this);
    // Each action does nothing once the delegate is gone.
    auto onController = [self](void (FloatingHUDPanelController::*op)()) {
        return [self, op] {
            if (self)
                (self->hudController().*op)();
        };
    };
    auto openPanel = [self](HUDWidgetID id) {
        return [self, id] {
            if (self)
                self->hudController().openMenuPanel(id);
        };
    };
    HUDCommands commands;
    commands.toggleHUD = onController(&FloatingHUDPanelController::toggleHUD);
    commands.toggleMenu = onController(&FloatingHUDPanelController::toggleMenu);
    commands.editLayout = onController(&FloatingHUDPanelController::toggleLayoutEditing);
    commands.resetLayout = onController(&FloatingHUDPanelController::resetLayout);
    commands.showInventory = openPanel(HUDWidgetID::inventory);
    commands.showSkills = openPanel(HUDWidgetID::skills);
    commands.showEquipment = openPanel(HUDWidgetID::equipment);
    commands.showQuest = openPanel(HUDWidgetID::questLog);
    return commands;
}

void AppDelegate::installMenuBar()
{
    QPointer<AppDelegate> self(this);
    MenuBarController::Actions actions;
    actions.onToggle = [self] {
        if (self)
            self->hudController().toggleHUD();
    };
    actions.onCommandBar = [] { CommandBarController::shared().toggle(); };
    actions.onMenu = [self] {
        if (self)
            self->hudController().toggleMenu();
    };
    actions.onToggleAll = [] { toggleAllWidgets(); };
    actions.onSetupCheck = [] { SetupCheckWindow::shared().show(); };
    actions.setupAttention = [] { return SetupChecker::shared().attentionCount(); };
    actions.allHidden = [] { return HUDWidgetSettings::shared().allHidden(); };
    actions.onQuit = [] { QCoreApplication::quit(); };
    actions.onToggleLoginItem = [] { LoginItemService::shared().toggle(); };
    actions.loginItemEnabled = [] { return LoginItemService::shared().isEnabled(); };
    m_menuBar = std::make_unique<MenuBarController>(
        std::move(actions), m_platform.paths->resourcesFolder(), *m_platform.log);
    m_menuBar->install();
}

void AppDelegate::registerHotKeys()
{
    QPointer<AppDelegate> self(this);
    const bool hudOk = m_hotKey->registerHotKey(HUDHotKey::keyCode, HUDHotKey::modifiers, [self] {
        if (self)
            self->hudController().toggleHUD();
    });
    const bool commandOk
        = m_commandHotKey->registerHotKey(CommandBarHotKey::keyCode, CommandBarHotKey::modifiers,
                                          [] { CommandBarController::shared().toggle(); });
    const bool menuOk
        = m_menuHotKey->registerHotKey(MenuHotKey::keyCode, MenuHotKey::modifiers, [self] {
              if (self)
                  self->hudController().toggleMenu();
          });
    const bool hideAllOk = m_hideAllHotKey->registerHotKey(
        HideAllHotKey::keyCode, HideAllHotKey::modifiers, [] { toggleAllWidgets(); });

    const HotKeyStartup::Report report = HotKeyStartup::report(hudOk, commandOk, menuOk, hideAllOk);
    HotKeyReport::failures() = report.failures;
    for (const QString &line : report.logLines)
        m_platform.log->log(line);
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    for (HotKeyCenter *key :
         {m_hotKey.get(), m_commandHotKey.get(), m_menuHotKey.get(), m_hideAllHotKey.get()})
        key->unregister();
    m_metrics->stop();
}
