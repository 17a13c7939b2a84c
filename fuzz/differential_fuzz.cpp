// Fuzz target: the compiled code against the walk over the trees.
//
// The input is the source file. It runs once compiled, with the
// interpreter's fast paths, and once walked without them (as under
// VANTEL_PLAIN=1), in one process; the listings (timing figures masked, run-
// time errors with their message and statement number), every file the runs
// left in the scratch folder, and the exit statuses must be the same. Runs are capped as in the
// interpreter target; a run stopped by the matcher step cap is not compared, since skipped scan
// positions are steps the fast run never takes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compare_runs.h"
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vantel::RunSettings settings;
    settings.caps = fuzz::FuzzCaps();
    const fuzz::Comparison comparison = fuzz::CompareCompiledWithWalked(text, settings);
    fuzz::Check(comparison.difference == nullptr, comparison.difference);
    return 0;
}
