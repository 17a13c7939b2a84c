// Helpers that prepare the interpreter's global tables for a unit test.
#pragma once

#include <string>
#include <vector>

#include "driver/run.h"

namespace vantel::test {

// Resets every table and enters the initial strings, as a translation
// start does, with the error reporter in the given mode. No listing is open.
void FreshTables(bool translating);

// Drops the tables of the last fresh start or translation, so that a run
// of its own (an analysis) can be made.
void DropTables();

// Translates source text (written to a temporary file) into the global
// statement table; returns the listing text.
std::string TranslateText(const std::string& source);

// A path in the tests' temporary folder, where the runs' sources and
// listings are written.
std::string ScratchPath(const std::string& name);

// Runs a whole program and returns its listing with the timing figures
// removed; status receives the exit status.
std::string RunProgram(const std::string& source, int* status = nullptr);
// The same with the given settings (fast paths, work caps).
std::string RunProgramWith(const std::string& source, const RunSettings& settings,
                           int* status = nullptr);

// Two runs of one program in the same process: listings and exit statuses.
struct TwoRuns {
    std::string first, second;
    int firstStatus = -1, secondStatus = -1;
};
TwoRuns RunTwice(const std::string& source);

// Runs a whole program and returns its output lines without their leading
// blank, and the error line if the run stopped on one.
std::vector<std::string> OutputLines(const std::string& source);

} // namespace vantel::test
