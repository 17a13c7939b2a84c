// Programmer-defined functions: DEFINE, the function table, calls with the
// run stack that saves and restores parameters, locals and the function
// variable, and the call trace.
#include <array>
#include <string>
#include <vector>

#include "data/diagnostics.h"
#include "data/textfile.h"
#include "executor/executor.h"

namespace vantel {

namespace {

void Push(const Value& v) {
    if (gExec.stack.top == kRunStackSize) {
        ReportError("RUN STACK OVERFLOW");
        return;
    }
    gExec.stack.slots[static_cast<std::size_t>(gExec.stack.top++)] = v;
}

Value Pop() {
    if (gExec.stack.top == 0) {
        ReportError("RETURN:=LEVEL 0");
        return Value();
    }
    return std::move(gExec.stack.slots[static_cast<std::size_t>(--gExec.stack.top)]);
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
        return &gExec.functions.entries[static_cast<std::size_t>(name->function)];
    if (gExec.functions.count == kMaxFunctions) {
        ReportError("FUNCTION TABLE OVERFLOW");
        return nullptr;
    }
    name->function = static_cast<std::int8_t>(gExec.functions.count);
    FunctionItem* f = &gExec.functions.entries[static_cast<std::size_t>(gExec.functions.count++)];
    f->name = name;
    return f;
}

void TraceCall(const FunctionItem& f, const char* what, const char* outcome) {
    std::int32_t& ftrace = KeywordValue(KeywordIndex::FTrace);
    if (ftrace <= 0) return;
    --ftrace;
    ListingLine(" STATEMENT " + std::to_string(KeywordValue(KeywordIndex::StNo)) + ": LEVEL " +
                std::to_string(gExec.callLevel) + what + std::string(f.name->name) + outcome);
}

} // namespace

void Define(const Value& prototypeValue, const Value& labelValue) {
    if (prototypeValue.IsNull()) {
        ReportError("NULL PROTOTYPE");
        return;
    }
    const Value prototypeText = ToStringValue(prototypeValue);
    const Value label = ToStringValue(labelValue);
    if (gExec.failure) return;
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
    *f = parsed;
}

Value CallFunction(const Expr* call, Value* args, int count) {
    if (gExec.failure) return Value();
    StringItem* name = call->entry;
    if (name == nullptr || name->function < 0) return CallPrimitive(call, args, count);
    const FunctionItem f = gExec.functions.entries[static_cast<std::size_t>(name->function)];

    Push(name->value);
    name->value = Value();
    if (count != f.parameterCount) ReportError("WRONG NUMBER OF ARGUMENTS IN CALL");
    for (int i = 0; i < f.parameterCount; ++i) {
        StringItem* parameter = f.parameters[static_cast<std::size_t>(i)];
        Push(parameter->value);
        Assign(parameter, args[i]);
    }
    for (int i = 0; i < f.localCount; ++i) {
        StringItem* local = f.locals[static_cast<std::size_t>(i)];
        Push(local->value);
        Assign(local, Value());
    }
    TraceCall(f, " CALL OF ", "");

    ++gExec.callLevel;
    const std::int32_t caller = KeywordValue(KeywordIndex::StNo);
    ExecuteStatements(FindLabel(f.entryLabel));
    --gExec.callLevel;
    TraceCall(f, " RETURN OF ", gExec.returned ? " SUCCEEDED." : " FAILED.");
    KeywordValue(KeywordIndex::StNo) = caller;

    for (int i = f.localCount - 1; i >= 0; --i)
        Assign(f.locals[static_cast<std::size_t>(i)], Pop());
    for (int i = f.parameterCount - 1; i >= 0; --i)
        Assign(f.parameters[static_cast<std::size_t>(i)], Pop());
    Value result;
    if (gExec.returned)
        result = name->value;
    else
        gExec.failure = true;
    name->value = Pop(); // put back directly, also after FRETURN
    return result;
}

} // namespace vantel
