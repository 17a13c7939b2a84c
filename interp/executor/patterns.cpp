// Pattern construction. Every construction makes fresh copies of the nodes
// it combines and never modifies its operands.
#include <utility>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "executor/executor.h"

namespace vantel {

namespace {

bool UsesCharSet(Routine r) {
    return r == Routine::Break || r == Routine::Span || r == Routine::Any || r == Routine::NotAny;
}

int CountOf(const Value& p) {
    return p.pattern() != nullptr ? p.pattern()->count : 0;
}

bool FitsInPattern(int np, int nq) {
    if (np + nq <= kMaxPatternNodes) return true;
    ReportError("TOO MANY NODES IN PATTERN");
    return false;
}

// Moves the links of t's nodes first..last by `shift`: they were copied
// from a table in which they stood `shift` nodes earlier.
void ShiftLinks(PatternTable& t, int first, int last, int shift) {
    for (int i = first; i <= last; ++i) {
        PatternNode& n = t.node(i);
        if (n.subsequent != 0) n.subsequent += shift;
        if (n.alternate != 0) n.alternate += shift;
    }
}

// Links t as the concatenation of its first np nodes and the nq nodes
// copied after them: the first part's ends go on to node np + 1, and the
// second part's links move by np. Every concatenation links this way.
void LinkConcatenation(PatternTable& t, int np, int nq) {
    for (int i = 1; i <= np; ++i)
        if (t.node(i).subsequent == 0) t.node(i).subsequent = np + 1;
    ShiftLinks(t, np + 1, np + nq, np);
}

// Copies the nodes of q to t from node `at` on, as they are.
void CopyNodes(PatternTable& t, const PatternTable& q, int at) {
    for (int i = 1; i <= q.count; ++i)
        t.node(at + i - 1) = q.node(i);
}

} // namespace

Value MakeNodePattern(Routine routine, const Value& argument) {
    PatternTable* t = NewPatternTable(1);
    PatternNode& n = t->node(1);
    n.routine = routine;
    n.argument = argument;
    if (UsesCharSet(routine) && argument.kind() == Kind::String)
        FillCharClass(n, argument.string()->name);
    return Value::Pattern(t);
}

Value MakeArbno(const Value& pattern) {
    PatternTable* t = NewLoopTable(Routine::ArbnoPiece, 0);
    t->node(3).argument = pattern;
    return Value::Pattern(t);
}

Value ToPattern(const Value& v) {
    if (Exec().failure) return Value();
    if (v.kind() == Kind::Pattern) return v;
    const Value text = ToStringValue(v);
    if (Exec().failure) return Value();
    return MakeNodePattern(Routine::String, text);
}

Value ConcatPatterns(const Value& p, const Value& q) {
    if (Exec().failure) return Value();
    const int np = CountOf(p), nq = CountOf(q);
    if (nq == 0) return p;
    if (np == 0) return q;
    if (!FitsInPattern(np, nq)) return Value();
    PatternTable* t = NewPatternTable(np + nq);
    CopyNodes(*t, *p.pattern(), 1);
    CopyNodes(*t, *q.pattern(), np + 1);
    LinkConcatenation(*t, np, nq);
    return Value::Pattern(t);
}

Value ConcatPatternsInto(Value&& p, const Value& q) {
    PatternTable* t = p.pattern();
    const int np = CountOf(p), nq = CountOf(q);
    if (Exec().failure || !FastPaths() || t == nullptr || t->refs != 1 || np == 0 || nq == 0 ||
        np + nq > t->capacity || q.pattern() == t)
        return ConcatPatterns(p, q);
    // Nobody else can see t: q's nodes are added to it, linked as a copy is.
    for (int i = 1; i <= nq; ++i)
        AppendNode(*t, q.pattern()->node(i));
    LinkConcatenation(*t, np, nq);
    return std::move(p);
}

Value AlternatePatterns(const Value& p, const Value& q) {
    if (Exec().failure) return Value();
    const int np = CountOf(p), nq = CountOf(q);
    if (np == 0 || nq == 0) return np == 0 ? q : p;
    if (!FitsInPattern(np, nq)) return Value();
    PatternTable* t = NewPatternTable(np + nq);
    CopyNodes(*t, *p.pattern(), 1);
    CopyNodes(*t, *q.pattern(), np + 1);
    ShiftLinks(*t, np + 1, np + nq, np);
    // Alternates only point forward, so the chain ends within np steps.
    int b = 1;
    for (int steps = 0; t->node(b).alternate != 0 && steps < np; ++steps)
        b = t->node(b).alternate;
    t->node(b).alternate = np + 1;
    return Value::Pattern(t);
}

Value AlternateOperands(const Value& left, const Value& right) {
    const Value p = ToPattern(left);
    const Value q = ToPattern(right);
    return AlternatePatterns(p, q);
}

Value ConcatenateOperands(Value&& left, const Value& right) {
    Value p = left.kind() == Kind::Pattern ? std::move(left) : ToPattern(left);
    const Value q = ToPattern(right);
    return ConcatPatternsInto(std::move(p), q);
}

Value ValueAssignmentPattern(const Value& p, StringItem* variable, bool immediate) {
    if (Exec().failure) return Value();
    const Value pattern = p.IsNull() ? Value() : ToPattern(p);
    if (Exec().failure) return Value();
    // The layout the kept site tables count on: a start node, the
    // pattern's nodes, an end node.
    static_assert(kNodesBeforeAssigned == 1 && kNodesAfterAssigned == 1);
    const int n = CountOf(pattern);
    if (!FitsInPattern(n, kNodesBeforeAssigned + kNodesAfterAssigned)) return Value();
    PatternTable* t = NewPatternTable(n + 2);
    t->node(1).routine = immediate ? Routine::ImmStart : Routine::CondStart;
    if (n > 0) CopyNodes(*t, *pattern.pattern(), 2);
    LinkConcatenation(*t, 1, n);
    LinkConcatenation(*t, n + 1, 1);
    PatternNode& end = t->node(n + 2);
    end.routine = immediate ? Routine::ImmEnd : Routine::CondEnd;
    end.argument = Value::String(variable);
    end.extra = n + 1; // how far back its start node is
    return Value::Pattern(t);
}

} // namespace vantel
