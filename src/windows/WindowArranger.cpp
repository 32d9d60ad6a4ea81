#include "windows/WindowArranger.h"

#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Feedback.h"
#include "platform/Geometry.h"
#include "platform/Logging.h"
#include "platform/WindowSystem.h"
#include "windows/LoadoutEquipRun.h"

#include <algorithm>
#include <utility>

QString WindowArranger::windowsWord(qsizetype count)
{
    return count == 1 ? QStringLiteral("window") : QStringLiteral("windows");
}

WindowArranger::WindowArranger(WindowSystem &windows, Workspace &workspace, const Screens &screens,
                               const AppPaths &paths, const Clock &clock, Feedback &feedback,
                               GazePid gazePid, pid_t ownPid, QObject *parent)
    : QObject(parent)
    , m_windows(windows)
    , m_workspace(workspace)
    , m_screens(screens)
    , m_clock(clock)
    , m_feedback(feedback)
    , m_gazePid(std::move(gazePid))
    , m_ownPid(ownPid)
    , m_store(paths)
{
    m_trusted = m_windows.trusted();
    m_loadouts = m_store.load();
}

WindowArranger::~WindowArranger() = default;

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
    // On X11 there is no permission to ask for: trust follows the session and the window
    // manager, so asking is checking again.
    refreshTrust();
}

double WindowArranger::primaryHeight() const
{
    // With no screens the conversion height is 0, as the empty main screen gives.
    return m_screens.mainScreen().frame.height();
}

void WindowArranger::showToast(const QString &title, const QString &message)
{
    m_feedback.toast(title, message, toastDuration);
}

void WindowArranger::refuseUntrusted()
{
    showToast(QStringLiteral("Accessibility is off"),
              QStringLiteral("Kaidro can move windows only in an X11 session with an EWMH window "
                             "manager."));
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
    const bool moved = m_windows.setWindowFrame(window, YUp::flip(rect, primaryHeight()));
    qCDebug(lcWindows) << "window" << window << (moved ? "moved to" : "refused") << rect;
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
    // Two monitors of one size are told apart by name; a renamed one is still found by size.
    const auto sameSize = [&entry](const ScreenInfo &s) {
        return Loadout::displayString(s.frame) == entry.display;
    };
    const auto named = std::find_if(screens.cbegin(), screens.cend(), [&](const ScreenInfo &s) {
        return !entry.screen.isEmpty() && s.name == entry.screen && sameSize(s);
    });
    const auto sized = std::find_if(screens.cbegin(), screens.cend(), sameSize);
    if (named != screens.cend())
        visible = named->visibleFrame;
    else if (sized != screens.cend())
        visible = sized->visibleFrame;
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
    m_feedback.play(SoundCue::select, 0.5f);
}

std::optional<QList<Loadout::Entry>> WindowArranger::captureEntries()
{
    refreshTrust();
    if (!m_trusted) {
        refuseUntrusted();
        return std::nullopt;
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
            entry.screen = screen->name;
            entries.append(entry);
        }
    }
    if (entries.isEmpty()) {
        showToast(QStringLiteral("No windows to save"),
                  QStringLiteral("Open a few windows on this Space first."));
        return std::nullopt;
    }
    return entries;
}

void WindowArranger::addLoadout(const Loadout &loadout)
{
    m_loadouts.prepend(loadout);
    emit loadoutsChanged();
    saveLoadouts();
    m_feedback.play(SoundCue::confirm, 0.6f);
    const qsizetype count = loadout.entries.size();
    showToast(QStringLiteral("Loadout saved"),
              loadout.name + QStringLiteral(": ") + QString::number(count) + QLatin1Char(' ')
                  + windowsWord(count)
                  + QStringLiteral(". Only windows on this Space are included; full-screen apps "
                                   "each have their own Space."));
}

void WindowArranger::captureLoadout(bool forTheseMonitors)
{
    const auto entries = captureEntries();
    if (!entries)
        return;
    QStringList names;
    for (const Loadout::Entry &e : *entries)
        names.append(e.appName);
    Loadout loadout;
    loadout.id = QUuid::createUuid();
    loadout.name = Loadout::makeName(names);
    loadout.date = m_clock.now();
    loadout.entries = *entries;
    if (forTheseMonitors)
        loadout.monitors = Loadout::monitorsOf(m_screens.screens());
    addLoadout(loadout);
}

void WindowArranger::saveDockLoadout()
{
    const auto entries = captureEntries();
    if (!entries)
        return;
    Loadout loadout;
    loadout.id = QUuid::createUuid();
    loadout.monitors = Loadout::monitorsOf(m_screens.screens());
    loadout.name = Loadout::dockName(loadout.monitors);
    loadout.date = m_clock.now();
    loadout.entries = *entries;
    // Only the earlier dock loadout of these monitors goes; one the user bound and named
    // after its apps stays.
    m_loadouts.removeIf([&loadout](const Loadout &l) {
        return l.name.startsWith(Loadout::dockPrefix)
            && Loadout::sameMonitors(l.monitors, loadout.monitors);
    });
    addLoadout(loadout);
}

std::optional<Loadout> WindowArranger::boundTo(const QList<Loadout::Monitor> &monitors) const
{
    for (const Loadout &l : m_loadouts) {
        if (Loadout::sameMonitors(l.monitors, monitors))
            return l;
    }
    return std::nullopt;
}

void WindowArranger::equip(const Loadout &loadout, std::function<void()> done, QString title)
{
    refreshTrust();
    if (!m_trusted) {
        refuseUntrusted();
        if (done)
            done();
        return;
    }
    m_feedback.play(SoundCue::select, 1.0f);
    LoadoutEquipRun::start(*this, m_windows, m_workspace, m_screens, m_feedback, loadout,
                           std::move(done), std::move(title));
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
