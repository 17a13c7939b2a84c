// Integer steps: arithmetic, comparisons, REMDR and SIZE whose operands are
// numbers or names holding integers (strings for SIZE), the steps of most
// loops, done in place by the evaluator without its general path. The
// marking pass before the run (MarkIntegerSteps) finds them; each step
// applies the same rules (integer_rules.h) as the general path, and any
// other outcome leaves the node to it.
#pragma once

#include <cstdint>

#include "executor/executor.h"
#include "executor/integer_rules.h"

namespace vantel {

// The comparison predicates on two integers are decided without the general
// call path; anything else (a defined function of that name, other kinds)
// takes the general one.
inline Value CompareIntegers(Primitive p, std::int32_t a, std::int32_t b) {
    return ComparisonHolds(p, a, b) ? Value() : Fail();
}

// Arithmetic and comparisons whose operands are integers, the steps of most
// loops, are done in place; false leaves the node to the evaluator.
[[gnu::always_inline]] inline bool IntegerOperands(const Expr* e, std::int32_t& a,
                                                   std::int32_t& b) {
    const Value& x = *e->integerOperands[0];
    const Value& y = *e->integerOperands[1];
    if (x.kind() != Kind::Integer || y.kind() != Kind::Integer) return false;
    a = x.integer();
    b = y.integer();
    return true;
}

// Division by 0 is left to the evaluator, which reports it.
[[gnu::always_inline]] inline bool ArithmeticOf(BinaryOp op, std::int32_t a, std::int32_t b,
                                                Value& result) {
    std::int32_t n = 0;
    if (!IntegerArithmetic(op, a, b, n)) return false;
    result = Value::Integer(n);
    return true;
}

// Comparisons and REMDR; a remainder by 0 is left to the general path.
[[gnu::always_inline]] inline bool PredicateOf(Primitive p, std::int32_t a, std::int32_t b,
                                               Value& result) {
    if (p != Primitive::REMDR) {
        result = CompareIntegers(p, a, b);
        return true;
    }
    std::int32_t n = 0;
    if (!IntegerRemainder(a, b, n)) return false;
    result = Value::Integer(n);
    return true;
}

inline bool ArithmeticStep(const Expr* e, Value& result) {
    std::int32_t a = 0, b = 0;
    return IntegerOperands(e, a, b) && ArithmeticOf(e->binaryOp, a, b, result);
}

// Only while no defined function has taken the name.
inline bool IntegerPredicate(const Expr* e, Value& result) {
    std::int32_t a = 0, b = 0;
    return e->entry->function < 0 && IntegerOperands(e, a, b) &&
           PredicateOf(e->primitive, a, b, result);
}

// Done out of line: nested steps are rare.
bool NestedStep(const Expr* e, Value& result);

// SIZE of a name holding a string or null.
inline bool SizeStep(const Expr* e, Value& result) {
    const Value& v = *e->integerOperands[0];
    if (e->entry->function >= 0 || (v.kind() != Kind::String && !v.IsNull())) return false;
    result = SizeOf(v);
    return true;
}

[[gnu::always_inline]] inline bool IntegerStep(const Expr* e, Value& result) {
    switch (e->shape) {
    case Shape::IntegerArithmetic:
        return ArithmeticStep(e, result);
    case Shape::IntegerPredicate:
        return IntegerPredicate(e, result);
    case Shape::NestedStep:
        [[unlikely]] return NestedStep(e, result);
    case Shape::Size:
        return SizeStep(e, result);
    default:
        return false;
    }
}

} // namespace vantel
