// Pattern construction. Every construction makes fresh copies of the nodes
// it combines and never modifies its operands.
#include <utility>
#include <vector>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "executor/executor.h"

namespace vantel {

void CharSet::Fill(std::string_view chars) {
    bits_.fill(0);
    for (char c : chars) {
        const auto u = static_cast<unsigned char>(c);
        bits_[u >> 6] |= std::uint64_t{1} << (u & 63);
    }
}

namespace {

// Storage of freed tables, kept by size class for reuse: patterns are made
// and dropped per statement. A few blocks per class are kept, so the memory
// held stays small; plain arrays, so that nothing here is destroyed at exit
// before the last pattern is released.
constexpr int kSizeClasses = 4; // 4, 8, 16 and 32 node slots
constexpr int kKeptPerClass = 32;
struct SpareBlocks {
    void* blocks[kSizeClasses][kKeptPerClass];
    int counts[kSizeClasses];
};
SpareBlocks gSpare{};

int SizeClass(int count) {
    int c = 0;
    while ((4 << c) < count)
        ++c;
    return c;
}

void* TakeBlock(int sizeClass) {
    int& n = gSpare.counts[sizeClass];
    if (n > 0) return gSpare.blocks[sizeClass][--n];
    const auto nodes = static_cast<std::size_t>(4 << sizeClass);
    return ::operator new(sizeof(PatternTable) + nodes * sizeof(PatternNode));
}

void GiveBlock(void* block, int sizeClass) {
    int& n = gSpare.counts[sizeClass];
    if (n < kKeptPerClass)
        gSpare.blocks[sizeClass][n++] = block;
    else
        ::operator delete(block);
}

void DestroyPatternTable(PatternTable* table) {
    const int count = table->count;
    const int sizeClass = SizeClass(table->capacity);
    for (int i = 1; i <= count; ++i)
        table->node(i).~PatternNode();
    table->~PatternTable();
    GiveBlock(table, sizeClass);
}

// Where node `index` of a table lives, for constructing it.
void* NodeSlot(PatternTable* table, int index) {
    return reinterpret_cast<std::byte*>(table) + sizeof(PatternTable) +
           static_cast<std::size_t>(index - 1) * sizeof(PatternNode);
}

} // namespace

PatternTable* NewPatternTable(int count) {
    // Owned by the values that refer to it; freed by ReleasePatternTable.
    const int sizeClass = SizeClass(count);
    auto* table = new (TakeBlock(sizeClass)) PatternTable;
    table->capacity = 4 << sizeClass;
    for (int i = 1; i <= count; ++i)
        new (NodeSlot(table, i)) PatternNode;
    table->count = count;
    return table;
}

namespace {

bool RefersToPatterns(const PatternTable& t) {
    for (int i = 1; i <= t.count; ++i)
        if (t.node(i).argument.kind() == Kind::Pattern) return true;
    return false;
}

// Frees a table and, with a work list, the tables only it referred to: an
// ARBNO chain may be deeper than the stack. The list is local, so that
// freeing still works while the statics are destroyed at exit.
void ReleaseChain(PatternTable* table) {
    std::vector<PatternTable*> work;
    for (PatternTable* t = table;;) {
        for (int i = 1; i <= t->count; ++i) {
            PatternTable* child = t->node(i).argument.DetachPattern();
            if (child != nullptr && --child->refs == 0) work.push_back(child);
        }
        DestroyPatternTable(t);
        if (work.empty()) return;
        t = work.back();
        work.pop_back();
    }
}

} // namespace

void ReleasePatternTable(PatternTable* table) {
    if (table == nullptr || --table->refs > 0) return;
    if (RefersToPatterns(*table))
        ReleaseChain(table);
    else
        DestroyPatternTable(table);
}

const char* RoutineName(Routine routine) {
    switch (routine) {
    case Routine::String:
        return "String";
    case Routine::Length:
        return "Length";
    case Routine::Break:
        return "Break";
    case Routine::Span:
        return "Span";
    case Routine::Any:
        return "Any";
    case Routine::Null:
        return "Null";
    case Routine::ImmStart:
        return "Imm Value start";
    case Routine::ImmEnd:
        return "Imm value end";
    case Routine::CondStart:
        return "Cond val start";
    case Routine::CondEnd:
        return "Cond val end";
    case Routine::ArbPiece:
        return "Arb piece";
    case Routine::Cursor:
        return "@";
    case Routine::Pos:
        return "Pos";
    case Routine::Tab:
        return "Tab";
    case Routine::RPos:
        return "RPOS";
    case Routine::RTab:
        return "RTAB";
    case Routine::ArbnoPiece:
        return "Arbno piece";
    case Routine::NotAny:
        break;
    }
    return "Unknown";
}

namespace {

bool UsesCharSet(Routine r) {
    return r == Routine::Break || r == Routine::Span || r == Routine::Any || r == Routine::NotAny;
}

void SetNode(PatternNode& n, Routine routine, int subsequent, int alternate, int extra) {
    n.routine = routine;
    n.subsequent = subsequent;
    n.alternate = alternate;
    n.extra = extra;
}

// Null (subsequent 2), Null (alternate 3), piece (subsequent 2): matches
// nothing first, and one piece more each time the match backtracks into it.
PatternTable* MakeLoop(Routine piece, int extra) {
    PatternTable* t = NewPatternTable(3);
    SetNode(t->node(1), Routine::Null, 2, 0, extra);
    SetNode(t->node(2), Routine::Null, 0, 3, extra);
    SetNode(t->node(3), piece, 2, 0, extra);
    return t;
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

PatternTable* MakeArbPattern() {
    return MakeLoop(Routine::ArbPiece, -1);
}

Value MakeNodePattern(Routine routine, const Value& argument) {
    PatternTable* t = NewPatternTable(1);
    PatternNode& n = t->node(1);
    n.routine = routine;
    n.argument = argument;
    if (UsesCharSet(routine) && argument.kind() == Kind::String)
        n.set.Fill(argument.string()->name);
    return Value::Pattern(t);
}

Value MakeArbno(const Value& pattern) {
    PatternTable* t = MakeLoop(Routine::ArbnoPiece, 0);
    t->node(3).argument = pattern;
    return Value::Pattern(t);
}

Value ToPattern(const Value& v) {
    if (gExec.failure) return Value();
    if (v.kind() == Kind::Pattern) return v;
    const Value text = ToStringValue(v);
    if (gExec.failure) return Value();
    return MakeNodePattern(Routine::String, text);
}

Value ConcatPatterns(const Value& p, const Value& q) {
    if (gExec.failure) return Value();
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
    if (gExec.failure || !FastPaths() || t == nullptr || t->refs != 1 || np == 0 || nq == 0 ||
        np + nq > t->capacity || q.pattern() == t)
        return ConcatPatterns(p, q);
    // Nobody else can see t: q's nodes are added to it, linked as a copy is.
    for (int i = 1; i <= np; ++i)
        if (t->node(i).subsequent == 0) t->node(i).subsequent = np + 1;
    for (int i = 1; i <= nq; ++i) {
        auto* n = new (NodeSlot(t, np + i)) PatternNode(q.pattern()->node(i));
        if (n->subsequent != 0) n->subsequent += np;
        if (n->alternate != 0) n->alternate += np;
    }
    t->count = np + nq;
    const Routine last = t->node(np + 1).routine;
    if (nq == 1 && (last == Routine::ImmEnd || last == Routine::CondEnd))
        t->node(np + 1).extra = np;
    return std::move(p);
}

Value AlternatePatterns(const Value& p, const Value& q) {
    if (gExec.failure) return Value();
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
    if (gExec.failure) return Value();
    const Routine start = immediate ? Routine::ImmStart : Routine::CondStart;
    const Routine end = immediate ? Routine::ImmEnd : Routine::CondEnd;
    Value body = MakeNodePattern(start, Value());
    if (!p.IsNull()) body = ConcatPatternsInto(std::move(body), ToPattern(p));
    return ConcatPatternsInto(std::move(body), MakeNodePattern(end, Value::String(variable)));
}

} // namespace vantel
