#pragma once

#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "windows/Loadout.h"
#include "windows/LoadoutStore.h"
#include "windows/SnapZone.h"

#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

#include <sys/types.h>

class AppPaths;
class Clock;
class Feedback;
class WindowSystem;

// Moves other applications' windows: snapping the active window into a zone, and capturing and
// restoring loadouts. Window frames are read and written in root coordinates (top-left origin,
// y down); everything else here is model geometry (y up), converted with the primary screen's
// height. Main thread only.
class WindowArranger final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool trusted READ trusted NOTIFY trustedChanged)

public:
    using Window = quint32;
    // The process under the pointer as the target monitor last saw it, if any.
    using GazePid = std::function<std::optional<pid_t>()>;

    static constexpr double toastDuration = 3.5;
    static constexpr int maxEntriesPerApp = 3;
    static constexpr double minCaptureWidth = 120;
    static constexpr double minCaptureHeight = 90;
    static constexpr int matchRetries = 7;
    static constexpr int matchRetryMs = 1000;
    static constexpr int settleMs = 600;
    static constexpr int maxSettlePasses = 3;
    static constexpr double settleTolerance = 4;

    // The loadouts are loaded here. Toasts, cues and the equip's waits go through `feedback`.
    WindowArranger(WindowSystem &windows, Workspace &workspace, const Screens &screens,
                   const AppPaths &paths, const Clock &clock, Feedback &feedback, GazePid gazePid,
                   pid_t ownPid, QObject *parent = nullptr);
    ~WindowArranger() override;

    bool trusted() const { return m_trusted; }
    const QList<Loadout> &loadouts() const { return m_loadouts; }

    void refreshTrust();
    void requestAccess();

    // Moves the active window into `zone`, or tells why it cannot.
    void snap(SnapZone zone);

    // The application the user was working in: the frontmost one unless that is us, else the
    // one under the pointer.
    std::optional<RunningApp> targetApp() const;
    QList<Window> standardWindows(const RunningApp &app) const;
    // In root coordinates (y down).
    std::optional<QRectF> windowFrame(Window window) const;
    // `rect` is a model rectangle (y up).
    void setFrame(Window window, const QRectF &rect);
    // The screen showing most of a model rectangle; see SnapZones::screenIndexFor.
    std::optional<ScreenInfo> screenFor(const QRectF &rect) const;

    // Where an entry's window goes: on the screen of the same name and size, else of the same
    // size, else the primary screen.
    static QRectF frameFor(const Loadout::Entry &entry, const QList<ScreenInfo> &screens);

    // Saves the open windows as a new loadout; `forTheseMonitors` binds it to the monitors
    // connected now, so that it comes back by itself when they do.
    void captureLoadout(bool forTheseMonitors = false);
    // Saves the open windows bound to the monitors connected now, named after them, in place of
    // an earlier dock loadout of the same monitors.
    void saveDockLoadout();
    // The newest loadout bound to `monitors`, if any.
    std::optional<Loadout> boundTo(const QList<Loadout::Monitor> &monitors) const;
    // Restores a loadout, launching missing apps and waiting for their windows; `done` runs once
    // the summary toast is up (or at once when refused). `title` heads that toast instead of
    // "Equipped " and the name.
    void equip(const Loadout &loadout, std::function<void()> done = {}, QString title = {});
    void deleteLoadout(const QUuid &id);
    void saveLoadouts();

    // "1 window" or "3 windows".
    static QString windowsWord(qsizetype count);
    double primaryHeight() const;
    void showToast(const QString &title, const QString &message);

signals:
    void trustedChanged(bool trusted);
    void loadoutsChanged();

private:
    void refuseUntrusted();
    // The open windows' entries, or none after telling why there are none.
    std::optional<QList<Loadout::Entry>> captureEntries();
    void addLoadout(const Loadout &loadout);

    WindowSystem &m_windows;
    Workspace &m_workspace;
    const Screens &m_screens;
    const Clock &m_clock;
    Feedback &m_feedback;
    GazePid m_gazePid;
    pid_t m_ownPid;
    LoadoutStore m_store;
    bool m_trusted = false;
    QList<Loadout> m_loadouts;
};
