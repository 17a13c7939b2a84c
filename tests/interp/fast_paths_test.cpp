// The interpreter's shortcuts must give exactly what the general paths give:
// the candidate search of unanchored scans, remembered labels, integer
// texts and concatenations, reused pattern storage, and the in-place
// evaluation of operands, comparisons and arguments.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include <sstream>
#include <string>
#include <vector>

#include "data/diagnostics.h"
#include "executor/executor.h"
#include "harness.h"

namespace vantel {
namespace {

std::vector<std::string> Output(const std::string& source) {
    return test::OutputLines(source);
}

// Where an unanchored replacement of needle by '#' puts it, computed
// directly: the first occurrence, or no change.
std::string Replaced(const std::string& subject, const std::string& needle) {
    const std::size_t at = subject.find(needle);
    if (at == std::string::npos) return subject;
    return subject.substr(0, at) + "#" + subject.substr(at + needle.size());
}

TEST(FastPaths, UnanchoredScanFindsTheFirstOccurrence) {
    const std::string longNeedle = std::string(70, 'e') + "Q"; // rare character past 64
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ABCABD", "ABD"},
        {"AAAAB", "AAB"},
        {"XQZ", "XQZ"},
        {"QQQ", "QQQQ"},
        {"aXbXcX", "cX"},
        {"aXbXcX", "Xb"},
        {"ZZZZ", "Z"},
        {"the quiz", "quiz"},
        {"xxxxqxxxq", "xq"},
        {"ABCDEFGHIJ", "HIX"},
        {"abcabcabx", "abx"},
        {"e eee", "ee"},
        {std::string(80, 'e') + "Q", longNeedle},
        {std::string(60, 'e') + "Q", longNeedle},
        {"\xff\x80\xff\x81", "\xff\x81"},
    };
    std::string program = " &ANCHOR = 0\n";
    for (const auto& [subject, needle] : cases) {
        program += " X = '" + subject + "'\n";
        program += " X '" + needle + "' = '#'\n";
        program += " OUTPUT = X\n";
    }
    program += "END\n";
    const std::vector<std::string> lines = Output(program);
    ASSERT_EQ(lines.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(lines[i], Replaced(cases[i].first, cases[i].second)) << cases[i].second;
}

TEST(FastPaths, ScansWithOtherFirstNodesStillTryEveryPosition) {
    // Only a leading plain string skips positions: a value assignment first
    // records every attempt, and alternatives start anywhere.
    const std::vector<std::string> lines = Output(" &ANCHOR = 0\n"
                                                  " SUBJ = 'xxAByy'\n"
                                                  " SUBJ ('AB' | 'yy') . P\n"
                                                  " OUTPUT = P\n"
                                                  " SUBJ ('Q' | 'y') . P\n"
                                                  " OUTPUT = P\n"
                                                  " SUBJ 'zz' :S(BAD)\n"
                                                  " OUTPUT = 'MISS'\n"
                                                  " :(END)\n"
                                                  "BAD OUTPUT = 'BAD'\n"
                                                  "END\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"AB", "y", "MISS"}));
}

TEST(FastPaths, RememberedLabelsFollowRedefinitionAndStayChecked) {
    const std::vector<std::string> lines = Output(" DEFINE('G(X)', 'ONE')\n"
                                                  " OUTPUT = G(1)\n"
                                                  " OUTPUT = G(2)\n"
                                                  " DEFINE('G(X)', 'TWO')\n"
                                                  " OUTPUT = G(3)\n"
                                                  " L = 'HOP'\n"
                                                  " :($L)\n"
                                                  " OUTPUT = 'SKIPPED'\n"
                                                  "HOP OUTPUT = 'HOPPED'\n"
                                                  " L = 'NOWHERE'\n"
                                                  " :($L)\n"
                                                  "ONE G = 'ONE ' X :(RETURN)\n"
                                                  "TWO G = 'TWO ' X :(RETURN)\n"
                                                  "END\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"ONE 1", "ONE 2", "TWO 3", "HOPPED",
                                               "--- UNDEFINED LABEL ---",
                                               "--- ERROR OCCURRED ON STATEMENT 11 ---"}));
}

class Strings : public ::testing::Test {
protected:
    void SetUp() override { test::FreshTables(false); }
};

TEST_F(Strings, IntegerTextsAreTheTableEntries) {
    const int before = StringCount();
    for (std::int32_t n : {0, 7, -7, 2147483647, -2147483647 - 1, 8192, 16384}) {
        char buffer[16];
        const Value v = InternInteger(n);
        EXPECT_EQ(v.string(), LookupOrEnter(FormatInteger(n, buffer))) << n;
        EXPECT_EQ(InternInteger(n).string(), v.string()) << n;
    }
    EXPECT_EQ(StringCount(), before + 7) << "8192 and 16384 share a slot and stay distinct";
}

TEST_F(Strings, ConcatenationsAreEnteredOnceAndChecked) {
    StringItem* a = LookupOrEnter("AB");
    StringItem* b = LookupOrEnter("CD");
    const int before = StringCount();
    const Value ab = InternConcatenation(a, b);
    EXPECT_EQ(ab.string()->name, "ABCD");
    EXPECT_EQ(StringCount(), before + 1);
    EXPECT_EQ(InternConcatenation(a, b).string(), ab.string());
    EXPECT_EQ(LookupOrEnter("ABCD"), ab.string());
    EXPECT_EQ(InternConcatenation(b, a).string()->name, "CDAB");
    EXPECT_EQ(StringCount(), before + 2);

    StringItem* half = LookupOrEnter(std::string(16000, 'x'));
    EXPECT_EQ(InternConcatenation(half, half).string()->name.size(), 32000u);
    StringItem* one = LookupOrEnter("y");
    const Value full = InternConcatenation(half, half);
    EXPECT_THROW(InternConcatenation(full.string(), one), RunEnd);
}

TEST_F(Strings, RememberedConcatenationsWorkAtTheLimit) {
    StringItem* a = LookupOrEnter("A");
    const Value known = InternConcatenation(a, a);
    for (int i = StringCount(); i < kStringTableSize; ++i)
        LookupOrEnter(std::string("F").append(std::to_string(i)));
    EXPECT_EQ(InternConcatenation(a, a).string(), known.string());
    EXPECT_THROW(InternConcatenation(LookupOrEnter("F100"), a), RunEnd)
        << "a new string at the limit is reported";
}

TEST(FastPaths, ReusedPatternStorageStartsFresh) {
    test::FreshTables(false);
    for (int round = 0; round < 3; ++round) {
        for (int count = 1; count <= kMaxPatternNodes; ++count) {
            Value held = Value::Pattern(NewPatternTable(count));
            PatternTable* t = held.pattern();
            ASSERT_EQ(t->count, count);
            for (int i = 1; i <= count; ++i) {
                const PatternNode& n = t->node(i);
                EXPECT_EQ(n.routine, Routine::Null);
                EXPECT_EQ(n.subsequent, 0);
                EXPECT_EQ(n.alternate, 0);
                EXPECT_EQ(n.extra, 0);
                EXPECT_TRUE(n.argument.IsNull());
                EXPECT_FALSE(n.set.Contains('a'));
                PatternNode& w = t->node(i);
                w.routine = Routine::Span;
                w.subsequent = w.alternate = w.extra = 9;
                w.argument = InternString("abc");
                w.set.Fill("abc");
            }
        }
    }
}

TEST(FastPaths, OperandsAndPredicatesKeepTheirMeaning) {
    const std::vector<std::string> lines =
        Output(" OUTPUT = LT(1, 2) 'LT'\n"
               " OUTPUT = GT('3', 2) 'GT'\n"
               " OUTPUT = EQ() 'EQ0'\n"
               " LT(2, 1) :S(BAD)\n"
               " OUTPUT = 7 / -2\n"
               " OUTPUT = 2147483647 + 1\n"
               " OUTPUT = '' 5 ''\n"
               " $(1 + 1) = 'TWO'\n"
               " OUTPUT = $'2'\n"
               " DEFINE('LT(A,B)', 'MYLT')\n"
               " OUTPUT = LT(2, 1)\n"
               " OUTPUT = SIZE(DUPL('AB', 3)) ' ' REMDR(7, 3)\n"
               " N = -7\n"
               " M = -1\n"
               " OUTPUT = REMDR(N, 2) ' ' REMDR(7, M) ' ' REMDR(-2147483648, M)\n"
               " DEFINE('REMDR(A,B)', 'MYREM')\n"
               " OUTPUT = REMDR(7, 3)\n"
               " OUTPUT = REMDR(7, 0)\n"
               " :(END)\n"
               "MYLT LT = 'MINE ' A B :(RETURN)\n"
               "MYREM REMDR = 'REM ' A B :(RETURN)\n"
               "BAD OUTPUT = 'BAD'\n"
               "END\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"LT", "GT", "EQ0", "-3", "-2147483648", "5", "TWO",
                                               "MINE 21", "6 1", "-1 0 0", "REM 73", "REM 70"}));
}

