// vantel-dap's session: the Debug Adapter Protocol spoken over one stream,
// driving the debug engine (debugger/engine.h) on an interpreter thread of
// its own. A client relies on these names and behaviours:
//
// Requests: initialize, launch, setBreakpoints, setExceptionBreakpoints,
// configurationDone, threads, stackTrace, scopes, variables, setVariable,
// evaluate, exceptionInfo, continue, next, stepIn, stepOut, pause,
// terminate, disconnect. Anything else gets an error response.
//
// launch: "program" (the source; relative to "cwd" when that is given),
// "cwd" (the folder the run happens in, as vantel's current folder),
// "stopOnEntry" (stop before the first statement), "noDebug" (run without
// stopping). The listing is written where vantel writes it, and is
// vantel's listing for the program. The run starts at configurationDone.
// A program that cannot be run gets an error response with vantel's own
// message ("vantel: cannot open NAME").
//
// Events: initialized (once launch has translated the program, so that
// breakpoints set then are bound at once; breakpoints set before it are
// bound then, and a breakpoint event tells), stopped (reason
// "entry", "breakpoint", "step", "pause" or "exception"; "description" is
// a sentence saying what happened, e.g. after a step how the statement
// before ended and which goto it took; for an exception "text" is the
// run-time error's message), output (category "stdout": an OUTPUT line,
// without the blank the listing puts before it; "stderr": an error
// message; "console": any other line of the listing from "Execution
// begins..." on, such as &TRACE and &FTRACE lines and the termination
// report), breakpoint (when breakpoints set before the program was
// translated are bound), exited ("exitCode": &CODE, as vantel's status),
// terminated.
//
// One thread, id 1. Frames: id 1 is the main program ("main program"),
// one more for each call under way, named as the call with its
// parameters' values ("FACT(N = 3)"); line is the statement's first line.
//
// Scopes, in this order: "Match" (only in the top frame of a stop inside
// the matcher), "Locals" (a function's own name variable, parameters and
// locals, as that call sees them), "Globals" (every variable with a value,
// in the order DUMP writes them, shown as DUMP shows them: strings in
// double quotes, patterns expandable into their nodes), "Keywords" (all
// twelve; the protected ones carry the presentation attribute "readOnly").
// The Match scope's variables: "subject" (the subject in double quotes),
// "cursor" (a number), "view" (the subject split at the cursor:
// "AB" ^ "C"), "node" (the node about to be tried: "node 7 String "C"",
// named as the DUMP of a pattern names it, with its argument), "level"
// (0 for the statement's pattern, 1 and up inside ARBNO repetitions),
// "attempt" ("from cursor N"), "last" (what the step before did, in a
// sentence), "alternatives" (expandable: the alternatives waiting, the
// next one to be tried first), "pending" (expandable: the conditional
// assignments waiting for the match to succeed, by variable), "assigned"
// (expandable: the immediate assignments the match made), "pattern"
// (expandable: the pattern's nodes, the one under way marked), "outer"
// (expandable, inside ARBNO only: the attempts this one is nested in).
//
// Exception breakpoints: one filter, "runtime-errors" (on by default): a
// run-time error stops at the failing statement with its message, before
// the termination report; the run then ends as vantel's does.
//
// Steps: "stepIn" goes to the next statement anywhere (into a called
// function), or, in a match or replacement statement, to the matcher's
// first step; inside the matcher it goes to the matcher's next step. With
// "granularity": "instruction" it is the same; with "statement" it goes to
// the next statement and never stops in the matcher. "next" goes to the
// next statement of this call (or a caller, after a RETURN or FRETURN);
// inside the matcher to the next step at the same ARBNO level or above.
// "stepOut" goes to the statement after this call returns; inside the
// matcher it leaves the match, to the statement after it. A stop inside
// the matcher is a stop before a node is tried, or at the end of an
// attempt (matched or failed).
//
// evaluate: in the "repl" context (and any but "hover" and "watch") any
// expression the translator accepts, in the program's state now, with the
// language's side effects: reading INPUT reads a line, a defined function
// runs (its statements count in &STCOUNT), names and literals the program
// never used are entered in the string table. "hover" and "watch" read a
// name or a keyword only and change nothing. setVariable takes an
// expression for the new value and assigns it as the program would
// (OUTPUT writes a line; protected keywords refuse).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dap/protocol.h"
#include "debugger/engine.h"
#include "debugger/interpreter_thread.h"

