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
#include "platform/linux/XdgApplications.h"
#include "ui/widgets/ReadoutScale.h"
#include "ui/widgets/ReadoutViews.h"

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
    ReadoutModels models;
    models.metrics = &metrics;
    models.account = {QStringLiteral("Player One"), QStringLiteral("player")};
    std::unique_ptr<QWidget> view(makeReadoutView(id, models, nullptr));
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
