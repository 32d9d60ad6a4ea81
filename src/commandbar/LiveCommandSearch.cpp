#include "commandbar/LiveCommandSearch.h"

#include "clipboard/ClipboardHistory.h"
#include "commandbar/AppCatalog.h"
#include "hud/HUDCommands.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/Clock.h"
#include "platform/Workspace.h"

LiveCommandSearch::LiveCommandSearch(const AppCatalog &apps, Workspace &workspace,
                                     const HUDCommands &commands, const HUDWidgetSettings &widgets,
                                     const ClipboardHistory &clipboard, const Clock &clock,
                                     QObject *parent)
    : QObject(parent)
    , m_apps(apps)
    , m_workspace(workspace)
    , m_commands(commands)
    , m_widgets(widgets)
    , m_clipboard(clipboard)
    , m_clock(clock)
{
    for (auto change : {&Workspace::launched, &Workspace::terminated})
        connect(&workspace, change, this, [this] { m_runningStale = true; });
}

QList<CommandItem> LiveCommandSearch::results(const QString &query)
{
    return CommandSearch::results(query,
                                  {m_apps.apps(), runningPaths(), m_skills, m_quickBar,
                                   m_commands.commands(), m_widgets.hidden(), m_clipboard.items(),
                                   m_clock.now()});
}

void LiveCommandSearch::setSkills(QList<SearchSkill> searchable, QList<SearchSkill> quickBar)
{
    m_skills = std::move(searchable);
    m_quickBar = std::move(quickBar);
}

const QSet<QString> &LiveCommandSearch::runningPaths()
{
    if (m_runningStale) {
        m_runningStale = false;
        m_runningPaths.clear();
        for (const RunningApp &app : m_workspace.runningApplications()) {
            if (!app.desktopFile.isEmpty())
                m_runningPaths.insert(app.desktopFile);
        }
    }
    return m_runningPaths;
}
