// A match statement keeps its pattern built between executions and updates
// it in place. Each case runs the same pattern expression at a match site
// and, built by an assignment, through a variable, with the values of its
// names changing from one execution to the next: the two must agree on
// every match, capture, cursor and replacement.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace vantel {
namespace {

// Values that change with I: integers, strings, character sets, and names
// holding the same pattern, another pattern, or a string.
const char* const kSetUp = " &STLIMIT = 1000000\n"
                           " S0 = 'abcbbxyz'\n"
                           " S1 = 'zzab  bbq'\n"
                           " S2 = 'xyzab'\n"
                           " L0 = 'ab'\n"
                           " L1 = 'b'\n"
                           " L2 = 'xyz'\n"
                           " CS0 = 'ab'\n"
                           " CS1 = 'bz '\n"
                           " W0 = BREAK('b') SPAN('b')\n"
                           " W1 = W0\n"
                           " W2 = 'x'\n"
                           " W3 = LEN(1) | 'q'\n"
                           " N0 = 2\n"
                           " N1 = '1'\n"
                           " I = 0\n";

// One loop over 24 values per expression. Each pass matches and replaces
// at the site, then through P, writing "site ..." and "built ..." lines.
std::string Program(const std::vector<std::string>& expressions) {
    std::string p = kSetUp;
    for (std::size_t k = 0; k < expressions.size(); ++k) {
        const std::string n = std::to_string(k);
        const std::string& e = expressions[k];
        const std::string show = " OUTPUT = '" + n + " ' I ' ' K ' ' X ' ' Y ' ' A ' ' T";
        p += " I = 0\n";
        p += "L" + n + " I = LT(I, 24) I + 1 :F(E" + n + ")\n";
        p += " C = REMDR(I, 5)\n R = REMDR(I, 3)\n &ANCHOR = REMDR(I / 7, 2)\n";
        p += " SUBJ = $('S' REMDR(I, 3))\n L = $('L' REMDR(I / 2, 3))\n";
        p += " CS = $('CS' REMDR(I, 2))\n W = $('W' REMDR(I / 3, 4))\n";
        p += " NS = $('N' REMDR(I, 2))\n";
        for (const char* way : {"site", "built"}) {
            const std::string pattern = std::string(way) == "site" ? e : "P";
            const std::string tag = (pattern == "P" ? "BUILT" : "SITE") + n;
            p += " K = ''\n X = ''\n Y = ''\n A = ''\n T = ''\n";
            if (pattern == "P") p += " P = " + e + "\n";
            p += " SUBJ " + pattern + " :F(" + tag + "F)\n";
            p += " T = SUBJ\n T " + pattern + " = '<' K '>'\n";
            p += tag + "F" + show + " ' " + way + "'\n";
        }
        p += " :(L" + n + ")\n";
        p += "E" + n + "\n";
    }
    return p + "END\n";
}

// Splits the lines into the site's and the variable's, and compares them.
void ExpectSitesAgree(const std::vector<std::string>& expressions) {
    const std::vector<std::string> lines = test::OutputLines(Program(expressions));
    std::vector<std::string> site, built;
    for (const std::string& line : lines) {
        ASSERT_NE(line.rfind("--- ", 0), 0u) << line;
        const std::size_t blank = line.rfind(' ');
        (line.substr(blank + 1) == "site" ? site : built).push_back(line.substr(0, blank));
    }
    ASSERT_EQ(site.size(), 24 * expressions.size());
    EXPECT_EQ(site, built);
}

TEST(PatternSites, UpdatedArgumentsMatchAsRebuiltOnes) {
    ExpectSitesAgree({
        "TAB(C) W @K",
        "POS(C) LEN(R) . X RPOS(R)",
        "(BREAK(CS) | 'z') SPAN(CS) $ Y",
        "L ANY(CS) . X",
        "W L @K NOTANY(CS) RTAB(R)",
        "TAB(NS) LEN(1) . X",
    });
}

TEST(PatternSites, ChangingOperandsRebuildOrLeaveItToTheEvaluator) {
    ExpectSitesAgree({
        "'ab' | L | W",
        "ARB . A L",
        "L $ X",
        "L",
        "'b'",
        "W",
        "L L",
        "(W | L) (W L) . X @K",
        "W . X W $ Y",
        "LEN(M) ANY(L) . X",
    });
}

TEST(PatternSites, GrowingPatternReachesTheNodeLimitAtTheSameStatement) {
    const std::vector<std::string> lines = test::OutputLines(" W = LEN(1)\n"
                                                             " I = 0\n"
                                                             "LOOP I = I + 1\n"
                                                             " 'abcdefgh' TAB(1) W\n"
                                                             " OUTPUT = I\n"
                                                             " W = W 'a' :(LOOP)\n"
                                                             "END\n");
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines[30], "31");
    EXPECT_EQ(lines[31], "--- TOO MANY NODES IN PATTERN ---");
    EXPECT_EQ(lines[32], "--- ERROR OCCURRED ON STATEMENT 4 ---");
}

