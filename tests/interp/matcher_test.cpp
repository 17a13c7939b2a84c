#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/diagnostics.h"
#include "executor/executor.h"
#include "harness.h"

namespace vantel {
namespace {

class Matcher : public ::testing::Test {
protected:
    void SetUp() override { test::FreshTables(false); }

    static Value Str(const char* text) { return InternString(text); }
    static Value Node(Routine r, Value arg) { return MakeNodePattern(r, arg); }
    static Value Int(int n) { return Value::Integer(n); }
    static Value Cat(const Value& a, const Value& b) {
        return ConcatPatterns(ToPattern(a), ToPattern(b));
    }
    static Value Alt(const Value& a, const Value& b) {
        return AlternatePatterns(ToPattern(a), ToPattern(b));
    }

    // The final cursor of one attempt, or -1 when it fails.
    static int Match(const char* subject, const Value& pattern, int cursor = 0) {
        Exec().failure = false;
        const int r = MatchAttempt(subject, ToPattern(pattern).pattern(), cursor);
        const bool failed = Exec().failure;
        Exec().failure = false;
        return failed ? -1 : r;
    }
};

TEST_F(Matcher, CharacterClassRoutines) {
    EXPECT_EQ(Match("AA", Node(Routine::Span, Str("A"))), 2);
    EXPECT_EQ(Match("AB;", Node(Routine::Break, Str(";"))), 2);
    EXPECT_EQ(Match(";", Node(Routine::Break, Str(";"))), 0);
    EXPECT_EQ(Match("AB", Node(Routine::Break, Str(";"))), -1);
    EXPECT_EQ(Match("", Node(Routine::Span, Str("A"))), -1);
    EXPECT_EQ(Match("b", Node(Routine::Any, Str("abc"))), 1);
    EXPECT_EQ(Match("B", Node(Routine::Any, Str("abc"))), -1);
    EXPECT_EQ(Match("B", Node(Routine::NotAny, Str("abc"))), 1);
    EXPECT_EQ(Match("a", Node(Routine::NotAny, Str("abc"))), -1);
    EXPECT_EQ(Match("\xff\x80", Node(Routine::Span, Str("\x80\xff"))), 2);
}

// Every class routine, with the fast paths on and off, against the
// membership the class's characters define: classes that are one run of
// codes (at both ends of the code range, with repeats and in any order),
// classes with a gap of one code, and the empty class.
TEST_F(Matcher, CharacterClassesAgreeWithTheirCharacters) {
    const std::vector<std::string> classes = {"a",
                                              "abcdefghijklmnopqrstuvwxyz",
                                              "zyxab"
                                              "cdefghijklmnopqrstuvw",
                                              "aab",
                                              "ac",
                                              "abd",
                                              "a-z",
                                              "09",
                                              "0123456789",
                                              std::string("\0\1", 2),
                                              "\xfe\xff",
                                              "\x7f\x80",
                                              "\xff\x01",
                                              " ",
                                              "",
                                              std::string(1, '\0')};
    const std::vector<std::string> subjects = {
        "", "b", "abc xyz", "  ab", "9a0", std::string("\0\1\2a", 4), "\xff\xfe\x80q", "zz{`"};
    const struct {
        Routine routine;
        const char* name;
    } routines[] = {{Routine::Break, "BREAK"},
                    {Routine::Span, "SPAN"},
                    {Routine::Any, "ANY"},
                    {Routine::NotAny, "NOTANY"}};
    for (const std::string& chars : classes) {
        const auto in = [&](char ch) { return chars.find(ch) != std::string::npos; };
        for (const std::string& subject : subjects) {
            for (int c = 0; c <= static_cast<int>(subject.size()); ++c) {
                const std::string rest = subject.substr(static_cast<std::size_t>(c));
                std::size_t k = 0;
                while (k < rest.size() && !in(rest[k]))
                    ++k;
                const int breakEnd = k < rest.size() ? c + static_cast<int>(k) : -1;
                k = 0;
                while (k < rest.size() && in(rest[k]))
                    ++k;
                const int spanEnd = k > 0 ? c + static_cast<int>(k) : -1;
                const bool first = !rest.empty() && in(rest[0]);
                const int expected[] = {breakEnd, spanEnd, first ? c + 1 : -1,
                                        !rest.empty() && !first ? c + 1 : -1};
                for (std::size_t r = 0; r < 4; ++r) {
                    const Value p = Node(routines[r].routine, InternString(chars));
                    for (const bool fast : {true, false}) {
                        Data().fastPaths = fast;
                        const std::string_view text(subject);
                        Exec().failure = false;
                        const int got = MatchAttempt(text, p.pattern(), c);
                        EXPECT_EQ(Exec().failure ? -1 : got, expected[r])
                            << routines[r].name << " of " << chars.size() << " chars \"" << chars
                            << "\" at " << c << " in \"" << subject << "\", fast " << fast;
                    }
                }
            }
        }
    }
    Data().fastPaths = true;
    Exec().failure = false;
}

TEST_F(Matcher, PositionRoutines) {
    EXPECT_EQ(Match("ABC", Node(Routine::Length, Int(0))), 0);
    EXPECT_EQ(Match("ABC", Node(Routine::Length, Int(4))), -1);
    EXPECT_EQ(Match("ABCD", Node(Routine::Tab, Int(2)), 3), -1);
    EXPECT_EQ(Match("ABCD", Node(Routine::Tab, Int(2)), 1), 2);
    EXPECT_EQ(Match("ABCD", Node(Routine::RTab, Int(0))), 4);
    EXPECT_EQ(Match("ABCD", Node(Routine::RPos, Int(1)), 3), 3);
    const Value posRpos = Cat(Node(Routine::Pos, Int(0)), Node(Routine::RPos, Int(0)));
    EXPECT_EQ(Match("", posRpos), 0);
    EXPECT_EQ(Match("A", posRpos), -1);
    EXPECT_EQ(Match("ABC", Str("ABC")), 3);
    EXPECT_EQ(Match("AB", Str("ABC")), -1);
    EXPECT_EQ(Match("ABC", Value()), 0) << "the null pattern matches the empty string";
}

TEST_F(Matcher, ArbAndArbnoBacktracking) {
    StringItem* x = LookupOrEnter("X");
    const Value arbX = ValueAssignmentPattern(StringAt(1)->value, x, false);
    ClearPending();
    EXPECT_EQ(Match("ABC", Cat(Cat(Str("A"), arbX), Str("C"))), 3);
    PerformPending();
    EXPECT_EQ(ToText(x->value), "B");

    const Value arbnoA = MakeArbno(ToPattern(Str("A")));
    EXPECT_EQ(Match("AAB", Cat(arbnoA, Str("B"))), 3);
    EXPECT_EQ(Match("AB", Cat(arbnoA, Str("C"))), -1);
    EXPECT_EQ(Match("AB", Cat(MakeArbno(ToPattern(Value())), Str("C"))), -1)
        << "repeating nothing cannot loop";
}

TEST_F(Matcher, ImmediateAssignmentHappensEvenWhenTheMatchFails) {
    StringItem* y = LookupOrEnter("Y");
    const Value p = Cat(ValueAssignmentPattern(Str("A"), y, true), Str("Z"));
    EXPECT_EQ(Match("AB", p), -1);
    EXPECT_EQ(ToText(y->value), "A");
    // The start node keeps the cursor recorded by the matcher.
    EXPECT_EQ(p.pattern()->node(1).routine, Routine::ImmStart);
    EXPECT_EQ(Match("XAZ", p, 1), 3);
    EXPECT_EQ(p.pattern()->node(1).extra, 1);
}

// @name assigns the cursor through the assignment routine: a variable
// holding a pattern takes the integer, OUTPUT writes at every attempt, a
// keyword takes it as its value, and a protected keyword stops the run at
// the match's statement.
TEST(MatcherCursor, AssignsToEveryKindOfVariable) {
    const std::vector<std::string> lines =
        test::OutputLines(" &ANCHOR = 0\n P = LEN(1)\n 'abc' LEN(1) @P LEN(1) @Q\n OUTPUT = P Q\n"
                          " 'abcd' @OUTPUT 'x'\n 'abc' LEN(2) @&ANCHOR\n OUTPUT = &ANCHOR\n"
                          " 'abc' ARBNO(LEN(1) @R) RPOS(0)\n OUTPUT = R\n"
                          " 'abc' TAB(1) @&STNO\n OUTPUT = 'not reached'\nEND\n");
    const std::vector<std::string> expected = {"12",
                                               "0",
                                               "1",
                                               "2",
                                               "3",
                                               "2",
                                               "3",
                                               "--- ATTEMPTED ASSIGNMENT TO PROTECTED KEYWORD ---",
                                               "--- ERROR OCCURRED ON STATEMENT 10 ---"};
    EXPECT_EQ(lines, expected);
}

// The variable alone holds the table; @P makes it an integer halfway
// through the attempt, which must still finish on the same nodes and then
// let the table go (a sanitized build reports it kept or freed too early).
TEST_F(Matcher, ACursorAssignmentMayDropTheLastReferenceToThePattern) {
    StringItem* p = LookupOrEnter("P");
    for (const bool fast : {true, false}) {
        Data().fastPaths = fast;
        p->value = Cat(Cat(Node(Routine::Length, Int(1)), Node(Routine::Cursor, Value::String(p))),
                       Node(Routine::Span, Str("bc")));
        Exec().failure = false;
        EXPECT_EQ(MatchAttempt("abc", p->value.pattern(), 0), 3) << "fast " << fast;
        EXPECT_FALSE(Exec().failure);
        EXPECT_EQ(p->value.kind(), Kind::Integer);
        EXPECT_EQ(p->value.integer(), 1);
    }
    Data().fastPaths = true;
}

// A list cleared after a longer one keeps nothing of it: a variable recorded
// in an earlier statement's list is recorded afresh, and records of one
// plain variable collapse only back to the last record with an effect.
TEST_F(Matcher, PendingAssignmentsBelongToOneStatement) {
    StringItem* p = LookupOrEnter("P");
    StringItem* q = LookupOrEnter("Q");
    StringItem* x = LookupOrEnter("X");
    StringItem* k = LookupOrEnter("K");
    k->value = Value::Keyword(KeywordIndex::Trim, false);
    const auto cond = [](StringItem* v) {
        return ValueAssignmentPattern(Node(Routine::Length, Int(1)), v, false);
    };
    ClearPending();
    EXPECT_EQ(Match("ABC", Cat(Cat(cond(p), cond(q)), cond(x))), 3);
    ClearPending(); // a failed statement: nothing is assigned
    EXPECT_EQ(Match("D", cond(x)), 1);
    PerformPending();
    EXPECT_EQ(ToText(x->value), "D");
    EXPECT_TRUE(p->value.IsNull() && q->value.IsNull());

    // X, then the keyword alias, then X again: both of X's records stay, in
    // order, around the keyword's.
    ClearPending();
    EXPECT_EQ(Match("123", Cat(Cat(cond(x), cond(k)), cond(x))), 3);
    EXPECT_EQ(Match("45", Cat(cond(x), cond(x))), 2);
    PerformPending();
    EXPECT_EQ(KeywordValue(KeywordIndex::Trim), 2);
    EXPECT_EQ(ToText(x->value), "5");
}

TEST_F(Matcher, ConstructionLinksAndLeavesOperandsAlone) {
    const Value a = ToPattern(Str("A"));
    const Value abc = Alt(Alt(a, Str("B")), Str("C"));
    ASSERT_EQ(abc.pattern()->count, 3);
    EXPECT_EQ(abc.pattern()->node(1).alternate, 2);
    EXPECT_EQ(abc.pattern()->node(2).alternate, 3);
    EXPECT_EQ(a.pattern()->node(1).alternate, 0) << "operands are copied, not changed";
    EXPECT_EQ(Match("C", abc), 1);

    StringItem* v = LookupOrEnter("V");
    const Value assigned = ValueAssignmentPattern(Cat(Str("X"), Str("Y")), v, false);
    ASSERT_EQ(assigned.pattern()->count, 4);
    EXPECT_EQ(assigned.pattern()->node(4).extra, 3) << "end node points back to its start";
    const Value shifted = Cat(Str("Q"), assigned);
    EXPECT_EQ(shifted.pattern()->node(5).extra, 3) << "the distance survives shifting";
    EXPECT_EQ(shifted.pattern()->node(1).subsequent, 2);
}

TEST_F(Matcher, PatternsAreLimitedTo32Nodes) {
    Value p = ToPattern(Str("A"));
    for (int i = 1; i < kMaxPatternNodes; ++i)
        p = Cat(p, Str("A"));
    EXPECT_EQ(p.pattern()->count, kMaxPatternNodes);
    EXPECT_EQ(Match(std::string(32, 'A').c_str(), p), 32);
    EXPECT_THROW(Cat(p, Str("A")), RunEnd);
}

// A table that breaks the matcher's invariant, pushing node 1's alternative
// once per character: the branch that alone succeeds (POS(35)) would sit
// above the stack's 32 entries. The run must stop, not report a failure.
TEST_F(Matcher, AFullAlternativeStackStopsTheRun) {
    PatternTable* t = NewPatternTable(2);
    PatternNode& any = t->node(1);
    any.routine = Routine::Any;
    any.set.Fill("A");
    any.subsequent = 1;
    any.alternate = 2;
    t->node(2).routine = Routine::Pos;
    t->node(2).argument = Int(35);
    const Value pattern = Value::Pattern(t);
    const std::string subject = std::string(40, 'A') + "B";
    Exec().failure = false;
    EXPECT_THROW(MatchAttempt(subject, pattern.pattern(), 0), RunEnd);
    EXPECT_TRUE(RunInfo().errorFlag);
}

} // namespace
} // namespace vantel
