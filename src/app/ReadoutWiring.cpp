#include "app/ReadoutWiring.h"

#include "actions/HUDActionService.h"
#include "app/AppServices.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"
#include "hud/HUDHotKeys.h"
#include "hud/HUDLayout.h"
#include "monitors/NetworkMonitor.h"
#include "monitors/NowPlayingMonitor.h"
#include "monitors/RunningAppsMonitor.h"
#include "monitors/TargetMonitor.h"
#include "monitors/UnreadMonitor.h"
#include "platform/Platform.h"
#include "platform/WindowSprites.h"
#include "platform/WindowSystem.h"
#include "platform/linux/PasswdUserAccount.h"
#include "quests/QuestService.h"
#include "setup/SetupChecker.h"
#include "skills/SkillBook.h"
#include "ui/CoreSoundEngine.h"
#include "ui/hud/FloatingHUDPanel.h"
#include "ui/menu/CoreEquipment.h"
#include "ui/menu/CoreInventory.h"
#include "ui/menu/CoreSkills.h"
#include "ui/menu/CoreSummaryPanel.h"
#include "ui/menu/MenuRail.h"
#include "ui/widgets/ConfirmLogout.h"
#include "ui/widgets/FieldHeader.h"
#include "ui/widgets/NowPlaying.h"
#include "ui/widgets/PartyStrip.h"
#include "ui/widgets/PlayerStatus.h"
#include "ui/widgets/QuestLog.h"
#include "ui/widgets/ReadoutScale.h"
#include "ui/widgets/ReadoutViewFactory.h"
#include "ui/widgets/ReadoutViews.h"
#include "ui/widgets/ScaledRoot.h"
#include "ui/widgets/SkillSlots.h"
#include "windows/WindowArranger.h"

#include <QCoreApplication>
#include <QPointer>

using namespace CoreWidgets;

namespace {

// The view's cues sound through the sound engine.
template <typename View> void playCues(View *view, CoreSoundEngine &sound)
{
    QObject::connect(view, &View::cue, &sound,
                     [&sound](SoundCue cue, float volume = 1.0f) { sound.play(cue, volume); });
}

void sendTransport(NowPlayingMonitor &player, const QString &command)
{
    if (command == QLatin1String("playpause"))
        player.playPause();
    else if (command == QLatin1String("next track"))
        player.nextTrack();
    else if (command == QLatin1String("previous track"))
        player.previousTrack();
}

void addReadouts(ReadoutViewFactory &views, AppServices &s, Platform &platform,
                 PanelReports &reports)
{
    HUDCommands &commands = s.commands;
    const UserAccount account = currentUserAccount();
    views.add(HUDWidgetID::playerStatus, [&s, account](QWidget *parent) {
        return new PlayerStatus(s.metrics, account, parent);
    });
    views.add(HUDWidgetID::partyStrip, [&s](QWidget *parent) {
        return ReadoutViews::partyStrip(s.metrics, &s.network, parent);
    });
    views.add(HUDWidgetID::fieldHeader, [&s](QWidget *parent) {
        auto *view = new FieldHeader(s.metrics, parent);
        playCues(view, s.sound);
        // The clock plays its own cue.
        QObject::connect(view, &FieldHeader::calendarRequested, &s.actions,
                         [&s] { s.actions.openApp(QStringLiteral("Calendar"), {}, false); });
        return view;
    });
    WindowSystem &windows = *platform.windows;
    views.add(HUDWidgetID::targetCursor, [&s, &windows](QWidget *parent) {
        return ReadoutViews::targetCursor(
            &s.target, &s.visibility, [&windows](quintptr id) { return windows.sprites(id); },
            parent);
    });
    views.add(HUDWidgetID::nowPlaying, [&s](QWidget *parent) {
        NowPlayingMonitor &player = s.nowPlaying;
        NowPlaying *view = ReadoutViews::nowPlaying(&player, parent);
        QObject::connect(view, &NowPlaying::transport, &player,
                         [&player](const QString &command) { sendTransport(player, command); });
        return view;
    });
    views.add(HUDWidgetID::questLog, [&s](QWidget *parent) {
        return ReadoutViews::questLog(s.metrics, &s.target, &s.quests, &s.actions, parent);
    });
    views.add(HUDWidgetID::skillSlots, [&s, &commands](QWidget *parent) {
        SkillSlots *view = ReadoutViews::skillSlots(&s.skills, &s.actions, parent);
        QObject::connect(view, &SkillSlots::skillsPanelRequested, &commands,
                         [&commands] { commands.trigger(QStringLiteral("skills")); });
        return view;
    });
    views.add(HUDWidgetID::confirmLogout, [&commands, &reports](QWidget *parent) {
        auto *view = new ConfirmLogout(parent);
        QObject::connect(view, &ConfirmLogout::confirmed, &commands,
                         [&commands] { commands.trigger(QStringLiteral("quit")); });
        QObject::connect(view, &ConfirmLogout::cancelled, &reports,
                         &PanelReports::confirmCancelled);
        return view;
    });
}

void addMenu(ReadoutViewFactory &views, AppServices &s, Platform &platform, PanelReports &reports)
{
    HUDCommands &commands = s.commands;
    const MenuEffects effects{
        commands,     s.actions,
        s.feedback,   s.widgets,
        s.settings,   *platform.workspace,
        s.loginItems, {HUDHotKey.displayText, MenuHotKey.displayText, CommandBarHotKey.displayText},
        &s.selfCost};
    views.add(HUDWidgetID::menuRail, [&s, effects, &reports](QWidget *parent) {
        auto *rail = new MenuRail(effects, s.menuSelection, parent);
        playCues(rail, s.sound);
        // The first regions are drawn while the rail is made.
        emit reports.railRegionsChanged(rail->regions());
        QObject::connect(rail, &MenuRail::regionsChanged, &reports,
                         &PanelReports::railRegionsChanged);
        ReadoutViews::markRail(*rail, &s.unread, &s.quests, &s.metrics);
        return rail;
    });
    views.add(HUDWidgetID::summaryPanel, [&s](QWidget *parent) {
        return new CoreSummaryPanel(s.menuSelection, s.runningApps, parent);
    });
    views.add(HUDWidgetID::inventory, [&s, &commands](QWidget *parent) {
        auto *view = new CoreInventory(s.clipboard, {}, parent);
        playCues(view, s.sound);
        // The paste lands in the app that was in front once the menu is out of its way.
        QObject::connect(view, &CoreInventory::pasteRequested, &s.paster,
                         [&s, &commands](const ClipItem &clip) {
                             s.paster.paste(clip);
                             commands.trigger(QStringLiteral("close-menu"));
                         });
        return view;
    });
    views.add(HUDWidgetID::equipment, [&s](QWidget *parent) {
        auto *view = new CoreEquipment(s.arranger, parent);
        playCues(view, s.sound);
        view->setSkillBook(&s.skills);
        return view;
    });
    views.add(HUDWidgetID::skills, [&s](QWidget *parent) {
        auto *view = new CoreSkills(s.skills, &s.actions, parent);
        playCues(view, s.sound);
        QObject::connect(view, &CoreSkills::shortcutsFolderRequested, &s.actions, [&s] {
            if (const auto &open = s.setupChecker.actions().openShortcuts)
                open();
        });
        return view;
    });
}

} // namespace

