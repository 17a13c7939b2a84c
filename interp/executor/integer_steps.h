// Integer steps: comparisons and REMDR whose operands hold integers, the
// steps of most loops, done in place without the general call path. Each
// applies the same rules (integer_rules.h) as the general path, and any
// other outcome leaves the node to it.
#pragma once

#include <cstdint>

#include "executor/executor.h"
#include "executor/integer_rules.h"

namespace vantel {

// The comparison predicates on two integers; anything else (a defined
// function of that name, other kinds) takes the general path.
inline Value CompareIntegers(Primitive p, std::int32_t a, std::int32_t b) {
    return ComparisonHolds(p, a, b) ? Value() : Fail();
}

// Comparisons and REMDR of two integers; a remainder by 0 is left to the
// general path, which reports it.
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

} // namespace vantel
