// What the HUD does over and over while a user works: painting the readouts, polling the
// clipboard, and scanning the installed applications when the command bar opens.
#include "clipboard/ClipboardHistory.h"
#include "commandbar/AppCatalog.h"
#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeSystemStats.h"
#include "fakes/FakeUserDefaults.h"
#include "fakes/FakeWorkspace.h"
#include "hud/HUDWidgetID.h"
#include "monitors/SystemMetricsService.h"
#include "platform/linux/EdsCalendarStore.h"
#include "platform/linux/EvolutionCalendarStore.h"
#include "platform/linux/XdgApplications.h"
#include "quests/QuestService.h"
#include "ui/widgets/FieldHeader.h"
#include "ui/widgets/PartyStrip.h"
#include "ui/widgets/PlayerStatus.h"
#include "ui/widgets/ReadoutScale.h"
#include "ui/widgets/ReadoutViewFactory.h"
#include "ui/widgets/ReadoutViews.h"

#include "support/PrivateEdsBus.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmapCache>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr HUDWidgetID kReadouts[] = {HUDWidgetID::playerStatus, HUDWidgetID::partyStrip,
                                     HUDWidgetID::fieldHeader, HUDWidgetID::targetCursor};

// One readout panel painted once offscreen at a 1440-wide screen's scale. Cold empties the
// pixmap cache first (the first paint, or a label that just changed); cached is every repaint
// that follows with the same words.
void readoutPaint(benchmark::State &state)
{
    const HUDWidgetID id = kReadouts[state.range(0)];
    const bool cold = state.range(1) != 0;
    FakeSystemStats stats;
    FakeClock clock;
    SystemMetricsService metrics(stats, clock);
    metrics.start();
    const UserAccount account{QStringLiteral("Player One"), QStringLiteral("player")};
    ReadoutViewFactory views;
    views.add(HUDWidgetID::playerStatus, [&](QWidget *parent) {
        return new CoreWidgets::PlayerStatus(metrics, account, parent);
    });
    views.add(HUDWidgetID::partyStrip,
              [&](QWidget *parent) { return ReadoutViews::partyStrip(metrics, nullptr, parent); });
    views.add(HUDWidgetID::fieldHeader,
              [&](QWidget *parent) { return new CoreWidgets::FieldHeader(metrics, parent); });
    views.add(HUDWidgetID::targetCursor, [](QWidget *parent) {
        return ReadoutViews::targetCursor(nullptr, nullptr, {}, parent);
    });
    std::unique_ptr<QWidget> view(views.make(id));
    if (auto *scalable = dynamic_cast<ReadoutScale *>(view.get())) {
        scalable->setReadoutScale(0.72);
        view->resize(view->sizeHint());
    }
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    state.SetLabel(HUDWidget::rawValue(id).toStdString() + (cold ? " cold" : " cached"));
    for (auto _ : state) {
        if (cold)
            QPixmapCache::clear();
        image.fill(Qt::transparent);
        view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(readoutPaint)->ArgsProduct({{0, 1, 2, 3}, {1, 0}})->Unit(benchmark::kMicrosecond);

// The clipboard poll with 140 entries kept: the usual poll finds nothing new; a copy moves or
// adds an entry.
void clipboardPoll(benchmark::State &state)
{
    const bool copying = state.range(0) != 0;
    QTemporaryDir data;
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeUserDefaults defaults;
    FakeAppPaths paths(data.path(), data.path());
    FakeClock clock;
    ClipboardHistory history(pasteboard, workspace, defaults, paths, clock, 1);
    history.start();
    // A hundred pinned and the forty most recent.
    for (int i = 0; i < 140; ++i) {
        pasteboard.externalCopy(QStringLiteral("clip number %1 with a few words in it").arg(i));
        history.poll();
        if (i < 100)
            history.togglePin(history.items().first().id);
    }
    state.SetLabel(copying ? "a copy" : "nothing new");
    int n = 0;
    for (auto _ : state) {
        if (copying)
            pasteboard.externalCopy(
                QStringLiteral("clip number %1 with a few words in it").arg(140 + n++ % 60));
        history.poll();
    }
    state.counters["entries"] = double(history.items().size());
}
BENCHMARK(clipboardPoll)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The application catalogue read from 2,000 desktop files, as the command bar does off the
// main thread when it opens after the catalogue went stale.
void appCatalogueScan(benchmark::State &state)
{
    QTemporaryDir folder;
    QDir().mkpath(folder.path() + QStringLiteral("/applications"));
    for (int i = 0; i < 2000; ++i) {
        QFile file(folder.path()
                   + QStringLiteral("/applications/org.example.App%1.desktop").arg(i));
        if (!file.open(QIODevice::WriteOnly))
            state.SkipWithError("cannot write the desktop files");
        file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Example App %1\n"
                                  "Name[de]=Beispiel %1\nComment=An application\n"
                                  "Exec=example-%1 %U\nIcon=example-%1\nCategories=Utility;\n")
                       .arg(i)
                       .toUtf8());
    }
    const QStringList folders{folder.path() + QStringLiteral("/applications")};
    for (auto _ : state) {
        const QList<AppCatalog::Entry> apps = AppCatalog::catalogue(XdgApplications::scan(folders));
        benchmark::DoNotOptimize(apps.size());
    }
}
BENCHMARK(appCatalogueScan)->Unit(benchmark::kMillisecond);

