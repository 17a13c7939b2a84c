// What the common statement forms compile to, pinned: a fused instruction
// lost, or a kept match site no longer met first, shows here, where the
// tests that compare compiled runs with walked ones see nothing.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace vantel {
namespace {

std::string CodeOf(const std::string& source) {
    RunSettings settings;
    settings.dumpCode = true;
    testing::internal::CaptureStderr();
    (void)test::RunProgramWith(source, settings);
    return testing::internal::GetCapturedStderr();
}

TEST(CodeListing, CommonFormsCompileToTheirFusedInstructions) {
    const std::string source = "LOOP I = LT(I, N) I + 1 :S(LOOP)\n"
                               " V = X + 1\n"
                               "WORD LINE TAB(C) BREAK(' ') . W @C :F(END)\n"
                               " STR 'L' = 'Y'\n"
                               "END\n";
    EXPECT_EQ(CodeOf(source),
              "statement 1 LOOP: 2 slots; success: statement 1; failure: next\n"
              "      1  CompareLT              s0 = LT(I, N)\n"
              "      2  LeafArithmetic         s1 = I + 1\n"
              "      3  ConcatenateAssign      I = s0 s1\n"
              "      4  EndGoto                done, on to the success goto\n"
              "statement 2: 1 slot; success: next; failure: next\n"
              "      1  LeafArithmeticAssign   V = X + 1\n"
              "      2  EndNext                done, on to the next statement\n"
              "statement 3 WORD: 4 slots; success: next; failure: END\n"
              "      1  MatchKept              match LINE with kept table, on at 15\n"
              "      2  LoadString             s0 = string of LINE\n"
              "      3  MatchSite              match s0, kept: past 14; s1 = pattern: 14\n"
              "      4  LoadValue              s1 = C\n"
              "      5  Call                   s1 = TAB(s1)\n"
              "      6  LoadValue              s2 = ' '\n"
              "      7  Call                   s2 = BREAK(s2)\n"
              "      8  ToPattern              s2 = pattern of s2\n"
              "      9  ValueAssign            s2 = s2 . W\n"
              "     10  Concatenate            s1 = s1 s2\n"
              "     11  Cursor                 s2 = @C\n"
              "     12  Concatenate            s1 = s1 s2\n"
              "     13  ToPattern              s1 = pattern of s1\n"
              "     14  Match                  match s0 with s1\n"
              "     15  EndNext                done, on to the next statement\n"
              "statement 4: 6 slots; success: next; failure: next\n"
              "      1  SitePattern            s1 = site's pattern, on at 4\n"
              "      2  LoadValue              s1 = 'L'\n"
              "      3  ToPattern              s1 = pattern of s1\n"
              "      4  ReplaceScan            s2..s4 = match of STR with s1\n"
              "      5  LoadValue              s5 = 'Y'\n"
              "      6  ToString               s5 = string of s5\n"
              "      7  ReplaceFinish          STR = s2..s4 replaced by s5\n"
              "      8  EndClearing            done, clearing the slots\n");
}

// A computed variable on the left and one computed on the right take
// variable slots of their own; a computed goto has its code after the
// statement's.
TEST(CodeListing, ComputedVariablesAndGotos) {
    EXPECT_EQ(CodeOf(" $X = @($Y) :($'END')\nEND\n"),
              "statement 1: 2 slots; success: computed goto 0; failure: computed goto 0\n"
              "      1  LoadValue              s0 = X\n"
              "      2  Variable               v0 = variable named s0\n"
              "      3  LoadValue              s1 = Y\n"
              "      4  Variable               v1 = variable named s1\n"
              "      5  Cursor                 s1 = @v1\n"
              "      6  Assign                 v0 = s1\n"
              "      7  End                    done\n"
              "  computed goto 0 to v0:\n"
              "      1  LoadValue              s0 = 'END'\n"
              "      2  Variable               v0 = variable named s0\n"
              "      3  GotoEnd                goto code done\n");
}

TEST(CodeListing, SaysWhenTheStatementsAreWalked) {
    RunSettings settings;
    settings.fastPaths = false;
    settings.dumpCode = true;
    testing::internal::CaptureStderr();
    (void)test::RunProgramWith(" X = 1\nEND\n", settings);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vantel: no code: the fast paths are off, every statement is walked\n");
}

} // namespace
} // namespace vantel
