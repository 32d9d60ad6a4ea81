#include "platform/linux/XdgWorkspace.h"

#include "platform/linux/XdgApplications.h"

#include <QDesktopServices>
#include <QDir>

namespace {

QIcon iconNamed(const QString &name)
{
    if (name.isEmpty())
        return {};
    if (QDir::isAbsolutePath(name))
        return QIcon(name);
    return QIcon::fromTheme(name);
}

} // namespace

XdgWorkspace::XdgWorkspace(QStringList applicationFolders, QObject *parent)
    : Workspace(parent)
    , m_applicationFolders(applicationFolders)
    , m_entries(std::move(applicationFolders))
{ }

bool XdgWorkspace::openApplication(const QString &appIdOrDesktopFile)
{
    if (appIdOrDesktopFile.isEmpty())
        return false;
    const std::optional<DesktopEntry> entry = m_entries.entry(appIdOrDesktopFile);
    return entry && DesktopEntryMatcher::launch(entry->filePath);
}

QIcon XdgWorkspace::icon(const RunningApp &app) const
{
    return iconNamed(app.iconName);
}

QIcon XdgWorkspace::applicationIcon(const QString &desktopFile) const
{
    return iconNamed(XdgApplications::iconName(desktopFile));
}

bool XdgWorkspace::openURL(const QUrl &url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

QList<InstalledApp> XdgWorkspace::installedApplications() const
{
    return XdgApplications::scan(m_applicationFolders);
}
