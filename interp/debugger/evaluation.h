// Evaluation in a stopped program's state: expressions of the console, the
// conditions of breakpoints, and new values of variables. Each runs in a
// sandbox that puts the run's control state back afterwards, also when the
// evaluation ends in an error (which the run then never sees).
#pragma once

#include <string>
#include <vector>

#include "data/values.h"
#include "debugger/state.h"
#include "executor/run_state.h"

namespace vantel::debugger {

// While it lives, errors become EvaluationStopped and the statement and
// matcher hooks do not stop; when it goes, the failure and return flags,
// the call level and the run stack, the slots, &STNO, the pending
// assignments and the cursors recorded in the patterns being matched are
// as they were. What the evaluation did to variables, files, the listing
// and the counters stays: that is the language's doing.
class Sandbox {
public:
    explicit Sandbox(Engine::State& state);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

private:
    Engine::State& state_;
    bool wasEvaluating_, wasRunning_;
    bool failure_, returned_, transferFailed_, watchMatch_;
    int callLevel_, slotTop_, stackTop_, arbnoDepth_;
    std::int32_t statement_;
    std::int64_t debugMatchEvent_;
    PendingList pending_;
    std::vector<std::pair<PatternNode*, std::int32_t>> recorded_;
};

// Translates an expression for later evaluations (a condition); nullptr
// with the message when it does not translate. Call inside a sandbox.
const Expr* TranslateInSandbox(const std::string& text, std::string& message);

// Evaluates a translated expression: true with its value when it
// succeeds, false when it fails (`message` empty) or ends in an error
// (`message` set). Call inside a sandbox.
bool EvaluateInSandbox(const Expr* e, Value& value, std::string& message);

// The ids of the breakpoints on `statement` that stop now: each whose
// condition succeeds counts a hit, then its hit condition decides. A
// condition that ends in an error stops, its message in `errors`.
std::vector<int> BreakpointsHit(Engine::State& state, int statement, std::string& errors);

} // namespace vantel::debugger
