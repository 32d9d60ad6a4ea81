#pragma once

#include "platform/Workspace.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class ToolRunner;

// Opens an application by the name a person would use ("Terminal", "Obsidian"). First success
// wins:
//  1. a name of the known-applications table: its desktop entries (and programs) in order;
//  2. an installed application whose name is the name;
//  3. an installed application whose name contains it;
//  4. a program of that name on the search path, started on its own.
// Every opening brings the application forward when it already runs.
class AppLauncher final
{
public:
    struct Target
    {
        enum class Kind { desktopEntry, program };
        Kind kind = Kind::desktopEntry;
        QString value; // a desktop-entry id, or a program name looked up on the search path
    };

    // `searchPath` lists the folders programs are looked for in; empty means PATH.
    AppLauncher(Workspace &workspace, const ToolRunner &tools, QStringList searchPath = {});

    // Steps 1 to 4.
    bool launch(const QString &name) const;
    // Steps 1 to 3: only what the desktop knows as an application.
    bool launchInstalled(const QString &name) const;

    // Opens the desktop's power settings, those of `currentDesktop` (XDG_CURRENT_DESKTOP, a
    // colon-separated list) first, else the first found of the other desktops'.
    bool openPowerSettings(const QString &currentDesktop) const;

    // A program and its arguments.
    struct Command
    {
        QString program;
        QStringList arguments;
    };
    // The power settings of the desktops we know, those of `currentDesktop` first.
    static QList<Command> powerSettingsCommands(const QString &currentDesktop);

    // What the known-applications table holds for `name` (exact spelling); empty when it is not
    // in the table.
    static QList<Target> knownTargets(const QString &name);
    // The installed application steps 2 and 3 pick for `name`, if any.
    static std::optional<InstalledApp> match(QList<InstalledApp> installed, const QString &name);
    // The program names step 4 tries: the name, lower-cased, and lower-cased with dashes for
    // spaces ("Google Chrome" → "google-chrome"). None for a name that is empty or holds a "/".
    static QStringList programNames(const QString &name);

    // The absolute path of `program` on the search path; empty when it is not there.
    QString findProgram(const QString &program) const;
    // Starts `program`, found on the search path, with `arguments`, not waiting for it; false
    // when it is not there or cannot start.
    bool startProgram(const QString &program, const QStringList &arguments = {}) const;

private:
    bool openKnown(const QString &name) const;
    bool openMatching(const QString &name) const;

    Workspace &m_workspace;
    const ToolRunner &m_tools;
    QStringList m_searchPath;
};
