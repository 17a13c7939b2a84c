// What the executor tells a debugger attached to a run (see interp/debugger/),
// and what it keeps for one: the points where the statement cycle and the
// matcher call out, and the state of the match attempts under way.
//
// Nothing here costs a run without a debugger. The statement cycle calls out
// from CountStatement, which it reaches only when &STCOUNT meets the next
// event (with a debugger attached the next event is every statement); the
// matcher calls out from the variant of its node loop that counts steps,
// which it runs only under a step cap or a debugger.
#pragma once

#include <cstdint>
#include <string_view>

#include "data/pattern_table.h"

namespace vantel {

// An alternative waiting on a match attempt's stack: the node to try and
// the cursor to try it at.
struct MatchAlternative {
    int cursor;
    int node;
};

// One match attempt under way, as the counting node loop keeps it: updated
// before each node is tried. Attempts nest (an ARBNO repetition is an
// attempt of its own), innermost first through `outer`.
struct MatchPoint {
    const MatchPoint* outer = nullptr;
    std::string_view subject;
    PatternTable* pattern = nullptr;
    int start = 0;  // the cursor the attempt started at
    int node = 1;   // the node about to be tried
    int cursor = 0; // where it is tried
    const MatchAlternative* alternatives = nullptr;
    int waiting = 0; // alternatives on the stack, oldest first
};

// What a node gave, as NodeTried reports it besides a new cursor.
inline constexpr int kNodeFailed = -1;
// An assignment made by the node failed, which ends the match.
inline constexpr int kNodeStopped = -2;

class DebugHooks {
public:
    // Statement &STNO is about to run; it is not counted yet.
    virtual void BeforeStatement() = 0;
    // The matcher's step count reached the next match event (see
    // ExecutorState::debugMatchEvent): point.node is about to be tried.
    virtual void MatchStep(const MatchPoint& point) = 0;
    // Only while ExecutorState::watchMatch is set: an attempt begins (at
    // point.start), a node gave a cursor (or kNodeFailed, kNodeStopped),
    // and an attempt ended with its final cursor (0 and `failed` when it
    // did not match).
    virtual void AttemptBegins(const MatchPoint& point) = 0;
    virtual void NodeTried(const MatchPoint& point, int result) = 0;
    virtual void AttemptEnded(const MatchPoint& point, int result, bool failed) = 0;

protected:
    ~DebugHooks() = default;
};

// Recomputes when the matcher next calls out (the step cap, the debugger's
// next match event) and whether it counts steps at all; called when either
// changes.
void MatchEventsChanged();

} // namespace vantel
