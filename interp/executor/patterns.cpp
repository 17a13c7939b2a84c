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

// Copies q's nodes after the first `shift` slots of t, moving its links.
void CopyShifted(PatternTable* t, const PatternTable& q, int shift) {
    for (int i = 1; i <= q.count; ++i) {
        PatternNode& n = t->node(shift + i);
        n = q.node(i);
        if (n.subsequent != 0) n.subsequent += shift;
        if (n.alternate != 0) n.alternate += shift;
    }
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
    for (int i = 1; i <= np; ++i) {
        PatternNode& n = t->node(i);
        n = p.pattern()->node(i);
        if (n.subsequent == 0) n.subsequent = np + 1;
    }
    CopyShifted(t, *q.pattern(), np);
    const Routine last = t->node(np + 1).routine;
    if (nq == 1 && (last == Routine::ImmEnd || last == Routine::CondEnd))
        t->node(np + 1).extra = np;
    return Value::Pattern(t);
}

Value ConcatPatternsInto(Value&& p, const Value& q) {
    PatternTable* t = p.pattern();
    const int np = CountOf(p), nq = CountOf(q);
    if (Exec().failure || !FastPaths() || t == nullptr || t->refs != 1 || np == 0 || nq == 0 ||
        np + nq > t->capacity || q.pattern() == t)
        return ConcatPatterns(p, q);
    // Nobody else can see t: q's nodes are added to it, linked as a copy is.
    for (int i = 1; i <= np; ++i)
        if (t->node(i).subsequent == 0) t->node(i).subsequent = np + 1;
    for (int i = 1; i <= nq; ++i) {
        PatternNode& n = AppendNode(*t, q.pattern()->node(i));
        if (n.subsequent != 0) n.subsequent += np;
        if (n.alternate != 0) n.alternate += np;
    }
    const Routine last = t->node(np + 1).routine;
    if (nq == 1 && (last == Routine::ImmEnd || last == Routine::CondEnd))
        t->node(np + 1).extra = np;
    return std::move(p);
}

Value AlternatePatterns(const Value& p, const Value& q) {
    if (Exec().failure) return Value();
    const int np = CountOf(p), nq = CountOf(q);
    if (np == 0 || nq == 0) return np == 0 ? q : p;
    if (!FitsInPattern(np, nq)) return Value();
    PatternTable* t = NewPatternTable(np + nq);
    for (int i = 1; i <= np; ++i)
        t->node(i) = p.pattern()->node(i);
    CopyShifted(t, *q.pattern(), np);
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
    const Routine start = immediate ? Routine::ImmStart : Routine::CondStart;
    const Routine end = immediate ? Routine::ImmEnd : Routine::CondEnd;
    Value body = MakeNodePattern(start, Value());
    if (!p.IsNull()) body = ConcatPatternsInto(std::move(body), ToPattern(p));
    return ConcatPatternsInto(std::move(body), MakeNodePattern(end, Value::String(variable)));
}

} // namespace vantel
