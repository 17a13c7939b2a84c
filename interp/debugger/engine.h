// The debug engine: runs one program under vantel's own run sequence and
// stops it where its driver asks (breakpoints on source lines with
// conditions and hit counts, steps into, over and out of statements and
// calls, steps through the matcher node by node, pause, run-time errors,
// entry), and shows its state at a stop (the calls under way, variables,
// keywords, the match under way) and evaluates expressions in it.
//
// The engine is single-threaded: it runs on the thread that calls Run (one
// with the interpreter's large stack, see interpreter_thread.h), and all it
// asks of its driver (a Controller) is asked there. Only RequestAttention
// may be called from another thread.
//
// A debugged run is the same run: the listing, the files and the exit
// status are vantel's for the program, however it is stopped or stepped.
// What the user changes (setVariable, an evaluated expression) counts as
// the program's own doing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/diagnostics.h"
#include "driver/run.h"
#include "executor/debug_hooks.h"

namespace vantel::debugger {

enum class StopReason : std::uint8_t { Entry, Breakpoint, Step, Pause, Exception };

// How the run goes on after a stop.
enum class Resume : std::uint8_t {
    Continue,
    StepIn,          // the next statement anywhere, or the matcher's next step
    StepInStatement, // the next statement anywhere, not the matcher's steps
    StepOver,        // the next statement of this call or its caller; in a
                     // match, the next step at this ARBNO level or above
    StepOut,         // the statement after this call returns; in a match, the
                     // statement after the match
    Terminate,       // the run ends here, its listing as far as it got
};

struct StopInfo {
    StopReason reason = StopReason::Step;
    // What happened, in a sentence: where the program stands and, after a
    // step, how the statement before ended ("statement 4 failed and took
    // its F goto").
    std::string description;
    std::string message;          // the error's message (Exception)
    std::vector<int> breakpoints; // the breakpoints hit
    int statement = 0;
    int line = 0;
    bool inMatch = false; // stopped inside the matcher
};

// Asked at each statement (and now and then inside a long match) once
// RequestAttention was called.
enum class Attention : std::uint8_t { None, Pause, Terminate };

// The engine's driver: the protocol server, or a test.
class Controller {
public:
    // The program is translated; `executes` tells whether it runs (it does
    // not after translation errors). Breakpoints may be set now; the run
    // begins when this returns.
    virtual void Ready(class Engine& engine, bool executes) = 0;
    // The program stopped: inspect it through the engine, then say how to
    // go on.
    virtual Resume Stopped(class Engine& engine, const StopInfo& stop) = 0;
    // Attention was requested: do what was asked (breakpoints may be set),
    // and say whether to pause or end the run.
    virtual Attention Attend(class Engine& engine) = 0;
    // A line the run wrote to the listing, without its line end: OUTPUT
    // lines without their leading blank, error messages, and the other
    // lines from "Execution begins..." on (traces, dumps, the termination
    // report). While translating, only the messages.
    virtual void Listed(std::string_view line, ListingPart part) = 0;

protected:
    ~Controller() = default;
};

struct BreakpointRequest {
    int id = 0; // the driver's number for it; 0: the engine numbers it
    int line = 0;
    std::string condition;    // an expression: the stop happens when it succeeds
    std::string hitCondition; // "N" or "== N" (the Nth hit), ">= N", "> N", "< N", "<= N", "% N"
};
struct BreakpointState {
    int id = 0;
    bool verified = false;
    int line = 0; // the line of the statement it stops at
    std::string message;
};

struct FrameInfo {
    int id = 0; // 1 for the main program, one more per call level
    std::string name;
    int statement = 0;
    int line = 0;
};

struct VariableInfo {
    std::string name;
    std::string value;
    std::string type;
    int reference = 0; // > 0: it has children
    bool readOnly = false;
    int children = 0;
};

struct ScopeInfo {
    std::string name; // "Match", "Locals", "Globals", "Keywords"
    int reference = 0;
    int count = 0;
};

// Where an expression is evaluated from: a hover or a watch reads a name
// or keyword only (nothing that could change the run: no line is read,
// no name is entered); the console and anything else evaluates any
// expression the translator accepts, with the language's side effects.
enum class EvaluationContext : std::uint8_t { Console, Hover, Watch };

struct Evaluation {
    bool ok = false;
    std::string value; // or the message
    std::string type;
    int reference = 0;
    int children = 0;
};

class Engine final : RunObserver, DebugHooks, RunWatcher {
public:
    explicit Engine(Controller& controller);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Runs the program to its end, its listing written as vantel writes it:
    // vantel's exit status. When it cannot start, vantel's status 2 and its
    // message in `refusal`. Stops on entry when asked.
    int Run(const std::string& program, RunSettings settings, bool stopOnEntry,
            std::string& refusal);
    // Whether the run was ended by Resume::Terminate or Attention::Terminate.
    bool Terminated() const { return terminated_; }

    // From any thread: the controller's Attend is called at the next
    // statement (or soon inside a match).
    void RequestAttention() { attention_.store(true, std::memory_order_release); }

    // The rest only on the run's thread, from the controller's calls.
    std::vector<BreakpointState> SetBreakpoints(const std::vector<BreakpointRequest>& wantedList);
    void StopOnErrors(bool on) { stopOnErrors_ = on; }
    std::vector<FrameInfo> StackTrace();
    std::vector<ScopeInfo> Scopes(int frameId);
    std::vector<VariableInfo> Variables(int reference);
    // The new value as Variables shows it, or ok false with the message.
    Evaluation SetVariable(int reference, const std::string& name, const std::string& value);
    Evaluation Evaluate(const std::string& text, int frameId, EvaluationContext context);

    struct State; // the stops, steps and breakpoints

private:
    // RunObserver
    void BeforeError(std::string_view message) override;
    void Listed(std::string_view text, ListingPart part) override;
    // DebugHooks
    void BeforeStatement() override;
    void MatchStep(const MatchPoint& point) override;
    void AttemptBegins(const MatchPoint& point) override;
    void NodeTried(const MatchPoint& point, int result) override;
    void AttemptEnded(const MatchPoint& point, int result, bool failed) override;
    // RunWatcher
    void Translated(bool executes) override;
    void Refused(std::string_view message) override;

    // Stops here: tells the controller and takes its resume.
    void StopHere(StopInfo info, const MatchPoint* point);
    void Resumed(Resume resume, const MatchPoint* point);
    // The controller's Attend when attention was asked; true to pause.
    bool Attended();

    Controller& controller_;
    std::atomic<bool> attention_{false};
    bool stopOnErrors_ = true;
    bool terminated_ = false;
    std::unique_ptr<State> state_;
};

} // namespace vantel::debugger
