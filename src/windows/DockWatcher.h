#pragma once

#include "windows/Loadout.h"

#include <QList>
#include <QObject>
#include <QString>

class Feedback;
class Screens;
class UserDefaults;
class WindowArranger;

// Puts the windows back when a set of monitors returns: once the connected monitors have
// changed and stayed the same for a moment, the newest loadout bound to them is equipped, once,
// with "Docked: " and its name over the usual report. Nothing moves when none is bound to
// them, when the set is the one already docked, or when the setting is off. Main thread only.
class DockWatcher final : public QObject
{
    Q_OBJECT
public:
    // Whether bound loadouts come back by themselves; on unless set to false.
    static inline const QString enabledKey = QStringLiteral("Vantle.dockLoadouts");
    // How long the monitors must stay the same: a dock brings its monitors up one by one, and
    // each step is a change of its own.
    static constexpr int settleMs = 1500;

    DockWatcher(WindowArranger &arranger, const Screens &screens, Feedback &feedback,
                const UserDefaults &defaults, QObject *parent = nullptr);

    bool enabled() const;
    // The monitors as last settled.
    const QList<Loadout::Monitor> &settled() const { return m_settled; }

    // The screens changed: the settle wait starts again. Tests call it directly.
    void screensChanged();

private:
    void settle(quint64 generation);

    WindowArranger &m_arranger;
    const Screens &m_screens;
    Feedback &m_feedback;
    const UserDefaults &m_defaults;
    QList<Loadout::Monitor> m_settled;
    quint64 m_generation = 0;
};
