// The match under way as a learner sees it: the subject with the cursor,
// the node tried (named as the DUMP of a pattern names it), the
// alternatives waiting, the conditional assignments pending and the
// immediate ones made, the ARBNO levels, and in a sentence what the last
// step did.
#include <string>
#include <utility>

#include "data/pattern_table.h"
#include "debugger/state.h"
#include "executor/executor.h"

namespace vantel::debugger {

namespace {

std::string Number(int n) {
    return std::to_string(n);
}

std::string NodeAt(const PatternTable& t, int node) {
    if (node < 1 || node > t.count) return "node " + Number(node);
    return "node " + Number(node) + " " + NodeText(t.node(node));
}

std::string LevelText(int level) {
    return level == 0 ? "" : " (ARBNO repetition, level " + Number(level) + ")";
}

// The subject split at the cursor: "AB" ^ "C".
std::string View(const MatchPoint& p, int cursor) {
    const auto at = static_cast<std::size_t>(cursor);
    return Quoted(p.subject.substr(0, at)) + " ^ " + Quoted(p.subject.substr(at));
}

VariableInfo Plain(std::string name, std::string value, std::string type = "") {
    VariableInfo v;
    v.name = std::move(name);
    v.value = std::move(value);
    v.type = std::move(type);
    v.readOnly = true;
    return v;
}

VariableInfo Holding(Engine::State& state, std::string name, std::string value, Holder holder,
                     int children, const Value& pattern = Value(),
                     const MatchPoint* point = nullptr) {
    VariableInfo v = Plain(std::move(name), std::move(value));
    v.children = children;
    if (children > 0) {
        Reference ref;
        ref.holder = holder;
        ref.pattern = pattern;
        ref.point = point;
        v.reference = AddReference(state, std::move(ref));
    }
    return v;
}

// What the step before did: a node tried at this level, or a repetition
// (an attempt nested in this one) that ended.
std::string LastStep(const Engine::State& s, const MatchPoint& p) {
    const AttemptOutcome& attempt = s.lastAttempt;
    if (attempt.known && attempt.level > Depth(&p)) {
        if (attempt.failed) return "The ARBNO repetition found no match, so its piece fails.";
        return "The ARBNO repetition matched up to cursor " + Number(attempt.result) + ".";
    }
    const NodeOutcome& last = s.lastNode;
    if (!last.known) return "";
    const std::string text = "Node " + Number(last.node) + " " + last.text;
    if (last.result == kNodeStopped) return text + " could not make its assignment.";
    if (last.result < 0) return text + " failed at cursor " + Number(last.cursor) + ".";
    if (last.result == last.cursor)
        return text + " matched at cursor " + Number(last.cursor) + ", the cursor staying there.";
    return text + " matched at cursor " + Number(last.cursor) + ", the cursor moving to " +
           Number(last.result) + ".";
}

// The alternatives waiting, newest first (the next backtrack takes the
// first). Before a node is tried, its own alternative counts too: trying
// the node puts it on the stack before anything else happens.
std::vector<MatchAlternative> Waiting(const Engine::State& s, const MatchPoint& p) {
    std::vector<MatchAlternative> waiting;
    if (!s.atAttemptEnd && p.node >= 1 && p.node <= p.pattern->count &&
        p.pattern->node(p.node).alternate != 0)
        waiting.push_back({p.cursor, p.pattern->node(p.node).alternate});
    for (int k = p.waiting - 1; k >= 0; --k)
        waiting.push_back(p.alternatives[k]);
    return waiting;
}

std::vector<VariableInfo> Alternatives(const Engine::State& s, const MatchPoint& p) {
    std::vector<VariableInfo> out;
    int n = 0;
    for (const MatchAlternative& a : Waiting(s, p))
        out.push_back(
            Plain(Number(++n), NodeAt(*p.pattern, a.node) + " at cursor " + Number(a.cursor)));
    return out;
}

std::vector<VariableInfo> Pending() {
    std::vector<VariableInfo> out;
    for (const PendingAssignment& a : Exec().pending.queue)
        out.push_back(Plain(a.variable != nullptr ? std::string(a.variable->name) : "?",
                            Show(a.value).value, "string"));
    return out;
}

std::vector<VariableInfo> Outer(const MatchPoint& p) {
    std::vector<VariableInfo> out;
    for (const MatchPoint* o = p.outer; o != nullptr; o = o->outer)
        out.push_back(Plain("level " + Number(Depth(o)),
                            NodeAt(*o->pattern, o->node) + " at cursor " + Number(o->cursor) +
                                ", attempt from cursor " + Number(o->start)));
    return out;
}

std::vector<VariableInfo> MatchOf(Engine::State& s, const MatchPoint& p) {
    std::vector<VariableInfo> out;
    const int level = Depth(&p);
    out.push_back(Plain("subject", Quoted(p.subject), "string"));
    out.push_back(Plain("cursor", Number(p.cursor), "integer"));
    out.push_back(Plain("view", View(p, p.cursor)));
    out.push_back(Plain("node", NodeAt(*p.pattern, p.node)));
    out.push_back(Plain("level", Number(level), "integer"));
    out.push_back(Plain("attempt", "from cursor " + Number(p.start)));
    out.push_back(Plain("last", LastStep(s, p)));
    const int waiting = static_cast<int>(Waiting(s, p).size());
    out.push_back(
        Holding(s, "alternatives", Number(waiting) + " waiting", Holder::Alternatives, waiting));
    const int pending = static_cast<int>(Exec().pending.queue.size());
    out.push_back(
        Holding(s, "pending", Number(pending) + " conditional", Holder::Pending, pending));
    const int assigned = static_cast<int>(s.assigned.size());
    out.push_back(
        Holding(s, "assigned", Number(assigned) + " immediate", Holder::Assigned, assigned));
    out.push_back(Holding(s, "pattern", "PATTERN (" + Number(p.pattern->count) + " nodes)",
                          Holder::Nodes, p.pattern->count, Value(), &p));
    if (level > 0)
        out.push_back(Holding(s, "outer", Number(level) + " levels", Holder::Outer, level));
    return out;
}

} // namespace

std::vector<VariableInfo> MatchVariables(Engine::State& s, const Reference& ref) {
    const MatchPoint* p = Exec().matchPoint;
    if (p == nullptr) return {};
    switch (ref.holder) {
    case Holder::Match:
        return MatchOf(s, *p);
    case Holder::Alternatives:
        return Alternatives(s, *p);
    case Holder::Pending:
        return Pending();
    case Holder::Assigned: {
        std::vector<VariableInfo> out;
        for (const auto& [name, value] : s.assigned)
            out.push_back(Plain(name, value));
        return out;
    }
    case Holder::Outer:
        return Outer(*p);
    default:
        return {};
    }
}

std::vector<VariableInfo> NodeVariables(Engine::State& s, const Reference& ref) {
    const PatternTable* t = ref.point != nullptr ? ref.point->pattern : ref.pattern.pattern();
    std::vector<VariableInfo> out;
    if (t == nullptr) return out;
    for (int i = 1; i <= t->count; ++i) {
        const PatternNode& n = t->node(i);
        std::string value = NodeText(n) + "   subsequent " + Number(n.subsequent) + ", alternate " +
                            Number(n.alternate) + ", extra " + Number(n.extra);
        if (ref.point != nullptr && ref.point->node == i)
            value += "   <- at cursor " + Number(ref.point->cursor);
        const PatternTable* inner = n.argument.pattern();
        if (n.routine == Routine::ArbnoPiece && inner != nullptr && inner->count > 0)
            out.push_back(
                Holding(s, Number(i), std::move(value), Holder::Nodes, inner->count, n.argument));
        else
            out.push_back(Plain(Number(i), std::move(value)));
    }
    return out;
}

std::string MatchStopText(const Engine::State& s, const MatchPoint& p, bool ended) {
    const int level = Depth(&p);
    if (ended) {
        const AttemptOutcome& a = s.lastAttempt;
        std::string text = "The attempt from cursor " + Number(a.start) + LevelText(level);
        if (a.failed) return text + " failed: no alternative is left.";
        text += " matched up to cursor " + Number(a.result) + ".";
        if (level > 0) return text;
        if (a.result == 0) return text + " A match that ends at cursor 0 counts as failed.";
        const std::size_t pending = Exec().pending.queue.size();
        if (pending > 0)
            text += " The statement's match succeeds: its pending assignments (" +
                    Number(static_cast<int>(pending)) + ") are made now, in order.";
        return text;
    }
    std::string text = LastStep(s, p);
    if (s.lastNode.known && s.lastNode.result < 0 && s.lastNode.level == level) {
        text.pop_back(); // the period
        text += ", so the matcher backtracks to the newest alternative waiting. ";
    } else if (!s.lastNode.known || p.node == 1) {
        if (!text.empty()) text += " ";
        text += "An attempt begins at cursor " + Number(p.start) + LevelText(level) + ". ";
    } else if (!text.empty()) {
        text += " ";
    }
    return text + "Next: " + NodeAt(*p.pattern, p.node) + " at cursor " + Number(p.cursor) + ", " +
           View(p, p.cursor) + ".";
}

} // namespace vantel::debugger
