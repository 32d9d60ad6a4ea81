#pragma once

#include "platform/Workspace.h"
#include "platform/linux/DesktopEntryMatcher.h"

// What every Linux workspace shares, whatever tells it of running apps: the installed apps, their
// icons and launches from the XDG desktop entries, and URLs opened by the desktop.
class XdgWorkspace : public Workspace
{
    Q_OBJECT
public:
    bool openApplication(const QString &appIdOrDesktopFile) override;
    QIcon icon(const RunningApp &app) const override;
    QIcon applicationIcon(const QString &desktopFile) const override;
    bool openURL(const QUrl &url) override;
    // The folders given at construction, read afresh on every call (see XdgApplications).
    QList<InstalledApp> installedApplications() const override;

protected:
    XdgWorkspace(QStringList applicationFolders, QObject *parent);

    // Fixed at construction: worker threads read it while scanning.
    const QStringList m_applicationFolders;
    DesktopEntryMatcher m_entries;
};
