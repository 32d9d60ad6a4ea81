#include "commandbar/LiveCommandSearch.h"

#include "clipboard/ClipboardHistory.h"
#include "commandbar/AppCatalog.h"
#include "hud/HUDCommands.h"
#include "hud/HUDWidgetSettings.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Logging.h"
#include "platform/Workspace.h"

#include <QFile>

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
                                   m_clock.now(), &m_usage});
}

void LiveCommandSearch::keepUsageIn(const AppPaths &paths)
{
    m_usagePath = paths.dataFile(QString::fromLatin1(usageFileName));
    m_keepUsageAside = false;
    m_usage.clear();
    QFile file(m_usagePath);
    if (m_usagePath.isEmpty() || !file.exists())
        return;
    std::optional<CommandUsage> read;
    if (file.open(QIODevice::ReadOnly))
        read = CommandUsage::decode(file.read(4 * 1024 * 1024));
    if (read)
        m_usage = std::move(*read);
    else
        m_keepUsageAside = true;
}

void LiveCommandSearch::noteRun(const QString &query, const CommandItem &row)
{
    if (CommandUsage::keyOf(row.target).isEmpty())
        return;
    m_usage.record(query, row.target, m_clock.now());
    saveUsage();
}

void LiveCommandSearch::forget(const CommandItem &row)
{
    if (m_usage.forget(row.target))
        saveUsage();
}

void LiveCommandSearch::forgetAll()
{
    m_usage.clear();
    saveUsage();
}

void LiveCommandSearch::saveUsage()
{
    if (m_usagePath.isEmpty())
        return;
    if (m_keepUsageAside) {
        if (!AtomicFile::keepAside(m_usagePath) && QFile::exists(m_usagePath))
            return;
        m_keepUsageAside = false;
    }
    if (!AtomicFile::write(m_usagePath, m_usage.encode()))
        qCDebug(lcCommandBar) << "could not store the command bar's usage";
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