// Stores of 2,000 events (a tenth of them weekly) and 500 reminders around `now`, in the local
// folders of evolution-data-server's `calendar/<source>` and `tasks/<source>` under `dataHome`.
bool writeQuestStores(const QString &dataHome, const QString &source, const QDateTime &now)
{
    auto stamp = [](const QDateTime &t) {
        return t.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    };
    QByteArray events = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//bench//EN\n";
    for (int i = 0; i < 2000; ++i) {
        const QDateTime start = now.addSecs(qint64(i - 1000) * 3 * 3600);
        events += QStringLiteral("BEGIN:VEVENT\nUID:e%1\nDTSTAMP:20260101T000000Z\nSUMMARY:Event "
                                 "%1\nLOCATION:Room %2\nDTSTART:%3\nDTEND:%4\n%5END:VEVENT\n")
                      .arg(i)
                      .arg(i % 12)
                      .arg(stamp(start), stamp(start.addSecs(3600)),
                           i % 10 == 0 ? QStringLiteral("RRULE:FREQ=WEEKLY\n") : QString())
                      .toUtf8();
    }
    events += "END:VCALENDAR\n";
    QByteArray tasks = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//bench//EN\n";
    for (int i = 0; i < 500; ++i) {
        tasks += QStringLiteral("BEGIN:VTODO\nUID:t%1\nDTSTAMP:20260101T000000Z\nSUMMARY:Task "
                                "%1\n%2END:VTODO\n")
                     .arg(i)
                     .arg(i % 5 == 0 ? QString()
                                     : QStringLiteral("DUE:%1\n")
                                           .arg(stamp(now.addSecs(qint64(i - 250) * 1800))))
                     .toUtf8();
    }
    tasks += "END:VCALENDAR\n";
    bool ok = true;
    auto write = [&](const QString &kind, const QString &name, const QByteArray &bytes) {
        const QString folder = dataHome + QStringLiteral("/evolution/%1/%2").arg(kind, source);
        QDir().mkpath(folder);
        QFile file(folder + QLatin1Char('/') + name);
        ok = ok && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    write(QStringLiteral("calendar"), QStringLiteral("calendar.ics"), events);
    write(QStringLiteral("tasks"), QStringLiteral("tasks.ics"), tasks);
    return ok;
}

void readQuests(benchmark::State &state, const CalendarStore &store, const QDateTime &now)
{
    for (auto _ : state) {
        const QuestService::Snapshot snapshot = QuestService::read(store, now);
        benchmark::DoNotOptimize(snapshot.events.size());
    }
    const QuestService::Snapshot snapshot = QuestService::read(store, now);
    state.counters["events"] = double(snapshot.events.size());
    state.counters["reminders"] = double(snapshot.reminders.size());
}

// One quest refresh over those stores read as files: parsing, expanding repeats into the
// window, cutting and sorting.
void questRefresh(benchmark::State &state)
{
    QTemporaryDir home;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!writeQuestStores(home.path(), QStringLiteral("personal"), now))
        state.SkipWithError("cannot write the stores");
    EvolutionCalendarStore store(home.path());
    readQuests(state, store, now);
}
BENCHMARK(questRefresh)->Unit(benchmark::kMillisecond);

// The same stores as local calendars of a real evolution-data-server on a private bus: each
// refresh asks the calendar factory over D-Bus and lets its library expand the repeats.
void questRefreshEds(benchmark::State &state)
{
    QTemporaryDir home;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const ScopedEnv config("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    const ScopedEnv data("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    const ScopedEnv cache("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    if (!writeQuestStores(home.path() + "/data", QStringLiteral("bench"), now))
        state.SkipWithError("cannot write the stores");
    PrivateEdsBus::addSource("bench",
                             "[Data Source]\nDisplayName=Bench\nEnabled=true\n\n"
                             "[Calendar]\nBackendName=local\n\n"
                             "[Task List]\nBackendName=local\n");
    PrivateEdsBus bus;
    EdsCalendarStore store(home.path() + "/data");
    if (bus.address().isEmpty() || !store.usingDataServer())
        state.SkipWithError("no evolution-data-server on a private bus");
    readQuests(state, store, now);
}
// One run only: every run would start a data server of its own.
BENCHMARK(questRefreshEds)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
