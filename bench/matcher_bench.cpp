// The matcher and pattern construction: single attempts of the patterns the
// text-processing programs use, and whole statements that build patterns.
#include <benchmark/benchmark.h>

#include <string>

#include "executor/executor.h"
#include "fixture.h"

namespace vantel {
namespace {

const char* const kLetters = "abcdefghijklmnopqrstuvwxyz";

// A line of short lower-case words separated by blanks.
std::string WordLine(int words) {
    std::string line;
    for (int i = 0; i < words; ++i) {
        if (i > 0) line += (i % 5 == 0) ? "  " : " ";
        line.append(static_cast<std::size_t>(1 + i % 9), static_cast<char>('a' + i % 26));
    }
    return line;
}

Value CharClass(Routine routine, const char* chars) {
    return MakeNodePattern(routine, InternString(chars));
}

// BREAK(letters) SPAN(letters) from each word's start: one attempt per word.
void BM_BreakSpanWords(benchmark::State& state) {
    bench::FreshTables();
    const std::string line = WordLine(1000);
    const Value word =
        ConcatPatterns(CharClass(Routine::Break, kLetters), CharClass(Routine::Span, kLetters));
    std::int64_t words = 0;
    for (auto _ : state) {
        int cursor = 0;
        for (;;) {
            Exec().failure = false;
            const int next = MatchAttempt(line, word.pattern(), cursor);
            if (Exec().failure) break;
            cursor = next;
            ++words;
        }
    }
    Exec().failure = false;
    state.SetItemsProcessed(words);
}
BENCHMARK(BM_BreakSpanWords);

// ARB backtracking: 'A' ARB 'Z' over a subject with the Z at its end.
void BM_ArbBacktracking(benchmark::State& state) {
    bench::FreshTables();
    const std::string subject =
        "A" + std::string(static_cast<std::size_t>(state.range(0)), 'x') + "Z";
    const Value arb = LookupOrEnter("ARB")->value;
    const Value pattern = ConcatPatterns(ConcatPatterns(ToPattern(InternString("A")), arb),
                                         ToPattern(InternString("Z")));
    for (auto _ : state) {
        Exec().failure = false;
        benchmark::DoNotOptimize(MatchAttempt(subject, pattern.pattern(), 0));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ArbBacktracking)->Arg(16)->Arg(256)->Arg(4096);

// Building TAB(n) WORD @C per attempt, as a statement does: construction
// and release of the tables without matching.
void BM_BuildCursorPattern(benchmark::State& state) {
    bench::FreshTables();
    const Value word =
        ConcatPatterns(CharClass(Routine::Break, kLetters), CharClass(Routine::Span, kLetters));
    const Value cursor = Value::String(LookupOrEnter("C"));
    int n = 0;
    for (auto _ : state) {
        const Value tab = MakeNodePattern(Routine::Tab, Value::Integer(n++ & 1023));
        const Value whole =
            ConcatPatterns(ConcatPatterns(tab, word), MakeNodePattern(Routine::Cursor, cursor));
        benchmark::DoNotOptimize(whole.pattern());
    }
}
BENCHMARK(BM_BuildCursorPattern);

// Whole programs: unanchored scans for an absent string in 32000 characters
// (the scan skips to candidates), and the word loop of the comparison.
void BM_UnanchoredScanProgram(benchmark::State& state) {
    const std::string program = " &STLIMIT = 2000000000\n"
                                " &ANCHOR = 0\n"
                                " S1 = DUPL('ABCDEFGHIJ', 3200)\n"
                                " K = 0\n"
                                "LOOP K = LT(K, 100) K + 1 :F(END)\n"
                                " S1 'ABCDEFGHIX' :(LOOP)\n"
                                "END\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::RunProgram(program));
    state.SetBytesProcessed(state.iterations() * 100 * 32000);
}
BENCHMARK(BM_UnanchoredScanProgram);

void BM_WordLoopProgram(benchmark::State& state) {
    std::string program = " &STLIMIT = 2000000000\n"
                          " LETTERS = 'abcdefghijklmnopqrstuvwxyz'\n"
                          " WORD = BREAK(LETTERS) SPAN(LETTERS)\n"
                          "READ LINE = INPUT :F(END)\n"
                          " C = 0\n"
                          "NEXT LINE TAB(C) WORD @C :F(READ)\n"
                          " WORDS = WORDS + 1 :(NEXT)\n"
                          "END\n";
    for (int i = 0; i < 10; ++i)
        program += WordLine(1000) + "\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::RunProgram(program));
    state.SetItemsProcessed(state.iterations() * 10 * 1000);
}
BENCHMARK(BM_WordLoopProgram);

} // namespace
} // namespace vantel
