// Concatenation and the dispatch of the binary operators on evaluated
// operands. Defined here, so that the evaluator's walk, which calls them for
// most nodes, takes them in place.
#pragma once

#include "executor/executor.h"

namespace vantel {

[[gnu::always_inline]] inline Value Concatenate(const Value& left, const Value& right) {
    if (Exec().failure) return Value();
    if (left.IsNull()) return right;
    if (right.IsNull()) return left;
    if (left.kind() == Kind::Pattern || right.kind() == Kind::Pattern)
        return ConcatenateOperands(Value(left), right);
    // Both sides are entered as strings first (an empty line read gives null);
    // strings, the usual case, are taken as they are.
    const Value a = left.kind() == Kind::String ? left : ToStringValue(left);
    const Value b = right.kind() == Kind::String ? right : ToStringValue(right);
    if (Exec().failure) return Value();
    if (a.IsNull() || b.IsNull()) return a.IsNull() ? b : a;
    return InternConcatenation(a.string(), b.string());
}

[[gnu::always_inline]] inline Value ApplyBinary(BinaryOp op, const Value& left,
                                                const Value& right) {
    if (Exec().failure) return Value();
    switch (op) {
    case BinaryOp::Concatenation:
        return Concatenate(left, right);
    case BinaryOp::Alternation:
        return AlternateOperands(left, right);
    default:
        return Arithmetic(op, left, right);
    }
}

} // namespace vantel
