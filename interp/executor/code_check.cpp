// The slot check: the compiler's slot discipline (see code.h) checked over
// the code it made, from the uses that the instruction table gives each
// instruction. Every way through a statement's code is followed on its
// own: a code has at most a few forward jumps, so there are few ways.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "executor/code.h"
#include "executor/executor.h"

namespace vantel {

namespace {

// What one slot holds at a point of the code.
struct SlotState {
    bool wanted = false; // a value that a later instruction reads
    int writer = 0;      // the instruction that wrote it or last read it (1-based)
};

struct SlotStates {
    std::array<SlotState, kMaxSlots> values{};
    std::array<SlotState, kMaxSlots> variables{};
};

class Checker {
public:
    Checker(const std::vector<Instruction>& code, std::uint32_t start, int slots)
        : code_(code), start_(start), slots_(slots) {}

    std::string Run(const VariableOperand* target) {
        target_ = target;
        Follow(start_, SlotStates{});
        return problem_;
    }

private:
    int Number(std::size_t index) const { return static_cast<int>(index - start_) + 1; }

    void Report(std::size_t index, const std::string& what) {
        if (!problem_.empty()) return;
        const Instruction& i = code_[index];
        problem_ =
            "instruction " + std::to_string(Number(index)) + " (" + Info(i.op).name + ") " + what;
    }

    static std::string SlotName(bool variable, int slot) {
        return std::string(variable ? "variable slot " : "slot ") + std::to_string(slot);
    }

    SlotState* At(SlotStates& s, bool variable, int slot, std::size_t index) {
        if (slot < 0 || slot >= slots_ || slot >= kMaxSlots) {
            Report(index, "uses " + SlotName(variable, slot) + ", beyond the statement's " +
                              std::to_string(slots_) + " slots");
            return nullptr;
        }
        return variable ? &s.variables[static_cast<std::size_t>(slot)]
                        : &s.values[static_cast<std::size_t>(slot)];
    }

    // A read; `kept` when a later instruction reads the value again.
    void Read(SlotStates& s, bool variable, int slot, bool kept, std::size_t index) {
        SlotState* state = At(s, variable, slot, index);
        if (state == nullptr) return;
        if (!state->wanted) {
            Report(index, "reads " + SlotName(variable, slot) +
                              (state->writer == 0 ? " before it is written"
                                                  : " after its last use (instruction " +
                                                        std::to_string(state->writer) + ")"));
            return;
        }
        if (kept) return;
        state->wanted = false;
        state->writer = Number(index);
    }

    // A write; `wanted` when the value is for a later instruction, not
    // scratch or a clearing.
    void Write(SlotStates& s, bool variable, int slot, bool wanted, std::size_t index) {
        SlotState* state = At(s, variable, slot, index);
        if (state == nullptr) return;
        if (state->wanted) {
            Report(index, "writes " + SlotName(variable, slot) + " between its definition " +
                              "(instruction " + std::to_string(state->writer) +
                              ") and its last use");
            return;
        }
        state->wanted = wanted;
        state->writer = Number(index);
    }

    void ReadOperand(SlotStates& s, const Operand& o, std::size_t index) {
        if (o.source == From::Slot) Read(s, false, o.slot, false, index);
    }

    // The reads of instruction i, then its writes but those of slot a that
    // a jump decides (see Follow).
    void Apply(SlotStates& s, const Instruction& i, std::size_t index) {
        const Uses u = Info(i.op).uses;
        if (u & use::X) ReadOperand(s, i.x, index);
        if (u & use::Y) ReadOperand(s, i.y, index);
        if (u & use::A) Read(s, false, i.a, false, index);
        if (u & use::B) Read(s, false, i.b, false, index);
        if (u & use::BKept) Read(s, false, i.b, true, index);
        if ((u & (use::V | use::VKept)) && i.v.computed)
            Read(s, true, i.v.slot, (u & use::VKept) != 0, index);
        if (u & use::Args)
            for (int k = 0; k < i.b; ++k)
                Read(s, false, i.a + k, false, index);
        if (u & use::Triple)
            for (int k = 0; k < 3; ++k)
                Read(s, false, i.a + k, false, index);
        if ((u & use::SetA) && !(u & use::Jump)) Write(s, false, i.a, true, index);
        if (u & use::SetTriple)
            for (int k = 0; k < 3; ++k)
                Write(s, false, i.a + k, true, index);
        if (u & use::SetVarA) Write(s, true, i.a, true, index);
        if (u & use::ScratchA) Write(s, false, i.a, false, index);
        if (u & use::ScratchA1) Write(s, false, i.a + 1, false, index);
        if (u & use::ClearArgs)
            for (int k = 1; k < i.b; ++k)
                Write(s, false, i.a + k, false, index);
        if (u & use::ClearB)
            for (int k = i.b; k < slots_; ++k)
                Write(s, false, k, false, index);
    }

    // Follows one way through the code from instruction `index`.
    void Follow(std::size_t index, SlotStates s) {
        for (; problem_.empty(); ++index) {
            if (index >= code_.size()) {
                Report(index - 1, "is not followed by the end of the code");
                return;
            }
            const Instruction& i = code_[index];
            const Uses u = Info(i.op).uses;
            Apply(s, i, index);
            if (u & use::Stops) return;
            if (u & use::Ends) {
                if (i.op == Op::GotoEnd && target_ != nullptr && target_->computed)
                    Read(s, true, target_->slot, false, index);
                return;
            }
            if (u & use::Jump) {
                const std::size_t to = index + i.jump;
                if (i.jump < 2 || to >= code_.size()) {
                    Report(index, "jumps to no instruction after the next");
                    return;
                }
                SlotStates jumped = s;
                if (u & use::SetA) Write(jumped, false, i.a, true, index);
                if (u & use::Past) {
                    SlotStates matched = s;
                    Read(matched, false, i.b, false, index);
                    Follow(to + 1, matched);
                }
                Follow(to, jumped);
                // Going on, slot a may have been written on the way.
                if (u & use::SetA) Write(s, false, i.a, false, index);
            }
        }
    }

    const std::vector<Instruction>& code_;
    std::uint32_t start_;
    int slots_;
    const VariableOperand* target_ = nullptr;
    std::string problem_;
};

[[noreturn]] void CodeCheckFailed(const Program& program, const CompiledProgram& compiled, int n,
                                  const std::string& problem) {
    std::fprintf(stderr, "vantel: the code of statement %d breaks the slot discipline: %s\n%s", n,
                 problem.c_str(), StatementListing(program, compiled, n).c_str());
    std::abort();
}

} // namespace

std::string CheckCode(const std::vector<Instruction>& code, std::uint32_t start, int slots,
                      const VariableOperand* target) {
    return Checker(code, start, slots).Run(target);
}

void CheckProgramCode(const Program& program, const CompiledProgram& compiled) {
    for (int n = 1; n <= program.count; ++n) {
        const StatementCode& code = compiled.statements[static_cast<std::size_t>(n)];
        const int slots = code.slots;
        std::string problem = CheckCode(compiled.code, code.start, slots);
        for (const Transfer* t : {&code.onSuccess, &code.onFailure}) {
            if (!problem.empty() || t->kind != TransferKind::Computed) continue;
            const ComputedGoto& g = compiled.gotos[static_cast<std::size_t>(t->at)];
            problem = CheckCode(compiled.code, g.code, slots, &g.target);
            if (!problem.empty()) problem = "in its goto code, " + problem;
        }
        if (!problem.empty()) CodeCheckFailed(program, compiled, n, problem);
    }
}

} // namespace vantel
