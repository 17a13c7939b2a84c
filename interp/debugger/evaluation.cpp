// Evaluation in the stopped program's state: the sandbox, the console's
// expressions, the reads of hovers and watches, and new values of
// variables.
#include "debugger/evaluation.h"

#include <string>
#include <utility>

#include "data/values.h"
#include "executor/executor.h"
#include "translator/internal_form.h"

namespace vantel::debugger {

Sandbox::Sandbox(Engine::State& state)
    : state_(state), wasEvaluating_(state.evaluating), wasRunning_(state.running) {
    ExecutorState& ex = Exec();
    state.evaluating = true;
    state.running = false; // the statement hook hears a pause at once
    failure_ = ex.failure;
    returned_ = ex.returned;
    transferFailed_ = ex.transferFailed;
    watchMatch_ = ex.watchMatch;
    callLevel_ = ex.callLevel;
    slotTop_ = ex.slotTop;
    stackTop_ = ex.stack.top;
    arbnoDepth_ = ex.arbnoDepth;
    statement_ = KeywordValue(KeywordIndex::StNo);
    debugMatchEvent_ = ex.debugMatchEvent;
    pending_ = std::move(ex.pending);
    ex.pending = PendingList{};
    // A function the evaluation calls may match the same patterns: the
    // cursors recorded in their start nodes are put back.
    for (const MatchPoint* p = ex.matchPoint; p != nullptr; p = p->outer)
        for (int i = 1; i <= p->pattern->count; ++i) {
            PatternNode& n = p->pattern->node(i);
            if (n.routine == Routine::ImmStart || n.routine == Routine::CondStart)
                recorded_.emplace_back(&n, n.extra);
        }
    ex.failure = false;
    ex.watchMatch = false;
    ex.debugMatchEvent = ex.matchSteps + kMatchPollSteps;
    MatchEventsChanged();
}

// An evaluation that ended in an error may have left calls under way:
// their saved values go back into their variables as they were (no
// assignment rules: this undoes, it does not assign), and their statement
// cycles' slots are emptied.
Sandbox::~Sandbox() {
    ExecutorState& ex = Exec();
    RunStack& stack = ex.stack;
    while (stack.top > stackTop_) {
        SavedValue& slot = stack.slots[static_cast<std::size_t>(--stack.top)];
        if (slot.variable != nullptr) slot.variable->value = std::move(slot.value);
        slot.value = Value();
    }
    for (int k = slotTop_; k < ex.slotTop; ++k)
        ex.slots[static_cast<std::size_t>(k)].SetNull();
    ex.slotTop = slotTop_;
    ex.callLevel = callLevel_;
    KeywordValue(KeywordIndex::StNo) = statement_;
    ex.failure = failure_;
    ex.returned = returned_;
    ex.transferFailed = transferFailed_;
    ex.arbnoDepth = arbnoDepth_;
    ex.pending = std::move(pending_);
    for (const auto& [node, extra] : recorded_)
        node->extra = extra;
    ex.watchMatch = watchMatch_;
    ex.debugMatchEvent = debugMatchEvent_;
    MatchEventsChanged();
    state_.evaluating = wasEvaluating_;
    state_.running = wasRunning_;
}

namespace {

bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return "";
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// A name or a keyword as the hover and watch views take it: an optional
// '&', a letter, then letters, digits and periods (folded to capitals);
// "" when the text is anything else.
std::string NameIn(const std::string& text) {
    const std::string t = Trimmed(text);
    std::size_t i = t.size() > 0 && t[0] == '&' ? 1 : 0;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (i >= t.size() || !letter(t[i])) return "";
    for (std::size_t k = i + 1; k < t.size(); ++k)
        if (!letter(t[k]) && !(t[k] >= '0' && t[k] <= '9') && t[k] != '.') return "";
    return UpperCased(t);
}

Evaluation Failed(std::string message) {
    Evaluation e;
    e.value = std::move(message);
    return e;
}

Evaluation Shows(Engine::State& state, const Value& v) {
    VariableInfo shown = Variable(state, std::string(), v);
    Evaluation e;
    e.ok = true;
    e.value = std::move(shown.value);
    e.type = std::move(shown.type);
    e.children = shown.children;
    e.reference = shown.reference;
    return e;
}

// The call level a frame id names, or -1.
int LevelOfFrame(int frameId) {
    const int level = frameId - 1;
    return level >= 0 && level <= Exec().callLevel ? level : -1;
}

} // namespace

const Expr* TranslateInSandbox(const std::string& text, std::string& message) {
    if (Blank(text)) {
        message = "nothing to evaluate";
        return nullptr;
    }
    try {
        return TranslateExpression(text);
    } catch (const EvaluationStopped& stop) {
        message = Trimmed(stop.message);
        return nullptr;
    }
}

bool EvaluateInSandbox(const Expr* e, Value& value, std::string& message) {
    try {
        Exec().failure = false;
        value = ::vantel::Evaluate(e);
        return !Exec().failure;
    } catch (const EvaluationStopped& stop) {
        message = Trimmed(stop.message);
        value = Value();
        return false;
    }
}

Evaluation Engine::Evaluate(const std::string& text, int frameId, EvaluationContext context) {
    State& s = *state_;
    int level = LevelOfFrame(frameId);
    if (level < 0) level = Exec().callLevel;
    if (context != EvaluationContext::Console) {
        const std::string name = NameIn(text);
        if (name.empty())
            return Failed("A watch or a hover shows a name or a keyword; an expression could "
                          "change the run (a call, a line read), so evaluate it in the console");
        const StringItem* entry = FindString(name);
        if (entry == nullptr) return Shows(s, Value()); // a name nothing has made: null
        return Shows(s, ValueSeenBy(level, entry));
    }
    const Sandbox sandbox(s);
    std::string message;
    const Expr* e = TranslateInSandbox(text, message);
    if (e == nullptr) return Failed(message);
    Value v;
    if (!EvaluateInSandbox(e, v, message)) {
        if (!message.empty()) return Failed(message);
        Evaluation failed;
        failed.ok = true;
        failed.value = "the expression failed";
        failed.type = "failure";
        return failed;
    }
    return Shows(s, v);
}

Evaluation Engine::SetVariable(int reference, const std::string& name, const std::string& text) {
    State& s = *state_;
    if (reference < 1 || reference > static_cast<int>(s.references.size()))
        return Failed("no such variables reference");
    const Reference& ref = s.references[static_cast<std::size_t>(reference - 1)];
    if (ref.holder != Holder::Locals && ref.holder != Holder::Globals &&
        ref.holder != Holder::Keywords)
        return Failed("only variables and keywords can be set");
    StringItem* entry = FindString(name);
    if (entry == nullptr) return Failed("no variable " + name);
    const int level = ref.holder == Holder::Locals ? ref.level : Exec().callLevel;
    const Sandbox sandbox(s);
    std::string message;
    const Expr* e = TranslateInSandbox(text, message);
    if (e == nullptr) return Failed(message);
    Value v;
    if (!EvaluateInSandbox(e, v, message))
        return Failed(message.empty() ? "the new value's expression failed" : message);
    // A caller's variable that a deeper call saved gets the value back
    // when that call returns, as if the caller had assigned it before.
    if (SavedValue* slot = SlotSeenBy(level, entry)) {
        slot->value = v;
    } else {
        try {
            Assign(entry, v);
        } catch (const EvaluationStopped& stop) {
            return Failed(Trimmed(stop.message));
        }
    }
    return Shows(s, ValueSeenBy(level, entry));
}

} // namespace vantel::debugger
