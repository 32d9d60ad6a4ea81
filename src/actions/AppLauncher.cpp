#include "actions/AppLauncher.h"

#include "platform/Logging.h"
#include "platform/ToolRunner.h"

#include <QHash>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {

using Target = AppLauncher::Target;

Target entry(const char *id)
{
    return {Target::Kind::desktopEntry, QString::fromLatin1(id)};
}

Target program(const char *name)
{
    return {Target::Kind::program, QString::fromLatin1(name)};
}

// The names people ask for, with the macOS bundle identifiers (which match nothing here but keep
// one table for both systems) beside the desktop entries the Linux packages install.
const QHash<QString, QList<Target>> &knownApps()
{
    static const QHash<QString, QList<Target>> table = [] {
        const QList<Target> systemSettings{
            entry("com.apple.systempreferences"), entry("org.gnome.Settings"),
            entry("gnome-control-center"), entry("systemsettings"), entry("xfce-settings-manager")};
        const QList<Target> iterm{entry("com.googlecode.iterm2")};
        return QHash<QString, QList<Target>>{
            {QStringLiteral("Cursor"), {entry("com.todesktop.230313mzl4w4u92"), entry("cursor")}},
            {QStringLiteral("Obsidian"),
             {entry("md.obsidian"), entry("obsidian"), entry("md.obsidian.Obsidian")}},
            {QStringLiteral("Linear"), {entry("com.linear")}},
            {QStringLiteral("Notion"), {entry("notion.id")}},
            {QStringLiteral("Slack"),
             {entry("com.tinyspeck.slackmacgap"), entry("slack"), entry("com.slack.Slack")}},
            {QStringLiteral("iTerm"), iterm},
            {QStringLiteral("iTerm2"), iterm},
            // The desktop's default terminal first: Debian points x-terminal-emulator at it.
            {QStringLiteral("Terminal"),
             {program("x-terminal-emulator"), entry("com.apple.Terminal"),
              entry("org.gnome.Terminal"), entry("org.kde.konsole"), entry("xfce4-terminal")}},
            {QStringLiteral("Tailscale"), {entry("io.tailscale.ipn.macsys")}},
            {QStringLiteral("Activity Monitor"),
             {entry("com.apple.ActivityMonitor"), entry("org.gnome.SystemMonitor"),
              entry("gnome-system-monitor"), entry("org.kde.plasma-systemmonitor"),
              entry("org.xfce.taskmanager"), entry("xfce4-taskmanager"),
              entry("mate-system-monitor")}},
            {QStringLiteral("Safari"), {entry("com.apple.Safari")}},
            {QStringLiteral("Google Chrome"), {entry("com.google.Chrome"), entry("google-chrome")}},
            {QStringLiteral("Arc"), {entry("company.thebrowser.Browser")}},
            {QStringLiteral("System Settings"), systemSettings},
            {QStringLiteral("System Preferences"), systemSettings},
            {QStringLiteral("Mullvad VPN"), {entry("net.mullvad.vpn"), entry("mullvad-vpn")}},
            {QStringLiteral("Affinity Designer 2"), {entry("com.seriflabs.affinitydesigner2")}},
            {QStringLiteral("Affinity Photo 2"), {entry("com.seriflabs.affinityphoto2")}},
            {QStringLiteral("Affinity Publisher 2"), {entry("com.seriflabs.affinitypublisher2")}},
            // Where no calendar app is installed, a calendar is added to the desktop's online
            // accounts.
            {QStringLiteral("Calendar"),
             {entry("org.gnome.Calendar"), entry("org.kde.korganizer"),
              entry("org.gnome.Evolution"), entry("gnome-online-accounts-panel")}},
            {QStringLiteral("Mail"),
             {entry("org.mozilla.Thunderbird"), entry("thunderbird"),
              entry("org.gnome.Evolution")}},
            {QStringLiteral("Contacts"), {entry("org.gnome.Contacts")}},
            {QStringLiteral("Music"), {entry("com.apple.Music"), entry("org.gnome.Music")}},
            {QStringLiteral("Spotify"),
             {entry("com.spotify.client"), entry("spotify"), entry("com.spotify.Client")}},
            {QStringLiteral("Disk Usage Analyzer"),
             {entry("org.gnome.baobab"), entry("org.kde.filelight"),
              entry("mate-disk-usage-analyzer")}},
        };
    }();
    return table;
}

} // namespace

