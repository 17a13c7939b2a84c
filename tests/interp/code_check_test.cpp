// The slot check on code made by hand, each breaking the discipline in one
// way (the compiler's own code is checked by every program the tests run),
// and the instruction table's effect column against its uses.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "executor/code.h"
#include "harness.h"

namespace vantel {
namespace {

class CodeCheck : public ::testing::Test {
protected:
    void SetUp() override { test::FreshTables(false); }

    Instruction& Add(Op op, int a = 0, int b = 0) {
        Instruction& i = code_.emplace_back();
        i.op = op;
        i.a = static_cast<std::uint8_t>(a);
        i.b = static_cast<std::uint8_t>(b);
        return i;
    }
    Operand Name(const char* text) {
        Operand o;
        o.source = From::Name;
        o.name = LookupOrEnter(text);
        o.value = &o.name->value;
        return o;
    }
    static Operand SlotOperand(int slot) {
        Operand o;
        o.slot = static_cast<std::uint8_t>(slot);
        return o;
    }
    static VariableOperand VariableSlot(int slot) {
        VariableOperand v;
        v.computed = true;
        v.slot = static_cast<std::uint8_t>(slot);
        return v;
    }
    std::string Check(int slots) { return CheckCode(code_, 0, slots); }

    std::vector<Instruction> code_;
};

// $X = @($Y) compiled with the object from slot 0: the cursor's variable
// overwrites the one the assignment wants.
TEST_F(CodeCheck, FindsAVariableSlotOverwrittenBeforeItsUse) {
    Add(Op::LoadValue, 0).x = Name("X");
    Add(Op::Variable, 0);
    Add(Op::LoadValue, 0).x = Name("Y");
    Add(Op::Variable, 0);
    Add(Op::Cursor, 0).v = VariableSlot(0);
    Instruction& assign = Add(Op::Assign);
    assign.v = VariableSlot(0);
    assign.x = SlotOperand(0);
    Add(Op::End);
    EXPECT_EQ(Check(1), "instruction 4 (Variable) writes variable slot 0 between its definition "
                        "(instruction 2) and its last use");
    // The same with the object above the variable's slot.
    code_[2].a = 1;
    code_[2].x = Name("Y");
    code_[3].a = 1;
    code_[4].a = 1;
    code_[4].v = VariableSlot(1);
    code_[5].x = SlotOperand(1);
    EXPECT_EQ(Check(2), "");
}

TEST_F(CodeCheck, FindsReadsOfSlotsNotHoldingAWantedValue) {
    Instruction& add = Add(Op::Arithmetic, 0);
    add.binaryOp = BinaryOp::Add;
    add.x = Name("N");
    add.y = SlotOperand(1);
    Add(Op::End);
    EXPECT_EQ(Check(2), "instruction 1 (Arithmetic) reads slot 1 before it is written");

    code_.clear();
    Add(Op::LoadValue, 0).x = Name("N");
    Add(Op::Assign).x = SlotOperand(0);
    Add(Op::Assign).x = SlotOperand(0);
    Add(Op::End);
    EXPECT_EQ(Check(1), "instruction 3 (Assign) reads slot 0 after its last use (instruction 2)");

    code_.clear();
    Add(Op::LoadValue, 1).x = Name("N");
    Add(Op::End);
    EXPECT_EQ(Check(1), "instruction 1 (LoadValue) uses slot 1, beyond the statement's 1 slots");
}

// A call's general path uses the slot above its result: a value wanted
// there is lost.
TEST_F(CodeCheck, FindsAScratchSlotThatHoldsAWantedValue) {
    Add(Op::LoadValue, 1).x = Name("N");
    Instruction& compare = Add(Op::CompareLT, 0);
    compare.x = Name("A");
    compare.y = Name("B");
    Instruction& join = Add(Op::Concatenate, 0);
    join.x = SlotOperand(0);
    join.y = SlotOperand(1);
    Add(Op::End);
    EXPECT_EQ(Check(2), "instruction 2 (CompareLT) writes slot 1 between its definition "
                        "(instruction 1) and its last use");
}

// A match statement's code: each way through a kept pattern's jumps must
// find the slots it reads written.
TEST_F(CodeCheck, FollowsEveryWayThroughTheJumps) {
    const auto matchStatement = [&](bool withSubject) {
        code_.clear();
        if (withSubject) Add(Op::LoadString, 0).x = Name("S");
        Add(Op::MatchSite, 1, 0).jump = 3;
        Add(Op::LoadValue, 1).x = Name("P");
        Add(Op::ToPattern, 1);
        Add(Op::Match, 0, 1);
        Add(Op::End);
        return Check(2);
    };
    EXPECT_EQ(matchStatement(true), "");
    EXPECT_EQ(matchStatement(false), "instruction 1 (MatchSite) reads slot 0 before it is written");

    // The jump lands on an instruction that reads what only the skipped
    // code writes.
    code_.clear();
    Add(Op::LoadString, 0).x = Name("S");
    Add(Op::SitePattern, 1).jump = 2;
    Add(Op::LoadValue, 2).x = Name("Q");
    Instruction& either = Add(Op::Alternate, 1);
    either.x = Name("P");
    either.y = SlotOperand(2);
    Add(Op::Match, 0, 1);
    Add(Op::End);
    EXPECT_EQ(Check(3), "instruction 4 (Alternate) reads slot 2 before it is written");

    code_[1].jump = 9;
    EXPECT_EQ(Check(3), "instruction 2 (SitePattern) jumps to no instruction after the next");
}

// The effect column names exactly the fields the uses column has the
// instruction read or write, so the listing shows what the check checks.
TEST(InstructionTable, EffectsNameTheFieldsTheyUse) {
    struct Field {
        char letter;
        Uses uses;
    };
    const Field fields[] = {
        {'A', use::A | use::SetA},
        {'B', use::B | use::BKept},
        {'X', use::X},
        {'Y', use::Y},
        {'V', use::V | use::VKept},
        {'R', use::Args},
        {'T', use::Triple | use::SetTriple},
        {'W', use::SetVarA},
        {'J', use::Jump},
    };
    for (std::size_t k = 0; k < kOpCount; ++k) {
        const OpInfo& op = op_table::kOps[k];
        const std::string effect = op.effect;
        for (const Field& f : fields) {
            bool named = false;
            for (std::size_t c = 0; c < effect.size(); ++c) {
                const auto letter = [&](std::size_t at) {
                    return at < effect.size() &&
                           std::isalpha(static_cast<unsigned char>(effect[at]));
                };
                if (effect[c] == f.letter && (c == 0 || !letter(c - 1)) && !letter(c + 1))
                    named = true;
            }
            EXPECT_EQ(named, (op.uses & f.uses) != 0) << op.name << " and " << f.letter;
        }
    }
}

} // namespace
} // namespace vantel
