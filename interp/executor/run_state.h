// The executor's state of one run, in one structure: the failure and return
// flags, the call level, remembered labels, the function table and run
// stack, the pending assignments of a match, the matcher's counters, and the
// compiled code with its slots. The run object owns it; constructing it is
// the reset, so a second run starts from exactly what the first one did.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/limits.h"
#include "data/pattern_table.h"
#include "data/run_slot.h"
#include "data/values.h"
#include "data/zeroed_array.h"
#include "executor/code.h"
#include "executor/debug_hooks.h"
#include "translator/internal_form.h"

namespace vantel {

// ---- Programmer-defined functions --------------------------------------------

struct FunctionItem {
    StringItem* name = nullptr;
    StringItem* entryLabel = nullptr;
    std::array<StringItem*, kMaxParameters> parameters{};
    std::array<StringItem*, kMaxLocals> locals{};
    int parameterCount = 0;
    int localCount = 0;
    // The variables a call saves, in order: the function variable, the
    // parameters, the locals. Laid out once, when the function is defined.
    std::array<StringItem*, 1 + kMaxParameters + kMaxLocals> frame{};
    int frameSize = 0;
    // The entry label's statement once a call has found it (fast paths
    // only): labels stay where they are for the whole run.
    int entryStatement = 0;
};

struct FunctionTable {
    std::array<FunctionItem, kMaxFunctions> entries;
    int count = 0;
};
// A value saved by a call with the variable it is put back into, so that a
// call's slots restore themselves whatever happens to the definition.
struct SavedValue {
    StringItem* variable = nullptr;
    Value value;
};
struct RunStack {
    std::array<SavedValue, kRunStackSize> slots;
    int top = 0;
};

// A call of a defined function under way: what its return puts back.
struct ActiveCall {
    StringItem* name = nullptr;
    int stackBase = 0;       // the run stack's top before the call
    std::int32_t caller = 0; // &STNO of the calling statement
    // 0 when the call is made; a debugger numbers the call here when it
    // first sees it, to tell one call from the next at the same level.
    std::uint32_t invocation = 0;
};
// Every call saves at least one run stack slot, so no more calls than
// slots are ever under way.
inline constexpr int kMaxCallLevels = kRunStackSize;

// ---- Pending conditional assignments -------------------------------------------

struct PendingAssignment {
    StringItem* variable;
    Value value;
};

// The pending assignments of the match under way. Every match ends by
// performing them or dropping them, so the list is empty between matches:
// the compiled code relies on that, the evaluator empties it all the same.
struct PendingList {
    std::vector<PendingAssignment> queue;
    std::size_t barrier = 0; // entries before it may have visible effects
};

// Caps on the work of one run, for running untrusted programs in-process
// (the fuzz targets set them; 0, the default, is no cap). Beyond the
// statement cap a run ends as beyond &STLIMIT, whatever &STLIMIT says; beyond
// the match step cap (nodes tried, counted over the run) it ends with
// "MATCH STEP LIMIT EXCEEDED". Given when the run starts.
struct WorkCaps {
    std::int32_t statements = 0;
    std::int64_t matchSteps = 0;
};

// ---- The whole ------------------------------------------------------------------

struct ExecutorState {
    bool failure = false;  // set by any operation that fails
    bool returned = false; // set by RETURN, cleared by FRETURN
    int callLevel = 0;     // 0 in the main program
    // The calls under way, recorded for a debugger: calls[k] is the one
    // made from level k (entries from callLevel on are stale). No more
    // calls are under way than the run stack has slots, since each saves
    // at least one.
    std::array<ActiveCall, kMaxCallLevels> calls{};
    // Whether a call has more to do than bind and run (see CallBegins):
    // &FTRACE above 0, or a debugger attached. Kept by KeywordsChanged.
    bool callEvents = false;
    // The statement found carrying each label, by the label entry's
    // position, remembered by label lookup (0: none yet).
    ZeroedArray<std::int32_t, kStringTableSize + 1> labels;
    FunctionTable functions;
    RunStack stack;
    PendingList pending;         // of the current match statement
    int arbnoDepth = 0;          // nested ARBNO attempts under way
    std::int64_t matchSteps = 0; // nodes tried in this run, counted under a cap
    CompiledProgram compiled;    // the program's code, with its match sites
    // The value and variable slots of the statements under way, one block
    // per level of the statement cycle (at most one per call, and a call
    // saves at least one run stack slot).
    // Made when the program is compiled, `slotBlock` slots a level (the
    // most that one statement of the program uses).
    std::vector<Value> slots;
    ZeroedArray<StringItem*, kSlotLevels * kMaxSlots> variables;
    int slotBlock = 0;
    int lastSlotBase = -1; // the highest level's first slot (slots.size() - slotBlock)
    int slotTop = 0;
    // The statement count up to which the cycle counts without looking at
    // &STLIMIT or the cap (see KeywordsChanged).
    std::int32_t nextEvent = 0;
    WorkCaps caps;
    // The matcher counts its steps under a step cap or a debugger, and calls
    // out (MatchEvent) when the count reaches matchEvent.
    bool countSteps = false;
    std::int64_t matchEvent = 0;
    // A debugger attached to the run (see debug_hooks.h), the step count at
    // which it wants the matcher to call it next, and whether it follows
    // every node and attempt. The innermost attempt under way while steps
    // are counted.
    DebugHooks* debugger = nullptr;
    std::int64_t debugMatchEvent = 0;
    bool watchMatch = false;
    MatchPoint* matchPoint = nullptr;
    // The failure flag as a statement left it, kept where a goto clears the
    // flag before the next statement starts (a computed goto), so that a
    // debugger can tell how the statement ended.
    bool transferFailed = false;
    bool checkCode = false; // the slot check of the compiled code (see code.h)
    bool listCode = false;  // the code listing on standard error
    // Scratch: a text being built to be interned (a replacement's subject,
    // DUPL's result), and the line being read or written by the
    // input and output routines. Nothing is kept in them between uses.
    std::string text;
    std::string line;
};

// The current run's executor state (constructed by the run object).
inline RunSlot<ExecutorState> gExecutorSlot;
inline ExecutorState& Exec() {
    return gExecutorSlot.get();
}

} // namespace vantel
