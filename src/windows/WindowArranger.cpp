#include "windows/WindowArranger.h"

#include "app/AccessibilityAccess.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Geometry.h"
#include "platform/Platform.h"
#include "platform/WindowSystem.h"
#include "ui/CoreToastCenter.h"

#include <QPointer>
#include <QSet>
#include <QTimer>

#include <cmath>
#include <utility>

#include <unistd.h>

// One equip in flight. Each works on its own copy of the loadout, so several may overlap.
struct WindowArranger::EquipRun
{
    Loadout loadout;
    QList<Loadout::Entry> unmatched;
    QList<QPair<Window, Loadout::Entry>> resolved;
    QSet<QString> launched;
    int retries = 0;
    int settlePasses = 0;
    std::function<void()> done;
};

namespace {

QString windowsWord(qsizetype count)
{
    return count == 1 ? QStringLiteral("window") : QStringLiteral("windows");
}

std::optional<RunningApp> runningWithId(const Workspace &workspace, const QString &appId)
{
    for (const RunningApp &app : workspace.runningApplications()) {
        if (app.appId == appId)
            return app;
    }
    return std::nullopt;
}

} // namespace

WindowArranger::WindowArranger(WindowSystem &windows, Workspace &workspace, const Screens &screens,
                               const AppPaths &paths, const Clock &clock, ShowToast toast,
                               PlayCue cue, GazePid gazePid, pid_t ownPid, Schedule schedule,
                               QObject *parent)
    : QObject(parent)
    , m_windows(windows)
    , m_workspace(workspace)
    , m_screens(screens)
    , m_clock(clock)
    , m_toast(std::move(toast))
    , m_cue(std::move(cue))
    , m_gazePid(std::move(gazePid))
    , m_ownPid(ownPid)
    , m_schedule(std::move(schedule))
    , m_store(paths)
{
    m_trusted = m_windows.trusted();
    m_loadouts = m_store.load();
}

WindowArranger::~WindowArranger() = default;

WindowArranger &WindowArranger::shared()
{
    // Lives until exit, like the toast centre it reports through.
    static WindowArranger *const arranger = [] {
        Platform &platform = Platform::installed();
        return new WindowArranger(
            *platform.windows, *platform.workspace, *platform.screens, *platform.paths,
            *platform.clock,
            [](const QString &title, const QString &message, double duration) {
                CoreToastCenter::shared().show(title, message, duration);
            },
            [](CoreSoundEngine::Cue cue, float volume) {
                CoreSoundEngine::shared().play(cue, volume);
            },
            {}, ::getpid());
    }();
    return *arranger;
}

void WindowArranger::refreshTrust()
{
    const bool trusted = m_windows.trusted();
    if (trusted == m_trusted)
        return;
    m_trusted = trusted;
    emit trustedChanged(m_trusted);
}

void WindowArranger::requestAccess()
{
    AccessibilityAccess::request(m_windows);
    refreshTrust();
}

double WindowArranger::primaryHeight() const
{
    // With no screens the conversion height is 0, as the empty main screen gives.
    return m_screens.mainScreen().frame.height();
}

void WindowArranger::showToast(const QString &title, const QString &message)
{
    if (m_toast)
        m_toast(title, message, toastDuration);
}

void WindowArranger::refuseUntrusted()
{
    showToast(QStringLiteral("Accessibility is off"),
              QStringLiteral("Kaidro can move windows only in an X11 session with an EWMH window "
                             "manager."));
}

void WindowArranger::wait(int ms, std::function<void()> then)
{
    // A wait that never fires because we are gone ends the sequence quietly.
    QPointer<WindowArranger> self(this);
    auto guarded = [self, then = std::move(then)] {
        if (self)
            then();
    };
    if (m_schedule)
        m_schedule(ms, std::move(guarded));
    else
        QTimer::singleShot(ms, this, std::move(guarded));
}

std::optional<RunningApp> WindowArranger::targetApp() const
{
    // Our own menu was just used when we are frontmost; the window the user meant is the one
    // the pointer was over before.
    if (const auto front = m_workspace.frontmostApplication(); front && front->pid != m_ownPid)
        return front;
    if (m_gazePid) {
        if (const auto pid = m_gazePid())
            return m_workspace.application(*pid);
    }
    return std::nullopt;
}

QList<WindowArranger::Window> WindowArranger::standardWindows(const RunningApp &app) const
{
    return m_windows.standardWindows(app.pid);
}

std::optional<QRectF> WindowArranger::windowFrame(Window window) const
{
    const auto frame = m_windows.windowFrame(window);
    if (!frame || frame->isEmpty())
        return std::nullopt;
    return frame;
}

