// Expression evaluation: the evaluator's walk over an expression tree, the
// operands it takes in place, argument values of calls,
// and the variables that expressions name.
#include <array>
#include <utility>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/textfile.h"
#include "executor/calls.h"
#include "executor/executor.h"
#include "executor/integer_steps.h"
#include "executor/operators.h"

namespace vantel {

namespace {

Value ApplyUnary(UnaryOp op, const Expr* operand) {
    if (op == UnaryOp::Cursor) {
        StringItem* variable = EvaluateVariable(operand);
        if (Exec().failure) return Value();
        return MakeNodePattern(Routine::Cursor, Value::String(variable));
    }
    const Value v = Evaluate(operand);
    if (Exec().failure) return Value();
    return UnaryOf(op, v);
}

Value ReadIdentifier(StringItem* entry) {
    if (entry->special == SpecialName::Input) {
        if (!ReadStandardInput(entry)) return Fail();
        return entry->value;
    }
    if (entry->value.kind() == Kind::File && entry->value.file()->input) {
        // The line goes through a temporary variable; the entry keeps its file.
        StringItem temporary;
        temporary.name = " __tEmPoRaRy vAr__ ";
        if (!ReadLineInto(entry->value.file(), &temporary)) return Fail();
        return temporary.value;
    }
    return entry->value;
}

// The value of a number, literal or name.
[[gnu::always_inline]] inline Value LeafValue(const Expr* e) {
    switch (e->kind) {
    case ExprKind::Integer:
        return e->number;
    case ExprKind::Literal:
        return Value::String(e->entry);
    default:
        return ReadName(e->entry);
    }
}

bool IsLeaf(const Expr* e) {
    return e->kind == ExprKind::Integer || e->kind == ExprKind::Literal ||
           e->kind == ExprKind::Identifier;
}

// Operands that are numbers, literals and names are taken in place, without
// a call of the evaluator.
[[gnu::always_inline]] inline Value Operand(const Expr* e) {
    if (e != nullptr && !Exec().failure && FastPaths() && IsLeaf(e)) return LeafValue(e);
    return Evaluate(e);
}

Value EvaluateCall(const Expr* call) {
    if (call->count <= 2) { // most calls: two slots on the stack, no loops
        Value args[2];
        if (call->count >= 1 && call->args[0] != nullptr) args[0] = Operand(call->args[0]);
        if (call->count == 2 && call->args[1] != nullptr) args[1] = Operand(call->args[1]);
        return CallWith(call, args);
    }
    std::array<Value, kMaxArguments> args;
    for (int i = 0; i < call->count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (call->args[k] != nullptr) args[k] = Operand(call->args[k]);
    }
    return CallWith(call, args.data());
}

Value EvaluateBinary(const Expr* e) {
    Value left = Operand(e->left);
    if (IsValueAssignment(e->binaryOp)) {
        // The left operand becomes a pattern before the variable is evaluated.
        const Value pattern = left.IsNull() ? Value() : ToPattern(left);
        StringItem* variable = EvaluateVariable(e->right);
        if (Exec().failure) return Value();
        return ValueAssignmentPattern(pattern, variable,
                                      e->binaryOp == BinaryOp::ImmediateAssignment);
    }
    const Value right = Operand(e->right);
    if (Exec().failure) return Value();
    const BinaryOp op = e->binaryOp;
    if (!FastPaths()) return ApplyBinary(op, left, right);
    if (op == BinaryOp::Concatenation) // a temporary left pattern may grow in place
        return Concatenate(std::move(left), right);
    std::int32_t n = 0;
    if (IsArithmetic(op) && left.kind() == Kind::Integer && right.kind() == Kind::Integer &&
        IntegerArithmetic(op, left.integer(), right.integer(), n))
        return Value::Integer(n);
    return ApplyBinary(op, left, right);
}

} // namespace

Value ReadName(StringItem* entry) {
    if (entry == nullptr) return Value();
    if (ReadsOnUse(entry)) return ReadIdentifier(entry);
    return entry->value;
}

Value UnaryOf(UnaryOp op, const Value& v) {
    if (Exec().failure) return Value();
    switch (op) {
    case UnaryOp::Indirection:
        return Indirection(v);
    case UnaryOp::Plus:
        return Value::Integer(ToInteger(v));
    case UnaryOp::Minus:
        return Value::Integer(Negate(ToInteger(v)));
    default:
        ReportError("INVALID UNARY OPERATOR FOUND");
        return Value();
    }
}

Value CallWith(const Expr* call, Value* args) {
    if (Exec().failure) return Value();
    const StringItem* name = call->entry;
    if (name != nullptr && FastPaths()) {
        if (IsComparison(call->primitive) && IntegersInPlace(name, args[0], args[1]))
            return CompareIntegers(call->primitive, args[0].integer(), args[1].integer());
        // SIZE, as the primitive computes it, without the call.
        if (call->primitive == Primitive::SIZE && call->count == 1 && SizeInPlace(name, args[0]))
            return SizeOf(args[0]);
    }
    return CallFunction(call, args, call->count);
}

Value Evaluate(const Expr* e) {
    if (Exec().failure || e == nullptr) return Value();
    switch (e->kind) {
    case ExprKind::Unary:
        return ApplyUnary(e->unaryOp, e->left);
    case ExprKind::Binary:
        return EvaluateBinary(e);
    case ExprKind::Call:
        return EvaluateCall(e);
    default:
        return LeafValue(e);
    }
}

StringItem* VariableNamed(const Value& v) {
    if (Exec().failure) return nullptr;
    const std::string_view name = ToText(v);
    if (Exec().failure) return nullptr;
    if (name.empty()) {
        ReportError("NULL RESULT WHERE VAR REQUIRED");
        return nullptr;
    }
    return EntryNamed(v, name);
}

StringItem* ComputeVariable(const Expr* e) {
    if (e == nullptr || Exec().failure) return nullptr;
    if (e->kind != ExprKind::Unary) {
        ReportError("INAPPROPRIATE EXPR WHERE VAR REQUIRED");
        return nullptr;
    }
    if (e->unaryOp != UnaryOp::Indirection) {
        ReportError("Inappropriate unary expr where var required");
        return nullptr;
    }
    return VariableNamed(Evaluate(e->left));
}

} // namespace vantel
