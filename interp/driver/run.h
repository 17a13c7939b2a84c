// The run sequence of vantel: from the command line to the exit status.
// Runs in-process and can be repeated: each run has a run object of its own,
// so nothing of one run is seen by the next.
#pragma once

#include <string>

#include "executor/run_state.h"

namespace vantel {

#ifdef NDEBUG
inline constexpr bool kVerifyCodeByDefault = false;
#else
inline constexpr bool kVerifyCodeByDefault = true; // debug builds check every program's code
#endif

// What a run is given besides its program: the fast path switch, the work
// caps (see data/fast_paths.h and executor/run_state.h), and what the
// compiler does besides compiling.
struct RunSettings {
    bool fastPaths = true;
    WorkCaps caps;
    // The slot check of each statement's compiled code (see executor/code.h):
    // a breach is written to standard error and aborts the process.
    bool verifyCode = kVerifyCodeByDefault;
    // Every statement's compiled code written to standard error before the
    // run (see executor/code_listing.cpp).
    bool dumpCode = false;
};

// The settings the environment asks for: VANTEL_PLAIN=1 turns the fast
// paths off, VANTEL_VERIFY_CODE=1 the slot check on, VANTEL_DUMP_CODE=1
// the code listing on.
RunSettings SettingsFromEnvironment();

// Every table of one run, per layer. Constructing it makes them afresh as
// the current run's; destroying it frees them. One run at a time: a run
// object made while another lives throws std::logic_error.
class RunObject {
public:
    explicit RunObject(const RunSettings& settings = {});
    RunObject(const RunObject&) = delete;
    RunObject& operator=(const RunObject&) = delete;
    ~RunObject();
};

// Runs vantel with its arguments (without the program name) and returns the
// exit status.
int RunVantel(int argumentCount, const char* const* arguments, const RunSettings& settings = {});

// The listing file written for a source name: its extension replaced by
// ".lst", or "SNOBOL4.out" when it has none after its first character.
std::string ListingNameFor(const std::string& source);

} // namespace vantel
