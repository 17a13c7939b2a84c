// Programmer-defined functions: DEFINE, the function table, calls with the
// run stack that saves and restores parameters, locals and the function
// variable, and the call trace.
#include <array>
#include <string>
#include <vector>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/textfile.h"
#include "executor/calls.h"
#include "executor/code.h"
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
    if (!CallsBuiltIn(name))
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

} // namespace

namespace {

// Writes a call trace line; &FTRACE is above 0.
void TraceCall(const StringItem* name, const char* what, const char* outcome) {
    std::int32_t& ftrace = KeywordValue(KeywordIndex::FTrace);
    --ftrace;
    if (ftrace == 0) KeywordsChanged();
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

} // namespace

void CallBegins(const ActiveCall& call) {
    ExecutorState& ex = Exec();
    if (KeywordValue(KeywordIndex::FTrace) > 0) TraceCall(call.name, " CALL OF ", "");
    if (ex.debugger == nullptr) return;
    ActiveCall& record = ex.calls[static_cast<std::size_t>(ex.callLevel)];
    record = call;
    record.caller = KeywordValue(KeywordIndex::StNo);
    record.invocation = 0;
}

void CallEnds(const StringItem* name) {
    if (KeywordValue(KeywordIndex::FTrace) > 0)
        TraceCall(name, " RETURN OF ", Exec().returned ? " SUCCEEDED." : " FAILED.");
}

namespace {

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

void BindFrameSlowly(const FunctionItem& f, SavedValue* block, Value* args, int from) {
    for (int i = from; i < f.frameSize; ++i) {
        StringItem* variable = f.frame[static_cast<std::size_t>(i)];
        Value* const bound = i <= f.parameterCount ? &args[i - 1] : nullptr;
        if (!Exec().failure && BindPlain(block[i], variable, bound)) continue;
        SavedValue& slot = block[i];
        slot.variable = variable;
        slot.value = variable->value;
        Assign(variable, bound != nullptr ? *bound : Value());
    }
}

void RestoreFrameSlowly(int base) {
    RunStack& stack = Exec().stack;
    const bool fast = FastPaths();
    while (stack.top > base + 1) {
        SavedValue& slot = stack.slots[static_cast<std::size_t>(--stack.top)];
        if (fast && !Exec().failure && RestorePlain(slot)) continue;
        Assign(slot.variable, slot.value);
        slot.value = Value();
    }
}

int FirstEntryStatement(FunctionItem& f) {
    const int entry = FindLabel(f.entryLabel);
    if (FastPaths()) f.entryStatement = entry;
    return entry;
}

} // namespace vantel
