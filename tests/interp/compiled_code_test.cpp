// The compiled code must do exactly what the walk over the trees does with
// the fast paths off: each program runs both ways and the listings and exit
// statuses must be the same. The programs aim at what the code does on its
// own: operands read in place or by their own instruction, the slow paths
// of the integer steps, gotos resolved before the run and computed ones,
// errors raised inside an instruction, the statement count's next event,
// slots left holding patterns, and statements left to the walk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"

namespace vantel {
namespace {

struct Case {
    const char* name;
    std::string source;
};

// Text split over continuation cards at blanks, 60 characters or so each.
std::string Cards(const std::string& text) {
    std::string out;
    std::size_t column = 0;
    for (char c : text) {
        if (c == ' ' && column > 60) {
            out += "\n+";
            column = 0;
        }
        out += c;
        ++column;
    }
    return out;
}

// X = 1 + (1 + (... + 1)): more nested right operands than a statement
// has slots, so the statement is walked.
std::string DeeplyNested(int depth) {
    std::string e = "1";
    for (int i = 0; i < depth; ++i)
        e = "1 + (" + e + ")";
    return " I = 0\nL X = " + Cards(e) + " I\n I = LT(I, 3) I + 1 :S(L)\n OUTPUT = X\n" +
           " Y = DIFFER(X, 0) " + Cards(e) + " :F(END)\n OUTPUT = Y\nEND\n";
}

// `V = PRED(...) X` with V plain, V itself on the right, OUTPUT, computed,
// a keyword and a protected one; X read from INPUT, a pattern, and the
// predicate failing or a non-null left side.
const char* const kPredicateAssignments =
    " N = 'W'\n X = 'x'\n V = LT(1, 2) X\n OUTPUT = V\n X = LT(1, 2) X\n OUTPUT = X\n"
    " OUTPUT = LT(1, 2) 'out'\n $N = LT(1, 2) 'computed'\n OUTPUT = W\n"
    " &ANCHOR = LT(1, 2) 1\n OUTPUT = &ANCHOR\n V = LT(1, 2) INPUT\n OUTPUT = V\n"
    " V = 'a' 'b'\n OUTPUT = V\n V = GT(1, 2) 'no' :S(BAD)\n OUTPUT = V\n"
    " P = LT(1, 2) (LEN(1) 'b')\n 'abc' P . Q\n OUTPUT = Q\n V = '' LEN(2)\n"
    " 'abc' V . Q\n OUTPUT = Q\n &STNO = EQ(1, 1) 5\nBAD OUTPUT = 'not reached'\n"
    "END\nline one\n";

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"deeply nested statement is walked", DeeplyNested(40)},
        {"computed gotos and an undefined one",
         " L = 'B'\n :($L)\nA OUTPUT = 'A' :(END)\nB OUTPUT = 'B'\n L = 'A' :($L)\nEND\n"},
        {"undefined computed label", " L = 'NOWHERE'\n :($L)\nEND\n"},
        {"undefined plain label", " X = 1 :S(NOWHERE)\nEND\n"},
        {"failure in goto field", " X = INPUT\n :($INPUT)\nEND\nLINE\n"},
        {"limit lowered through an alias in a loop",
         " X = &STLIMIT\n I = 0\nL I = I + 1\n X = EQ(I, 5) 12\n :(L)\nEND\n"},
        {"limit raised then exceeded", " &STLIMIT = 3\n &STLIMIT = 8\nL :(L)\nEND\n"},
        {"transfer and call traces",
         " DEFINE('FN(N)', 'FN')\n &TRACE = 4\n &FTRACE = 3\n :(GO)\nFN FN = N + 1 :(RETURN)\n"
         "GO I = 0\nL I = LT(I, 3) FN(I) :S(L)\n OUTPUT = I\nEND\n"},
        {"comparison and SIZE defined by the program",
         " DEFINE('LT(A,B)', 'LT')\n DEFINE('SIZE(T)', 'SIZE')\n :(GO)\nLT LT = 'lt' A B "
         ":(RETURN)\n"
         "SIZE SIZE = 'size' T :(RETURN)\nGO X = LT(1, 2) 'Z'\n OUTPUT = X\n"
         " N = 5\n OUTPUT = SIZE(N)\n OUTPUT = REMDR(7, 3)\nEND\n"},
        {"integer steps on strings and nulls",
         " A = '12'\n B = ' 3'\n OUTPUT = A + B\n OUTPUT = A * N\n OUTPUT = LT(A, B)\n"
         " OUTPUT = GT(A, B) 'yes'\n OUTPUT = SIZE(N) SIZE(A) SIZE(12345)\n"
         " OUTPUT = -2147483647 - 1\n OUTPUT = (-2147483647 - 1) / -1\n"
         " OUTPUT = REMDR(-7, 2) REMDR(2147483647, -1)\n OUTPUT = LT() GT(1) EQ(1, 1, 2)\nEND\n"},
        {"remainder by zero in place", " N = 0\n X = REMDR(5, N)\nEND\n"},
        {"division by zero in place", " N = 0\n X = 5 / N\nEND\n"},
        {"string not convertible in place", " N = '3 '\n X = N + 1\nEND\n"},
        {"patterns grown in slots until too many nodes",
         " P = 'A' | 'B'\n I = 0\nL P = P ('C' | 'D') LEN(1)\n I = I + 1\n"
         " OUTPUT = I\n 'ACBDX' P :S(L)\n OUTPUT = 'out'\n :(L)\nEND\n"},
        {"replacements, pending assignments and cursors",
         " &ANCHOR = 0\n STR = 'the cat sat on the mat'\n STR 'at' = 'og'\n OUTPUT = STR\n"
         " STR LEN(3) . V 'at' $ W = V W\n OUTPUT = STR V W\n C = 0\n"
         "N STR TAB(C) BREAK(' ') . T SPAN(' ') @C :F(D)\n OUTPUT = T C :(N)\n"
         "D EMPTY 'X' = 'Y' :S(E)F(E)\nE OUTPUT = 'empty ' EMPTY\n"
         " STR 'mat' = INPUT :F(G)\nG OUTPUT = STR\n STR 'mat' = :S(H)\nH OUTPUT = "
         "STR\nEND\nmat\n"},
        {"indirection as a variable", " X = 'Y'\n $X = 5\n OUTPUT = Y\n $(X 'Z') = 6\n"
                                      " OUTPUT = YZ\n OUTPUT = $X + $'YZ'\n $'' = 1\nEND\n"},
        {"indirection of null", " Y = $''\nEND\n"},
        {"no variable where one is needed", " (X Y) = 1\nEND\n"},
        {"unary in a variable position", " -X = 1\nEND\n"},
        {"protected keyword", " X = &STNO\n X = 4\nEND\n"},
        {"output of keywords and aliases",
         " OUTPUT = &STLIMIT\n OUTPUT = &ALPHABET ''\n X = &ANCHOR\n X = 0\n"
         " OUTPUT = &ANCHOR\n OUTPUT = X + 1\n T = &TRIM\n T = 1\n OUTPUT = &TRIM\nEND\n"},
        {"operands reading lines, left first",
         " X = INPUT INPUT\n OUTPUT = X\n OUTPUT = INPUT + INPUT\n OUTPUT = INPUT - 1\n"
         " OUTPUT = LT(INPUT, 5) 'less'\n OUTPUT = SIZE(INPUT)\n Y = INPUT\n"
         " OUTPUT = 'after end ' Y :F(FL)\nFL OUTPUT = 'failed'\nEND\nab\ncd\n3\n4\n10\n2\nxyz\n"},
        {"pattern where a string or integer is wanted", " P = LEN(1)\n X = P + 1\nEND\n"},
        {"recursion, RETURN and FRETURN",
         " DEFINE('FIB(N)', 'FIB')\n DEFINE('NEG(N)', 'NEG')\n :(GO)\nFIB FIB = LT(N, 2) N "
         ":S(RETURN)\n"
         " FIB = FIB(N - 1) + FIB(N - 2) :(RETURN)\nNEG LT(N, 0) :S(RETURN)F(FRETURN)\n"
         "GO OUTPUT = FIB(12)\n OUTPUT = NEG(-1) 'neg'\n OUTPUT = NEG(1) 'pos' :F(X)\n"
         "X OUTPUT = 'failed' :(RETURN)\nEND\n"},
        {"a function defined anew during its call",
         " DEFINE('FN(A)B', 'FN')\n :(GO)\nFN B = A\n DEFINE('FN(Q,R)T', 'FN')\n FN = A B "
         ":(RETURN)\n"
         "GO A = 'a'\n B = 'b'\n OUTPUT = FN('x')\n OUTPUT = A B\n OUTPUT = FN(1, 2)\nEND\n"},
        {"run stack overflow", " DEFINE('R(N)', 'R')\n :(GO)\nR R = R(N + 1) :(RETURN)\n"
                               "GO R(1)\nEND\n"},
        {"calls with many and omitted arguments",
         " DEFINE('FN(A,B,C,D)', 'FN')\n :(GO)\nFN FN = A '.' B '.' C '.' D :(RETURN)\n"
         "GO OUTPUT = FN(1, , 3, 4)\n OUTPUT = FN(1, 2, 3, 4)\n OUTPUT = DUPL('ab', 3) TRIM('x  "
         "')\n"
         " OUTPUT = FN(1, 2)\nEND\n"},
        {"failing operands skip the rest",
         " OUTPUT = 'a' LT(2, 1) UNDEFINED(X)\n X = 1\n X = X + 1 GT(0, X)\n OUTPUT = X\n"
         " $INPUT = 1 :F(B)\nB OUTPUT = IDENT(X, 1) 'ident' DIFFER(X, 1) 'differ'\nEND\n"},
        {"end inside a function, and falling off the end",
         " DEFINE('FN()', 'FN')\n :(GO)\nFN :(END)\n"
         "GO FN()\n OUTPUT = 'not reached'\nEND\n"},
        {"return from the main program", " OUTPUT = 'main'\n :(RETURN)\nEND\n"},
        {"the count at the largest integer",
         " &STLIMIT = 2147483647\n &STLIMIT = -1\n OUTPUT = 'not reached'\nEND\n"},
        {"traced computed gotos and a goto to END",
         " &TRACE = 10\n L = 'B'\n :($L)\nA :(END)\nB X = 1 :S($'A')\nEND\n"},
        {"match subjects of every kind",
         " &ANCHOR = 0\n N = 1234\n N '23' . M :F(X)\n OUTPUT = M\nX 1234 '4' :F(Y)\n"
         " OUTPUT = 'integer'\nY (N 'x') 'x' :F(Z)\n OUTPUT = 'expression'\n"
         "Z EMPTY 'a' :S(W)\n OUTPUT = 'null subject'\nW P = LEN(2)\n P 'x' :F(V)\nV &ANCHOR = 1\n"
         " X = 'abc'\n X 'b' :F(U)\nU OUTPUT = 'anchored'\nEND\n"},
        {"kept patterns with changing leaves",
         " &ANCHOR = 0\n I = 0\n W = 'b'\nL I = LT(I, 6) I + 1 :F(END)\n"
         " W = EQ(I, 3) LEN(1) 'c'\n 'abcabc' TAB(I) W . V @C ANY('abc') $ Q :F(L)\n"
         " OUTPUT = I ' ' V ' ' C ' ' Q :(L)\nEND\n"},
        {"value assignments to computed variables",
         " N = 'X'\n 'hello' LEN(2) . $N LEN(1) $ $(N 'Y') :F(END)\n OUTPUT = X XY\n"
         " 'hello' ('h' | 'e') . Z ('x' | 'e') :F(E)\n OUTPUT = 'matched'\nE OUTPUT = Z\nEND\n"},
        {"output as a computed target",
         " $'OUTPUT' = 'via name'\n X = 'OUTPUT'\n $X = 5\n $X = &ANCHOR\n $X = 7\n"
         " OUTPUT = OUTPUT + 1\nEND\n"},
        {"arguments that fail or read",
         " DEFINE('FN(A,B)', 'FN')\n :(GO)\nFN FN = A B :(RETURN)\n"
         "GO OUTPUT = FN(INPUT, INPUT)\n OUTPUT = FN(LT(2, 1), UNDEFINED()) :F(D)\n"
         "D OUTPUT = SIZE(INPUT) REMDR(INPUT, 3)\n OUTPUT = FN(INPUT) "
         ":F(END)\nEND\nx\ny\nabc\n10\n"},
        {"cursor assignments to every kind of variable",
         " &ANCHOR = 0\n P = LEN(1)\n 'abc' LEN(1) @P LEN(1) @Q\n OUTPUT = P Q\n"
         " 'abcd' @OUTPUT 'x'\n 'abc' LEN(1) @&ANCHOR\n 'xyz' 'y' :F(A)\n OUTPUT = 'no'\n"
         "A 'abc' ARBNO(LEN(1) @R) RPOS(0)\n OUTPUT('OUT', '" +
             test::ScratchPath("cursor_out.txt") +
             "')\n"
             " 'abc' LEN(1) @OUT LEN(1) @OUT\n OUTPUT = R\n 'abc' LEN(2) @&STNO\n"
             " OUTPUT = 'not reached'\nEND\n"},
        {"a kept pattern's cursor variable given an output file between runs",
         " I = 0\nL I = LT(I, 3) I + 1 :F(END)\n OUTPUT(EQ(I, 2) 'C', '" +
             test::ScratchPath("kept_cursor.txt") +
             "')\n 'abcd' TAB(I) @C LEN(1) @D :F(END)\n OUTPUT = C D :(L)\nEND\n"},
        {"predicate assignments to every kind of variable", kPredicateAssignments},
        {"arithmetic assignments to every kind of variable",
         " N = 'W'\n I = 1\n I = I + 1\n OUTPUT = I\n V = I * 2\n OUTPUT = V\n"
         " OUTPUT = I - 5\n $N = I + 40\n OUTPUT = W\n &ANCHOR = I - 2\n OUTPUT = &ANCHOR\n"
         " V = '3' + I\n OUTPUT = V\n V = 2147483647 + I\n"
         " OUTPUT = 'overflow not reached'\nEND\n"},
        {"arithmetic assignment errors inside compiled code",
         " V = 'x' + 1\n OUTPUT = 'no'\nEND\n"},
        {"every integer predicate on integers, texts and failing",
         " A = 1\n B = 2\n T = '2'\n OUTPUT = LT(A, B) 'lt'\n OUTPUT = LE(B, B) 'le'\n"
         " OUTPUT = EQ(A, A) 'eq'\n OUTPUT = NE(A, B) 'ne'\n OUTPUT = GE(B, A) 'ge'\n"
         " OUTPUT = GT(B, A) 'gt'\n OUTPUT = GT(T, A) 'text'\n OUTPUT = LT(B, A) 'no' :S(END)\n"
         " OUTPUT = LE(B, A) 'no' :S(END)\n OUTPUT = EQ(A, B) 'no' :S(END)\n"
         " OUTPUT = NE(A, A) 'no' :S(END)\n OUTPUT = GE(A, B) 'no' :S(END)\n"
         " OUTPUT = GT(A, A) 'no' :S(END)\n OUTPUT = REMDR(B, A) 'r'\n OUTPUT = EQ('x', 1)\n"
         "END\n"},
        {"frames holding output, files, repeated names and the function itself",
         " DEFINE('SHOW(OUTPUT,X)L', 'SHOW')\n DEFINE('TWICE(X,X)', 'TWICE')\n"
         " DEFINE('SELF(SELF)', 'SELF')\n DEFINE('FILE(G)', 'FILE')\n :(GO)\n"
         "SHOW L = X OUTPUT\n OUTPUT = L\n SHOW = L :(RETURN)\nTWICE TWICE = X :(RETURN)\n"
         "SELF SELF = SELF SELF :(RETURN)\nFILE FILE = G :(RETURN)\n"
         "GO &FTRACE = 2\n X = 'x'\n L = 'l'\n OUTPUT = SHOW('a', 'b')\n OUTPUT = X L\n"
         " OUTPUT = TWICE(1, 2) X\n OUTPUT = SELF('s')\n OUTPUT('G', '" +
             test::ScratchPath("frame_file.txt") +
             "')\n OUTPUT = FILE('g') 'back'\n G = 'to file'\nEND\n"},
        {"kept tables met by subjects of every kind, and pending assignments dropped",
         " I = 0\n T = 'abcd'\nL I = LT(I, 4) I + 1 :F(N)\n T TAB(I) @T LEN(1) . V :F(L)\n"
         " OUTPUT = T ' ' V :(L)\nN T = 12345\n T TAB(2) LEN(1) . V :F(END)\n OUTPUT = V\n"
         " INPUT TAB(1) LEN(2) . W\n OUTPUT = W\n X = 'xyz'\n X LEN(1) . Y 'q'\n"
         " X LEN(1)\n OUTPUT = '[' Y ']'\n 'abc' TAB(1) LEN(1) . Z\n OUTPUT = Z\nEND\nline\n"},
        {"arithmetic assignment to a protected keyword", " &STNO = 1 + 1\n OUTPUT = 'no'\nEND\n"},
        {"negation and plus of every kind",
         " X = '12'\n OUTPUT = -X\n OUTPUT = +X\n OUTPUT = -(-2147483647 - 1)\n"
         " OUTPUT = +''\n OUTPUT = -&STLIMIT\n P = LEN(1)\n OUTPUT = -P\nEND\n"},
    };
    return cases;
}

