// The comparison predicates on integers, done without the general call
// path by the evaluator and the compiled code alike.
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

} // namespace vantel
