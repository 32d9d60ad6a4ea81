#include "BenchSources.h"
#include "commandbar/CommandSearch.h"
#include "commandbar/CommandUsage.h"

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

// The same keystrokes with the usage file full: every app, clip, skill and command ever run, at
// the cap, each query remembering its pick, spread over two months of use.
static void BM_CommandSearchWithUsage(benchmark::State &state)
{
    static const char *const queries[]
        = {"t", "te", "ter", "code 3", "photo note", "=2*(3+4)/7", "zzz", ""};
    const BenchSources data = bigSources();
    CommandUsage usage;
    CommandSources sources = data.sources();
    for (int i = 0; i < CommandUsage::maxTargets; ++i) {
        const QDateTime when = data.now.addSecs(-i * 15000);
        const QString query = QString::fromLatin1(queries[i % 5]).left(1 + i % 3);
        CommandItem::Target target;
        switch (i % 4) {
        case 0:
            target = {CommandItem::Target::Kind::app, data.apps[(i * 7) % 1000].url.toLocalFile()};
            break;
        case 1:
            target = {CommandItem::Target::Kind::clip,
                      data.clips[i % 140].id.toString(QUuid::WithoutBraces)};
            break;
        case 2:
            target = {CommandItem::Target::Kind::skill, data.skills[i % 200].id};
            break;
        default:
            target = {CommandItem::Target::Kind::command, data.commands[i % 11].id};
        }
        usage.record(query + QString::number(i % 50), target, when);
        usage.record(query, target, when);
    }
    sources.usage = &usage;
    const QString query = QString::fromLatin1(queries[state.range(0)]);
    state.SetLabel(queries[state.range(0)][0] ? queries[state.range(0)] : "(empty)");
    for (auto _ : state)
        benchmark::DoNotOptimize(CommandSearch::results(query, sources));
}
BENCHMARK(BM_CommandSearchWithUsage)
    ->DenseRange(0, 7)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
