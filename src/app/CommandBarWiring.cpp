#include "app/CommandBarWiring.h"

#include "app/AppServices.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"
#include "commandbar/AppCatalog.h"
#include "commandbar/CommandBarController.h"
#include "commandbar/CommandSearch.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Clock.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "skills/SkillBook.h"
#include "ui/CoreSoundEngine.h"
#include "ui/commandbar/CommandBarPanel.h"
#include "ui/commandbar/CommandBarView.h"
#include "ui/setup/SetupCheckWindow.h"

#include <memory>

namespace {

SearchSkill searchSkill(const SkillBook::Skill &skill)
{
    return {skill.id, skill.title, skill.icon, skill.detail, skill.isShortcut, skill.kind};
}

// The desktop files of the running apps, asked of the X server again only once an app has
// started or quit: reading every client window's properties took about a millisecond of
// round trips at each keystroke.
class RunningPaths
{
public:
    explicit RunningPaths(Workspace &workspace)
        : m_workspace(workspace)
    { }

    void invalidate() { m_stale = true; }

    const QSet<QString> &paths()
    {
        if (m_stale) {
            m_stale = false;
            m_paths.clear();
            for (const RunningApp &app : m_workspace.runningApplications()) {
                if (!app.desktopFile.isEmpty())
                    m_paths.insert(app.desktopFile);
            }
        }
        return m_paths;
    }

private:
    Workspace &m_workspace;
    QSet<QString> m_paths;
    bool m_stale = true;
};

CommandSources liveSources(AppServices &s, RunningPaths &running)
{
    Platform &platform = s.platform;
    CommandSources sources;
    sources.apps = s.apps.apps();
    sources.runningPaths = running.paths();
    SkillBook &skills = s.skills;
    for (const SkillBook::Skill &skill : skills.searchableSkills())
        sources.skills << searchSkill(skill);
    for (const SkillBook::Skill &skill : skills.quickBar())
        sources.quickBar << searchSkill(skill);
    sources.runSkill = [&skills](const QString &id) { skills.run(id); };
    sources.clips = s.clipboard.displayItems();
    sources.now = platform.clock->now();
    HUDWidgetSettings &widgets = s.widgets;
    sources.isHidden = [&widgets](HUDWidgetID id) { return widgets.isHidden(id); };

    Workspace *workspace = platform.workspace.get();
    sources.openApp
        = [workspace](const QString &desktopFile) { workspace->openApplication(desktopFile); };
    Paster &paster = s.paster;
    sources.paste = [&paster](const ClipItem &clip) { paster.paste(clip); };
    ClipboardHistory &history = s.clipboard;
    sources.copyClip = [&history](const ClipItem &clip) { history.copy(clip); };
    Pasteboard *pasteboard = platform.pasteboard.get();
    sources.copyText = [pasteboard](const QString &text) { pasteboard->setPlainText(text); };
    sources.openURL = [workspace](const QUrl &url) { workspace->openURL(url); };
    SetupCheckWindow &setupWindow = s.setupWindow;
    sources.showSetupCheck = [&setupWindow] { setupWindow.show(); };
    sources.hideAllWidgets = [&widgets] { widgets.hideAll(); };
    sources.showAllWidgets = [&widgets] { widgets.showAll(); };
    sources.toggleWidget = [&widgets](HUDWidgetID id) { widgets.toggle(id); };
    return sources;
}

} // namespace

std::unique_ptr<CommandBarController> makeCommandBar(AppServices &services)
{
    Platform &platform = services.platform;
    CoreSoundEngine &sound = services.sound;
    auto running = std::make_shared<RunningPaths>(*platform.workspace);
    for (auto change : {&Workspace::launched, &Workspace::terminated}) {
        QObject::connect(platform.workspace.get(), change, platform.workspace.get(),
                         [weak = std::weak_ptr<RunningPaths>(running)] {
                             if (const auto r = weak.lock())
                                 r->invalidate();
                         });
    }
    auto model = std::make_unique<CommandBarModel>(
        [&services, running](const QString &query, const CommandBarCommands &commands) {
            return CommandSearch::results(query, commands, liveSources(services, *running));
        },
        [&sound](CommandBarModel::Cue cue, float volume) {
            sound.play(cue == CommandBarModel::Cue::hover ? SoundCue::hover : SoundCue::select,
                       volume);
        });
    CommandBarController::Hooks hooks;
    hooks.makeWindow
        = [&platform, &stack = services.panelStack]() -> std::unique_ptr<CommandBarWindow> {
        return std::make_unique<CommandBarPanel>(*platform.screens, *platform.windows, stack);
    };
    Workspace *workspace = platform.workspace.get();
    hooks.makeView = [workspace](CommandBarModel &m) -> QWidget * {
        return new CommandBarView(m, [workspace](const QString &desktopFile) {
            return workspace->applicationIcon(desktopFile);
        });
    };
    AppCatalog &apps = services.apps;
    SkillBook &skills = services.skills;
    hooks.refreshSources = [&apps, &skills] {
        apps.refreshIfStale();
        skills.reload();
    };
    hooks.playOpen = [&sound] { sound.play(SoundCue::open, CommandBarController::openVolume); };
    return std::make_unique<CommandBarController>(*platform.screens, std::move(model),
                                                  std::move(hooks));
}