namespace ReadoutWiring {

void install(ReadoutViewFactory &views, AppServices &services, Platform &platform,
             PanelReports &reports)
{
    addReadouts(views, services, platform, reports);
    addMenu(views, services, platform, reports);
}

FloatingHUDPanelController::PanelFactory panelFactory(AppServices &services, Platform &platform,
                                                      PanelReports &reports)
{
    auto views = std::make_shared<ReadoutViewFactory>();
    install(*views, services, platform, reports);
    Screens &screens = *platform.screens;
    WindowSystem &windows = *platform.windows;
    PanelStack &stack = services.panelStack;
    return [views, &reports, &screens, &windows,
            &stack](HUDWidgetID id, const PanelStyle &style) -> std::unique_ptr<PanelWindow> {
        auto content = [id, views](QWidget *parent, double scale) -> QWidget * {
            QWidget *view = views->make(id, nullptr);
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
        auto strip = [content, &reports](QWidget *parent, double scale) -> QWidget * {
            QWidget *root = content(parent, scale);
            QWidget *inner = root;
            // A scaled root reports its content's unscaled rectangles.
            double factor = 1;
            if (auto *scaled = qobject_cast<ScaledRoot *>(root)) {
                inner = scaled->content();
                factor = scale;
            }
            auto *view = qobject_cast<NowPlaying *>(inner);
            if (view) {
                auto report = [&reports, scale = factor](const QRectF &r) {
                    emit reports.transportRegionChanged(
                        QRectF(r.topLeft() * scale, r.size() * scale));
                };
                report(view->controlsRect());
                QObject::connect(view, &NowPlaying::controlsMoved, view, report);
            }
            return root;
        };
        auto panel = std::make_unique<FloatingHUDPanel>(
            style,
            id == HUDWidgetID::nowPlaying ? FloatingHUDPanel::ContentFactory(strip) : content,
            screens, windows, stack);
        QObject::connect(panel.get(), &FloatingHUDPanel::escapePressed, &reports,
                         &PanelReports::escapePressed);
        return panel;
    };
}

} // namespace ReadoutWiring