class CompiledCode : public testing::TestWithParam<std::size_t> {};

TEST_P(CompiledCode, GivesWhatTheWalkGives) {
    const Case& c = Cases()[GetParam()];
    SCOPED_TRACE(c.name);
    RunSettings compiled, plain;
    plain.fastPaths = false;
    int compiledStatus = -1, plainStatus = -1;
    const std::string a = test::RunProgramWith(c.source, compiled, &compiledStatus);
    const std::string b = test::RunProgramWith(c.source, plain, &plainStatus);
    EXPECT_EQ(a, b);
    EXPECT_EQ(compiledStatus, plainStatus);
    EXPECT_NE(a.find("Execution begins"), std::string::npos) << a;
}

INSTANTIATE_TEST_SUITE_P(Programs, CompiledCode, testing::Range<std::size_t>(0, Cases().size()));

TEST(CompiledCode, PredicateAssignmentsGiveTheirValues) {
    const std::vector<std::string> expected = {"x",
                                               "x",
                                               "out",
                                               "computed",
                                               "1",
                                               "line one",
                                               "ab",
                                               "ab",
                                               "ab",
                                               "ab",
                                               "--- ATTEMPTED ASSIGNMENT TO PROTECTED KEYWORD ---",
                                               "--- ERROR OCCURRED ON STATEMENT 24 ---"};
    EXPECT_EQ(test::OutputLines(kPredicateAssignments), expected);
}

// The statement beyond the slots is walked and the others are not; the
// count reaches standard error under VANTEL_WALKED=1.
TEST(CompiledCode, OnlyStatementsBeyondTheSlotsAreWalked) {
    setenv("VANTEL_WALKED", "1", 1);
    testing::internal::CaptureStderr();
    (void)test::RunProgram(DeeplyNested(40));
    const std::string deep = testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    (void)test::RunProgram(DeeplyNested(20));
    const std::string shallow = testing::internal::GetCapturedStderr();
    unsetenv("VANTEL_WALKED");
    EXPECT_EQ(deep, "vantel: 5 statements walked\n");
    EXPECT_EQ(shallow, "vantel: 0 statements walked\n");
}

} // namespace
} // namespace vantel
