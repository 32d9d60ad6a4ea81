#pragma once

#include "platform/Workspace.h"

#include <algorithm>

#include <QPixmap>
#include <QSet>

// Running apps set by the test; opening records, and fails unless `openSucceeds` or `openable`.
class FakeWorkspace final : public Workspace
{
public:
    QList<RunningApp> apps;
    std::optional<pid_t> front;
    QStringList opened; // every app asked to open, in order
    QList<pid_t> activations;
    bool openSucceeds = true;
    QSet<QString> openable;
    QList<QUrl> openedURLs;
    bool urlsOpen = true;
    QList<InstalledApp> installed;
    mutable int listReads = 0;
    mutable QStringList iconLookups; // the icon names looked up, in order

    QList<RunningApp> runningApplications() const override
    {
        ++listReads;
        return apps;
    }
    std::optional<RunningApp> frontmostApplication() const override
    {
        return front ? application(*front) : std::nullopt;
    }
    std::optional<RunningApp> application(pid_t pid) const override
    {
        const auto it = std::ranges::find(apps, pid, &RunningApp::pid);
        return it == apps.end() ? std::nullopt : std::optional(*it);
    }
    bool activate(pid_t pid) override
    {
        activations << pid;
        return application(pid).has_value();
    }
    bool openApplication(const QString &app) override
    {
        opened << app;
        return openSucceeds || openable.contains(app);
    }
    // A named icon is a plain square; no name, no icon.
    QIcon icon(const RunningApp &app) const override
    {
        iconLookups << app.iconName;
        if (app.iconName.isEmpty())
            return {};
        QPixmap square(8, 8);
        square.fill(Qt::red);
        return QIcon(square);
    }
    QIcon applicationIcon(const QString &) const override { return {}; }
    bool openURL(const QUrl &url) override
    {
        openedURLs << url;
        return urlsOpen;
    }
    QList<InstalledApp> installedApplications() const override { return installed; }

    static RunningApp make(pid_t pid, const QString &name, const QString &appId,
                           bool regular = true, std::optional<QDateTime> launched = std::nullopt)
    {
        return {
            .pid = pid, .name = name, .appId = appId, .regular = regular, .launchDate = launched};
    }
    static InstalledApp installedApp(const QString &id, const QString &name)
    {
        return {id, name, "/usr/share/applications/" + id + ".desktop", {}};
    }
};
