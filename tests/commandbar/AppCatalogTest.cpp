#include "commandbar/AppCatalog.h"

#include "commandbar/CommandSearch.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeWorkspace.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QThreadPool>

namespace {

InstalledApp installed(const QString &name, const QString &file = {})
{
    const QString path = file.isEmpty()
        ? "/usr/share/applications/" + name.toLower().replace(QLatin1Char(' '), QLatin1Char('-'))
            + QStringLiteral(".desktop")
        : file;
    return {QFileInfo(path).completeBaseName(), name, path, {}};
}

QStringList names(const QList<AppCatalog::Entry> &apps)
{
    QStringList out;
    for (const AppCatalog::Entry &e : apps)
        out << e.name;
    return out;
}

class AppCatalogTest : public ::testing::Test
{
protected:
    FakeWorkspace workspace;
    FakeClock clock;
    AppCatalog catalog{workspace, clock};

    // Lets a scan that was started finish and hand its list back.
    void settle()
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }

    QList<CommandItem> search(const QString &query)
    {
        CommandSources sources;
        sources.apps = catalog.apps();
        return CommandSearch::results(query, {}, sources);
    }
};

} // namespace

TEST_F(AppCatalogTest, TheFirstRequestScansAndEarlierSearchesSeeNothing)
{
    workspace.installed = {installed("Firefox")};
    QSignalSpy changed(&catalog, &AppCatalog::changed);
    EXPECT_TRUE(catalog.apps().isEmpty());

    catalog.refreshIfStale();
    // The scan runs on the pool; the list changes only when its answer comes back.
    EXPECT_TRUE(catalog.apps().isEmpty());
    const QList<CommandItem> early = search("fire");
    ASSERT_EQ(early.size(), 1);
    EXPECT_EQ(early.first().id, "web");
    ASSERT_TRUE(changed.wait(5000));
    ASSERT_EQ(catalog.apps().size(), 1);
    const AppCatalog::Entry &entry = catalog.apps().first();
    EXPECT_EQ(entry.name, "Firefox");
    EXPECT_EQ(entry.id, "firefox");
    EXPECT_EQ(entry.url, QUrl::fromLocalFile("/usr/share/applications/firefox.desktop"));
    EXPECT_EQ(search("fire").first().title, "Firefox");
}

TEST_F(AppCatalogTest, RescansOnlyAfter120SecondsFromTheLastScanStart)
{
    workspace.installed = {installed("One")};
    catalog.refreshIfStale();
    settle();
    ASSERT_EQ(names(catalog.apps()), QStringList{"One"});

    workspace.installed << installed("Two");
    clock.advance(60);
    catalog.refreshIfStale();
    clock.advance(60);
    catalog.refreshIfStale(); // exactly 120 s: still fresh
    settle();
    EXPECT_EQ(names(catalog.apps()), QStringList{"One"});

    clock.advance(0.5);
    catalog.refreshIfStale();
    settle();
    EXPECT_EQ(names(catalog.apps()), (QStringList{"One", "Two"}));

    // That scan restarted the gate.
    workspace.installed.removeFirst();
    clock.advance(100);
    catalog.refreshIfStale();
    settle();
    EXPECT_EQ(catalog.apps().size(), 2);
}

TEST(AppCatalogList, SortsByNameIgnoringCaseAndKeepsOnePerPath)
{
    const QString shared = "/opt/apps/shared.desktop";
    const QList<AppCatalog::Entry> apps = AppCatalog::catalogue({installed("zed"),
                                                                 installed("Beta"),
                                                                 installed("apple"),
                                                                 installed("Alpha"),
                                                                 installed("Banana"),
                                                                 installed("Shared", shared),
                                                                 installed("Shared again", shared),
                                                                 {"nofile", "No File", {}, {}}});
    EXPECT_EQ(names(apps), (QStringList{"Alpha", "apple", "Banana", "Beta", "Shared", "zed"}));
}

TEST_F(AppCatalogTest, AnAnswerForAGoneCatalogueIsDroppedAndTheOthersStillArrive)
{
    workspace.installed = {installed("One")};
    auto doomed = std::make_unique<AppCatalog>(workspace, clock);
    doomed->refreshIfStale();
    catalog.refreshIfStale();
    QThreadPool::globalInstance()->waitForDone();
    // Both answers are queued, neither delivered yet.
    EXPECT_TRUE(doomed->apps().isEmpty());
    EXPECT_TRUE(catalog.apps().isEmpty());
    doomed.reset();
    // The queued answer finds nobody (a sanitizer build would catch a dangling write); the
    // live catalogue's answer, queued beside it, still lands.
    QCoreApplication::processEvents();
    EXPECT_EQ(names(catalog.apps()), QStringList{"One"});
}
