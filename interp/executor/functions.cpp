// Programmer-defined functions: DEFINE, the function table, calls with the
// run stack that saves and restores parameters, locals and the function
// variable, and the call trace.
#include <array>
#include <string>
#include <vector>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/textfile.h"
#include "executor/executor.h"

namespace vantel {

namespace {

// Saves a variable's value on the run stack; with `clear` the variable is
// left without a value.
void Save(StringItem* variable, bool clear) {
    RunStack& s = Exec().stack;
    if (s.top == kRunStackSize) {
        ReportError("RUN STACK OVERFLOW");
        return;
    }
    SavedValue& slot = s.slots[static_cast<std::size_t>(s.top++)];
    slot.variable = variable;
    if (clear)
        slot.value = std::move(variable->value);
    else
        slot.value = variable->value;
}

SavedValue& Top() {
    return Exec().stack.slots[static_cast<std::size_t>(Exec().stack.top - 1)];
}

// An assignment of a value nobody else needs: with the fast paths on, a
// plain variable takes it without a copy.
void AssignMoved(StringItem* variable, Value& x) {
    if (FastPaths() && !Exec().failure && IsPlainVariable(variable))
        variable->value = std::move(x);
    else
        Assign(variable, x);
}

// ---- Prototypes --------------------------------------------------------------------

bool IsValidName(std::string_view name) {
    if (name.empty() || name[0] < 'A' || name[0] > 'Z') return false;
    for (char c : name.substr(1))
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.')) return false;
    return true;
}

void IllegalPrototype() {
    ReportError("ILLEGAL PROTOTYPE");
}

// Splits a comma-separated list of names into slots; false after an error.
template <std::size_t N>
bool ParseNameList(std::string_view list, std::array<StringItem*, N>& slots, int& count) {
    count = 0;
    if (list.empty()) return true;
    for (;;) {
        const std::size_t comma = list.find(',');
        const std::string_view piece = list.substr(0, comma);
        if (count == static_cast<int>(N)) {
            ReportError("TOO MANY PARAMETERS OR LOCALS IN PROTOTYPE");
            return false;
        }
        if (!IsValidName(piece)) {
            IllegalPrototype();
            return false;
        }
        slots[static_cast<std::size_t>(count++)] = LookupOrEnter(piece);
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

FunctionItem* SlotFor(StringItem* name) {
    if (name->function >= 0)
        return &Exec().functions.entries[static_cast<std::size_t>(name->function)];
    if (Exec().functions.count == kMaxFunctions) {
        ReportError("FUNCTION TABLE OVERFLOW");
        return nullptr;
    }
    name->function = static_cast<std::int8_t>(Exec().functions.count);
    FunctionItem* f = &Exec().functions.entries[static_cast<std::size_t>(Exec().functions.count++)];
    f->name = name;
    return f;
}

// Writes a call trace line; &FTRACE is above 0.
void TraceCall(const StringItem* name, const char* what, const char* outcome) {
    std::int32_t& ftrace = KeywordValue(KeywordIndex::FTrace);
    --ftrace;
    char statement[16], level[16];
    std::string line = " STATEMENT ";
    line += FormatInteger(KeywordValue(KeywordIndex::StNo), statement);
    line += ": LEVEL ";
    line += FormatInteger(Exec().callLevel, level);
    line += what;
    line += name->name;
    line += outcome;
    ListingLine(line);
}

void LayOutFrame(FunctionItem& f) {
    f.frameSize = 0;
    f.frame[static_cast<std::size_t>(f.frameSize++)] = f.name;
    for (int i = 0; i < f.parameterCount; ++i)
        f.frame[static_cast<std::size_t>(f.frameSize++)] =
            f.parameters[static_cast<std::size_t>(i)];
    for (int i = 0; i < f.localCount; ++i)
        f.frame[static_cast<std::size_t>(f.frameSize++)] = f.locals[static_cast<std::size_t>(i)];
}

} // namespace

void Define(const Value& prototypeValue, const Value& labelValue) {
    if (prototypeValue.IsNull()) {
        ReportError("NULL PROTOTYPE");
        return;
    }
    const Value prototypeText = ToStringValue(prototypeValue);
    const Value label = ToStringValue(labelValue);
    if (Exec().failure) return;
    if (label.IsNull()) {
        ReportError("NULL ENTRY LABEL");
        return;
    }
    const std::string_view p = ToText(prototypeText);
    const std::size_t open = p.rfind('(');
    if (open == std::string_view::npos || open == 0 || !IsValidName(p.substr(0, open))) {
        IllegalPrototype();
        return;
    }
    StringItem* name = LookupOrEnter(p.substr(0, open));
    const std::size_t close = p.rfind(')');
    if (name == nullptr || close == std::string_view::npos || close < open) {
        if (name != nullptr) IllegalPrototype();
        return;
    }
    FunctionItem parsed;
    if (!ParseNameList(p.substr(open + 1, close - open - 1), parsed.parameters,
                       parsed.parameterCount) ||
        !ParseNameList(p.substr(close + 1), parsed.locals, parsed.localCount))
        return;
    FunctionItem* f = SlotFor(name);
    if (f == nullptr) return;
    parsed.name = name;
    parsed.entryLabel = label.string();
    LayOutFrame(parsed);
    *f = parsed;
}

namespace {

// Saves the function variable, parameters and locals one by one and binds
// them, reporting "RUN STACK OVERFLOW" at the slot that does not fit.
void BindOneByOne(const FunctionItem& f, StringItem* name, Value* args, int count) {
    Save(name, true);
    name->value = Value();
    if (count != f.parameterCount) ReportError("WRONG NUMBER OF ARGUMENTS IN CALL");
    for (int i = 1; i < f.frameSize; ++i) {
        StringItem* variable = f.frame[static_cast<std::size_t>(i)];
        Save(variable, false);
        if (i <= f.parameterCount)
            AssignMoved(variable, args[i - 1]);
        else
            Assign(variable, Value());
    }
}

// The same when the whole frame fits: one block of the run stack, the old
// values moved into it and the arguments moved into plain variables; any
// other variable is bound through the assignment rules.
void BindAsBlock(const FunctionItem& f, StringItem* name, Value* args, int count) {
    ExecutorState& ex = Exec();
    const int size = f.frameSize;
    const int parameters = f.parameterCount;
    StringItem* const* const frame = f.frame.data();
    SavedValue* const block = &ex.stack.slots[static_cast<std::size_t>(ex.stack.top)];
    ex.stack.top += size;
    block[0].variable = name;
    block[0].value = std::move(name->value);
    if (count != parameters) ReportError("WRONG NUMBER OF ARGUMENTS IN CALL");
    for (int i = 1; i < size; ++i) {
        StringItem* variable = frame[i];
        SavedValue& slot = block[i];
        slot.variable = variable;
        Value* const bound = i <= parameters ? &args[i - 1] : nullptr;
        if (!ex.failure && IsPlainVariable(variable)) {
            slot.value = std::move(variable->value);
            variable->value = bound != nullptr ? std::move(*bound) : Value();
            continue;
        }
        slot.value = variable->value;
        Assign(variable, bound != nullptr ? *bound : Value());
    }
}

// Puts back the parameters and locals a call saved above `base`, last
// saved first, through the assignment rules.
void RestoreFrame(int base) {
    ExecutorState& ex = Exec();
    RunStack& stack = ex.stack;
    const bool fast = FastPaths();
    while (stack.top > base + 1) {
        SavedValue& slot = stack.slots[static_cast<std::size_t>(--stack.top)];
        if (fast && !ex.failure && IsPlainVariable(slot.variable)) {
            slot.variable->value = std::move(slot.value);
            continue;
        }
        Assign(slot.variable, slot.value);
        slot.value = Value();
    }
}

// The statement a call starts at, found through the labels the first time.
int EntryStatement(FunctionItem& f) {
    if (f.entryStatement > 0 && !Exec().failure) return f.entryStatement;
    const int entry = FindLabel(f.entryLabel);
    if (FastPaths()) f.entryStatement = entry;
    return entry;
}

} // namespace

Value CallFunction(const Expr* call, Value* args, int count) {
    ExecutorState& ex = Exec();
    if (ex.failure) return Value();
    StringItem* name = call->entry;
    if (name == nullptr || name->function < 0) return CallPrimitive(call, args, count);
    FunctionItem& f = ex.functions.entries[static_cast<std::size_t>(name->function)];
    // Everything of the definition is read before the body runs, which may
    // define the function anew; the saved slots name their own variables.
    const int base = ex.stack.top;
    if (FastPaths() && base + f.frameSize <= kRunStackSize)
        BindAsBlock(f, name, args, count);
    else
        BindOneByOne(f, name, args, count);
    const int entry = EntryStatement(f);
    const std::int32_t& ftrace = KeywordValue(KeywordIndex::FTrace);
    std::int32_t& number = KeywordValue(KeywordIndex::StNo);
    if (ftrace > 0) TraceCall(name, " CALL OF ", "");

    ++ex.callLevel;
    const std::int32_t caller = number;
    ExecuteStatements(entry);
    --ex.callLevel;
    if (ftrace > 0) TraceCall(name, " RETURN OF ", ex.returned ? " SUCCEEDED." : " FAILED.");
    number = caller;

    RestoreFrame(base);
    Value result;
    if (ex.returned)
        result = name->value;
    else
        ex.failure = true;
    SavedValue& own = Top();
    --ex.stack.top;
    name->value = std::move(own.value); // put back directly, also after FRETURN
    return result;
}

} // namespace vantel
