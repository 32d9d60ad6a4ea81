#include "BenchSources.h"
#include "commandbar/CommandSearch.h"

#include <benchmark/benchmark.h>

// One keystroke's search; the argument picks the query.
static void BM_CommandSearchResults(benchmark::State &state)
{
    static const char *const queries[]
        = {"t", "te", "ter", "code 3", "photo note", "=2*(3+4)/7", "zzz", ""};
    const BenchSources data = bigSources();
    const CommandSources sources = data.sources();
    const QString query = QString::fromLatin1(queries[state.range(0)]);
    state.SetLabel(queries[state.range(0)][0] ? queries[state.range(0)] : "(empty)");
    for (auto _ : state)
        benchmark::DoNotOptimize(CommandSearch::results(query, sources));
}
BENCHMARK(BM_CommandSearchResults)
    ->DenseRange(0, 7)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