void WindowArranger::setFrame(Window window, const QRectF &rect)
{
    // The window system sets size and position together; a refusal leaves the window where it
    // is, which is all a caller could do about it.
    m_windows.setWindowFrame(window, YUp::flip(rect, primaryHeight()));
}

std::optional<ScreenInfo> WindowArranger::screenFor(const QRectF &rect) const
{
    const QList<ScreenInfo> screens = m_screens.screens();
    const auto index = SnapZones::screenIndexFor(rect, screens);
    return index ? std::optional<ScreenInfo>(screens.at(*index)) : std::nullopt;
}

QRectF WindowArranger::frameFor(const Loadout::Entry &entry, const QList<ScreenInfo> &screens)
{
    // The primary screen is the first one, so the fallback to it is also the fallback to the
    // first screen.
    QRectF visible;
    if (!screens.isEmpty())
        visible = screens.first().visibleFrame;
    for (const ScreenInfo &screen : screens) {
        if (Loadout::displayString(screen.frame) == entry.display) {
            visible = screen.visibleFrame;
            break;
        }
    }
    return SnapZones::place(QRectF(entry.x, entry.y, entry.w, entry.h), visible);
}

void WindowArranger::snap(SnapZone zone)
{
    refreshTrust();
    if (!m_trusted) {
        refuseUntrusted();
        return;
    }
    const auto nothingToMove = [this] {
        showToast(QStringLiteral("Nothing to move"),
                  QStringLiteral("Click into the window you want to move, then pick a zone."));
    };
    const auto app = targetApp();
    if (!app) {
        nothingToMove();
        return;
    }
    std::optional<Window> window = m_windows.focusedWindow(app->pid);
    if (!window) {
        const QList<Window> standard = standardWindows(*app);
        if (standard.isEmpty()) {
            nothingToMove();
            return;
        }
        window = standard.first();
    }
    const auto frame = windowFrame(*window);
    if (!frame)
        return;
    const QRectF modelFrame = YUp::flip(*frame, primaryHeight());
    const QList<ScreenInfo> screens = m_screens.screens();
    const auto current = SnapZones::screenIndexFor(modelFrame, screens);
    if (!current)
        return;
    if (zone == SnapZone::nextDisplay && screens.size() < 2) {
        showToast(QStringLiteral("Only one display"),
                  QStringLiteral("Connect another display to send windows across."));
        return;
    }
    const auto target = SnapZones::newFrame(zone, modelFrame, screens, *current);
    if (!target)
        return;
    setFrame(*window, *target);
    if (m_cue)
        m_cue(CoreSoundEngine::Cue::select, 0.5f);
}

void WindowArranger::captureLoadout()
{
    refreshTrust();
    if (!m_trusted) {
        refuseUntrusted();
        return;
    }
    const double height = primaryHeight();
    QList<Loadout::Entry> entries;
    for (const RunningApp &app : m_workspace.runningApplications()) {
        if (!app.regular || app.pid == m_ownPid || app.appId.isEmpty())
            continue;
        const QList<Window> windows = standardWindows(app).mid(0, maxEntriesPerApp);
        for (qsizetype i = 0; i < windows.size(); ++i) {
            const auto frame = windowFrame(windows.at(i));
            if (!frame || frame->width() <= minCaptureWidth || frame->height() <= minCaptureHeight)
                continue;
            const QRectF modelFrame = YUp::flip(*frame, height);
            const auto screen = screenFor(modelFrame);
            if (!screen)
                continue;
            const QRectF f = SnapZones::relativeFractions(modelFrame, screen->visibleFrame);
            Loadout::Entry entry;
            entry.bundleID = app.appId;
            entry.appName = app.name.isEmpty() ? app.appId : app.name;
            entry.index = int(i);
            entry.x = f.x();
            entry.y = f.y();
            entry.w = f.width();
            entry.h = f.height();
            entry.display = Loadout::displayString(screen->frame);
            entries.append(entry);
        }
    }
    if (entries.isEmpty()) {
        showToast(QStringLiteral("No windows to save"),
                  QStringLiteral("Open a few windows on this Space first."));
        return;
    }
    QStringList names;
    for (const Loadout::Entry &e : entries)
        names.append(e.appName);
    Loadout loadout;
    loadout.id = QUuid::createUuid();
    loadout.name = Loadout::makeName(names);
    loadout.date = m_clock.now();
    loadout.entries = entries;
    m_loadouts.prepend(loadout);
    emit loadoutsChanged();
    saveLoadouts();
    if (m_cue)
        m_cue(CoreSoundEngine::Cue::confirm, 0.6f);
    showToast(QStringLiteral("Loadout saved"),
              loadout.name + QStringLiteral(": ") + QString::number(entries.size())
                  + QLatin1Char(' ') + windowsWord(entries.size())
                  + QStringLiteral(". Only windows on this Space are included; full-screen apps "
                                   "each have their own Space."));
}

