// Shared set-up of the microbenchmarks: fresh interpreter tables, as at the
// start of a run, and whole programs run from a temporary file.
#pragma once

#include <string>

namespace vantel::bench {

// Resets every table and enters the initial strings; execution mode.
void FreshTables();

// Runs a program in-process; returns its exit status. The source and its
// listing live in a temporary folder.
int RunProgram(const std::string& source);

} // namespace vantel::bench
