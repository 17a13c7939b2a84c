// Assignment of values and pattern nodes from themselves and from a part of
// themselves: a pattern held by one value only, assigned a value that lives
// inside that pattern's table, must survive the table (sanitised builds see
// any read of the freed table).
#include <gtest/gtest.h>

#include <utility>

#include "executor/executor.h"
#include "harness.h"

namespace vantel {
namespace {

class ValueAssignment : public ::testing::Test {
protected:
    void SetUp() override { test::FreshTables(false); }

    // ARBNO(LEN(2)): the inner table is held only by the outer one's node 3.
    static Value Nested() { return MakeArbno(MakeNodePattern(Routine::Length, Value::Integer(2))); }
    static const Value& Inner(const Value& outer) { return outer.pattern()->node(3).argument; }
};

TEST_F(ValueAssignment, FromItselfKeepsThePattern) {
    Value p = MakeNodePattern(Routine::Length, Value::Integer(1));
    PatternTable* table = p.pattern();
    Value& same = p;
    p = same;
    ASSERT_EQ(p.pattern(), table);
    EXPECT_EQ(table->refs, 1);
    p = std::move(same);
    ASSERT_EQ(p.pattern(), table);
    EXPECT_EQ(table->refs, 1);
    p.TakeFrom(same);
    ASSERT_EQ(p.pattern(), table);
    EXPECT_EQ(table->refs, 1);
}

TEST_F(ValueAssignment, FromAPartOfItselfKeepsThePart) {
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        Value p = Nested();
        PatternTable* inner = Inner(p).pattern();
        ASSERT_EQ(inner->refs, 1);
        if (way == 0)
            p = Inner(p);
        else if (way == 1)
            p = std::move(p.pattern()->node(3).argument);
        else
            p.TakeFrom(p.pattern()->node(3).argument);
        ASSERT_EQ(p.pattern(), inner);
        EXPECT_EQ(inner->refs, 1);
        EXPECT_EQ(inner->node(1).routine, Routine::Length);
    }
}

TEST_F(ValueAssignment, NodeFromANodeItsArgumentKeepsAlive) {
    PatternTable* holder = NewPatternTable(1);
    Value keep = Value::Pattern(holder);
    PatternNode& n = holder->node(1);
    n.argument = Nested();
    // The node takes node 3 of the table that only its own argument holds.
    n = n.argument.pattern()->node(3);
    EXPECT_EQ(n.routine, Routine::ArbnoPiece);
    ASSERT_EQ(n.argument.kind(), Kind::Pattern);
    EXPECT_EQ(n.argument.pattern()->node(1).routine, Routine::Length);
    EXPECT_EQ(n.argument.pattern()->refs, 1);
    PatternNode& same = n;
    n = same;
    EXPECT_EQ(n.argument.pattern()->refs, 1);
}

} // namespace
} // namespace vantel
