#include "windows/LoadoutEquipRun.h"

#include "platform/Feedback.h"
#include "platform/Geometry.h"
#include "platform/Logging.h"
#include "platform/Screens.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"
#include "windows/WindowArranger.h"

#include <cmath>
#include <optional>
#include <utility>

namespace {

std::optional<RunningApp> runningWithId(const Workspace &workspace, const QString &appId)
{
    for (const RunningApp &app : workspace.runningApplications()) {
        if (app.appId == appId)
            return app;
    }
    return std::nullopt;
}

} // namespace

LoadoutEquipRun::LoadoutEquipRun(WindowArranger &arranger, WindowSystem &windows,
                                 Workspace &workspace, const Screens &screens, Feedback &feedback,
                                 const Loadout &loadout, std::function<void()> done, QString title)
    : m_arranger(arranger)
    , m_windows(windows)
    , m_workspace(workspace)
    , m_screens(screens)
    , m_feedback(feedback)
    , m_loadout(loadout)
    , m_done(std::move(done))
    , m_title(title.isEmpty() ? QStringLiteral("Equipped ") + loadout.name : std::move(title))
{
    for (const Loadout::Entry &entry : loadout.entries) {
        if (Loadout::isDesktopId(entry.bundleID))
            m_unmatched.append(entry);
        else
            ++m_refused;
    }
    // The file is the user's, but anything may have written it.
    if (m_refused > 0)
        qCInfo(lcWindows) << m_refused << "entries of a loadout name no desktop entry id and"
                          << "are skipped";
    m_loadout.entries = m_unmatched;
}

void LoadoutEquipRun::start(WindowArranger &arranger, WindowSystem &windows, Workspace &workspace,
                            const Screens &screens, Feedback &feedback, const Loadout &loadout,
                            std::function<void()> done, QString title)
{
    auto run = std::make_shared<LoadoutEquipRun>(arranger, windows, workspace, screens, feedback,
                                                 loadout, std::move(done), std::move(title));
    run->launchMissing();
    run->matchPass();
    run->matchUntilFound();
}

void LoadoutEquipRun::wait(int ms, void (LoadoutEquipRun::*step)())
{
    // The arranger is the context: a wait that comes due after it is gone ends the run quietly.
    m_feedback.later(ms, &m_arranger, [run = shared_from_this(), step] { ((*run).*step)(); });
}

void LoadoutEquipRun::launchMissing()
{
    QStringList ids;
    for (const Loadout::Entry &e : std::as_const(m_loadout.entries)) {
        if (!ids.contains(e.bundleID))
            ids.append(e.bundleID);
    }
    for (const QString &id : ids) {
        // Opening does not wait for the app; the matching passes do the waiting.
        if (!runningWithId(m_workspace, id) && m_workspace.openApplication(id))
            m_launched.insert(id);
    }
    qCDebug(lcWindows) << "equipping a loadout of" << m_loadout.entries.size() << "windows;"
                       << "launched" << m_launched.values();
}

void LoadoutEquipRun::matchPass()
{
    const QList<ScreenInfo> screens = m_screens.screens();
    QList<Loadout::Entry> stillUnmatched;
    for (const Loadout::Entry &entry : std::as_const(m_unmatched)) {
        const auto app = runningWithId(m_workspace, entry.bundleID);
        const QList<Window> windows = app ? m_arranger.standardWindows(*app) : QList<Window>{};
        if (entry.index < 0 || entry.index >= windows.size()) {
            stillUnmatched.append(entry);
            continue;
        }
        const Window window = windows.at(entry.index);
        m_arranger.setFrame(window, WindowArranger::frameFor(entry, screens));
        m_resolved.append({window, entry});
    }
    m_unmatched = stillUnmatched;
}

void LoadoutEquipRun::matchUntilFound()
{
    if (m_unmatched.isEmpty() || m_retries >= WindowArranger::matchRetries) {
        wait(WindowArranger::settleMs, &LoadoutEquipRun::settle);
        return;
    }
    ++m_retries;
    wait(WindowArranger::matchRetryMs, &LoadoutEquipRun::retryMatch);
}

void LoadoutEquipRun::retryMatch()
{
    matchPass();
    matchUntilFound();
}

void LoadoutEquipRun::settle()
{
    ++m_settlePasses;
    const QList<ScreenInfo> screens = m_screens.screens();
    const double height = m_arranger.primaryHeight();
    const auto near
        = [](double a, double b) { return std::abs(a - b) <= WindowArranger::settleTolerance; };
    int moved = 0;
    for (const auto &[window, entry] : std::as_const(m_resolved)) {
        const QRectF target = WindowArranger::frameFor(entry, screens);
        const auto frame = m_arranger.windowFrame(window);
        if (!frame)
            continue;
        const QRectF current = YUp::flip(*frame, height);
        if (near(current.width(), target.width()) && near(current.height(), target.height())
            && near(current.left(), target.left()) && near(current.top(), target.top()))
            continue;
        m_arranger.setFrame(window, target);
        ++moved;
    }
    if (moved > 0 && m_settlePasses < WindowArranger::maxSettlePasses) {
        wait(WindowArranger::settleMs, &LoadoutEquipRun::settle);
        return;
    }
    finish();
}

void LoadoutEquipRun::finish()
{
    // Last to first, so the first captured window ends up in front.
    for (auto it = m_resolved.crbegin(); it != m_resolved.crend(); ++it)
        m_windows.raiseWindow(it->first);

    const qsizetype placed = m_resolved.size();
    qCDebug(lcWindows) << "loadout equipped:" << placed << "windows placed," << m_unmatched.size()
                       << "not found";
    QString message = QString::number(placed) + QLatin1Char(' ')
        + WindowArranger::windowsWord(placed) + QStringLiteral(" placed");
    const qsizetype notFound = m_unmatched.size() + m_refused;
    if (notFound == 0)
        message += QLatin1Char('.');
    else
        message += QStringLiteral(", ") + QString::number(notFound) + QStringLiteral(" not found.");
    if (!m_launched.isEmpty())
        message += QStringLiteral(" Launched ") + QString::number(m_launched.size())
            + QStringLiteral(" app(s).");
    m_arranger.showToast(m_title, message);
    if (m_done)
        m_done();
}
