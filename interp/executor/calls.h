// Calls of defined functions in two halves, inline so that the statement
// cycle makes a call without a function call of its own: EnterFunction
// binds the function variable, parameters and locals on the run stack and
// gives the entry statement; LeaveFunction, once the body has returned,
// restores them and puts the result in place (null with the failure flag
// after FRETURN). CallFunction is the two around running the body. The slow
// halves of each step live in functions.cpp.
#pragma once

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "executor/executor.h"

namespace vantel {

// Saves and binds the frame one slot at a time, reporting "RUN STACK
// OVERFLOW" at the slot that does not fit.
void BindOneByOne(const FunctionItem& f, StringItem* name, Value* args, int count);
// The frame's slots from `from` on, each variable through the assignment
// rules where it is not plain.
void BindFrameSlowly(const FunctionItem& f, SavedValue* block, Value* args, int from);
// The saved values above `base` put back, each through the assignment rules
// where its variable is not plain.
void RestoreFrameSlowly(int base);
// The entry label's statement looked up, and remembered with the fast paths.
int FirstEntryStatement(FunctionItem& f);
// What a call does besides binding and running the body while
// ExecutorState::callEvents is set: the call trace lines while &FTRACE is
// above 0, and the call's record for a debugger (see ExecutorState::calls).
// The call's level is not raised yet when it begins.
void CallBegins(const ActiveCall& call);
void CallEnds(const StringItem* name);

// Saves a plain variable of the frame into its slot and binds it (`bound`
// nullptr: null); false, leaving all as it was, for any other variable.
// No call inside, so the loops over a frame need no registers saved, and
// the failure flag stays as it is: the loops test it once. The run stack's
// slots above its top are always null, as is the variable once its value
// is saved.
[[gnu::always_inline]] inline bool BindPlain(SavedValue& slot, StringItem* variable, Value* bound) {
    if (!IsPlainVariable(variable)) [[unlikely]]
        return false;
    slot.variable = variable;
    slot.value.FillFrom(variable->value);
    if (bound != nullptr) variable->value.FillFrom(*bound);
    return true;
}

// Puts a saved value back into its plain variable; false for any other.
[[gnu::always_inline]] inline bool RestorePlain(SavedValue& slot) {
    if (!IsPlainVariable(slot.variable)) [[unlikely]]
        return false;
    slot.variable->value.TakeFrom(slot.value);
    return true;
}

// The frame when it fits whole: one block of the run stack, the old values
// moved into it and the arguments moved into plain variables.
[[gnu::always_inline]] inline void BindAsBlock(const FunctionItem& f, StringItem* name, Value* args,
                                               int count) {
    ExecutorState& ex = Exec();
    const int size = f.frameSize;
    const int parameters = f.parameterCount;
    StringItem* const* const frame = f.frame.data();
    SavedValue* const block = &ex.stack.slots[static_cast<std::size_t>(ex.stack.top)];
    ex.stack.top += size;
    block[0].variable = name;
    block[0].value.FillFrom(name->value);
    if (count != parameters) [[unlikely]]
        ReportError("WRONG NUMBER OF ARGUMENTS IN CALL");
    int i = 1;
    if (!ex.failure) {
        while (i <= parameters && BindPlain(block[i], frame[i], &args[i - 1]))
            ++i;
        if (i > parameters)
            while (i < size && BindPlain(block[i], frame[i], nullptr))
                ++i;
    }
    if (i < size) [[unlikely]]
        BindFrameSlowly(f, block, args, i);
}

// Puts back the parameters and locals a call saved above `base`, last
// saved first.
[[gnu::always_inline]] inline void RestoreFrame(int base) {
    RunStack& stack = Exec().stack;
    if (FastPaths() && !Exec().failure) {
        int top = stack.top;
        while (top > base + 1 && RestorePlain(stack.slots[static_cast<std::size_t>(top - 1)]))
            --top;
        stack.top = top;
    }
    if (stack.top > base + 1) [[unlikely]]
        RestoreFrameSlowly(base);
}

// The statement a call starts at, found through the labels the first time.
[[gnu::always_inline]] inline int EntryStatement(FunctionItem& f) {
    if (f.entryStatement > 0 && !Exec().failure) [[likely]]
        return f.entryStatement;
    return FirstEntryStatement(f);
}

[[gnu::always_inline]] inline int EnterFunction(StringItem* name, Value* args, int count,
                                                ActiveCall& call) {
    ExecutorState& ex = Exec();
    FunctionItem& f = ex.functions.entries[static_cast<std::size_t>(name->function)];
    // Everything of the definition is read before the body runs, which may
    // define the function anew; the saved slots name their own variables.
    call.name = name;
    call.stackBase = ex.stack.top;
    if (FastPaths() && call.stackBase + f.frameSize <= kRunStackSize) [[likely]]
        BindAsBlock(f, name, args, count);
    else
        BindOneByOne(f, name, args, count);
    if (ex.callEvents) [[unlikely]]
        CallBegins(call);
    ++ex.callLevel;
    call.caller = KeywordValue(KeywordIndex::StNo);
    return EntryStatement(f);
}

[[gnu::always_inline]] inline void LeaveFunction(const ActiveCall& call, Value& result) {
    ExecutorState& ex = Exec();
    StringItem* const name = call.name;
    --ex.callLevel;
    if (ex.callEvents) [[unlikely]]
        CallEnds(name);
    KeywordValue(KeywordIndex::StNo) = call.caller;
    RestoreFrame(call.stackBase);
    if (ex.returned) {
        result.TakeFrom(name->value);
    } else {
        result.SetNull();
        ex.failure = true;
    }
    SavedValue& own = ex.stack.slots[static_cast<std::size_t>(--ex.stack.top)];
    name->value.TakeFrom(own.value); // put back directly, also after FRETURN
}

// A call of a defined function or a primitive, its result put in `result`
// (which may be an argument: they are used up by then); null with the
// failure flag set.
[[gnu::always_inline]] inline void CallFunctionInto(const Expr* call, Value* args, int count,
                                                    Value& result) {
    if (Exec().failure) {
        result.SetNull();
        return;
    }
    StringItem* name = call->entry;
    if (name == nullptr || CallsBuiltIn(name)) {
        result = CallPrimitive(call, args, count);
        return;
    }
    ActiveCall active;
    ExecuteStatements(EnterFunction(name, args, count, active));
    LeaveFunction(active, result);
}

inline Value CallFunction(const Expr* call, Value* args, int count) {
    Value result;
    CallFunctionInto(call, args, count, result);
    return result;
}

} // namespace vantel
