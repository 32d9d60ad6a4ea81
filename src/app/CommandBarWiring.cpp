#include "app/CommandBarWiring.h"

#include "app/AppServices.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/Paster.h"
#include "commandbar/AppCatalog.h"
#include "commandbar/CommandBarController.h"
#include "commandbar/LiveCommandSearch.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Logging.h"
#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "skills/SkillBook.h"
#include "ui/CoreSoundEngine.h"
#include "ui/commandbar/CommandBarPanel.h"
#include "ui/commandbar/CommandBarView.h"

#include <QUuid>

#include <algorithm>
#include <memory>

namespace {

SearchSkill searchSkill(const SkillBook::Skill &skill)
{
    return {skill.id, skill.title, skill.icon, skill.detail, skill.isShortcut, skill.kind};
}

// The command bar cannot see the skill book: it is handed the book's lists.
void pushSkills(const SkillBook &book, LiveCommandSearch &search)
{
    QList<SearchSkill> searchable;
    for (const SkillBook::Skill &skill : book.searchableSkills())
        searchable << searchSkill(skill);
    QList<SearchSkill> quickBar;
    for (const SkillBook::Skill &skill : book.quickBar())
        quickBar << searchSkill(skill);
    search.setSkills(std::move(searchable), std::move(quickBar));
}

// Runs what a chosen row names: its alternative when `alternate`.
void run(AppServices &s, const CommandItem &row, bool alternate)
{
    using Kind = CommandItem::Target::Kind;
    const CommandItem::Target &target = alternate ? row.altTarget : row.target;
    // The row's kind alone: its value may be a clip's or a typed text.
    qCDebug(lcCommandBar) << "runs a" << row.hint << "row" << (alternate ? "(alternate)" : "");
    Workspace &workspace = *s.platform.workspace;
    switch (target.kind) {
    case Kind::none:
        break;
    case Kind::app:
        workspace.openApplication(target.value);
        break;
    case Kind::skill:
        s.skills.run(target.value);
        break;
    case Kind::command:
        s.commands.trigger(target.value);
        break;
    case Kind::widget:
        if (const std::optional<HUDWidgetID> id = HUDWidget::fromRawValue(target.value))
            s.widgets.toggle(*id);
        break;
    case Kind::clip: {
        const QUuid id(target.value);
        const QList<ClipItem> &items = s.clipboard.items();
        const auto found = std::find_if(items.cbegin(), items.cend(),
                                        [&id](const ClipItem &c) { return c.id == id; });
        if (found == items.cend())
            break;
        // A copy: pasting and copying move the clip within the history.
        const ClipItem clip = *found;
        if (alternate)
            s.clipboard.copy(clip);
        else
            s.paster.paste(clip);
        break;
    }
    case Kind::copyText:
        s.platform.pasteboard->setPlainText(target.value);
        break;
    case Kind::url:
        if (const QUrl url = QUrl::fromEncoded(target.value.toLatin1(), QUrl::StrictMode);
            url.isValid())
            workspace.openURL(url);
        break;
    }
}

} // namespace

std::unique_ptr<CommandBarController> makeCommandBar(AppServices &services)
{
    Platform &platform = services.platform;
    // Owned by the bar once it exists, and so torn down after the model that reads it.
    auto *search = new LiveCommandSearch(services.apps, *platform.workspace, services.commands,
                                         services.widgets, services.clipboard, *platform.clock);
    search->keepUsageIn(*platform.paths);
    SkillBook &skills = services.skills;
    pushSkills(skills, *search);
    QObject::connect(&skills, &SkillBook::changed, search,
                     [&skills, search] { pushSkills(skills, *search); });

    auto model = std::make_unique<CommandBarModel>(*search);
    QObject::connect(
        model.get(), &CommandBarModel::chosen, model.get(),
        [&services](const CommandItem &row, bool alternate) { run(services, row, alternate); });
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
    auto bar = std::make_unique<CommandBarController>(*platform.screens, std::move(model),
                                                      std::move(hooks));
    search->setParent(bar.get());

    AppCatalog &apps = services.apps;
    QObject::connect(bar.get(), &CommandBarController::aboutToShow, &apps, [&apps, &skills] {
        apps.refreshIfStale();
        skills.reload();
    });
    CoreSoundEngine &sound = services.sound;
    QObject::connect(bar.get(), &CommandBarController::soundCue, &sound,
                     [&sound](SoundCue cue, float volume) { sound.play(cue, volume); });
    return bar;
}
