#pragma once

#include "commandbar/CommandBarSearch.h"
#include "commandbar/CommandSearch.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class AppCatalog;
class AppPaths;
class ClipboardHistory;
class Clock;
class HUDCommands;
class HUDWidgetSettings;
class Workspace;

// The command bar's sources, built once and kept up to date between keystrokes, so a search
// reads each one in place: the app catalogue and the running apps, the skills and the quick bar,
// the shell's commands and the widget toggles, and the clipboard history. The calculator and
// the web row need no source. It also keeps what the bar learned from the rows run, in
// "command-usage.json" in the data folder, and orders rows of equal score by it. Main thread
// only.
class LiveCommandSearch final : public QObject, public CommandBarSearch
{
    Q_OBJECT
public:
    LiveCommandSearch(const AppCatalog &apps, Workspace &workspace, const HUDCommands &commands,
                      const HUDWidgetSettings &widgets, const ClipboardHistory &clipboard,
                      const Clock &clock, QObject *parent = nullptr);

    static constexpr const char *usageFileName = "command-usage.json";
    // Loads what was learned from `paths`' data folder and stores it there from now on; without
    // a call the usage lives in memory only.
    void keepUsageIn(const AppPaths &paths);
    const CommandUsage &usage() const { return m_usage; }

    QList<CommandItem> results(const QString &query) override;
    void noteRun(const QString &query, const CommandItem &row) override;
    void forget(const CommandItem &row) override;
    void forgetAll() override;

    // The skill book lives outside the command bar: its owner hands the lists over whenever
    // they change.
    void setSkills(QList<SearchSkill> searchable, QList<SearchSkill> quickBar);

    // The desktop files of the running apps, asked of the workspace again only once an app has
    // started or quit: reading every client window's properties took about a millisecond of
    // round trips at each keystroke.
    const QSet<QString> &runningPaths();

private:
    const AppCatalog &m_apps;
    Workspace &m_workspace;
    const HUDCommands &m_commands;
    const HUDWidgetSettings &m_widgets;
    const ClipboardHistory &m_clipboard;
    const Clock &m_clock;
    QList<SearchSkill> m_skills;
    QList<SearchSkill> m_quickBar;
    QSet<QString> m_runningPaths;
    bool m_runningStale = true;
    CommandUsage m_usage;
    QString m_usagePath; // empty: not stored
    bool m_keepUsageAside = false; // the file found could not be read: moved aside at the save

    void saveUsage();
};
