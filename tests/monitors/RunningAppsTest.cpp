#include "monitors/RunningAppsMonitor.h"

#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

namespace {

constexpr pid_t kOwn = 4242;

class RunningApps : public ::testing::Test
{
protected:
    FakeWorkspace workspace;
    int selects = 0;

    // `count` regular apps with pids 1..count, app n launched n minutes after 09:00, listed
    // newest first so that the order must come from the launch dates.
    void launch(int count)
    {
        const QDateTime base(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
        for (int n = count; n >= 1; --n)
            workspace.apps << FakeWorkspace::make(n, QStringLiteral("App %1").arg(n),
                                                  QStringLiteral("app%1").arg(n), true,
                                                  base.addSecs(60 * n));
    }

    std::unique_ptr<RunningAppsMonitor> make()
    {
        return std::make_unique<RunningAppsMonitor>(workspace, kOwn, [this] { ++selects; });
    }

    // The listed pids, the one in front marked with a star.
    static QString shown(const RunningAppsMonitor &m)
    {
        QStringList out;
        for (const RunningAppsMonitor::Entry &e : m.entries())
            out << QString::number(e.id) + (e.isFront ? "*" : "");
        return out.join(' ');
    }
};

} // namespace

TEST_F(RunningApps, OldestLaunchFirstUndatedBeforeAllAndTwelveSlotsKeepingTheFrontApp)
{
    const std::tuple<int, std::optional<pid_t>, const char *> rows[]
        = {{3, std::nullopt, "77 1 2 3"},
           {13, 5, "77 1 2 3 4 5* 6 7 8 9 10 11"},
           {13, 13, "77 1 2 3 4 5 6 7 8 9 10 13*"},
           {2, 50, "77 1 2"}}; // a background app in front is never listed
    for (const auto &[count, front, expected] : rows) {
        workspace.apps = {FakeWorkspace::make(77, "", "undated"),
                          FakeWorkspace::make(50, "Tray Utility", "tray", false)};
        launch(count);
        workspace.front = front;
        const auto m = make();
        EXPECT_EQ(shown(*m), expected) << count;
        EXPECT_EQ(m->entries().first().name, "App"); // what a nameless app is called
    }
}

TEST_F(RunningApps, OurOwnOrNoAppInFrontKeepsTheLastMarkedAndAppsQuitAndJoinAtTheNotification)
{
    launch(3);
    workspace.apps << FakeWorkspace::make(kOwn, "Kaidro", "kaidro");
    workspace.front = 2;
    const auto m = make();
    QSignalSpy spy(m.get(), &RunningAppsMonitor::entriesChanged);
    workspace.front = kOwn;
    emit workspace.activated(kOwn);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(*m), "1 2* 3");
    workspace.apps.removeIf([](const RunningApp &a) { return a.pid == 2; });
    workspace.front.reset();
    emit workspace.terminated(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(m->lastFrontPID(), 2);
    EXPECT_EQ(shown(*m), "1 3") << "nothing marked until another app comes forward";
    workspace.front = 3;
    emit workspace.activated(3);
    workspace.apps << FakeWorkspace::make(30, "New", "new", true,
                                          QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC));
    emit workspace.launched(30);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(*m), "1 3* 30");
    m->switchTo(1);
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(workspace.activations, QList<pid_t>{1});
}

TEST_F(RunningApps, NotificationsAreHandledLaterAndNotAtAllOnceTheMonitorIsGone)
{
    launch(1);
    auto m = make();
    const int reads = workspace.listReads;
    emit workspace.launched(1);
    EXPECT_EQ(workspace.listReads, reads) << "the workspace is still inside its own report";
    m.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(workspace.listReads, reads) << "the destroyed monitor refreshed";
}
