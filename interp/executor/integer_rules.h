// The rules of integer arithmetic, the numeric comparisons, REMDR and SIZE,
// each defined once: the general evaluation and the integer steps done in
// place both use them.
#pragma once

#include <cstdint>
#include <string_view>

#include "translator/internal_form.h"

namespace vantel {

inline std::int32_t Wrap(std::uint32_t n) {
    return static_cast<std::int32_t>(n);
}
inline std::uint32_t Bits(std::int32_t n) {
    return static_cast<std::uint32_t>(n);
}

// n + 1, wrapping: a counter at the largest integer goes on from the smallest.
inline std::int32_t Increment(std::int32_t n) {
    return Wrap(Bits(n) + 1u);
}

// -n, wrapping: the negation of the smallest integer is itself.
inline std::int32_t Negate(std::int32_t n) {
    return Wrap(0u - Bits(n));
}

// a op b for + - * / in 32-bit two's complement, wrapping
// silently; the quotient is truncated toward zero, and -2147483648 / -1
// wraps to -2147483648. False for a division by zero (the caller reports it).
[[gnu::always_inline]] inline bool IntegerArithmetic(BinaryOp op, std::int32_t a, std::int32_t b,
                                                     std::int32_t& out) {
    switch (op) {
    case BinaryOp::Add:
        out = Wrap(Bits(a) + Bits(b));
        return true;
    case BinaryOp::Subtract:
        out = Wrap(Bits(a) - Bits(b));
        return true;
    case BinaryOp::Multiply:
        out = Wrap(Bits(a) * Bits(b));
        return true;
    default:
        if (b == 0) return false;
        out = b == -1 ? Negate(a) : a / b;
        return true;
    }
}

// Whether the comparison predicate p (LT ... GT) holds for a and b.
[[gnu::always_inline]] inline bool ComparisonHolds(Primitive p, std::int32_t a, std::int32_t b) {
    switch (p) {
    case Primitive::LT:
        return a < b;
    case Primitive::LE:
        return a <= b;
    case Primitive::EQ:
        return a == b;
    case Primitive::NE:
        return a != b;
    case Primitive::GE:
        return a >= b;
    default:
        return a > b;
    }
}

// REMDR(a, b), with the sign of a; by -1 it is 0 (the smallest integer would
// overflow). False for a divisor zero (the caller reports it).
[[gnu::always_inline]] inline bool IntegerRemainder(std::int32_t a, std::int32_t b,
                                                    std::int32_t& out) {
    if (b == 0) return false;
    out = b == -1 ? 0 : a % b;
    return true;
}

} // namespace vantel
