// The string table: lookups of existing names through the hash index,
// entering new ones, integers converted to text, and concatenations.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "data/values.h"
#include "fixture.h"

namespace vantel {
namespace {

// Fills the table with `count` names N1, N2, ... and returns their texts.
std::vector<std::string> FillTable(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        names.push_back("N" + std::to_string(i));
        LookupOrEnter(names.back());
    }
    return names;
}

void BM_LookupExisting(benchmark::State& state) {
    bench::FreshTables();
    const std::vector<std::string> names = FillTable(static_cast<int>(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LookupOrEnter(names[i]));
        if (++i == names.size()) i = 0;
    }
}
BENCHMARK(BM_LookupExisting)->Arg(100)->Arg(4900);

// Entering 4900 new names into an empty table, the work of a filling run.
void BM_EnterNew(benchmark::State& state) {
    const std::vector<std::string> names = [] {
        std::vector<std::string> texts;
        for (int i = 1; i <= 4900; ++i)
            texts.push_back("NAME" + std::to_string(i));
        return texts;
    }();
    for (auto _ : state) {
        state.PauseTiming();
        bench::FreshTables();
        state.ResumeTiming();
        for (const std::string& name : names)
            benchmark::DoNotOptimize(LookupOrEnter(name));
    }
    state.SetItemsProcessed(state.iterations() * 4900);
}
BENCHMARK(BM_EnterNew);

void BM_InternInteger(benchmark::State& state) {
    bench::FreshTables();
    std::int32_t n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(InternInteger(n).string());
        if (++n == 2400) n = 0;
    }
}
BENCHMARK(BM_InternInteger);

// 'N' I for I cycling over 2400 numbers: the names of the indirection loop.
void BM_ConcatenateName(benchmark::State& state) {
    bench::FreshTables();
    StringItem* prefix = LookupOrEnter("N");
    std::int32_t n = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(InternConcatenation(prefix, InternInteger(n).string()).string());
        if (++n > 2400) n = 1;
    }
}
BENCHMARK(BM_ConcatenateName);

// Growing a string 7 characters at a time to 31990: each step enters a new
// string of up to 32000 characters, which is copied and hashed.
void BM_GrowString(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        bench::FreshTables();
        StringItem* piece = LookupOrEnter("ABCDEFG");
        state.ResumeTiming();
        StringItem* text = piece;
        while (text->name.size() < 31990)
            text = InternConcatenation(text, piece).string();
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_GrowString)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vantel
