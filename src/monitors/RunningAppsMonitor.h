#pragma once

#include "platform/Workspace.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

#include <sys/types.h>

class Feedback;

// The open applications behind the summary panel's slots, oldest launch first, with the one the
// user last worked in marked and always kept in view. Rebuilt whenever an app launches, quits or
// comes to the front. Main thread only.
class RunningAppsMonitor final : public QObject
{
    Q_OBJECT

public:
    // One slot: the application's process, its name, and whether it was last in front.
    struct Entry
    {
        pid_t id = 0;
        QString name;
        bool isFront = false;
    };

    // The summary panel's slot count.
    static constexpr int slotCount = 12;

    // `playSelect` sounds the select cue when a slot switches apps; it may be empty.
    RunningAppsMonitor(Workspace &workspace, pid_t ownPid, Feedback &feedback,
                       QObject *parent = nullptr);
    ~RunningAppsMonitor() override;

    const QList<Entry> &entries() const { return m_entries; }
    // The icon of the slot for `id`; null when the app has none or holds no slot. Looked up when
    // first asked for, by the menu's painting: reading the icon theme costs the HUD some 80 KB
    // it need not hold while the menu stays closed.
    QIcon icon(pid_t id) const;
    // The most recent frontmost app other than this program; 0 before any.
    pid_t lastFrontPID() const { return m_lastFrontPID; }

    // Rebuilds the slots; the workspace's notifications call this, and so do tests.
    void refresh();
    // A slot was clicked: sounds the select cue and brings the app forward.
    void switchTo(pid_t pid);

signals:
    void entriesChanged();

private:
    Workspace &m_workspace;
    const pid_t m_ownPid;
    Feedback &m_feedback;
    QList<Entry> m_entries;
    QHash<pid_t, RunningApp> m_slotApps; // the apps behind m_entries, by process
    mutable QHash<pid_t, QIcon> m_icons;
    pid_t m_lastFrontPID = 0;
};
