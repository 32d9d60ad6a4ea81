#pragma once

#include "setup/SetupActions.h"
#include "setup/SetupFacts.h"
#include "setup/SetupItem.h"
#include "setup/SetupProbes.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <memory>

// Checks, line by line, whether this computer gives the HUD what it needs. A run asks the
// instant probes on the main thread and every other probe on the thread pool at once; it ends
// when all have answered or when the deadline passes, whichever comes first. A probe that has
// not answered by then reads as its not-found answer, and is not asked again until it returns,
// so one stuck file system or bus costs one thread, not one per refresh.
//
// The probes run on a pool of the checker's own, one thread per probe, rather than on the
// global pool: a stuck probe must not hold a thread the rest of the program queues for.
class SetupChecker final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRunDeadlineMs = 2000;
    static constexpr int kLiveIntervalMs = 2000;

    // The probes are shared with the threads that ask them, which may outlive the checker.
    SetupChecker(std::shared_ptr<SetupProbes> probes, SetupActions actions,
                 QObject *parent = nullptr);
    ~SetupChecker() override;

    // One run; ignored while a run is in progress.
    void start();
    // A run now, then one every kLiveIntervalMs until stopLive().
    void startLive();
    void stopLive();
    bool isLive() const { return m_liveTimer.isActive(); }

    const QList<SetupItem> &items() const { return m_items; }
    bool checking() const { return m_run != nullptr; }
    // Required items in attention.
    int attentionCount() const;
    QString report() const;

    // What the deadline does: ends the run with the answers so far. Public so that tests need
    // not wait for it.
    void expireRun();

    // The buttons' actions; the next run's lines use what is set here.
    const SetupActions &actions() const { return m_actions; }
    void setActions(SetupActions actions) { m_actions = std::move(actions); }

    // Pool probes the current run still waits for.
    int outstandingProbes() const;
    // Pool probes that have not returned, whether their run still waits or not.
    int probesInFlight() const { return int(m_inFlight.size()); }

    // The lines for what a run found, in their fixed order.
    static QList<SetupItem> buildItems(const SetupFacts &facts, const SetupActions &actions);
    static int attentionCount(const QList<SetupItem> &items);
    static QString report(const QList<SetupItem> &items, const QString &prettyName);
    static QString tag(const SetupItem &item);

signals:
    // Items or checking changed.
    void changed();

private:
    struct Run;

    template <typename T>
    void ask(const QString &name, T (SetupProbes::*probe)() const, T SetupFacts::*field);
    void answered(quint64 runId, const QString &name,
                  const std::function<void(SetupFacts &)> &apply);
    void finishRun();

    std::shared_ptr<SetupProbes> m_probes;
    SetupActions m_actions;
    QList<SetupItem> m_items;
    QString m_prettyName = QStringLiteral("Linux");
    std::unique_ptr<Run> m_run;
    quint64 m_nextRunId = 1;
    // Pool probes that have not returned yet, from this run or an earlier one.
    QSet<QString> m_inFlight;
    QThreadPool *m_pool;
    QTimer m_deadline;
    QTimer m_liveTimer;
};
