// The run sequence of vantel: from the command line to the exit status.
// Runs in-process and can be repeated: each run has a run object of its own,
// so nothing of one run is seen by the next.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "data/diagnostics.h"
#include "executor/debug_hooks.h"
#include "executor/run_state.h"

namespace vantel {

#ifdef NDEBUG
inline constexpr bool kVerifyCodeByDefault = false;
#else
inline constexpr bool kVerifyCodeByDefault = true; // debug builds check every program's code
#endif

// Someone who follows a run from outside (the debugger), told where the
// run sequence stands.
class RunWatcher {
public:
    // Translation is done; `executes` tells whether execution follows
    // (it does not after translation errors). Called before "Execution
    // begins..." is written.
    virtual void Translated(bool executes) = 0;
    // The run cannot start: vantel's one-line message ("vantel: cannot
    // open NAME"), which standard error gets as well.
    virtual void Refused(std::string_view message) = 0;

protected:
    ~RunWatcher() = default;
};

// What a run is given besides its program: the fast path switch, the work
// caps (see data/fast_paths.h and executor/run_state.h), what the compiler
// does besides compiling, and who follows the run from outside.
struct RunSettings {
    bool fastPaths = true;
    WorkCaps caps;
    // The slot check of each statement's compiled code (see executor/code.h):
    // a breach is written to standard error and aborts the process.
    bool verifyCode = kVerifyCodeByDefault;
    // Every statement's compiled code written to standard error before the
    // run (see executor/code_listing.cpp).
    bool dumpCode = false;
    // A debugger's three views of the run (see data/diagnostics.h,
    // executor/debug_hooks.h and RunWatcher above); none by default.
    RunObserver* observer = nullptr;
    DebugHooks* debugger = nullptr;
    RunWatcher* watcher = nullptr;
};

// The stack an interpreter runs on, reserved whole and committed as it is
// used. The deepest run the fixed limits allow (50 nested calls, as the run
// stack bounds them, each from inside an expression 1000 deep, and a match
// nesting ARBNO 1000 deep at the innermost) takes about 14 MiB in an
// optimised build; the reservation leaves room for unoptimised builds,
// with their larger frames, and sanitised ones (several times as large
// again). Below it, a guard that is never accessible, so that an overflow
// faults there instead of running into other memory.
#if defined(__SANITIZE_ADDRESS__)
#define VANTEL_SANITIZED_STACK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTEL_SANITIZED_STACK 1
#endif
#endif
#ifdef VANTEL_SANITIZED_STACK
inline constexpr std::size_t kInterpreterStackBytes = std::size_t{1} << 30;
#else
inline constexpr std::size_t kInterpreterStackBytes = std::size_t{256} << 20;
#endif
inline constexpr std::size_t kStackGuardBytes = std::size_t{64} << 10;

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
