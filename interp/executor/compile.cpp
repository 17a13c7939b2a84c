// The compiler from statements to code: one pass over each statement's
// trees, operands before their node and left before right, as the evaluator
// takes them. Slots are handed out as a stack: a node's value goes to the
// slot it is given and its operands use that slot and those above it.
//
// The slot discipline (checked by CheckCode): a value in slot s, or a
// variable in variable slot s, is wanted until the instruction that reads
// it last, and the code that runs in between is given slots above s only,
// value and variable slots alike.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "executor/code.h"
#include "executor/executor.h"

namespace vantel {

namespace {

// A name whose value an instruction may take in place. INPUT reads a line
// whenever it is used, so it is always read by an instruction of its own;
// a name holding an input file is caught when its value is fetched.
bool IsInPlaceName(const Expr* e) {
    return e != nullptr && e->kind == ExprKind::Identifier && e->entry != nullptr &&
           e->entry->special != SpecialName::Input;
}

bool IsConstant(const Expr* e) {
    return e->kind == ExprKind::Integer || e->kind == ExprKind::Literal ||
           (e->kind == ExprKind::Identifier && e->entry == nullptr);
}

// An operand read without running any code of its own.
bool IsLeafOperand(const Expr* e) {
    return e != nullptr && (IsConstant(e) || IsInPlaceName(e));
}

bool IsIntegerPredicate(const Expr* e) {
    return e->entry != nullptr && e->count == 2 &&
           (IsComparison(e->primitive) || e->primitive == Primitive::REMDR) &&
           IsLeafOperand(e->args[0]) && IsLeafOperand(e->args[1]);
}

// The instruction for an integer predicate: one per comparison, Remainder
// for REMDR.
Op CompareOp(Primitive p) {
    switch (p) {
    case Primitive::LT:
        return Op::CompareLT;
    case Primitive::LE:
        return Op::CompareLE;
    case Primitive::EQ:
        return Op::CompareEQ;
    case Primitive::NE:
        return Op::CompareNE;
    case Primitive::GE:
        return Op::CompareGE;
    case Primitive::GT:
        return Op::CompareGT;
    default:
        return Op::Remainder;
    }
}

class Compiler {
public:
    explicit Compiler(CompiledProgram& out) : out_(out) {}

    bool ok() const { return ok_; }
    int slots() const { return slots_; }
    void Begin() {
        ok_ = true;
        slots_ = 0;
    }

    void Reserve(int slot) { Use(slot); }
    std::uint32_t Here() const { return static_cast<std::uint32_t>(out_.code.size()); }
    // The instruction emitted last.
    Instruction& Last() { return out_.code.back(); }
    Instruction& Emit(Op op, int a = 0) {
        Use(a);
        Instruction& i = out_.code.emplace_back();
        i.op = op;
        i.a = static_cast<std::uint8_t>(a);
        return i;
    }

    // Leaves the value of e in slot `slot`.
    void ValueOf(const Expr* e, int slot);
    // The variable e names; code that computes it uses slots from `slot`.
    VariableOperand VariableOf(const Expr* e, int slot);
    // Leaves the pattern of a match or replacement statement in `slot`,
    // and gives the site of its kept table, or nullptr. A match statement
    // gives its subject's slot, so that a kept table is matched where it is.
    Site* PatternOf(const Expr* e, int slot, int subject = -1);
    Instruction& At(std::size_t k) { return out_.code[k]; }
    // Makes the jump of instruction k go on at the next instruction to be
    // emitted. The one place that sets a jump: its target is the first
    // instruction to run after it.
    void JumpFrom(std::size_t k) {
        const std::size_t jump = Here() - k;
        if (jump > UINT16_MAX) ok_ = false;
        out_.code[k].jump = static_cast<std::uint16_t>(jump);
    }
    void Erase(std::size_t k) {
        out_.code.erase(out_.code.begin() + static_cast<std::ptrdiff_t>(k));
    }
    // An operand: a constant, a name in place when `nameInPlace`, else the
    // value computed into `slot`.
    Operand OperandOf(const Expr* e, int slot, bool nameInPlace);
    // Emits the code of a computed goto to e; its index among the gotos.
    std::int32_t AddComputedGoto(const Expr* e) {
        ComputedGoto g;
        g.code = Here();
        g.target = VariableOf(e, 0);
        Emit(Op::GotoEnd);
        out_.gotos.push_back(g);
        return static_cast<std::int32_t>(out_.gotos.size() - 1);
    }

private:
    void Use(int slot) {
        if (slot >= kMaxSlots)
            ok_ = false;
        else
            slots_ = std::max(slots_, slot + 1);
    }
    Operand Constant(const Expr* e);
    void BinaryOf(const Expr* e, int slot);
    void CallOf(const Expr* e, int slot);

