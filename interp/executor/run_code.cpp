// Running the compiled code: the statement cycle over statement codes and
// the dispatch of their instructions.
#include <algorithm>
#include <limits>
#include <utility>

#include "data/diagnostics.h"
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

StringItem* VariableIn(const VariableOperand& v, const Frame& f) {
    return v.computed ? f.variables[v.slot] : v.entry;
}

// An operand's value; a name that reads when used is read into `scratch`.
[[gnu::always_inline]] inline const Value& Fetch(const Operand& o, const Frame& f, Value& scratch) {
    if (o.source == From::Slot) return f.values[o.slot];
    if (o.source == From::InPlace || !ReadsOnUse(o.name)) return *o.value;
    scratch = ReadName(o.name);
    return scratch;
}

// Where an operand's value is, unread: names in place are never INPUT, and
// a name holding a file holds no integer or string, so an instruction that
// finds integers (or a string) here may use them as they are.
[[gnu::always_inline]] inline const Value& Peek(const Operand& o, const Frame& f) {
    return o.source == From::Slot ? f.values[o.slot] : *o.value;
}

// The two operands of a binary operation, left first; false when reading
// one failed.
struct Pair {
    Value scratchLeft, scratchRight;
    const Value* left = nullptr;
    const Value* right = nullptr;
};
[[gnu::always_inline]] inline bool FetchBoth(const Instruction& i, const Frame& f, Pair& p) {
    p.left = &Fetch(i.x, f, p.scratchLeft);
    if (gExec.failure) return false;
    p.right = &Fetch(i.y, f, p.scratchRight);
    return !gExec.failure;
}

void DoArithmetic(const Instruction& i, const Frame& f) {
    const Value& a = Peek(i.x, f);
    const Value& b = Peek(i.y, f);
    std::int32_t n = 0;
    if (a.kind() == Kind::Integer && b.kind() == Kind::Integer &&
        IntegerArithmetic(i.binaryOp, a.integer(), b.integer(), n)) {
        f.values[i.a] = Value::Integer(n);
        return;
    }
    Pair p;
    if (FetchBoth(i, f, p)) f.values[i.a] = Arithmetic(i.binaryOp, *p.left, *p.right);
}

void DoConcatenate(const Instruction& i, const Frame& f) {
    Pair p;
    if (!FetchBoth(i, f, p)) return;
    // A pattern computed into a slot is the only reference the statement
    // has, so it may grow in place.
    Value left = i.x.source == From::Slot ? std::move(f.values[i.x.slot]) : Value(*p.left);
    f.values[i.a] = Concatenate(std::move(left), *p.right);
}

void DoAlternate(const Instruction& i, const Frame& f) {
    Pair p;
    if (FetchBoth(i, f, p)) f.values[i.a] = AlternateOperands(*p.left, *p.right);
}

// The general call with the operands as its arguments, as the evaluator
// makes it when the step in place does not apply.
void CallWithOperands(const Instruction& i, const Frame& f, int count) {
    Value scratch;
    f.values[i.a] = Fetch(i.x, f, scratch);
    if (gExec.failure) return;
    if (count == 2) {
        f.values[i.a + 1] = Fetch(i.y, f, scratch);
        if (gExec.failure) return;
    } else {
        f.values[i.a + 1] = Value();
    }
    f.values[i.a] = CallWith(i.node, &f.values[i.a]);
}

void DoCompare(const Instruction& i, const Frame& f) {
    const Value& a = Peek(i.x, f);
    const Value& b = Peek(i.y, f);
    Value result;
    if (i.node->entry->function < 0 && a.kind() == Kind::Integer && b.kind() == Kind::Integer &&
        PredicateOf(i.primitive, a.integer(), b.integer(), result)) {
        f.values[i.a] = std::move(result);
        return;
    }
    CallWithOperands(i, f, 2);
}

void DoSize(const Instruction& i, const Frame& f) {
    const Value& v = Peek(i.x, f);
    if (i.node->entry->function < 0 && (v.kind() == Kind::String || v.IsNull())) {
        f.values[i.a] = SizeOf(v);
        return;
    }
    CallWithOperands(i, f, 1);
}

void DoAssign(const Instruction& i, const Frame& f) {
    StringItem* variable = VariableIn(i.v, f);
    if (i.x.source == From::Slot) {
        Value& x = f.values[i.x.slot];
        if (variable != nullptr && IsPlainVariable(variable))
            variable->value = std::move(x);
        else
            Assign(variable, x);
        return;
    }
    Value scratch;
    const Value& x = Fetch(i.x, f, scratch);
    if (gExec.failure) return;
    if (variable != nullptr && IsPlainVariable(variable))
        variable->value = x;
    else
        Assign(variable, x);
}

