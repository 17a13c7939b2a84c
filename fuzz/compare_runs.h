// One program run twice in-process, compiled with the interpreter's fast
// paths and walked without them (as under VANTEL_PLAIN=1), and the two runs
// compared: listing (timing figures masked), every file left in the scratch
// folder, exit status.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "driver/run.h"

namespace fuzz {

struct RunOutcome {
    int status = 0;
    std::map<std::string, std::string> files; // by name; the listing among them, masked
    std::string listingName;
};

// Runs text as the source file in.sno of the scratch folder, confined to the
// sandbox, with the given settings.
RunOutcome RunSource(std::string_view text, const vantel::RunSettings& settings);

struct Comparison {
    RunOutcome compiled;
    RunOutcome walked;
    // What differs, or null when the runs agree or were not compared (a run
    // stopped by the matcher step cap: the fast paths skip scan positions,
    // so they take fewer steps).
    const char* difference = nullptr;
    const std::string& Listing() const { return compiled.files.at(compiled.listingName); }
};

// Runs text compiled and walked with settings (its fastPaths ignored).
Comparison CompareCompiledWithWalked(std::string_view text, vantel::RunSettings settings);

// The work caps of the fuzz targets: a backtracking match can take
// exponential time by design, and a program can loop.
vantel::WorkCaps FuzzCaps();

} // namespace fuzz
