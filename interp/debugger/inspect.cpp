// What a stop shows: the calls under way, the scopes of a frame and their
// variables, values in the forms DUMP writes them.
#include <cstdio>
#include <string>
#include <utility>

#include "data/pattern_table.h"
#include "data/values.h"
#include "debugger/state.h"
#include "executor/executor.h"

namespace vantel::debugger {

namespace {

std::string Number(std::int64_t n) {
    return std::to_string(n);
}

// The run stack block saved by the call that entered `level` (1..): from
// its base up to the next call's base, or the top.
std::pair<int, int> BlockOf(int level) {
    const ExecutorState& ex = Exec();
    const int from = ex.calls[static_cast<std::size_t>(level - 1)].stackBase;
    const int to =
        level < ex.callLevel ? ex.calls[static_cast<std::size_t>(level)].stackBase : ex.stack.top;
    return {from, to};
}

// The keyword entry of a keyword index, for the type of an alias.
std::string KeywordName(KeywordIndex index) {
    for (int i = 2; i <= StringCount(); ++i) {
        const StringItem* entry = StringAt(i);
        if (entry->value.kind() == Kind::Keyword && entry->value.keyword().index == index &&
            entry->name.starts_with('&'))
            return std::string(entry->name);
    }
    return "a keyword";
}

std::string KeywordText(KeywordIndex index) {
    if (index == KeywordIndex::Alphabet) return Quoted(AlphabetText());
    return IntegerText(KeywordValue(index));
}

} // namespace

VariableInfo Variable(Engine::State& state, std::string name, const Value& v) {
    const Shown shown = Show(v);
    VariableInfo info;
    info.name = std::move(name);
    info.value = shown.value;
    info.type = shown.type;
    info.children = shown.children;
    if (shown.expandable) {
        Reference ref;
        ref.holder = Holder::Nodes;
        ref.pattern = v;
        info.reference = AddReference(state, std::move(ref));
    }
    return info;
}

namespace {

// "F(N = 3, M = 'A')": a call with its parameters as they are now. The
// parameters are the first of the saved block after the function
// variable, as many as the definition has (the whole block when the
// function was defined anew since).
std::string CallName(int level) {
    const ActiveCall& call = Exec().calls[static_cast<std::size_t>(level - 1)];
    const StringItem* name = call.name;
    if (name == nullptr) return "a function";
    const auto [from, to] = BlockOf(level);
    int parameters = to - from - 1;
    if (!CallsBuiltIn(name)) {
        const FunctionItem& f = Exec().functions.entries[static_cast<std::size_t>(name->function)];
        if (f.frameSize == to - from) parameters = f.parameterCount;
    }
    std::string text(name->name);
    text += "(";
    for (int k = 0; k < parameters; ++k) {
        const StringItem* p = Exec().stack.slots[static_cast<std::size_t>(from + 1 + k)].variable;
        if (p == nullptr) continue;
        if (k > 0) text += ", ";
        text += std::string(p->name) + " = " + Show(ValueSeenBy(level, p)).value;
    }
    return text + ")";
}

std::vector<VariableInfo> LocalsOf(Engine::State& state, int level) {
    std::vector<VariableInfo> out;
    if (level < 1 || level > Exec().callLevel) return out;
    const auto [from, to] = BlockOf(level);
    for (int k = from; k < to; ++k) {
        const StringItem* v = Exec().stack.slots[static_cast<std::size_t>(k)].variable;
        if (v != nullptr)
            out.push_back(Variable(state, std::string(v->name), ValueSeenBy(level, v)));
    }
    return out;
}

bool IsKeywordEntry(const StringItem* entry) {
    return entry->value.kind() == Kind::Keyword && entry->name.starts_with('&');
}

// Every variable with a value, in the order DUMP writes them (ARB, the
// first entry, is not shown; nor are the keywords, which have a scope of
// their own).
std::vector<VariableInfo> Globals(Engine::State& state) {
    std::vector<VariableInfo> out;
    for (int i = 2; i <= StringCount(); ++i) {
        const StringItem* entry = StringAt(i);
        if (entry->value.IsNull() || IsKeywordEntry(entry)) continue;
        out.push_back(Variable(state, std::string(entry->name), entry->value));
    }
    return out;
}

std::vector<VariableInfo> Keywords() {
    std::vector<VariableInfo> out;
    for (int i = 2; i <= StringCount(); ++i) {
        const StringItem* entry = StringAt(i);
        if (!IsKeywordEntry(entry)) continue;
        const KeywordRef k = entry->value.keyword();
        VariableInfo info;
        info.name = std::string(entry->name);
        info.value = KeywordText(k.index);
        info.type = k.index == KeywordIndex::Alphabet ? "string" : "integer";
        info.readOnly = k.isProtected;
        out.push_back(std::move(info));
    }
    return out;
}

} // namespace

// ---- Values ------------------------------------------------------------------

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

Shown Show(const Value& v) {
    Shown s;
    switch (v.kind()) {
    case Kind::Null:
        s.value = "\"\"";
        s.type = "null";
        break;
    case Kind::Integer:
        s.value = IntegerText(v.integer());
        s.type = "integer";
        break;
    case Kind::String:
        s.value = Quoted(v.string()->name);
        s.type = "string";
        break;
    case Kind::Pattern:
        s.type = "pattern";
        if (v.pattern() == nullptr || v.pattern()->count == 0) {
            s.value = "PATTERN Nil Pattern.";
        } else {
            const int count = v.pattern()->count;
            s.value = "PATTERN (" + Number(count) + (count == 1 ? " node)" : " nodes)");
            s.expandable = true;
            s.children = count;
        }
        break;
    case Kind::Keyword:
        s.value = KeywordText(v.keyword().index);
        s.type = "keyword " + KeywordName(v.keyword().index);
        break;
    case Kind::File:
        s.value = v.file()->input ? "Input file" : "Output file";
        s.type = "file";
        break;
    }
    return s;
}

std::string NodeText(const PatternNode& n) {
    std::string text = RoutineName(n.routine);
    if (n.routine == Routine::NotAny) text += " (NOTANY)";
    const Value& a = n.argument;
    switch (a.kind()) {
    case Kind::Integer:
        text += " " + IntegerText(a.integer());
        break;
    case Kind::String:
        if (n.routine == Routine::ImmEnd || n.routine == Routine::CondEnd ||
            n.routine == Routine::Cursor)
            text += " " + std::string(a.string()->name);
        else
            text += " " + Quoted(a.string()->name);
        break;
    case Kind::Pattern:
        text += a.pattern() != nullptr ? " (a pattern of " + Number(a.pattern()->count) + " nodes)"
                                       : " (the empty pattern)";
        break;
    default:
        if (n.routine == Routine::String) text += " \"\"";
        break;
    }
    return text;
}

// ---- Variables as the calls see them ---------------------------------------------

SavedValue* SlotSeenBy(int level, const StringItem* variable) {
    ExecutorState& ex = Exec();
    for (int j = level + 1; j <= ex.callLevel; ++j) {
        const auto [from, to] = BlockOf(j);
        for (int k = from; k < to; ++k) {
            SavedValue& slot = ex.stack.slots[static_cast<std::size_t>(k)];
            if (slot.variable == variable) return &slot;
        }
    }
    return nullptr;
}

const Value& ValueSeenBy(int level, const StringItem* variable) {
    if (const SavedValue* slot = SlotSeenBy(level, variable)) return slot->value;
    return variable->value;
}

// ---- The engine's views ------------------------------------------------------------

int AddReference(Engine::State& state, Reference reference) {
    state.references.push_back(std::move(reference));
    return static_cast<int>(state.references.size());
}

std::vector<FrameInfo> Engine::StackTrace() {
    std::vector<FrameInfo> frames;
    const ExecutorState& ex = Exec();
    for (int level = ex.callLevel; level >= 0; --level) {
        FrameInfo f;
        f.id = level + 1;
        f.statement = level == ex.callLevel ? KeywordValue(KeywordIndex::StNo)
                                            : ex.calls[static_cast<std::size_t>(level)].caller;
        f.line = LineOf(f.statement);
        f.name = level == 0 ? "main program" : CallName(level);
        frames.push_back(std::move(f));
    }
    return frames;
}

std::vector<ScopeInfo> Engine::Scopes(int frameId) {
    State& s = *state_;
    std::vector<ScopeInfo> scopes;
    const int level = frameId - 1;
    if (level < 0 || level > Exec().callLevel) return scopes;
    if (level == Exec().callLevel && Exec().matchPoint != nullptr) {
        Reference ref;
        ref.holder = Holder::Match;
        scopes.push_back(ScopeInfo{"Match", AddReference(s, std::move(ref)), 0});
    }
    if (level > 0) {
        Reference ref;
        ref.holder = Holder::Locals;
        ref.level = level;
        const auto [from, to] = BlockOf(level);
        scopes.push_back(ScopeInfo{"Locals", AddReference(s, std::move(ref)), to - from});
    }
    Reference globals;
    globals.holder = Holder::Globals;
    scopes.push_back(ScopeInfo{"Globals", AddReference(s, std::move(globals)), 0});
    Reference keywords;
    keywords.holder = Holder::Keywords;
    scopes.push_back(ScopeInfo{"Keywords", AddReference(s, std::move(keywords)), kKeywordCount});
    return scopes;
}

std::vector<VariableInfo> Engine::Variables(int reference) {
    State& s = *state_;
    if (reference < 1 || reference > static_cast<int>(s.references.size())) return {};
    // Copied: handing out references may grow the list.
    const Reference ref = s.references[static_cast<std::size_t>(reference - 1)];
    switch (ref.holder) {
    case Holder::Locals:
        return LocalsOf(s, ref.level);
    case Holder::Globals:
        return Globals(s);
    case Holder::Keywords:
        return Keywords();
    case Holder::Nodes:
        return NodeVariables(s, ref);
    default:
        return MatchVariables(s, ref);
    }
}

} // namespace vantel::debugger
