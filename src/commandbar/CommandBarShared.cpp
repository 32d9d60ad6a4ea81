// The program-wide command bar: the controller over the installed platform, searching the live
// clipboard history, app catalogue and widget settings.

#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"
#include "commandbar/AppCatalog.h"
#include "commandbar/CommandBarController.h"
#include "commandbar/CommandBarPanel.h"
#include "commandbar/CommandBarView.h"
#include "commandbar/CommandSearch.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Clock.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "setup/SetupCheckWindow.h"
#include "ui/CoreSoundEngine.h"

namespace {

CommandSources liveSources(Platform &platform)
{
    CommandSources sources;
    sources.apps = AppCatalog::shared().apps();
    for (const RunningApp &app : platform.workspace->runningApplications()) {
        if (!app.desktopFile.isEmpty())
            sources.runningPaths.insert(app.desktopFile);
    }
    sources.clips = ClipboardHistory::shared().displayItems();
    sources.now = platform.clock->now();
    sources.isHidden = [](HUDWidgetID id) { return HUDWidgetSettings::shared().isHidden(id); };

    Workspace *workspace = platform.workspace.get();
    sources.openApp
        = [workspace](const QString &desktopFile) { workspace->openApplication(desktopFile); };
    sources.paste = [](const ClipItem &clip) { Paster::shared().paste(clip); };
    sources.copyClip = [](const ClipItem &clip) { ClipboardHistory::shared().copy(clip); };
    Pasteboard *pasteboard = platform.pasteboard.get();
    sources.copyText = [pasteboard](const QString &text) { pasteboard->setPlainText(text); };
    sources.openURL = [workspace](const QUrl &url) { workspace->openURL(url); };
    sources.showSetupCheck = [] { SetupCheckWindow::shared().show(); };
    sources.hideAllWidgets = [] { HUDWidgetSettings::shared().hideAll(); };
    sources.showAllWidgets = [] { HUDWidgetSettings::shared().showAll(); };
    sources.toggleWidget = [](HUDWidgetID id) { HUDWidgetSettings::shared().toggle(id); };
    return sources;
}

} // namespace

CommandBarController &CommandBarController::shared()
{
    static CommandBarController *const controller = [] {
        Platform &platform = Platform::installed();
        auto model = std::make_unique<CommandBarModel>(
            [&platform](const QString &query, const HUDCommands &commands) {
                return CommandSearch::results(query, commands, liveSources(platform));
            },
            [](CommandBarModel::Cue cue, float volume) {
                CoreSoundEngine::shared().play(cue == CommandBarModel::Cue::hover
                                                   ? CoreSoundEngine::Cue::hover
                                                   : CoreSoundEngine::Cue::select,
                                               volume);
            });
        Hooks hooks;
        hooks.makeWindow = [&platform]() -> std::unique_ptr<CommandBarWindow> {
            return std::make_unique<CommandBarPanel>(*platform.screens, *platform.windows);
        };
        Workspace *workspace = platform.workspace.get();
        hooks.makeView = [workspace](CommandBarModel &m) -> QWidget * {
            return new CommandBarView(m, [workspace](const QString &desktopFile) {
                return workspace->applicationIcon(desktopFile);
            });
        };
        hooks.refreshSources = [] { AppCatalog::shared().refreshIfStale(); };
        hooks.playOpen
            = [] { CoreSoundEngine::shared().play(CoreSoundEngine::Cue::open, openVolume); };
        return new CommandBarController(*platform.screens, std::move(model), std::move(hooks));
    }();
    return *controller;
}
