// The comparison predicates, REMDR and SIZE done in place, without the
// general call, by the evaluator and the compiled code alike: each path
// asks here whether the step may be taken in place, and takes it by the
// rules of integer_rules.h. Anything else (a defined function of that
// name, other kinds of operand) takes the general call.
#pragma once

#include <cstdint>

#include "executor/executor.h"
#include "executor/integer_rules.h"

namespace vantel {

// Whether a comparison or REMDR of a and b, called by `name`, is done in
// place: the name calls the built-in function and both are integers.
[[gnu::always_inline]] inline bool IntegersInPlace(const StringItem* name, const Value& a,
                                                   const Value& b) {
    return CallsBuiltIn(name) && a.kind() == Kind::Integer && b.kind() == Kind::Integer;
}

// Whether SIZE of v, called by `name`, is taken in place: the name calls
// the built-in function and v is a string or null.
[[gnu::always_inline]] inline bool SizeInPlace(const StringItem* name, const Value& v) {
    return CallsBuiltIn(name) && (v.kind() == Kind::String || v.IsNull());
}

// The comparison predicate p on two integers: null when it holds, else a
// failure.
inline Value CompareIntegers(Primitive p, std::int32_t a, std::int32_t b) {
    return ComparisonHolds(p, a, b) ? Value() : Fail();
}

} // namespace vantel