// Node fields and arguments of two tables, for comparing constructions.
void ExpectSameNodes(const Value& a, const Value& b) {
    ASSERT_NE(a.pattern(), nullptr);
    ASSERT_NE(b.pattern(), nullptr);
    const PatternTable& p = *a.pattern();
    const PatternTable& q = *b.pattern();
    ASSERT_EQ(p.count, q.count);
    for (int i = 1; i <= p.count; ++i) {
        EXPECT_EQ(p.node(i).routine, q.node(i).routine) << i;
        EXPECT_EQ(p.node(i).subsequent, q.node(i).subsequent) << i;
        EXPECT_EQ(p.node(i).alternate, q.node(i).alternate) << i;
        EXPECT_EQ(p.node(i).extra, q.node(i).extra) << i;
        EXPECT_EQ(p.node(i).argument.string(), q.node(i).argument.string()) << i;
        EXPECT_EQ(p.node(i).argument.integer(), q.node(i).argument.integer()) << i;
    }
}

TEST(FastPaths, PatternsGrownInPlaceEqualCopiedOnes) {
    test::FreshTables(false);
    StringItem* v = LookupOrEnter("V");
    const auto leaf = [](Routine r, const char* text) {
        return MakeNodePattern(r, InternString(text));
    };
    const auto alt = AlternatePatterns(leaf(Routine::String, "A"), leaf(Routine::Any, "xy"));
    // Copying: every operand is held by a variable-like value.
    const Value a1 = leaf(Routine::Break, "ab");
    const Value a2 = ConcatPatterns(a1, alt);
    const Value a3 = ValueAssignmentPattern(a2, v, false);
    const Value copied = ConcatPatterns(a3, MakeNodePattern(Routine::Tab, Value::Integer(3)));
    // In place: each left side is a temporary.
    const Value grown = ConcatPatternsInto(
        ValueAssignmentPattern(ConcatPatternsInto(leaf(Routine::Break, "ab"), alt), v, false),
        MakeNodePattern(Routine::Tab, Value::Integer(3)));
    ExpectSameNodes(copied, grown);
    EXPECT_EQ(a1.pattern()->count, 1) << "a held operand is never extended";
    EXPECT_EQ(a2.pattern()->count, 3);
}