    CompiledProgram& out_;
    bool ok_ = true;
    int slots_ = 0;
};

Operand Compiler::Constant(const Expr* e) {
    Operand o;
    o.source = From::InPlace;
    if (e->kind == ExprKind::Integer) {
        o.value = &e->number;
    } else {
        out_.constants.push_back(e->kind == ExprKind::Literal ? Value::String(e->entry) : Value());
        o.value = &out_.constants.back();
    }
    return o;
}

Operand Compiler::OperandOf(const Expr* e, int slot, bool nameInPlace) {
    if (e != nullptr && IsConstant(e)) return Constant(e);
    if (nameInPlace && IsInPlaceName(e)) {
        Operand o;
        o.source = From::Name;
        o.name = e->entry;
        o.value = &e->entry->value;
        return o;
    }
    ValueOf(e, slot);
    Operand o;
    o.slot = static_cast<std::uint8_t>(slot);
    return o;
}

void Compiler::ValueOf(const Expr* e, int slot) {
    if (e == nullptr) {
        Emit(Op::LoadNull, slot);
        return;
    }
    switch (e->kind) {
    case ExprKind::Integer:
    case ExprKind::Literal:
        Emit(Op::LoadValue, slot).x = Constant(e);
        return;
    case ExprKind::Identifier: {
        if (e->entry == nullptr) {
            Emit(Op::LoadNull, slot);
            return;
        }
        Instruction& i = Emit(Op::LoadValue, slot);
        i.x.source = From::Name;
        i.x.name = e->entry;
        i.x.value = &e->entry->value;
        return;
    }
    case ExprKind::Unary:
        if (e->unaryOp == UnaryOp::Cursor) {
            const VariableOperand v = VariableOf(e->left, slot);
            Emit(Op::Cursor, slot).v = v;
            return;
        }
        ValueOf(e->left, slot);
        Emit(Op::Unary, slot).unaryOp = e->unaryOp;
        return;
    case ExprKind::Binary:
        BinaryOf(e, slot);
        return;
    case ExprKind::Call:
        CallOf(e, slot);
        return;
    }
    ok_ = false;
}

void Compiler::BinaryOf(const Expr* e, int slot) {
    if (IsValueAssignment(e->binaryOp)) {
        // The left operand becomes a pattern before the variable is evaluated.
        ValueOf(e->left, slot);
        Emit(Op::ToPattern, slot).b = 1;
        const VariableOperand v = VariableOf(e->right, slot + 1);
        Instruction& i = Emit(Op::ValueAssign, slot);
        i.v = v;
        i.immediate = e->binaryOp == BinaryOp::ImmediateAssignment;
        return;
    }
    // A name on the left is read in place only when nothing runs between
    // its reading and the operation.
    const Operand x = OperandOf(e->left, slot, IsLeafOperand(e->right));
    const Operand y = OperandOf(e->right, slot + 1, true);
    Op op = x.source != From::Slot && y.source != From::Slot ? Op::LeafArithmetic : Op::Arithmetic;
    if (e->binaryOp == BinaryOp::Concatenation) op = Op::Concatenate;
    if (e->binaryOp == BinaryOp::Alternation) op = Op::Alternate;
    Instruction& i = Emit(op, slot);
    i.binaryOp = e->binaryOp;
    i.x = x;
    i.y = y;
}

void Compiler::CallOf(const Expr* e, int slot) {
    Use(slot + 1); // the in-place steps' general calls take two slots
    if (IsIntegerPredicate(e)) {
        const Operand x = OperandOf(e->args[0], slot, true);
        const Operand y = OperandOf(e->args[1], slot + 1, true);
        Instruction& i = Emit(CompareOp(e->primitive), slot);
        i.primitive = e->primitive;
        i.node = e;
        i.v.entry = e->entry;
        i.x = x;
        i.y = y;
        return;
    }
    if (e->entry != nullptr && e->primitive == Primitive::SIZE && e->count == 1 &&
        IsInPlaceName(e->args[0])) {
        const Operand x = OperandOf(e->args[0], slot, true);
        Instruction& i = Emit(Op::Size, slot);
        i.node = e;
        i.x = x;
        return;
    }
    // The comparisons read two arguments whatever the count; other calls
    // read the arguments written.
    const int slots = IsComparison(e->primitive) ? std::max(e->count, 2) : e->count;
    for (int k = 0; k < slots; ++k) {
        const Expr* arg = k < e->count ? e->args[static_cast<std::size_t>(k)] : nullptr;
        ValueOf(arg, slot + k);
    }
    const bool general = IsComparison(e->primitive) || e->primitive == Primitive::SIZE;
    Instruction& i = Emit(general ? Op::CallGeneral : Op::Call, slot);
    i.node = e;
    i.b = static_cast<std::uint8_t>(slots);
}

VariableOperand Compiler::VariableOf(const Expr* e, int slot) {
    VariableOperand v;
    if (e == nullptr) return v;
    if (e->kind == ExprKind::Identifier) {
        v.entry = e->entry;
        return v;
    }
    if (e->kind != ExprKind::Unary) {
        Emit(Op::VariableError).message = "INAPPROPRIATE EXPR WHERE VAR REQUIRED";
        return v;
    }
    if (e->unaryOp != UnaryOp::Indirection) {
        Emit(Op::VariableError).message = "Inappropriate unary expr where var required";
        return v;
    }
    ValueOf(e->left, slot);
    Emit(Op::Variable, slot);
    v.computed = true;
    v.slot = static_cast<std::uint8_t>(slot);
    return v;
}

Site* Compiler::PatternOf(const Expr* e, int slot, int subject) {
    std::unique_ptr<Site> site = MakeSite(e);
    Site* const kept = site.get();
    const std::size_t sitePattern = out_.code.size();
    if (kept) {
        Instruction& i = Emit(subject >= 0 ? Op::MatchSite : Op::SitePattern, slot);
        i.b = static_cast<std::uint8_t>(subject >= 0 ? subject : 0);
        i.site = site.get();
        i.node = e;
        out_.sites.push_back(std::move(site));
    }
    ValueOf(e, slot);
    Emit(Op::ToPattern, slot);
    if (kept == nullptr) return nullptr;
    JumpFrom(sitePattern);
    return kept;
}

// ---- Statements -------------------------------------------------------------------

void CompileAssignment(Compiler& c, const Stmt& s) {
    const VariableOperand v = c.VariableOf(s.subject, 0);
    // A computed variable is wanted until the assignment: the object's
    // code, which may compute variables of its own, goes above it.
    const Operand x = c.OperandOf(s.object, v.computed ? 1 : 0, true);
    // `V = PRED(...) X` and `V = X + 1`: one instruction computes and assigns.
    const Op last = x.source == From::Slot ? c.Last().op : Op::End;
    if ((last == Op::Concatenate || last == Op::Arithmetic || last == Op::LeafArithmetic) &&
        c.Last().a == x.slot) {
        c.Last().op = last == Op::Concatenate      ? Op::ConcatenateAssign
                      : last == Op::LeafArithmetic ? Op::LeafArithmeticAssign
                                                   : Op::ArithmeticAssign;
        c.Last().v = v;
        return;
    }
    Instruction& i = c.Emit(Op::Assign);
    i.v = v;
    i.x = x;
}

// A subject read in place may meet the kept table before anything else
// runs: MatchKept goes first, and where it cannot, the statement's code
// after it does the same step by step.
void CompileMatch(Compiler& c, const Stmt& s) {
    std::size_t matchKept = SIZE_MAX;
    if (s.subject != nullptr &&
        (IsConstant(s.subject) || s.subject->kind == ExprKind::Identifier) &&
        (s.subject->kind != ExprKind::Identifier || s.subject->entry != nullptr)) {
        // A name or constant: read and made a string by one instruction.
        Operand x;
        x.source = From::Name;
        if (s.subject->kind == ExprKind::Identifier) {
            x.name = s.subject->entry;
            x.value = &s.subject->entry->value;
        } else {
            x = c.OperandOf(s.subject, 0, false);
        }
        matchKept = c.Here();
        c.Emit(Op::MatchKept).x = x;
        c.Emit(Op::LoadString, 0).x = x;
    } else {
        c.ValueOf(s.subject, 0);
        c.Emit(Op::ToString, 0);
    }
    Site* site = c.PatternOf(s.pattern, 1, 0);
    c.Emit(Op::Match, 0).b = 1;
    if (matchKept == SIZE_MAX) return;
    if (site == nullptr) {
        c.Erase(matchKept); // the jumps of the code after it are relative
        return;
    }
    c.At(matchKept).site = site;
    c.JumpFrom(matchKept);
}

// Slots: 0 computes the variable, 1 holds the pattern, 2..4 the subject,
// the match start and the final cursor, 5 the replacement.
void CompileReplacement(Compiler& c, const Stmt& s) {
    const VariableOperand v = c.VariableOf(s.subject, 0);
    c.PatternOf(s.pattern, 1);
    Instruction& scan = c.Emit(Op::ReplaceScan, 2);
    scan.b = 1;
    scan.v = v;
    c.Reserve(4);
    c.ValueOf(s.object, 5);
    c.Emit(Op::ToString, 5);
    Instruction& finish = c.Emit(Op::ReplaceFinish, 2);
    finish.b = 5;
    finish.v = v;
}

void CompileBody(Compiler& c, const Stmt& s) {
    switch (s.kind) {
    case StmtKind::Assignment:
        CompileAssignment(c, s);
        break;
    case StmtKind::Match:
        CompileMatch(c, s);
        break;
    case StmtKind::Replacement:
        CompileReplacement(c, s);
        break;
    case StmtKind::Expression:
        c.ValueOf(s.subject, 0);
        break;
    case StmtKind::Empty:
        break;
    }
    c.Emit(Op::End);
}

int StatementLabelled(const Program& program, const StringItem* label) {
    if (label == nullptr) return 0;
    for (int i = 1; i <= program.count; ++i)
        if (program.statements[static_cast<std::size_t>(i)]->label == label) return i;
    return 0;
}

// A goto to a name goes to the statement carrying it, found now; only a
// computed target has code of its own, run when the goto is taken.
Transfer TransferTo(Compiler& c, const Program& program, const Target& target) {
    Transfer t;
    switch (target.kind) {
    case TargetKind::None:
        return t;
    case TargetKind::Special:
        t.kind = target.special == SpecialTarget::End      ? TransferKind::End
                 : target.special == SpecialTarget::Return ? TransferKind::Return
                                                           : TransferKind::FReturn;
        return t;
    case TargetKind::Computed:
        break;
    }
    const Expr* e = target.expression;
    if (e != nullptr && e->kind == ExprKind::Identifier) {
        t.at = StatementLabelled(program, e->entry);
        t.kind = t.at > 0 ? TransferKind::Statement : TransferKind::Undefined;
        return t;
    }
    t.kind = TransferKind::Computed;
    t.at = c.AddComputedGoto(e);
    return t;
}

void CompileGotos(Compiler& c, const Program& program, const Stmt& s, StatementCode& code) {
    if (!s.hasGotos) return;
    const Gotos& g = s.gotos;
    const Transfer unconditional = TransferTo(c, program, g.unconditional);
    if (g.unconditional.kind != TargetKind::None) {
        code.onSuccess = unconditional;
        code.onFailure = unconditional;
        return;
    }
    code.onSuccess = TransferTo(c, program, g.success);
    code.onFailure = TransferTo(c, program, g.failure);
}

} // namespace

void CompileProgram(const Program& program) {
    CompiledProgram& out = Exec().compiled;
    Compiler c(out);
    // The one code of every statement that is not compiled.
    const std::uint32_t walk = c.Here();
    c.Emit(Op::Walk);
    for (int n = 1; n <= program.count; ++n) {
        const Stmt& s = *program.statements[static_cast<std::size_t>(n)];
        StatementCode& code = out.statements[static_cast<std::size_t>(n)];
        const std::size_t size = out.code.size();
        const std::size_t sites = out.sites.size();
        const std::size_t gotos = out.gotos.size();
        c.Begin();
        code.start = c.Here();
        CompileBody(c, s);
        const std::uint32_t end = c.Here() - 1;
        CompileGotos(c, program, s, code);
        const bool compiled = c.ok();
        code.slots = static_cast<std::uint8_t>(c.slots());
        // Assignments leave no value behind, nor a match but its subject
        // string; the others may leave anything.
        if (s.kind == StmtKind::Assignment || s.kind == StmtKind::Empty ||
            s.kind == StmtKind::Match)
            code.clearFrom = kMaxSlots;
        else
            code.clearFrom = 0;
        if (code.clearFrom < code.slots)
            out.code[end].op = Op::EndClearing;
        else if (code.onSuccess.kind == TransferKind::Next)
            out.code[end].op = Op::EndNext;
        else if (code.onSuccess.kind == TransferKind::Statement)
            out.code[end].op = Op::EndGoto;
        else if (code.onSuccess.kind == TransferKind::Return)
            out.code[end].op = Op::EndReturn;
        if (!compiled) { // the evaluator runs it; its code is dropped
            out.code.resize(size);
            out.sites.resize(sites);
            out.gotos.resize(gotos);
            code = StatementCode{};
            code.start = walk;
        }
    }
    out.active = true;
    // The code is laid out; one block of slots for each level of the
    // statement cycle.
    int block = 1;
    for (int n = 1; n <= program.count; ++n) {
        StatementCode& code = out.statements[static_cast<std::size_t>(n)];
        code.first = &out.code[code.start];
        block = std::max(block, static_cast<int>(code.slots));
    }
    ExecutorState& ex = Exec();
    ex.slotBlock = block;
    ex.slots.assign(static_cast<std::size_t>(kSlotLevels * block), Value());
    ex.lastSlotBase = static_cast<int>(ex.slots.size()) - block;
    if (ex.checkCode) CheckProgramCode(program, out);
}

} // namespace vantel
