// Everything vantel writes to report on a run: the one error reporter, the
// termination report that ends every executed run, and the dump of variables.
#pragma once

#include <string>
#include <string_view>

namespace vantel {

// Thrown to end a run: the driver catches it and the process exits with
// `status`. Every file has been closed by then.
struct RunEnd {
    int status;
};

// What the reporters know of the current run.
struct RunState {
    bool translating = false;
    // While translating, each message goes here when it is set, instead of
    // to the listing: the translator places it in the source and hands it
    // to its sink (of which the listing is one).
    void (*translationMessage)(std::string_view message) = nullptr;
    bool errorFlag = false;
    int errorCount = 0;
    bool debug = false; // set by the DEBUG control card
    double startTime = 0;
    std::string listingName;
};
// The current run's information (kept with the data layer's state).
RunState& RunInfo();

// Writes two empty lines and "--- message ---" (while translating, through
// the translator's route when one is set). While translating it counts
// the error and returns; while executing it names the statement and ends the
// run through the termination report.
void ReportError(std::string_view message);
// Writes a message into the listing as ReportError does, nothing else.
void ListMessage(std::string_view message);

// Writes the closing lines of an executed run, closes every file and ends the
// run with &CODE, or 0 after an error.
[[noreturn]] void TerminationReport();

// Ends the run with a status after closing the files (no report).
[[noreturn]] void EndRun(int status);

void DumpVariables();

} // namespace vantel
