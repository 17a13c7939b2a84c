// A generator of well-formed programs with typed expressions, driven by a
// fuzzer's bytes: each byte is one choice of the grammar (which statement,
// which operator, which operand), and once the bytes run out the choices
// come from a pseudo-random sequence seeded by them, so that every input,
// even an empty one, gives a whole program. The same bytes always give the
// same program.
//
// Expressions are made by the kind of value they yield (integer, string,
// pattern, or a variable of any kind), nested in every position, so that
// programs run rather than stop at the first conversion error. The program
// shapes are those that break a compiler's bookkeeping: a variable as its own
// operand, computed variables in subjects, objects and capture targets, match
// sites whose variables change kind between executions, functions defined
// over primitives and redefined while they run, recursion to the run-stack
// limit, computed gotos, traces, files, and the limits.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace fuzz {

struct GeneratorOptions {
    // A variable may be its own operand (P = P, P = X P, $'P' = P, S ARB = S).
    // Turned off only to measure how soon the target finds other faults
    // while one of self-assignment is still open.
    bool selfOperands = true;
};

// The program text: its cards, END, and the data lines after END.
std::string GenerateProgram(std::span<const std::uint8_t> bytes,
                            const GeneratorOptions& options = {});

} // namespace fuzz