namespace vantel::dap {

// The exception breakpoint filter's id.
inline constexpr const char* kErrorFilter = "runtime-errors";

class Session final : debugger::Controller {
public:
    // `write` sends one message's body (framing is the caller's); false
    // when the client is gone.
    explicit Session(std::function<bool(std::string_view)> write, RunSettings settings = {});
    // Ends the run, if one is under way, and waits for it.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // A message from the client, and a message that could not be read.
    void Receive(std::string_view body);
    void Problem(const std::string& problem);
    // The client is gone (its input ended, or writing to it failed): the
    // run ends. Waits up to `seconds` for it; false when it did not end.
    bool Close(int seconds);
    // Whether the client said disconnect, or is gone.
    bool Finished() const;

private:
    // ---- debugger::Controller, on the interpreter thread
    void Ready(debugger::Engine& engine, bool executes) override;
    debugger::Resume Stopped(debugger::Engine& engine, const debugger::StopInfo& stop) override;
    debugger::Attention Attend(debugger::Engine& engine) override;
    void Listed(std::string_view line, ListingPart part) override;

    enum class Phase { Idle, Starting, Ready, Running, Stopped, Ended };
    // Work for the interpreter thread, and its answer should the run end
    // before it is done. A job that gives a resume ends a stop.
    struct PostedJob {
        std::function<std::optional<debugger::Resume>(debugger::Engine&)> run;
        std::function<void()> cancel;
    };

    void Send(Json message);
    void Reply(const Request& r, Json body = Json::object());
    void Fail(const Request& r, const std::string& message);
    void Dispatch(const Request& r);

    void Initialize(const Request& r);
    void Launch(const Request& r);
    void SetBreakpoints(const Request& r);
    void SetExceptionBreakpoints(const Request& r);
    void ConfigurationDone(const Request& r);
    void Threads(const Request& r);
    // stackTrace, scopes, variables, setVariable, evaluate, exceptionInfo.
    void Inspect(const Request& r);
    void Step(const Request& r, debugger::Resume resume);
    void Pause(const Request& r);
    void Terminate(const Request& r, bool disconnect);

    std::vector<debugger::BreakpointRequest> RequestedBreakpoints(const Request& r);
    Json BreakpointJson(const debugger::BreakpointState& b) const;
    Json Unverified(const std::vector<debugger::BreakpointRequest>& wantedList,
                    const std::string& why) const;

    // Queues a job while the phase is one of `phases`; false otherwise.
    bool Post(PostedJob job, std::initializer_list<Phase> phases);
    // Runs queued jobs on the interpreter thread, waiting for them when
    // `wait` (until *until turns true, when given): the first resume a job
    // gives, Terminate once the run is asked to end.
    std::optional<debugger::Resume> RunJobs(debugger::Engine& engine, bool wait, const bool* until);
    void WaitForLaunchAnswer();
    bool Ended() const;
    void RunProgram(const std::string& program, bool stopOnEntry);
    int ClientLine(int line) const { return linesStartAt1_ ? line : line - 1; }
    int EngineLine(long long line) const;

    std::function<bool(std::string_view)> write_;
    RunSettings settings_;
    std::mutex writing_;
    long long seq_ = 0;
    bool clientGone_ = false; // under writing_

    // The protocol thread's own.
    bool initialized_ = false;
    bool linesStartAt1_ = true;
    bool noDebug_ = false;
    std::string program_; // the source's absolute path

    // Shared with the interpreter thread, under mutex_.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Phase phase_ = Phase::Idle;
    std::deque<PostedJob> jobs_;
    bool configured_ = false;
    bool pauseAsked_ = false;
    bool endAsked_ = false;
    bool disconnected_ = false;
    bool stopOnErrors_ = true;
    bool launchAnswered_ = false;
    // Breakpoints set before the launch, by canonical source path.
    std::map<std::string, std::vector<debugger::BreakpointRequest>> pendingBreakpoints_;
    int breakpointIds_ = 0;
    std::string refusal_;
    debugger::StopInfo lastStop_;

    std::unique_ptr<debugger::Engine> engine_;
    std::unique_ptr<debugger::InterpreterThread> thread_;
};

} // namespace vantel::dap
