#pragma once

#include "platform/linux/XdgWorkspace.h"

#include <QHash>

class WaylandToplevels;
struct wl_seat;

// The running applications of a Wayland desktop, from the compositor's window list: the
// windows grouped by app id and named after the desktop entry the id matches. The protocol
// names no process: an app's pid is the newest process of this user whose executable the
// entry (or the app id) names, and where none is found a number above every pid the kernel
// hands out, so it stands for the app and never for another process.
class WaylandWorkspace final : public XdgWorkspace
{
    Q_OBJECT
public:
    // Numbers from here up stand for apps whose process was not found.
    static constexpr pid_t kUnmatchedPidBase = 0x40000000;

    WaylandWorkspace(WaylandToplevels &toplevels, std::function<wl_seat *()> seat,
                     QObject *parent = nullptr);
    ~WaylandWorkspace() override;

    QList<RunningApp> runningApplications() const override;
    std::optional<RunningApp> frontmostApplication() const override;
    std::optional<RunningApp> application(pid_t pid) const override;
    bool activate(pid_t pid) override;

    // The app a window of `appId` belongs to.
    pid_t pidOf(const QString &appId) const;

private:
    void refresh();
    RunningApp describe(const QString &appId);

    WaylandToplevels &m_toplevels;
    std::function<wl_seat *()> m_seat;
    QHash<QString, RunningApp> m_apps; // by the windows' app id
    pid_t m_activePid = 0;
    pid_t m_nextUnmatched = kUnmatchedPidBase;
};
