#include "driver/run.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string_view>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/textfile.h"
#include "data/values.h"
#include "executor/code.h"
#include "executor/executor.h"
#include "translator/translation_state.h"

namespace vantel {

namespace {

// Whether NAME=1 is in the environment.
bool Switched(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::string_view(value) == "1";
}

} // namespace

// The three switches read in one pass over the environment (a short run's
// start-up counts too); as with getenv, a name's first entry holds.
RunSettings SettingsFromEnvironment() {
    struct Switch {
        std::string_view name;
        bool seen = false;
        bool on = false;
    };
    std::array<Switch, 3> switches{
        {{"VANTEL_PLAIN="}, {"VANTEL_VERIFY_CODE="}, {"VANTEL_DUMP_CODE="}}};
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if ((*entry)[0] != 'V' || std::strncmp(*entry, "VANTEL_", 7) != 0) continue;
        const std::string_view text = *entry;
        for (Switch& s : switches) {
            if (s.seen || !text.starts_with(s.name)) continue;
            s.seen = true;
            s.on = text.substr(s.name.size()) == "1";
        }
    }
    RunSettings settings;
    settings.fastPaths = !switches[0].on;
    settings.verifyCode = settings.verifyCode || switches[1].on;
    settings.dumpCode = switches[2].on;
    return settings;
}

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
    RunInfo().observer = settings.observer;
    Exec().caps = settings.caps;
    Exec().debugger = settings.debugger;
    Exec().checkCode = settings.verifyCode;
    Exec().listCode = settings.dumpCode;
    MatchEventsChanged();
}

// The layers go top down, while the data layer still lives: values above it
// release their pattern tables into its storage.
RunObject::~RunObject() {
    gExecutorSlot.Destroy();
    gTranslationSlot.Destroy();
    gDataSlot.Destroy();
}

namespace {

// With VANTEL_WALKED=1 in the environment, a run ends by saying on standard
// error how many statement executions the compiled code left to the walk
// over the trees (the tests check that none is left).
void ReportWalkedStatements() {
    if (!Switched("VANTEL_WALKED")) return;
    std::fprintf(stderr, "vantel: %lld statements walked\n",
                 static_cast<long long>(Exec().compiled.walked));
}

// The code listing, once the program is compiled (or why there is none).
void ListCode() {
    if (!Exec().listCode) return;
    if (!Exec().compiled.active) {
        std::fputs("vantel: no code: the fast paths are off, every statement is walked\n", stderr);
        return;
    }
    std::fputs(CodeListing(TheProgram(), Exec().compiled).c_str(), stderr);
}

// A run that cannot start: the message on standard error (and to the
// watcher, if any), status 2.
int Refuse(RunWatcher* watcher, const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    if (watcher != nullptr) watcher->Refused(message);
    return 2;
}

int Fail(RunWatcher* watcher, const char* what, const std::string& name) {
    return Refuse(watcher, std::string("vantel: ") + what + " " + name);
}

[[noreturn]] void Execute() {
    ListingNewLine();
    ListingLine("Execution begins...");
    // With the fast paths off the statements are walked as trees.
    if (FastPaths()) CompileProgram(TheProgram());
    ListCode();
    KeywordsChanged();
    const int start = TheProgram().endLabel != nullptr ? FindLabel(TheProgram().endLabel) : 1;
    ExecuteStatements(start);
    TerminationReport();
}

int TranslateAndRun(const std::string& source, RunWatcher* watcher) {
    if (!OpenSource(source)) return Fail(watcher, "cannot open", source);
    RunInfo().listingName = ListingNameFor(source);
    // Creating the listing over the source would empty the source, and the
    // translator would then read its own listing lines without end.
    if (Source().IsFile(RunInfo().listingName)) {
        CloseSource();
        return Refuse(watcher,
                      "vantel: cannot create " + RunInfo().listingName + ": it is the source file");
    }
    if (!OpenListing(RunInfo().listingName)) {
        CloseSource();
        return Fail(watcher, "cannot create", RunInfo().listingName);
    }
    Translate();
    ListingNewLine();
    RunInfo().translating = false;
    if (watcher != nullptr) watcher->Translated(!RunInfo().errorFlag);
    if (RunInfo().errorFlag) EndRun(0);
    Execute();
}

} // namespace

namespace {

// One run inside its run object: the files are closed however it ends.
int RunWithTables(const char* source, RunWatcher* watcher) {
    RunInfo().translating = true;
    int status = 0;
    try {
        status = TranslateAndRun(source, watcher);
    } catch (const RunEnd& end) {
        status = end.status;
    }
    CloseSource();
    CloseAssociations();
    CloseListing();
    ReportWalkedStatements();
    return status;
}

} // namespace

int RunVantel(int argumentCount, const char* const* arguments, const RunSettings& settings) {
    if (argumentCount != 1) return 0;
    try {
        const RunObject run(settings);
        return RunWithTables(arguments[0], settings.watcher);
    } catch (const std::bad_alloc&) {
        // The run object is gone by now, and with it every file.
        std::fprintf(stderr, "vantel: out of memory\n");
        return 2;
    }
}

} // namespace vantel
