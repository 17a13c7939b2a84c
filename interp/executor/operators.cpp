// The binary operators on evaluated operands, and indirection.
#include "data/diagnostics.h"
#include "executor/executor.h"
#include "executor/integer_rules.h"

namespace vantel {

namespace {

Value Concatenate(const Value& left, const Value& right) {
    if (gExec.failure) return Value();
    if (left.IsNull()) return right;
    if (right.IsNull()) return left;
    if (left.kind() == Kind::Pattern || right.kind() == Kind::Pattern)
        return ConcatenateOperands(Value(left), right);
    // Both sides are entered as strings first (an empty line read gives null);
    // strings, the usual case, are taken as they are.
    const Value a = left.kind() == Kind::String ? left : ToStringValue(left);
    const Value b = right.kind() == Kind::String ? right : ToStringValue(right);
    if (gExec.failure) return Value();
    if (a.IsNull() || b.IsNull()) return a.IsNull() ? b : a;
    return InternConcatenation(a.string(), b.string());
}

std::int32_t IntegerOf(const Value& v) {
    return v.kind() == Kind::Integer && !gExec.failure ? v.integer() : ToInteger(v);
}

} // namespace

Value Arithmetic(BinaryOp op, const Value& left, const Value& right) {
    const std::int32_t a = IntegerOf(left);
    const std::int32_t b = IntegerOf(right);
    if (gExec.failure) return Value();
    std::int32_t n = 0;
    if (!IntegerArithmetic(op, a, b, n)) {
        ReportError("DIVISION BY ZERO");
        return Value();
    }
    return Value::Integer(n);
}

Value ApplyBinary(BinaryOp op, const Value& left, const Value& right) {
    if (gExec.failure) return Value();
    switch (op) {
    case BinaryOp::Concatenation:
        return Concatenate(left, right);
    case BinaryOp::Alternation:
        return AlternateOperands(left, right);
    default:
        return Arithmetic(op, left, right);
    }
}

StringItem* EntryNamed(const Value& v, std::string_view text) {
    return v.kind() == Kind::String ? v.string() : LookupOrEnter(text);
}

Value Indirection(const Value& operand) {
    if (gExec.failure) return Value();
    if (operand.IsNull()) {
        ReportError("INDIRECTION APPLIED TO NULL STRING");
        return Value();
    }
    const std::string_view name = ToText(operand);
    if (gExec.failure) return Value();
    StringItem* entry = EntryNamed(operand, name);
    return entry != nullptr ? entry->value : Value();
}

} // namespace vantel