AppLauncher::AppLauncher(Workspace &workspace, const ToolRunner &tools, QStringList searchPath)
    : m_workspace(workspace)
    , m_tools(tools)
    , m_searchPath(std::move(searchPath))
{ }

QList<AppLauncher::Target> AppLauncher::knownTargets(const QString &name)
{
    return knownApps().value(name);
}

std::optional<InstalledApp> AppLauncher::match(QList<InstalledApp> installed, const QString &name)
{
    if (name.isEmpty())
        return std::nullopt;
    // The desktop lists its entries in no useful order; sorting makes the pick repeatable.
    std::sort(installed.begin(), installed.end(), [](const InstalledApp &a, const InstalledApp &b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.id < b.id;
    });
    for (const InstalledApp &app : std::as_const(installed)) {
        if (app.name.compare(name, Qt::CaseInsensitive) == 0)
            return app;
    }
    for (const InstalledApp &app : std::as_const(installed)) {
        if (app.name.contains(name, Qt::CaseInsensitive))
            return app;
    }
    return std::nullopt;
}

QStringList AppLauncher::programNames(const QString &name)
{
    QStringList names;
    // A program is looked up by name only, never by a path the caller slipped in.
    if (name.trimmed().isEmpty() || name.contains(QLatin1Char('/')))
        return names;
    const QString lower = name.toLower();
    QString dashed = lower;
    dashed.replace(QLatin1Char(' '), QLatin1Char('-'));
    for (const QString &candidate : {name, lower, dashed}) {
        if (!names.contains(candidate))
            names << candidate;
    }
    return names;
}

QString AppLauncher::findProgram(const QString &program) const
{
    if (program.isEmpty() || program.contains(QLatin1Char('/')))
        return {};
    return m_searchPath.isEmpty() ? QStandardPaths::findExecutable(program)
                                  : QStandardPaths::findExecutable(program, m_searchPath);
}

bool AppLauncher::startProgram(const QString &program, const QStringList &arguments) const
{
    const QString path = findProgram(program);
    if (path.isEmpty())
        return false;
    const bool started = m_tools.startDetached(path, arguments);
    qCDebug(lcActions) << (started ? "started" : "could not start") << path;
    return started;
}

bool AppLauncher::openKnown(const QString &name) const
{
    for (const Target &target : knownTargets(name)) {
        const bool opened = target.kind == Target::Kind::program
            ? startProgram(target.value)
            : m_workspace.openApplication(target.value);
        if (opened)
            return true;
    }
    return false;
}

bool AppLauncher::openMatching(const QString &name) const
{
    const std::optional<InstalledApp> app = match(m_workspace.installedApplications(), name);
    if (!app)
        return false;
    qCDebug(lcActions) << "opening the installed application" << app->id;
    return m_workspace.openApplication(app->desktopFile.isEmpty() ? app->id : app->desktopFile);
}

bool AppLauncher::launchInstalled(const QString &name) const
{
    if (name.trimmed().isEmpty())
        return false;
    return openKnown(name) || openMatching(name);
}

bool AppLauncher::launch(const QString &name) const
{
    if (launchInstalled(name))
        return true;
    for (const QString &candidate : programNames(name)) {
        if (startProgram(candidate))
            return true;
    }
    return false;
}

QList<AppLauncher::Command> AppLauncher::powerSettingsCommands(const QString &currentDesktop)
{
    struct Entry
    {
        const char *desktop;
        Command command;
    };
    const QList<Entry> table{
        {"GNOME", {QStringLiteral("gnome-control-center"), {QStringLiteral("power")}}},
        {"KDE",
         {QStringLiteral("systemsettings"), {QStringLiteral("kcm_powerdevilprofilesconfig")}}},
        {"XFCE", {QStringLiteral("xfce4-power-manager-settings"), {}}},
        {"X-Cinnamon", {QStringLiteral("cinnamon-settings"), {QStringLiteral("power")}}},
        {"MATE", {QStringLiteral("mate-power-preferences"), {}}},
        {"LXQt", {QStringLiteral("lxqt-config-powermanagement"), {}}},
    };
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QList<Command> ours;
    QList<Command> others;
    for (const Entry &entry : table) {
        const bool current = desktops.contains(QLatin1String(entry.desktop), Qt::CaseInsensitive);
        (current ? ours : others) << entry.command;
    }
    return ours + others;
}

bool AppLauncher::openPowerSettings(const QString &currentDesktop) const
{
    for (const Command &command : powerSettingsCommands(currentDesktop)) {
        if (startProgram(command.program, command.arguments))
            return true;
    }
    return false;
}
