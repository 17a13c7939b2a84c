// The matcher: a backtracking interpreter of pattern nodes running one match
// attempt from a given cursor, and the pending conditional assignments.
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "data/diagnostics.h"
#include "executor/executor.h"

namespace vantel {

namespace {

// ---- Pending conditional assignments --------------------------------------------------

// A plain variable's assignment has no effect but its final value, and the
// values recorded here are always strings, so a later pair for the same
// plain variable may overwrite an earlier one as long as no pair with a
// visible effect (output, keyword, file) lies between them. That keeps the
// list small when backtracking records the same assignment many times.
// Past the barrier each plain variable appears at most once, and only the
// variables of the pattern's conditional assignments appear there, so a
// search of that part is short; it keeps nothing outside the list that
// could outlive it.

void AddPending(StringItem* variable, Value value) {
    if (variable == nullptr) return;
    PendingList& p = Exec().pending;
    if (!IsPlainVariable(variable)) {
        p.queue.push_back(PendingAssignment{variable, std::move(value)});
        p.barrier = p.queue.size();
        return;
    }
    for (std::size_t i = FastPaths() ? p.barrier : p.queue.size(); i < p.queue.size(); ++i) {
        if (p.queue[i].variable == variable) {
            p.queue[i].value = std::move(value);
            return;
        }
    }
    p.queue.push_back(PendingAssignment{variable, std::move(value)});
}

// ---- One attempt -------------------------------------------------------------------

using Alternative = MatchAlternative;

[[noreturn]] void StepCapReached() {
    ReportError("MATCH STEP LIMIT EXCEEDED");
    throw RunEnd{0}; // not reached: the report ends the run
}

// The step count reached the next event: the cap, or the debugger's turn.
[[gnu::noinline]] void MatchEvent(const MatchPoint& point) {
    ExecutorState& ex = Exec();
    if (ex.caps.matchSteps != 0 && ex.matchSteps > ex.caps.matchSteps) StepCapReached();
    if (ex.debugger != nullptr && ex.matchSteps >= ex.debugMatchEvent)
        ex.debugger->MatchStep(point);
    MatchEventsChanged();
}

// Counts one node tried, about to be tried at point.
[[gnu::always_inline]] inline void CountStep(const MatchPoint& point) {
    if (++Exec().matchSteps >= Exec().matchEvent) [[unlikely]]
        MatchEvent(point);
}

struct Subject {
    std::string_view text;
    int length;
    const unsigned char* bytes; // text's characters as codes
    unsigned char at(int i) const { return bytes[i]; }
};

// ---- Character classes ----------------------------------------------------------------

// Membership in a class by its table, and, with the fast paths on, by the
// run of codes the class is when it is one: the same answer either way.
struct SetTest {
    const CharSet& set;
    bool operator()(unsigned char ch) const { return set.Contains(ch); }
};
struct RunTest {
    unsigned first;
    unsigned width; // last - first
    bool operator()(unsigned char ch) const { return static_cast<unsigned>(ch) - first <= width; }
};

// Calls rule(test) with the membership test of n's class (a run is valid
// only with the fast paths on).
template <class Rule> [[gnu::always_inline]] inline int WithClass(const PatternNode& n, Rule rule) {
    if (n.run.valid)
        return rule(RunTest{n.run.first, static_cast<unsigned>(n.run.last - n.run.first)});
    return rule(SetTest{n.set});
}

// The first cursor from c on whose character's membership is kMember; the
// subject's length when there is none.
template <bool kMember, class Test>
[[gnu::always_inline]] inline int NextWhere(Test in, const Subject& s, int c) {
    const unsigned char* p = s.bytes + c;
    const unsigned char* const end = s.bytes + s.length;
    while (p < end && in(*p) != kMember)
        ++p;
    return static_cast<int>(p - s.bytes);
}

// Keeps a table alive for the attempt even if an assignment made while
// matching drops the last other reference to it.
class TableHold {
public:
    explicit TableHold(PatternTable* t) : t_(t) { ++t_->refs; }
    ~TableHold() {
        if (t_->refs > 1)
            --t_->refs;
        else
            ReleasePatternTable(t_);
    }
    TableHold(const TableHold&) = delete;
    TableHold& operator=(const TableHold&) = delete;

private:
    PatternTable* t_;
};

Value Matched(std::string_view text, int from, int to) {
    if (to <= from) return Value();
    return InternString(
        text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
}

// The cursor recorded by the start node that belongs to end node b.
int StartCursor(const PatternTable& t, int b, int c) {
    const int start = b - t.node(b).extra;
    if (start < 1 || start > t.count) return c;
    return t.node(start).extra;
}

// What Step returns when the node fails, and when an assignment made by
// the node failed, which ends the whole match.
constexpr int kNoMatch = -1;
constexpr int kStopped = -2;

[[gnu::noinline]] int NestedAttempt(std::string_view text, const PatternNode& n, int c) {
    if (n.argument.kind() != Kind::Pattern) return c; // repeats the empty pattern
    if (Exec().arbnoDepth >= kMaxArbnoNesting) {
        ReportError("PATTERN NESTED TOO DEEPLY");
        return kNoMatch;
    }
    ++Exec().arbnoDepth;
    const int r = MatchAttempt(text, n.argument.pattern(), c);
    --Exec().arbnoDepth;
    if (Exec().failure) {
        Exec().failure = false; // the repetition failed, not the enclosing attempt
        return kNoMatch;
    }
    // A repetition that does not move the cursor counts as failed, so a
    // match can never repeat nothing forever.
    return r == c ? kNoMatch : r;
}

// The cursor after an assignment made at cursor c.
int AfterAssignment(int c) {
    return Exec().failure ? kStopped : c;
}

// The text from the start node's cursor to c, assigned at once ($) or
// recorded for the statement's end (.).
[[gnu::noinline]] int AssignMatched(std::string_view text, const PatternTable& t, int b, int c) {
    const PatternNode& n = t.node(b);
    Value matched = Matched(text, StartCursor(t, b, c), c);
    if (n.routine == Routine::CondEnd) {
        AddPending(n.argument.string(), std::move(matched));
        return c;
    }
    Assign(n.argument.string(), matched);
    return AfterAssignment(c);
}

[[gnu::noinline]] int AssignCursorSlowly(StringItem* variable, int c) {
    Assign(variable, Value::Integer(c));
    return AfterAssignment(c);
}

// @name at cursor c: a plain variable takes the integer in place (unless it
// holds a pattern, which the assignment routine lets go), any other goes
// through the assignment routine.
[[gnu::always_inline]] inline int AssignCursor(StringItem* variable, int c) {
    Value* into = FastPaths() ? DirectTarget(variable) : nullptr;
    if (into != nullptr && into->kind() != Kind::Pattern) {
        into->SetInteger(c);
        return c;
    }
    return AssignCursorSlowly(variable, c);
}

// The number a position node holds; 0 if it holds none.
int IntegerArgument(const PatternNode& n) {
    return n.argument.kind() == Kind::Integer ? n.argument.integer() : 0;
}

// The new cursor after node b matched at cursor c, or kNoMatch or kStopped.
// Only the nodes that assign may stop the match, so the matcher tests the
// failure flag after those alone.
[[gnu::always_inline]] inline int Step(const Subject& s, PatternTable& t, int b, int c) {
    PatternNode& n = t.node(b);
    const int L = s.length;
    switch (n.routine) {
    case Routine::String: {
        if (n.argument.kind() != Kind::String) return c;
        const std::string_view T = n.argument.string()->name;
        const int len = static_cast<int>(T.size());
        if (len > L - c) return kNoMatch;
        return std::memcmp(s.text.data() + c, T.data(), T.size()) == 0 ? c + len : kNoMatch;
    }
    case Routine::Length: {
        const int N = IntegerArgument(n);
        return L - c < N ? kNoMatch : c + N;
    }
    case Routine::Break:
        return WithClass(n, [&](auto in) {
            const int i = NextWhere<true>(in, s, c);
            return i < L ? i : kNoMatch;
        });
    case Routine::Span:
        return WithClass(n, [&](auto in) {
            if (c >= L || !in(s.at(c))) return kNoMatch;
            return NextWhere<false>(in, s, c + 1);
        });
    case Routine::Any:
        return WithClass(n, [&](auto in) { return c < L && in(s.at(c)) ? c + 1 : kNoMatch; });
    case Routine::NotAny:
        return WithClass(n, [&](auto in) { return c < L && !in(s.at(c)) ? c + 1 : kNoMatch; });
    case Routine::Null:
        return c;
    case Routine::ImmStart:
    case Routine::CondStart:
        n.extra = c;
        return c;
    case Routine::ImmEnd:
    case Routine::CondEnd:
        return AssignMatched(s.text, t, b, c);
    case Routine::ArbPiece:
        return c < L ? c + 1 : kNoMatch;
    case Routine::Cursor:
        return AssignCursor(n.argument.string(), c);
    case Routine::Pos: {
        const int N = IntegerArgument(n);
        return c == N ? c : kNoMatch;
    }
    case Routine::Tab: {
        const int N = IntegerArgument(n);
        return (c > N || N > L) ? kNoMatch : N;
    }
    case Routine::RPos: {
        const int N = IntegerArgument(n);
        return L - c == N ? c : kNoMatch;
    }
    case Routine::RTab: {
        const int N = IntegerArgument(n);
        return L - c < N ? kNoMatch : L - N;
    }
    case Routine::ArbnoPiece:
        return NestedAttempt(s.text, n, c);
    }
    return kNoMatch;
}

[[gnu::noinline]] int AlternativesOverflow() {
    ReportError("INTERNAL ERROR, MATCH ALTERNATIVES OVERFLOW");
    Exec().failure = true;
    return 0;
}

// The attempt's loop, with or without counting each node tried (against
// the run's cap, and for a debugger, which `point` tells where the attempt
// is): most runs have neither.
template <bool kCounted> int Attempt(const Subject& s, PatternTable* pattern, int cursor) {
    // Each node's alternative is on the stack at most once at a time.
    std::array<Alternative, kMaxPatternNodes> stack;
    int top = 0;
    int b = 1, c = cursor;
    [[maybe_unused]] MatchPoint* const point = kCounted ? Exec().matchPoint : nullptr;
    if constexpr (kCounted) point->alternatives = stack.data();
    for (;;) {
        if constexpr (kCounted) {
            point->node = b;
            point->cursor = c;
            point->waiting = top;
            CountStep(*point);
        }
        const PatternNode& n = pattern->node(b);
        if (n.alternate != 0) {
            // Never full while each node is on it at most once; should a
            // table break that, the run stops rather than lose a branch.
            if (top == kMaxPatternNodes) return AlternativesOverflow();
            stack[static_cast<std::size_t>(top++)] = {c, n.alternate};
        }
        const int r = Step(s, *pattern, b, c);
        if constexpr (kCounted) {
            if (Exec().watchMatch) [[unlikely]] {
                point->waiting = top;
                Exec().debugger->NodeTried(*point, r);
            }
        }
        if (r >= 0) [[likely]] {
            if (n.subsequent == 0) return r;
            b = n.subsequent;
            c = r;
            continue;
        }
        if (r == kStopped) return 0; // an assignment during the match failed
        if (top == 0) {
            Exec().failure = true;
            return 0;
        }
        const Alternative a = stack[static_cast<std::size_t>(--top)];
        c = a.cursor;
        b = a.node;
    }
}

} // namespace

namespace {

// Links an attempt's point in as the innermost for as long as the attempt
// runs, however it ends.
class PointLink {
public:
    explicit PointLink(MatchPoint& point) : previous_(Exec().matchPoint) {
        point.outer = previous_;
        Exec().matchPoint = &point;
    }
    ~PointLink() { Exec().matchPoint = previous_; }
    PointLink(const PointLink&) = delete;
    PointLink& operator=(const PointLink&) = delete;

private:
    MatchPoint* previous_;
};

// The attempt counting its steps, with its point kept for a debugger, which
// is told of the attempt's start and end while it watches the match.
[[gnu::noinline]] int CountedAttempt(const Subject& s, PatternTable* pattern, int cursor) {
    MatchPoint point;
    point.subject = s.text;
    point.pattern = pattern;
    point.start = cursor;
    point.cursor = cursor;
    const PointLink link(point);
    ExecutorState& ex = Exec();
    if (ex.watchMatch) ex.debugger->AttemptBegins(point);
    const int r = Attempt<true>(s, pattern, cursor);
    // The attempt's stack of alternatives is gone with it, and what it held
    // is of no more use: an attempt that matched drops the rest.
    point.alternatives = nullptr;
    point.waiting = 0;
    if (ex.watchMatch) ex.debugger->AttemptEnded(point, r, ex.failure);
    return r;
}

} // namespace

int MatchAttempt(std::string_view subject, PatternTable* pattern, int cursor) {
    if (Exec().failure) return 0;
    if (pattern == nullptr || pattern->count == 0) return cursor;
    const TableHold hold(pattern);
    const Subject s{subject, static_cast<int>(subject.size()),
                    reinterpret_cast<const unsigned char*>(subject.data())};
    if (Exec().countSteps) [[unlikely]]
        return CountedAttempt(s, pattern, cursor);
    return Attempt<false>(s, pattern, cursor);
}

void MatchEventsChanged() {
    ExecutorState& ex = Exec();
    ex.countSteps = ex.caps.matchSteps != 0 || ex.debugger != nullptr;
    std::int64_t next = INT64_MAX;
    if (ex.caps.matchSteps != 0) next = ex.caps.matchSteps + 1;
    if (ex.debugger != nullptr && ex.debugMatchEvent < next) next = ex.debugMatchEvent;
    // Never behind the count, so that a step is always counted towards it.
    ex.matchEvent = next > ex.matchSteps ? next : ex.matchSteps + 1;
}

void PerformPendingList(PendingList& pending) {
    for (PendingAssignment& p : pending.queue)
        Assign(p.variable, p.value);
    ClearPending();
}

} // namespace vantel
