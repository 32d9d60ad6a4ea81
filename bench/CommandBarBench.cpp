#include "BenchSources.h"
#include "commandbar/CommandBarController.h"
#include "commandbar/CommandBarModel.h"
#include "commandbar/CommandBarSearch.h"
#include "ui/commandbar/CommandBarView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

// The sources as the program keeps them: built once, read in place at every keystroke.
class BenchSearch final : public CommandBarSearch
{
public:
    QList<CommandItem> results(const QString &query) override
    {
        return CommandSearch::results(query, m_data.sources());
    }

private:
    const BenchSources m_data = bigSources();
};

// One keystroke as the bar handles it: the query changes, the model ranks afresh, and the view
// paints the new rows at the new height (offscreen, into an image the size of the window).
static void BM_CommandBarKeystroke(benchmark::State &state)
{
    static const char *const queries[] = {"t", "te", "ter", "code 3", "=2*(3+4)/7", ""};
    BenchSearch search;
    CommandBarModel model(search);
    CommandBarView view(model, {});
    const QString query = QString::fromLatin1(queries[state.range(0)]);
    const QString other = query + QLatin1Char(' ');
    state.SetLabel(queries[state.range(0)][0] ? queries[state.range(0)] : "(empty)");
    bool flip = false;
    for (auto _ : state) {
        // Alternate two queries so every round really changes the text.
        model.setQuery(flip ? other : query);
        flip = !flip;
        const int rows = int(model.results().size());
        view.resize(int(CommandBarController::width), int(CommandBarController::heightFor(rows)));
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_CommandBarKeystroke)
    ->DenseRange(0, 5)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