TEST(FastPaths, HeldPatternsAreNotChangedByConcatenation) {
    const std::vector<std::string> lines = Output(" P = LEN(1)\n"
                                                  " Q = P 'B'\n"
                                                  " R = P P P\n"
                                                  " 'X' P RPOS(0) :F(BAD)\n"
                                                  " 'AB' Q RPOS(0) :F(BAD)\n"
                                                  " 'ABC' R RPOS(0) :F(BAD)\n"
                                                  " 'AB' P RPOS(0) :S(BAD)\n"
                                                  " OUTPUT = 'OK'\n"
                                                  " :(END)\n"
                                                  "BAD OUTPUT = 'BAD'\n"
                                                  "END\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"OK"}));
}

TEST(FastPaths, IntegerStepsFollowTheKindsTheirOperandsHoldNow) {
    // The same arithmetic, REMDR, SIZE and comparison nodes, plain and
    // nested, see integers, a string, null, a name associated with an input
    // file (which reads a line each time) and a later DEFINE of SIZE.
    const std::string file = "/tmp/vantel-steps-" + std::to_string(getpid()) + ".txt";
    const std::vector<std::string> lines = Output(" OUTPUT('W', '" + file +
                                                  "')\n"
                                                  " W = 7\n W = -9\n"
                                                  " I = 0\n"
                                                  "LOOP I = LT(I, 5) I + 1 :F(READ)\n"
                                                  " X = I\n X = EQ(I, 2) '40'\n X = EQ(I, 3)\n"
                                                  " OUTPUT = X * 2 ' ' REMDR(X, 3) ' ' X / 2\n"
                                                  " OUTPUT = REMDR(X + 1, 3) * 2 - 1\n"
                                                  " OUTPUT = SIZE(X) + 1\n"
                                                  " OUTPUT = LT(I + 1, 4) 'lt' :(LOOP)\n"
                                                  "READ INPUT('N', '" +
                                                  file +
                                                  "')\n"
                                                  " OUTPUT = N + 1\n OUTPUT = SIZE(N)\n"
                                                  " OUTPUT = N * 2\n"
                                                  " Z = 0\n"
                                                  " DEFINE('SIZE(A)', 'MYSIZE')\n"
                                                  " OUTPUT = SIZE(Z) + 1\n"
                                                  " OUTPUT = 5 / (Z * 2)\n"
                                                  "MYSIZE SIZE = 41 :(RETURN)\n"
                                                  "END\n");
    std::remove(file.c_str());
    EXPECT_EQ(lines, (std::vector<std::string>{"2 1 0",
                                               "3",
                                               "2",
                                               "lt",
                                               "80 1 20",
                                               "3",
                                               "3",
                                               "lt",
                                               "0 0 0",
                                               "1",
                                               "1",
                                               "8 1 2",
                                               "3",
                                               "2",
                                               "10 2 2",
                                               "-1",
                                               "2",
                                               "8",
                                               "3",
                                               "42",
                                               "--- DIVISION BY ZERO ---",
                                               "--- ERROR OCCURRED ON STATEMENT 20 ---"}));
}

TEST(FastPaths, RemainderByZeroStillStopsTheRun) {
    const std::vector<std::string> lines = Output(" Z = 0\n"
                                                  " OUTPUT = REMDR(7, Z)\n"
                                                  " OUTPUT = 'NOT REACHED'\n"
                                                  "END\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"--- DIVISION BY ZERO ---",
                                               "--- ERROR OCCURRED ON STATEMENT 2 ---"}));
}

} // namespace
} // namespace vantel