TEST(PatternSites, ArgumentErrorsAreReportedAfterEarlierReuse) {
    const std::vector<std::string> lines = test::OutputLines(" N = 2\n"
                                                             "LOOP 'abcd' TAB(N) . X\n"
                                                             " OUTPUT = X\n"
                                                             " N = N - 1 :(LOOP)\n"
                                                             "END\n");
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "ab", "a", "a", "--- NEGATIVE ARG FOR PATTERN-VALUED PRIMITIVE FUNCTION ---",
                  "--- ERROR OCCURRED ON STATEMENT 2 ---"}));
}

TEST(PatternSites, DefinedFunctionTakesOverAPrimitiveNameAtAKeptSite) {
    const std::vector<std::string> lines =
        test::OutputLines(" I = 0\n"
                          "LOOP I = LT(I, 4) I + 1 :F(END)\n"
                          " 'abcdef' TAB(I) . X\n"
                          " OUTPUT = X\n"
                          " DEFINE(EQ(I, 2) 'TAB(N)', 'TAB') :(LOOP)\n"
                          "TAB TAB = LEN(N + 1) :(RETURN)\n"
                          "END\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "ab", "abcd", "abcde"}));
}

TEST(PatternSites, DefinedFunctionTakesOverAPrimitiveWithAConstantArgument) {
    // The kept table is reused while only the name C changes; the DEFINE
    // must still be seen at the next execution, for either primitive.
    const std::vector<std::string> lines =
        test::OutputLines(" I = 0\n"
                          "LOOP I = LT(I, 5) I + 1 :F(END)\n"
                          " C = I - 1\n"
                          " 'abcdefgh' TAB(C) LEN(2) . X BREAK('h') . Y\n"
                          " OUTPUT = X ' ' Y\n"
                          " DEFINE(EQ(I, 2) 'LEN(N)', 'LENF')\n"
                          " DEFINE(EQ(I, 3) 'BREAK(S)', 'BRK') :(LOOP)\n"
                          "LENF LEN = TAB(N + 4) :(RETURN)\n"
                          "BRK BREAK = 'gh' :(RETURN)\n"
                          "END\n");
    EXPECT_EQ(lines,
              (std::vector<std::string>{"ab cdefg", "bc defg", "cdef g", "def gh", "ef gh"}));
}

TEST(PatternSites, NamesReadOnUseAreReadEachTime) {
    // A name associated with an input file reads a line at every execution
    // (lines written to a file start with a blank).
    const std::string file = "/tmp/vantel-sites-" + std::to_string(getpid()) + ".txt";
    const std::vector<std::string> lines =
        test::OutputLines(" OUTPUT('LINE', '" + file +
                          "')\n"
                          " LINE = 'xx'\n LINE = 'b'\n LINE = 'c'\n"
                          " INPUT('LINE', '" +
                          file +
                          "')\n"
                          " I = 0\n"
                          "LOOP I = LT(I, 3) I + 1 :F(END)\n"
                          " 'a b' 'a' LINE . X :F(NO)\n"
                          " OUTPUT = 'yes ' X :(LOOP)\n"
                          "NO OUTPUT = 'no' :(LOOP)\n"
                          "END\n");
    std::remove(file.c_str());
    EXPECT_EQ(lines, (std::vector<std::string>{"no", "yes  b", "no"}));
}

TEST(PatternSites, ARecursiveExecutionOfTheSameReplacementKeepsBothPatterns) {
    // The inner execution finds the kept table held by the outer one.
    const std::string body = " DEFINE('REC(N)', 'REC') DEFINE('QREC(N)', 'QREC') :(MAIN)\n"
                             "REC STR = 'abcdef'\n"
                             " STR TAB(N) LEN(1) . X = LT(N, 3) X REC(N + 1) '.'\n"
                             " REC = STR :(RETURN)\n"
                             "QREC STR = 'abcdef'\n"
                             " P = TAB(N) LEN(1) . X\n"
                             " STR P = LT(N, 3) X QREC(N + 1) '.'\n"
                             " QREC = STR :(RETURN)\n"
                             "MAIN OUTPUT = REC(0)\n"
                             " OUTPUT = QREC(0)\n"
                             "END\n";
    EXPECT_EQ(test::OutputLines(body),
              (std::vector<std::string>{"abcabcdef.def.cdef.bcdef", "abcabcdef.def.cdef.bcdef"}));
}

} // namespace
} // namespace vantel