void WindowArranger::equip(const Loadout &loadout, std::function<void()> done)
{
    refreshTrust();
    if (!m_trusted) {
        refuseUntrusted();
        if (done)
            done();
        return;
    }
    if (m_cue)
        m_cue(CoreSoundEngine::Cue::select, 1.0f);

    auto run = std::make_shared<EquipRun>();
    run->loadout = loadout;
    run->unmatched = loadout.entries;
    run->done = std::move(done);

    QStringList ids;
    for (const Loadout::Entry &e : loadout.entries) {
        if (!ids.contains(e.bundleID))
            ids.append(e.bundleID);
    }
    for (const QString &id : ids) {
        // Opening does not wait for the app; the matching passes below do the waiting.
        if (!runningWithId(m_workspace, id) && m_workspace.openApplication(id))
            run->launched.insert(id);
    }

    matchPass(run);
    matchUntilFound(run);
}

void WindowArranger::matchPass(const std::shared_ptr<EquipRun> &run)
{
    const QList<ScreenInfo> screens = m_screens.screens();
    QList<Loadout::Entry> stillUnmatched;
    for (const Loadout::Entry &entry : std::as_const(run->unmatched)) {
        const auto app = runningWithId(m_workspace, entry.bundleID);
        const QList<Window> windows = app ? standardWindows(*app) : QList<Window>{};
        if (entry.index < 0 || entry.index >= windows.size()) {
            stillUnmatched.append(entry);
            continue;
        }
        const Window window = windows.at(entry.index);
        setFrame(window, frameFor(entry, screens));
        run->resolved.append({window, entry});
    }
    run->unmatched = stillUnmatched;
}

void WindowArranger::matchUntilFound(const std::shared_ptr<EquipRun> &run)
{
    if (run->unmatched.isEmpty() || run->retries >= matchRetries) {
        wait(settleMs, [this, run] { settle(run); });
        return;
    }
    ++run->retries;
    wait(matchRetryMs, [this, run] {
        matchPass(run);
        matchUntilFound(run);
    });
}

void WindowArranger::settle(const std::shared_ptr<EquipRun> &run)
{
    ++run->settlePasses;
    const QList<ScreenInfo> screens = m_screens.screens();
    const double height = primaryHeight();
    const auto near = [](double a, double b) { return std::abs(a - b) <= settleTolerance; };
    int moved = 0;
    for (const auto &[window, entry] : std::as_const(run->resolved)) {
        const QRectF target = frameFor(entry, screens);
        const auto frame = windowFrame(window);
        if (!frame)
            continue;
        const QRectF current = YUp::flip(*frame, height);
        if (near(current.width(), target.width()) && near(current.height(), target.height())
            && near(current.left(), target.left()) && near(current.top(), target.top()))
            continue;
        setFrame(window, target);
        ++moved;
    }
    if (moved > 0 && run->settlePasses < maxSettlePasses) {
        wait(settleMs, [this, run] { settle(run); });
        return;
    }
    finishEquip(run);
}

void WindowArranger::finishEquip(const std::shared_ptr<EquipRun> &run)
{
    // Last to first, so the first captured window ends up in front.
    for (auto it = run->resolved.crbegin(); it != run->resolved.crend(); ++it)
        m_windows.raiseWindow(it->first);

    const qsizetype placed = run->resolved.size();
    QString message = QString::number(placed) + QLatin1Char(' ') + windowsWord(placed)
        + QStringLiteral(" placed");
    if (run->unmatched.isEmpty())
        message += QLatin1Char('.');
    else
        message += QStringLiteral(", ") + QString::number(run->unmatched.size())
            + QStringLiteral(" not found.");
    if (!run->launched.isEmpty())
        message += QStringLiteral(" Launched ") + QString::number(run->launched.size())
            + QStringLiteral(" app(s).");
    showToast(QStringLiteral("Equipped ") + run->loadout.name, message);
    if (run->done)
        run->done();
}

void WindowArranger::deleteLoadout(const QUuid &id)
{
    const auto removed = m_loadouts.removeIf([&id](const Loadout &l) { return l.id == id; });
    if (removed > 0)
        emit loadoutsChanged();
    saveLoadouts();
}

void WindowArranger::saveLoadouts()
{
    // Errors are not reported; the list in memory stays as it is.
    m_store.save(m_loadouts);
}
