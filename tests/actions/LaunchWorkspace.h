#pragma once

#include "platform/Workspace.h"

#include <QSet>

// A desktop where only the listed desktop entries open; every attempt is recorded in order.
class LaunchWorkspace final : public Workspace
{
public:
    QSet<QString> openable;
    QStringList attempts;
    QList<InstalledApp> installed;
    QList<QUrl> openedURLs;
    bool urlsOpen = true;

    QList<RunningApp> runningApplications() const override { return {}; }
    std::optional<RunningApp> frontmostApplication() const override { return std::nullopt; }
    std::optional<RunningApp> application(pid_t) const override { return std::nullopt; }
    bool activate(pid_t) override { return false; }
    bool openApplication(const QString &app) override
    {
        attempts << app;
        return openable.contains(app);
    }
    QIcon icon(const RunningApp &) const override { return {}; }
    QIcon applicationIcon(const QString &) const override { return {}; }
    bool openURL(const QUrl &url) override
    {
        openedURLs << url;
        return urlsOpen;
    }
    QList<InstalledApp> installedApplications() const override { return installed; }

    static InstalledApp app(const QString &id, const QString &name)
    {
        return {id, name, "/usr/share/applications/" + id + ".desktop", {}};
    }
};
