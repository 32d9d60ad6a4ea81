#pragma once

#include "windows/Loadout.h"

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class Feedback;
class Screens;
class WindowArranger;
class WindowSystem;
class Workspace;

// One loadout being put back: the apps that are not running are opened, their windows matched
// as they appear (retried once a second for a while), placed, given time to settle, raised and
// summed up in a toast. Each run works on its own copy of the loadout, so several may overlap;
// a run keeps itself alive through the waits it schedules, which end quietly once the arranger
// is gone.
class LoadoutEquipRun final : public std::enable_shared_from_this<LoadoutEquipRun>
{
public:
    using Window = quint32;

    // `title` heads the summary toast; empty: "Equipped " and the loadout's name.
    static void start(WindowArranger &arranger, WindowSystem &windows, Workspace &workspace,
                      const Screens &screens, Feedback &feedback, const Loadout &loadout,
                      std::function<void()> done, QString title = {});

    LoadoutEquipRun(WindowArranger &arranger, WindowSystem &windows, Workspace &workspace,
                    const Screens &screens, Feedback &feedback, const Loadout &loadout,
                    std::function<void()> done, QString title = {});

private:
    void launchMissing();
    void matchPass();
    void matchUntilFound();
    void retryMatch();
    void settle();
    void finish();
    void wait(int ms, void (LoadoutEquipRun::*step)());

    WindowArranger &m_arranger;
    WindowSystem &m_windows;
    Workspace &m_workspace;
    const Screens &m_screens;
    Feedback &m_feedback;
    Loadout m_loadout;
    QList<Loadout::Entry> m_unmatched;
    // Entries whose app is not named by a desktop-entry id: never launched nor looked for, and
    // counted as not found.
    qsizetype m_refused = 0;
    QList<QPair<Window, Loadout::Entry>> m_resolved;
    QSet<QString> m_launched;
    int m_retries = 0;
    int m_settlePasses = 0;
    std::function<void()> m_done;
    QString m_title;
};
