#include "driver/run.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/textfile.h"
#include "data/values.h"
#include "executor/code.h"
#include "executor/executor.h"
#include "translator/translation_state.h"

namespace vantel {

std::string ListingNameFor(const std::string& source) {
    const std::size_t dot = source.rfind('.');
    if (dot == std::string::npos || dot == 0) return "SNOBOL4.out";
    return source.substr(0, dot) + ".lst";
}

RunObject::RunObject(const RunSettings& settings)
    : data_(std::make_unique<DataState>()), translation_(std::make_unique<TranslationState>()),
      executor_(std::make_unique<ExecutorState>()), previousData_(gCurrentData),
      previousTranslation_(gCurrentTranslation), previousExecutor_(gCurrentExecutor) {
    data_->fastPaths = settings.fastPaths;
    executor_->caps = settings.caps;
    gCurrentData = data_.get();
    gCurrentTranslation = translation_.get();
    gCurrentExecutor = executor_.get();
}

// The layers go top down, while the data layer is still current: values
// above it release their pattern tables into its storage.
RunObject::~RunObject() {
    executor_.reset();
    translation_.reset();
    data_.reset();
    gCurrentData = previousData_;
    gCurrentTranslation = previousTranslation_;
    gCurrentExecutor = previousExecutor_;
}

namespace {

// With VANTEL_WALKED=1 in the environment, a run ends by saying on standard
// error how many statement executions the compiled code left to the walk
// over the trees (the tests check that none is left).
void ReportWalkedStatements() {
    const char* wanted = std::getenv("VANTEL_WALKED");
    if (wanted == nullptr || std::string_view(wanted) != "1") return;
    std::fprintf(stderr, "vantel: %lld statements walked\n",
                 static_cast<long long>(Exec().compiled.walked));
}

int Fail(const char* what, const std::string& name) {
    std::fprintf(stderr, "vantel: %s %s\n", what, name.c_str());
    return 2;
}

[[noreturn]] void Execute() {
    ListingNewLine();
    ListingLine("Execution begins...");
    // With the fast paths off the statements are walked as trees.
    if (FastPaths()) CompileProgram(TheProgram());
    KeywordsChanged();
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

int RunVantel(int argumentCount, const char* const* arguments, const RunSettings& settings) {
    if (argumentCount != 1) return 0;
    const RunObject run(settings);
    RunInfo().translating = true;
    int status = 0;
    try {
        status = TranslateAndRun(arguments[0]);
    } catch (const RunEnd& end) {
        status = end.status;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vantel: out of memory\n");
        status = 2;
    }
    CloseSource();
    CloseAssociations();
    CloseListing();
    ReportWalkedStatements();
    return status;
}

} // namespace vantel
