#pragma once

#include "platform/Workspace.h"

// Running applications set by the test; opening and activating only record.
class FakeWorkspace final : public Workspace
{
public:
    QList<RunningApp> apps;
    std::optional<pid_t> front;
    QStringList opened;
    QList<pid_t> activations;
    bool openSucceeds = true;
    QList<QUrl> openedURLs;
    QList<InstalledApp> installed;
    mutable int listReads = 0;

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
        for (const RunningApp &a : apps) {
            if (a.pid == pid)
                return a;
        }
        return std::nullopt;
    }
    bool activate(pid_t pid) override
    {
        activations << pid;
        return application(pid).has_value();
    }
    bool openApplication(const QString &app) override
    {
        opened << app;
        return openSucceeds;
    }
    QIcon icon(const RunningApp &) const override { return {}; }
    QIcon applicationIcon(const QString &) const override { return {}; }
    bool openURL(const QUrl &url) override
    {
        openedURLs << url;
        return openSucceeds;
    }
    QList<InstalledApp> installedApplications() const override { return installed; }

    static RunningApp make(pid_t pid, const QString &name, const QString &appId,
                           bool regular = true, std::optional<QDateTime> launched = std::nullopt)
    {
        RunningApp a;
        a.pid = pid;
        a.name = name;
        a.appId = appId;
        a.regular = regular;
        a.launchDate = launched;
        return a;
    }
};
