#pragma once

#include "platform/linux/XdgWorkspace.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QSet>

#include <memory>

class X11Clients;

// The running applications of an X11 desktop: the window manager's clients grouped by process,
// named after their desktop entries. Launches, quits and activations are noticed through
// property changes on the root window.
class X11Workspace final : public XdgWorkspace, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit X11Workspace(QObject *parent = nullptr);
    // Tests hand in folders of their own; the default is the XDG application folders.
    X11Workspace(QStringList applicationFolders, QObject *parent);
    ~X11Workspace() override;

    QList<RunningApp> runningApplications() const override;
    std::optional<RunningApp> frontmostApplication() const override;
    pid_t frontmostPid() const override { return m_activePid; }
    std::optional<RunningApp> application(pid_t pid) const override;
    bool activate(pid_t pid) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // The launch time of a process from procfs, nothing when it is gone.
    static std::optional<QDateTime> launchDate(pid_t pid);

private:
    QSet<pid_t> clientPids() const;
    pid_t activePid() const;
    void deliverChanges();

    std::unique_ptr<X11Clients> m_clients;
    // What each process was found to be, kept while it has windows.
    mutable QHash<pid_t, RunningApp> m_known;
    QSet<pid_t> m_pids;
    pid_t m_activePid = 0;
    bool m_clientListChanged = false;
    bool m_activeChanged = false;
    bool m_deliveryQueued = false;
    quint32 m_clientListAtom = 0;
    quint32 m_activeAtom = 0;
};