// Runs the instructions from `start` to their end or to the first that
// sets the failure flag. False when the statement ends at once, succeeding.
bool RunCode(std::uint32_t start, const Frame& f) {
    for (const Instruction* i = &gExec.compiled.code[start];; ++i) {
        Value* const v = f.values;
        switch (i->op) {
        case Op::End:
            return true;
        case Op::LoadNull:
            v[i->a] = Value();
            break;
        case Op::LoadValue: {
            Value scratch;
            const Value& x = Fetch(i->x, f, scratch);
            v[i->a] = x;
            break;
        }
        case Op::Unary:
            v[i->a] = UnaryOf(i->unaryOp, v[i->a]);
            break;
        case Op::Cursor:
            v[i->a] = MakeNodePattern(Routine::Cursor, Value::String(VariableIn(i->v, f)));
            break;
        case Op::Arithmetic:
            DoArithmetic(*i, f);
            break;
        case Op::Concatenate:
            DoConcatenate(*i, f);
            break;
        case Op::Alternate:
            DoAlternate(*i, f);
            break;
        case Op::ToPattern:
            if (i->b == 0 || !v[i->a].IsNull()) v[i->a] = ToPattern(v[i->a]);
            break;
        case Op::ValueAssign:
            v[i->a] = ValueAssignmentPattern(v[i->a], VariableIn(i->v, f), i->immediate);
            break;
        case Op::Compare:
            DoCompare(*i, f);
            break;
        case Op::Size:
            DoSize(*i, f);
            break;
        case Op::Call:
            v[i->a] = CallWith(i->node, &v[i->a]);
            break;
        case Op::Variable:
            f.variables[i->a] = VariableNamed(v[i->a]);
            break;
        case Op::VariableError:
            ReportError(i->message);
            return false;
        case Op::Assign:
            DoAssign(*i, f);
            break;
        case Op::ClearPending:
            ClearPending();
            break;
        case Op::ToString:
            v[i->a] = ToStringValue(v[i->a]);
            break;
        case Op::SitePattern: {
            Value kept;
            if (SitePattern(*i->site, i->node, kept)) {
                v[i->a] = std::move(kept);
                i += i->jump - 1;
            }
            break;
        }
        case Op::Match:
            MatchAndPerform(v[i->a], v[i->b]);
            break;
        case Op::ReplaceScan: {
            int matchStart = 0, cursor = 0;
            if (!ScanForReplacement(VariableIn(i->v, f), v[i->b], v[i->a], matchStart, cursor))
                return false;
            v[i->a + 1] = Value::Integer(matchStart);
            v[i->a + 2] = Value::Integer(cursor);
            break;
        }
        case Op::ReplaceFinish:
            Replace(VariableIn(i->v, f), v[i->a], v[i->a + 1].integer(), v[i->a + 2].integer(),
                    v[i->b]);
            break;
        }
        if (gExec.failure) return false;
    }
}

void ClearSlots(const Frame& f, int count) {
    for (int k = 0; k < count; ++k)
        f.values[k] = Value();
}

std::int32_t Increment(std::int32_t n) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(n) + 1u);
}

// Performs a goto other than to the next statement; false when it ends
// this invocation (RETURN, FRETURN).
bool TakeTransfer(const Transfer& t, const Frame& f) {
    gExec.failure = false;
    std::int32_t& number = KeywordValue(KeywordIndex::StNo);
    const std::int32_t from = number;
    bool running = true;
    switch (t.kind) {
    case TransferKind::Next:
    case TransferKind::Statement:
        number = t.statement;
        break;
    case TransferKind::Computed:
        RunCode(t.code, f);
        number = FindLabel(VariableIn(t.target, f));
        ClearSlots(f, kMaxSlots);
        break;
    case TransferKind::Undefined:
        number = FindLabel(nullptr);
        break;
    case TransferKind::End:
        number = gProgram.count + 1;
        break;
    case TransferKind::Return:
    case TransferKind::FReturn:
        gExec.returned = t.kind == TransferKind::Return;
        running = false;
        break;
    }
    if (KeywordValue(KeywordIndex::Trace) > 0) TraceTransfer(from);
    return running;
}

void RunStatement(const StatementCode& c, int number, const Frame& f) {
    if (!c.compiled) {
        ++gExec.compiled.walked;
        ExecuteStatement(gProgram.at(number));
        return;
    }
    RunCode(c.start, f);
    ClearSlots(f, c.slots);
}

} // namespace

void KeywordsChanged() {
    std::int32_t next = KeywordValue(KeywordIndex::StLimit);
    if (gWorkCaps.statements != 0) next = std::min(next, gWorkCaps.statements);
    gExec.nextEvent = next;
}

void RunCompiled(int start) {
    const int base = gExec.slotTop;
    if (base + kMaxSlots > static_cast<int>(gExec.slots.size())) {
        WalkStatements(start); // deeper than calls can nest; kept exact all the same
        return;
    }
    const Frame f{&gExec.slots[static_cast<std::size_t>(base)],
                  &gExec.variables[static_cast<std::size_t>(base)]};
    gExec.slotTop = base + kMaxSlots;
    KeywordValue(KeywordIndex::StNo) = start;
    for (;;) {
        const std::int32_t number = KeywordValue(KeywordIndex::StNo);
        if (number < 1 || number > gProgram.count) TerminationReport();
        gExec.failure = false;
        // Below the next event (the limit and the cap) the count simply grows.
        std::int32_t& count = KeywordValue(KeywordIndex::StCount);
        if (count < gExec.nextEvent)
            ++count;
        else
            CountStatement();
        const StatementCode& c = gExec.compiled.statements[static_cast<std::size_t>(number)];
        RunStatement(c, number, f);
        KeywordValue(KeywordIndex::StLastNo) = number;
        if (gExec.failure) {
            std::int32_t& failed = KeywordValue(KeywordIndex::StFCount);
            failed = Increment(failed);
        }
        if (!c.compiled) {
            if (!TakeWalkedGoto(gProgram.at(number), number)) break;
            continue;
        }
        const Transfer& t = gExec.failure ? c.onFailure : c.onSuccess;
        if (t.kind == TransferKind::Next) {
            KeywordValue(KeywordIndex::StNo) = Increment(number);
            continue;
        }
        if (!TakeTransfer(t, f)) break;
    }
    gExec.slotTop = base;
}

} // namespace vantel
