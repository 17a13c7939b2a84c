// The engine's own state, shared by its parts: stepping, breakpoints, the
// listing lines on their way to the controller, what the matcher did last,
// and the variable references handed out while stopped.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/limits.h"
#include "data/values.h"
#include "debugger/engine.h"
#include "executor/run_state.h"
#include "translator/internal_form.h"

namespace vantel::debugger {

// Thrown by the engine's error observer while it evaluates something: the
// error's message, and the run goes on as if the evaluation had not been.
struct EvaluationStopped {
    std::string message;
};

// Steps the matcher makes between two looks at the attention flag, when
// nobody steps through the match: a pause reaches a long match quickly, and
// matching stays fast.
inline constexpr std::int64_t kMatchPollSteps = 4096;

// What the run is doing between stops.
enum class Mode : std::uint8_t {
    Run,           // to a breakpoint, a pause, an error or the end
    StepIn,        // the next statement, or the first step of a match
    StepStatement, // the next statement
    StepOver,      // the next statement of the origin's call or a caller
    StepOut,       // the next statement of a caller
    MatchIn,       // the matcher's next step, at any level
    MatchOver,     // the matcher's next step at the origin's level or above
};

// How the statement before the current one (at the same call level) ended,
// as the statement cycle left the failure flag.
struct Before {
    int statement = 0; // 0: none (the program or a call has just begun)
    bool failed = false;
    bool entered = false;  // a call has just begun
    bool returned = false; // a call has just returned to this level
};

struct Breakpoint {
    int id = 0;
    BreakpointRequest wanted;
    int statement = 0; // 0: not bound
    std::string message;
    const Expr* condition = nullptr;
    // The hit condition: stop when `hits` compares so with `count`.
    char comparison = 0; // 0 none, '=', 'G' (>=), '>', '<', 'L' (<=), '%'
    std::int32_t count = 0;
    std::int32_t hits = 0;
};

// What a variables reference stands for, while stopped.
enum class Holder : std::uint8_t {
    Locals, // of the call at `level`
    Globals,
    Keywords,
    Match,        // the match under way
    Alternatives, // of the innermost attempt
    Pending,      // the conditional assignments waiting
    Assigned,     // the immediate assignments the match made
    Outer,        // the attempts the innermost one is nested in
    Nodes,        // of `pattern`, the node under way marked when `point`
};
struct Reference {
    Holder holder = Holder::Globals;
    int level = 0;
    Value pattern;                     // kept alive while stopped
    const MatchPoint* point = nullptr; // Nodes of an attempt under way
};

// A step the matcher made, as the match view tells it.
struct NodeOutcome {
    bool known = false;
    std::string text; // the node, as NodeText names it
    int node = 0;
    int cursor = 0;
    int result = 0; // the new cursor, or kNodeFailed, kNodeStopped
    int level = 0;
};
struct AttemptOutcome {
    bool known = false;
    int start = 0;
    int result = 0;
    bool failed = false;
    int level = 0;
};

struct Engine::State {
    bool executing = false; // translated without errors, running
    bool evaluating = false;
    bool entryPending = false;
    // Running to a breakpoint, with no stop on entry due: the statement
    // hook's quick way out. An evaluation clears it (see Sandbox).
    bool running = true;
    bool stopped = false;
    std::string refusal;

    // Stepping.
    Mode mode = Mode::Run;
    int originLevel = 0;
    std::uint32_t originInvocation = 0;
    int originDepth = 0; // ARBNO level of a match step's origin

    // What the statement hook knows of each call level: the call's number
    // and the statement last started there.
    std::array<std::uint32_t, kMaxCallLevels + 1> invocations{};
    std::array<int, kMaxCallLevels + 1> lastStatement{};
    std::uint32_t invocationsSeen = 0;
    int previousLevel = 0;
    Before before;

    // Breakpoints, and how many are bound to each statement.
    std::vector<Breakpoint> breakpoints;
    std::array<std::uint16_t, kMaxStatements + 1> armed{};
    int nextBreakpointId = 1;

    // The listing line being assembled.
    std::string line;
    ListingPart linePart = ListingPart::Report;
    bool lineStarted = false;
    int messageLine = 0; // of the translation message being written

    // The match under way, as the matcher told it while watched.
    NodeOutcome lastNode;
    AttemptOutcome lastAttempt;
    std::vector<std::pair<std::string, std::string>> assigned; // name, value shown
    bool atAttemptEnd = false; // the stop in the match is at an attempt's end

    // Handed out while stopped; cleared when the run goes on.
    std::vector<Reference> references;
};

// ---- Shared by the engine's parts ------------------------------------------------

// The number of the call under way at `level` (0 for the main program),
// numbering a call the first time it is seen.
std::uint32_t InvocationAt(Engine::State& state, int level);

// How many attempts a match point is nested in (0: the statement's own).
int Depth(const MatchPoint* point);

// The statement a breakpoint on `line` stops at (0 when none), and the
// line a statement starts on.
int StatementForLine(int line);
int LineOf(int statement);

// A value as the variables views show it: DUMP's forms (strings in double
// quotes, patterns by their nodes), control characters escaped.
struct Shown {
    std::string value;
    std::string type;
    bool expandable = false; // a pattern with nodes
    int children = 0;
};
Shown Show(const Value& v);
// Text in double quotes, control characters as \xNN.
std::string Quoted(std::string_view text);
// A pattern node as the DUMP of a pattern names it, with its argument:
// `String "ABC"`, `Length 2`, `Cond val end MIDDLE`.
std::string NodeText(const PatternNode& node);

// The value of a variable as the call at `level` sees it: where a deeper
// call saved the variable, the saved value.
const Value& ValueSeenBy(int level, const StringItem* variable);
// The run stack slot that holds `variable`'s value for `level`, or nullptr
// when its own value is the one.
SavedValue* SlotSeenBy(int level, const StringItem* variable);

// Hands out a variables reference, valid until the run goes on.
int AddReference(Engine::State& state, Reference reference);
// A value as a variable named `name` shows it; a pattern gets a reference
// to its nodes.
VariableInfo Variable(Engine::State& state, std::string name, const Value& v);

// The variables of the match views (Match, Alternatives, Pending,
// Assigned, Outer), while stopped in a match.
std::vector<VariableInfo> MatchVariables(Engine::State& state, const Reference& ref);
// The nodes of a pattern, the node under way marked when `point` is given.
std::vector<VariableInfo> NodeVariables(Engine::State& state, const Reference& ref);
// What the matcher is doing, in a sentence, for a stop in a match: before
// point.node is tried, or as the attempt ends.
std::string MatchStopText(const Engine::State& state, const MatchPoint& point, bool ended);

} // namespace vantel::debugger
