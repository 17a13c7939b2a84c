#include "driver/run.h"

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/textfile.h"
#include "data/values.h"
#include "executor/executor.h"
#include "translator/translation_state.h"

namespace vantel {

std::string ListingNameFor(const std::string& source) {
    const std::size_t dot = source.rfind('.');
    if (dot == std::string::npos || dot == 0) return "SNOBOL4.out";
    return source.substr(0, dot) + ".lst";
}

RunObject::RunObject(const RunSettings& settings) {
    if (gDataSlot.live()) throw std::logic_error("a run is already under way");
    gDataSlot.Construct();
    try {
        gTranslationSlot.Construct();
        gExecutorSlot.Construct();
    } catch (...) {
        if (gTranslationSlot.live()) gTranslationSlot.Destroy();
        gDataSlot.Destroy();
        throw;
    }
    Data().fastPaths = settings.fastPaths;
    Exec().caps = settings.caps;
}

// The layers go top down, while the data layer still lives: values above it
// release their pattern tables into its storage.
RunObject::~RunObject() {
    gExecutorSlot.Destroy();
    gTranslationSlot.Destroy();
    gDataSlot.Destroy();
}

namespace {

int Fail(const char* what, const std::string& name) {
    std::fprintf(stderr, "vantel: %s %s\n", what, name.c_str());
    return 2;
}

[[noreturn]] void Execute() {
    ListingNewLine();
    ListingLine("Execution begins...");
    if (FastPaths()) MarkIntegerSteps(TheProgram());
    const int start = TheProgram().endLabel != nullptr ? FindLabel(TheProgram().endLabel) : 1;
    ExecuteStatements(start);
    TerminationReport();
}

int TranslateAndRun(const std::string& source) {
    if (!OpenSource(source)) return Fail("cannot open", source);
    RunInfo().listingName = ListingNameFor(source);
    if (!OpenListing(RunInfo().listingName)) {
        CloseSource();
        return Fail("cannot create", RunInfo().listingName);
    }
    Translate();
    ListingNewLine();
    RunInfo().translating = false;
    if (RunInfo().errorFlag) EndRun(0);
    Execute();
}

} // namespace

namespace {

// One run inside its run object: the files are closed however it ends.
int RunWithTables(const char* source) {
    RunInfo().translating = true;
    int status = 0;
    try {
        status = TranslateAndRun(source);
    } catch (const RunEnd& end) {
        status = end.status;
    }
    CloseSource();
    CloseAssociations();
    CloseListing();
    return status;
}

} // namespace

int RunVantel(int argumentCount, const char* const* arguments, const RunSettings& settings) {
    if (argumentCount != 1) return 0;
    try {
        const RunObject run(settings);
        return RunWithTables(arguments[0]);
    } catch (const std::bad_alloc&) {
        // The run object is gone by now, and with it every file.
        std::fprintf(stderr, "vantel: out of memory\n");
        return 2;
    }
}

} // namespace vantel
