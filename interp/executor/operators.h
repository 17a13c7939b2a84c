// Concatenation and the dispatch of the binary operators on evaluated
// operands. Defined here, so that the evaluator's walk, which calls them for
// most nodes, takes them in place.
#pragma once

#include <utility>

#include "executor/executor.h"

namespace vantel {

// Concatenation: null on either side gives the other side unchanged; a
// pattern on either side makes a pattern; else the texts joined. A left
// pattern that nobody else holds may grow in place.
[[gnu::always_inline]] inline Value Concatenate(Value&& left, const Value& right) {
    if (Exec().failure) return Value();
    if (left.IsNull()) return right;
    if (right.IsNull()) return std::move(left);
    if (left.kind() == Kind::Pattern || right.kind() == Kind::Pattern)
        return ConcatenateOperands(std::move(left), right);
    // Both sides are entered as strings first (an empty line read gives null);
    // strings, the usual case, are taken as they are.
    const Value a = left.kind() == Kind::String ? std::move(left) : ToStringValue(left);
    const Value b = right.kind() == Kind::String ? right : ToStringValue(right);
    if (Exec().failure) return Value();
    if (a.IsNull() || b.IsNull()) return a.IsNull() ? b : a;
    return InternConcatenation(a.string(), b.string());
}
[[gnu::always_inline]] inline Value Concatenate(const Value& left, const Value& right) {
    return Concatenate(Value(left), right);
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
