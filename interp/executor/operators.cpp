// Arithmetic on values converted to integers, and indirection.
#include "data/diagnostics.h"
#include "executor/executor.h"
#include "executor/integer_rules.h"

namespace vantel {

namespace {

std::int32_t IntegerOf(const Value& v) {
    return v.kind() == Kind::Integer && !Exec().failure ? v.integer() : ToInteger(v);
}

} // namespace

Value Arithmetic(BinaryOp op, const Value& left, const Value& right) {
    const std::int32_t a = IntegerOf(left);
    const std::int32_t b = IntegerOf(right);
    if (Exec().failure) return Value();
    std::int32_t n = 0;
    if (!IntegerArithmetic(op, a, b, n)) {
        ReportError("DIVISION BY ZERO");
        return Value();
    }
    return Value::Integer(n);
}

StringItem* EntryNamed(const Value& v, std::string_view text) {
    return v.kind() == Kind::String ? v.string() : LookupOrEnter(text);
}

Value Indirection(const Value& operand) {
    if (Exec().failure) return Value();
    if (operand.IsNull()) {
        ReportError("INDIRECTION APPLIED TO NULL STRING");
        return Value();
    }
    const std::string_view name = ToText(operand);
    if (Exec().failure) return Value();
    StringItem* entry = EntryNamed(operand, name);
    return entry != nullptr ? entry->value : Value();
}

} // namespace vantel
