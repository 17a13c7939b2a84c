// Running the compiled code: the statement cycle over statement codes and
// the dispatch of their instructions (the instruction set: opcodes.h).
#include <cstdint>
#include <iterator>
#include <utility>

#include "data/diagnostics.h"
#include "executor/calls.h"
#include "executor/code.h"
#include "executor/executor.h"
#include "executor/integer_steps.h"
#include "executor/operators.h"

namespace vantel {

namespace {

// The slots of one level of the statement cycle.
struct Frame {
    Value* values;
    StringItem** variables;
};

// The variable of an instruction; most are names known before the run.
[[gnu::always_inline]] inline StringItem* VariableIn(const VariableOperand& v, const Frame& f) {
    if (v.computed) [[unlikely]]
        return f.variables[v.slot];
    return v.entry;
}

// An operand's value; a name that reads when used is read into `scratch`.
[[gnu::always_inline]] inline const Value& Fetch(const Operand& o, const Frame& f, Value& scratch) {
    if (o.source == From::Slot) return f.values[o.slot];
    if (o.source == From::InPlace || !ReadsOnUse(o.name)) return *o.value;
    scratch = ReadName(o.name);
    return scratch;
}

// Where an operand's value is, unread: names in place are never INPUT, and
// a name holding a file (see ReadsOnUse) holds no integer or string, so an
// instruction that finds integers (or a string) here may use them as they
// are.
[[gnu::always_inline]] inline const Value& Peek(const Operand& o, const Frame& f) {
    return o.source == From::Slot ? f.values[o.slot] : *o.value;
}

// Drops what a slot operand holds once its instruction has used it, so
// that no pattern stays referenced from a slot: a kept or growing table
// must be held by nobody else.
[[gnu::always_inline]] inline void Consume(const Operand& o, const Frame& f, int result) {
    if (o.source == From::Slot && o.slot != result) {
        Value& v = f.values[o.slot];
        if (v.kind() == Kind::Pattern) v = Value();
    }
}

// The two operands of a binary operation, left first; false when reading
// one failed.
struct Pair {
    Value scratchLeft, scratchRight;
    const Value* left = nullptr;
    const Value* right = nullptr;
};
bool FetchBoth(const Instruction& i, const Frame& f, Pair& p) {
    p.left = &Fetch(i.x, f, p.scratchLeft);
    if (Exec().failure) return false;
    p.right = &Fetch(i.y, f, p.scratchRight);
    return !Exec().failure;
}

// Whether an operand is read as it stands, without reading a line.
[[gnu::always_inline]] inline bool ReadAsItStands(const Operand& o) {
    return o.source != From::Name || !ReadsOnUse(o.name);
}

[[gnu::noinline]] void ArithmeticSlowly(const Instruction& i, const Frame& f) {
    Pair p;
    if (FetchBoth(i, f, p)) f.values[i.a] = Arithmetic(i.binaryOp, *p.left, *p.right);
}

// An integer step in place on the values a and b, its result put in
// `into`; false leaves it to the general rules.
[[gnu::always_inline]] inline bool ArithmeticInPlace(const Instruction& i, const Value& a,
                                                     const Value& b, Value& into) {
    std::int32_t n = 0;
    if (a.kind() != Kind::Integer || b.kind() != Kind::Integer ||
        !IntegerArithmetic(i.binaryOp, a.knownInteger(), b.knownInteger(), n))
        return false;
    into.SetInteger(n);
    return true;
}

[[gnu::noinline]] void ConcatenateSlowly(const Instruction& i, const Frame& f) {
    Pair p;
    if (!FetchBoth(i, f, p)) return;
    // A pattern computed into a slot is the only reference the statement
    // has, so it may grow in place.
    Value left = i.x.source == From::Slot ? std::move(f.values[i.x.slot]) : Value(*p.left);
    f.values[i.a] = Concatenate(std::move(left), *p.right);
    Consume(i.y, f, i.a);
}

// Null on the left, as after a predicate: the result is the right side
// unchanged (see TakeRight). Otherwise the general rules concatenate.
[[gnu::always_inline]] inline bool ConcatenatesInPlace(const Instruction& i, const Frame& f) {
    return Peek(i.x, f).IsNull() && ReadAsItStands(i.y);
}

// Puts the right side of a concatenation done in place in `into`.
[[gnu::always_inline]] inline void TakeRight(const Instruction& i, const Frame& f, Value& into) {
    if (i.y.source == From::Slot)
        into = std::move(f.values[i.y.slot]);
    else
        into = *i.y.value;
}

[[gnu::noinline]] void DoAlternate(const Instruction& i, const Frame& f) {
    Pair p;
    if (!FetchBoth(i, f, p)) return;
    Value result = AlternateOperands(*p.left, *p.right);
    Consume(i.x, f, i.a);
    Consume(i.y, f, i.a);
    f.values[i.a] = std::move(result);
}

// The general call with the operands as its arguments, as the evaluator
// makes it when the step in place does not apply.
[[gnu::noinline]] void CallWithOperands(const Instruction& i, const Frame& f, int count) {
    Value scratch;
    f.values[i.a] = Fetch(i.x, f, scratch);
    if (Exec().failure) return;
    if (count == 2) {
        f.values[i.a + 1] = Fetch(i.y, f, scratch);
        if (Exec().failure) return;
    } else {
        f.values[i.a + 1] = Value();
    }
    f.values[i.a] = CallWith(i.node, &f.values[i.a]);
    f.values[i.a + 1] = Value();
}

// REMDR of two integers in place; false leaves it to the general call
// (which reports a division by zero).
[[gnu::always_inline]] inline bool RemainderInPlace(const Instruction& i, const Frame& f) {
    const Value& a = *i.x.value;
    const Value& b = *i.y.value;
    std::int32_t n = 0;
    if (!IntegersInPlace(i.v.entry, a, b) ||
        !IntegerRemainder(a.knownInteger(), b.knownInteger(), n))
        return false;
    f.values[i.a].SetInteger(n);
    return true;
}

// How a comparison went: done in place, holding or failing, or made by the
// general call (the failure flag tells).
enum class Compared : std::uint8_t { Holds, Fails, Called };

// The comparison predicate p of operands x and y: in place on integers,
// its result null, else by the general call.
[[gnu::always_inline]] inline Compared Compare(Primitive p, const Instruction& i, const Frame& f) {
    const Value& a = *i.x.value;
    const Value& b = *i.y.value;
    if (!IntegersInPlace(i.v.entry, a, b)) [[unlikely]] {
        CallWithOperands(i, f, 2);
        return Compared::Called;
    }
    f.values[i.a].SetNull();
    return ComparisonHolds(p, a.knownInteger(), b.knownInteger()) ? Compared::Holds
                                                                  : Compared::Fails;
}

[[gnu::noinline]] void DoSize(const Instruction& i, const Frame& f) {
    const Value& v = Peek(i.x, f);
    if (SizeInPlace(i.node->entry, v)) {
        f.values[i.a] = SizeOf(v);
        return;
    }
    CallWithOperands(i, f, 1);
}

// A call: its arguments are in the slots from a; its result takes the first
// and the others are dropped after it.
[[gnu::noinline]] void DoCall(const Instruction& i, const Frame& f) {
    Value* const args = &f.values[i.a];
    CallFunctionInto(i.node, args, i.node->count, args[0]);
    for (int k = 1; k < i.b; ++k)
        args[k].SetNull();
}

// The same for a comparison or SIZE, which the general call takes in place.
[[gnu::noinline]] void DoGeneralCall(const Instruction& i, const Frame& f) {
    Value* const args = &f.values[i.a];
    args[0] = CallWith(i.node, args);
    for (int k = 1; k < i.b; ++k)
        args[k].SetNull();
}

// A plain variable given the value computed into slot `slot`; false leaves
// the assignment to the general rules.
[[gnu::always_inline]] inline bool AssignSlotInPlace(const VariableOperand& v, int slot,
                                                     const Frame& f) {
    Value* into = DirectTarget(VariableIn(v, f));
    if (into == nullptr) return false;
    *into = std::move(f.values[slot]);
    return true;
}

[[gnu::always_inline]] inline bool AssignInPlace(const Instruction& i, const Frame& f) {
    return i.x.source == From::Slot && AssignSlotInPlace(i.v, i.x.slot, f);
}

[[gnu::noinline]] void AssignSlotSlowly(const VariableOperand& v, int slot, const Frame& f) {
    Value& x = f.values[slot];
    Assign(VariableIn(v, f), x);
    x = Value();
}

// An integer step whose result a plain variable takes directly; false
// leaves the step and the assignment to ArithmeticAssignSlowly.
[[gnu::always_inline]] inline bool ArithmeticAssignInPlace(const Instruction& i, const Frame& f,
                                                           const Value& a, const Value& b) {
    Value* into = DirectTarget(VariableIn(i.v, f));
    return into != nullptr && ArithmeticInPlace(i, a, b, *into);
}

// The step into slot a, then its assignment, each by the general rules
// where it cannot be done in place.
[[gnu::noinline]] void ArithmeticAssignSlowly(const Instruction& i, const Frame& f) {
    if (!ArithmeticInPlace(i, Peek(i.x, f), Peek(i.y, f), f.values[i.a])) {
        ArithmeticSlowly(i, f);
        if (Exec().failure) return;
    }
    if (AssignSlotInPlace(i.v, i.a, f)) return;
    AssignSlotSlowly(i.v, i.a, f);
}

[[gnu::noinline]] void AssignSlowly(const Instruction& i, const Frame& f) {
    if (i.x.source == From::Slot) {
        AssignSlotSlowly(i.v, i.x.slot, f);
        return;
    }
    Value scratch;
    const Value& x = Fetch(i.x, f, scratch);
    if (Exec().failure) return;
    StringItem* variable = VariableIn(i.v, f);
    if (Value* into = DirectTarget(variable))
        *into = x; // the variable's own value, or a part of it, is safe here
    else
        Assign(variable, x);
}

// A name or constant holding an integer or a string, taken as it stands
// (the common case, with no reference to take); false leaves it to the
// general reading.
[[gnu::always_inline]] inline bool LoadValueInPlace(const Instruction& i, const Frame& f) {
    const Value& x = *i.x.value;
    if ((x.kind() != Kind::Integer && x.kind() != Kind::String) || !ReadAsItStands(i.x))
        return false;
    f.values[i.a] = x;
    return true;
}

[[gnu::noinline]] void DoLoadValue(const Instruction& i, const Frame& f) {
    Value scratch;
    const Value& x = Fetch(i.x, f, scratch);
    f.values[i.a] = x;
}

// A name or constant holding a string, taken as it stands; false leaves the
// reading and converting to the general rules.
[[gnu::always_inline]] inline const Value* StringInPlace(const Operand& x) {
    const Value& v = *x.value;
    return v.kind() == Kind::String && ReadAsItStands(x) ? &v : nullptr;
}

[[gnu::always_inline]] inline bool LoadStringInPlace(const Instruction& i, const Frame& f) {
    const Value* x = StringInPlace(i.x);
    if (x == nullptr) return false;
    f.values[i.a] = *x;
    return true;
}

[[gnu::noinline]] void DoLoadString(const Instruction& i, const Frame& f) {
    Value scratch;
    const Value& x = Fetch(i.x, f, scratch);
    if (Exec().failure) return;
    if (x.kind() == Kind::String || x.IsNull())
        f.values[i.a] = x;
    else
        f.values[i.a] = ToStringValue(x);
}

[[gnu::noinline]] bool DoReplaceScan(const Instruction& i, const Frame& f) {
    int matchStart = 0, cursor = 0;
    Value* const v = f.values;
    if (!ScanForReplacement(VariableIn(i.v, f), v[i.b], v[i.a], matchStart, cursor)) return false;
    v[i.a + 1] = Value::Integer(matchStart);
    v[i.a + 2] = Value::Integer(cursor);
    return true;
}

// The dispatch of instructions. With GCC and clang it jumps through a table
// of labels, one indirect jump per instruction instead of the switch's
// bounds test and jump (measured: about a tenth fewer instructions on loop
// programs). Labels as values are an extension that -Wpedantic rejects, so
// this is the one place that allows it. VANTEL_SWITCH_DISPATCH builds the
// switch instead, so that -Wswitch checks that every instruction of the
// table has its handler (one CI preset does). DISPATCH starts the
// instruction at i, NEXT goes on with the next one, CHECKED goes on after
// testing the failure flag, JUMP(k) goes on at the instruction k ahead
// (see opcodes.h) after testing it. A code ends at its End instruction or
// at the first that sets the failure flag; instructions done in place that
// cannot fail go on without the test.
#if defined(__GNUC__) && !defined(VANTEL_SWITCH_DISPATCH)
#define VANTEL_THREADED_DISPATCH 1
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#if defined(__clang__)
#pragma GCC diagnostic ignored "-Wgnu-label-as-value"
#endif
#define INSTRUCTION(name) op_##name
#define DISPATCH goto* kTargets[static_cast<std::size_t>(i->op)]
#define NEXT goto* kTargets[static_cast<std::size_t>((++i)->op)]
#define CHECKED goto checked
#else
#define INSTRUCTION(name) case Op::name
#define DISPATCH goto dispatch
#define NEXT continue
#define CHECKED break
#endif
// The checked step goes on with the instruction after i.
#define JUMP(k)                                                                                    \
    {                                                                                              \
        i += (k)-1;                                                                                \
        CHECKED;                                                                                   \
    }

[[gnu::always_inline]] inline void ClearSlots(const Frame& f, int from, int to) {
    for (int k = from; k < to; ++k)
        f.values[k].SetNull();
}

// Where the statement cycle goes on after a statement's transfer.
enum class Resume : std::uint8_t {
    Checked,  // at &STNO, once it is checked to be a statement of the program
    Resolved, // at &STNO, a statement resolved before the run
    GotoCode, // at the code of the computed goto, which the cycle runs
    Finished, // RETURN or FRETURN ends this invocation
};

// Takes transfer t of statement n: sets &STNO, or the return flag for
// RETURN and FRETURN, and writes the trace line while &TRACE is above 0. A
// computed goto is traced once its code has found the label.
[[gnu::always_inline]] inline Resume TakeTransfer(const Transfer& t, std::int32_t n) {
    ExecutorState& ex = Exec();
    std::int32_t& number = KeywordValue(KeywordIndex::StNo);
    Resume resume = Resume::Checked;
    switch (t.kind) {
    case TransferKind::Next: // no transfer to trace
        [[likely]] number = n + 1;
        return Resume::Checked;
    case TransferKind::Statement: // the next cycle clears the failure flag
        number = t.at;
        resume = Resume::Resolved;
        break;
    case TransferKind::Computed:
        [[unlikely]] ex.transferFailed = ex.failure;
        ex.failure = false;
        return Resume::GotoCode;
    case TransferKind::Return:
    case TransferKind::FReturn:
        ex.failure = false;
        ex.returned = t.kind == TransferKind::Return;
        resume = Resume::Finished;
        break;
    case TransferKind::End:
        [[unlikely]] ex.failure = false;
        number = TheProgram().count + 1;
        break;
    case TransferKind::Undefined:
        [[unlikely]] ex.failure = false;
        number = FindLabel(nullptr); // reports "UNDEFINED LABEL"
        break;
    }
    if (KeywordValue(KeywordIndex::Trace) > 0) [[unlikely]]
        TraceTransfer(n);
    return resume;
}

} // namespace

// The statement cycle and the instructions' dispatch in one function, so
// that a statement's code is entered and left by a jump, not by a call:
// each statement is counted, its code run, its slots cleared and its goto
// taken. A computed goto's code runs here too (inGoto), and then its label
// is looked up. The slots of this invocation are a block of the executor's
// slots above those of its callers.
//
// The labels, and what holds on entry to each:
//   next_checked     &STNO is the statement to run next, not yet known to
//                    be one of the program's (else the run ends)
//   next_statement   &STNO is a statement of the program
//   op_<name>        i is the instruction to run; c and n are the
//                    statement's code and number, or while inGoto, t is
//                    the computed goto whose code i is in
//   checked          the instruction at i is done, the failure flag set if
//                    it failed (threaded dispatch; the switch's loop does
//                    the same)
//   ended            the code stopped before its end instruction, failing
//                    or not
//   succeeded        the statement succeeded, its slots cleared
//   failed           the statement failed; its slots may hold anything
//   failed_first     the statement failed, its slots cleared (or, failing
//                    at its first instruction, never written)
//   transfer         t is the statement's transfer; the keywords are set
//                    for the statement's end
//   goto_code_ended  a computed goto's code is done: the target variable
//                    is in its variable slot
//   finished         RETURN or FRETURN ends this invocation, the flags set
// clang-format off
void RunCompiled(int start) {
    ExecutorState& ex = Exec();
    const int base = ex.slotTop;
    if (base > ex.lastSlotBase) {
        WalkStatements(start); // deeper than calls can nest; kept exact all the same
        return;
    }
    const Frame f{&ex.slots[static_cast<std::size_t>(base)],
                  &ex.variables[static_cast<std::size_t>(base)]};
    Value* const v = f.values;
    ex.slotTop = base + ex.slotBlock;
    std::int32_t& number = KeywordValue(KeywordIndex::StNo);
    // The statement under way: &STNO holds its number from its start to its
    // transfer (a call puts it back as it returns).
    const std::int32_t& n = number;
    std::int32_t& count = KeywordValue(KeywordIndex::StCount);
    const std::int32_t& trace = KeywordValue(KeywordIndex::Trace);
    // The code and the statement table stay where they are during the run.
    const StatementCode* const statements = &ex.compiled.statements[0];
    const Instruction* i = nullptr;
    const StatementCode* c = nullptr;
    const Transfer* t = nullptr;
    bool inGoto = false;
#if VANTEL_THREADED_DISPATCH
    // One label for each instruction of the table, in its order.
    static const void* const kTargets[] = {
#define VANTEL_OP(name, uses, effect) &&op_##name,
#include "executor/opcodes.h"
#undef VANTEL_OP
    };
    static_assert(std::size(kTargets) == kOpCount);
#endif
    number = start;
    goto next_checked;

next_checked:
    if (static_cast<std::uint32_t>(number) - 1u >= static_cast<std::uint32_t>(TheProgram().count))
        TerminationReport();
next_statement:
    // Below the ceiling (see KeywordsChanged) the count simply grows. The
    // count comes first so that a debugger finds the failure flag as the
    // statement before left it.
    if (count < ex.nextEvent) [[likely]]
        ++count;
    else
        CountStatement();
    ex.failure = false;
    c = &statements[n];
    i = c->first;
    DISPATCH;

#if !VANTEL_THREADED_DISPATCH
dispatch:
    for (;; ++i) {
        switch (i->op) {
#endif
    INSTRUCTION(End):
        goto succeeded;
    INSTRUCTION(EndClearing):
        ClearSlots(f, c->clearFrom, c->slots);
        goto succeeded;
    // The success transfers taken here are those that need no more than
    // the statement's end; traced, they go the general way. The failure
    // flag is clear at any end instruction.
    INSTRUCTION(EndNext):
        EndStatement(n, false);
        number = n + 1;
        goto next_checked;
    INSTRUCTION(EndGoto):
        if (trace > 0) [[unlikely]]
            goto succeeded;
        EndStatement(n, false);
        number = c->onSuccess.at;
        goto next_statement;
    INSTRUCTION(EndReturn):
        if (trace > 0) [[unlikely]]
            goto succeeded;
        EndStatement(n, false);
        ex.returned = true;
        goto finished;
    INSTRUCTION(GotoEnd):
        goto goto_code_ended;
    INSTRUCTION(Walk): {
        ++ex.compiled.walked;
        const Stmt& s = TheProgram().at(n);
        ExecuteStatement(s);
        EndStatement(n, ex.failure);
        if (!TakeWalkedGoto(s, n)) goto finished;
        goto next_checked;
    }
    INSTRUCTION(LoadNull):
        v[i->a] = Value();
        NEXT;
    INSTRUCTION(LoadValue):
        if (LoadValueInPlace(*i, f)) [[likely]]
            NEXT;
        DoLoadValue(*i, f);
        CHECKED;
    INSTRUCTION(Unary):
        v[i->a] = UnaryOf(i->unaryOp, v[i->a]);
        CHECKED;
    INSTRUCTION(Cursor):
        v[i->a] = MakeNodePattern(Routine::Cursor, Value::String(VariableIn(i->v, f)));
        CHECKED;
    INSTRUCTION(LeafArithmetic):
        if (ArithmeticInPlace(*i, *i->x.value, *i->y.value, v[i->a])) [[likely]]
            NEXT;
        ArithmeticSlowly(*i, f);
        CHECKED;
    INSTRUCTION(Arithmetic):
        if (ArithmeticInPlace(*i, Peek(i->x, f), Peek(i->y, f), v[i->a])) [[likely]]
            NEXT;
        ArithmeticSlowly(*i, f);
        CHECKED;
    INSTRUCTION(Concatenate):
        if (ConcatenatesInPlace(*i, f)) [[likely]] {
            TakeRight(*i, f, v[i->a]);
            NEXT;
        }
        ConcatenateSlowly(*i, f);
        CHECKED;
    INSTRUCTION(ArithmeticAssign):
        if (ArithmeticAssignInPlace(*i, f, Peek(i->x, f), Peek(i->y, f))) [[likely]]
            NEXT;
        ArithmeticAssignSlowly(*i, f);
        CHECKED;
    INSTRUCTION(LeafArithmeticAssign):
        if (ArithmeticAssignInPlace(*i, f, *i->x.value, *i->y.value)) [[likely]]
            NEXT;
        ArithmeticAssignSlowly(*i, f);
        CHECKED;
    INSTRUCTION(ConcatenateAssign):
        if (ConcatenatesInPlace(*i, f)) [[likely]] {
            // A plain variable takes the result directly.
            if (Value* into = DirectTarget(VariableIn(i->v, f))) [[likely]] {
                TakeRight(*i, f, *into);
                NEXT;
            }
            TakeRight(*i, f, v[i->a]);
        } else {
            ConcatenateSlowly(*i, f);
            if (ex.failure) goto ended;
        }
        if (AssignSlotInPlace(i->v, i->a, f)) NEXT;
        AssignSlotSlowly(i->v, i->a, f);
        CHECKED;
    INSTRUCTION(Alternate):
        DoAlternate(*i, f);
        CHECKED;
    INSTRUCTION(ToPattern):
        if (i->b == 0 || !v[i->a].IsNull()) v[i->a] = ToPattern(v[i->a]);
        CHECKED;
    INSTRUCTION(ValueAssign):
        v[i->a] = ValueAssignmentPattern(v[i->a], VariableIn(i->v, f), i->immediate);
        CHECKED;
    INSTRUCTION(Remainder):
        if (!RemainderInPlace(*i, f)) CallWithOperands(*i, f, 2);
        CHECKED;
    // The comparisons, each with its predicate known: holding goes on
    // without the failure test, failing ends the code.
#define COMPARE(P)                                                                                 \
    INSTRUCTION(Compare##P):                                                                       \
        switch (Compare(Primitive::P, *i, f)) {                                                    \
        case Compared::Holds:                                                                      \
            NEXT;                                                                                  \
        case Compared::Fails:                                                                      \
            goto compare_failed;                                                                   \
        case Compared::Called:                                                                     \
            break;                                                                                 \
        }                                                                                          \
        CHECKED;
    COMPARE(LT)
    COMPARE(LE)
    COMPARE(EQ)
    COMPARE(NE)
    COMPARE(GE)
    COMPARE(GT)
#undef COMPARE
    INSTRUCTION(Size):
        DoSize(*i, f);
        CHECKED;
    INSTRUCTION(Call):
        DoCall(*i, f);
        CHECKED;
    INSTRUCTION(CallGeneral):
        DoGeneralCall(*i, f);
        CHECKED;
    INSTRUCTION(Variable):
        f.variables[i->a] = VariableNamed(v[i->a]);
        CHECKED;
    INSTRUCTION(VariableError):
        ReportError(i->message);
        goto ended;
    INSTRUCTION(Assign):
        if (AssignInPlace(*i, f)) [[likely]]
            NEXT;
        AssignSlowly(*i, f);
        CHECKED;
    INSTRUCTION(ToString):
        v[i->a] = ToStringValue(v[i->a]);
        CHECKED;
    INSTRUCTION(LoadString):
        if (LoadStringInPlace(*i, f)) [[likely]]
            NEXT;
        DoLoadString(*i, f);
        CHECKED;
    INSTRUCTION(SitePattern):
        if (SitePattern(*i->site, i->node, v[i->a])) JUMP(i->jump);
        CHECKED;
    INSTRUCTION(MatchKept):
        if (const Value* x = StringInPlace(i->x)) {
            if (const Value* kept = KeptPattern(*i->site)) [[likely]] {
                MatchAndPerform(*x, *kept);
                JUMP(i->jump);
            }
        }
        NEXT;
    INSTRUCTION(MatchSite):
        if (const Value* kept = KeptPattern(*i->site)) [[likely]] {
            MatchAndPerform(v[i->b], *kept);
            JUMP(i->jump + 1);
        }
        if (ReadSitePattern(*i->site, i->node, v[i->a])) JUMP(i->jump);
        CHECKED;
    INSTRUCTION(Match):
        MatchAndPerform(v[i->a], v[i->b]);
        ClearSlots(f, i->b, c->slots);
        CHECKED;
    INSTRUCTION(ReplaceScan):
        if (!DoReplaceScan(*i, f)) goto ended;
        CHECKED;
    INSTRUCTION(ReplaceFinish):
        Replace(VariableIn(i->v, f), v[i->a], v[i->a + 1].integer(), v[i->a + 2].integer(),
                v[i->b]);
        CHECKED;
#if VANTEL_THREADED_DISPATCH
checked:
    if (ex.failure) [[unlikely]]
        goto failed;
    NEXT;
#else
        }
        if (ex.failure) [[unlikely]]
            goto failed;
    }
#endif

compare_failed:
    ex.failure = true;
    if (i == c->first) goto failed_first;
    goto failed;

ended:
    if (ex.failure) goto failed;
    if (inGoto) goto goto_code_ended;
    if (c->clearFrom < c->slots) ClearSlots(f, c->clearFrom, c->slots);
succeeded:
    EndStatement(n, false);
    t = &c->onSuccess;
    goto transfer;

failed:
    if (inGoto) goto goto_code_ended;
    ClearSlots(f, 0, c->slots);
// At a statement's start no slot holds a pattern: a statement that failed
// at its first instruction has nothing to clear.
failed_first:
    EndStatement(n, true);
    t = &c->onFailure;

transfer:
    switch (TakeTransfer(*t, n)) {
    case Resume::Checked:
        goto next_checked;
    case Resume::Resolved:
        goto next_statement;
    case Resume::GotoCode:
        [[unlikely]] inGoto = true;
        i = &ex.compiled.code[ex.compiled.gotos[static_cast<std::size_t>(t->at)].code];
        DISPATCH;
    case Resume::Finished:
        goto finished;
    }

goto_code_ended: {
    inGoto = false;
    const std::int32_t from = n;
    number = FindLabel(VariableIn(ex.compiled.gotos[static_cast<std::size_t>(t->at)].target, f));
    ClearSlots(f, 0, ex.slotBlock);
    if (trace > 0) TraceTransfer(from);
    goto next_checked;
}

finished:
    ex.slotTop = base;
}
        // clang-format on

#undef INSTRUCTION
#undef JUMP
#undef DISPATCH
#undef NEXT
#undef CHECKED
#if VANTEL_THREADED_DISPATCH
#pragma GCC diagnostic pop
#endif

    } // namespace vantel
