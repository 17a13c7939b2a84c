// The instruction set of the compiled code, written once. Each line
//
//     VANTEL_OP(name, uses, effect)
//
// expands wherever this file is included with VANTEL_OP defined: into the
// enum Op and the names (code.h), the dispatch table of the statement
// cycle (run_code.cpp), and the table of uses and effects that the slot
// check (code_check.cpp) and the code listing (code_listing.cpp) read.
// No include guard: that is the point.
//
// Fields of an instruction (see Instruction in code.h):
//   a, b   value slots of the statement's block
//   x, y   operands: a slot, a constant in place, or a name read in place
//   v      the variable: a name known before the run, or a variable slot
//          computed by an earlier Variable instruction
//   jump   how far ahead the instruction that runs after a jump is
//
// Uses (the second column), bits of use:: in code.h. "Read" is the
// value's last use unless the bit says it is kept for a later one:
//   X Y       operand x, y read (a slot operand for the last time)
//   A B       slot a, slot b read          BKept  slot b read, kept
//   V         variable v read (a computed one for the last time)
//   VKept     variable v read, its variable slot kept for a later one
//   Args      slots a .. a+b-1 read (a call's arguments)
//   Triple    slots a, a+1, a+2 read (subject, match start, cursor)
//   SetA      slot a written               SetTriple  slots a .. a+2 written
//   SetVarA   variable slot a written
//   ScratchA  slot a used on the way, left holding nothing wanted
//   ScratchA1 slot a+1 the same (the general call of a comparison or SIZE)
//   ClearArgs slots a+1 .. a+b-1 cleared after the call
//   ClearB    slots b and above cleared (so no pattern stays behind)
//   Jump      may go on at the instruction `jump` ahead (see the notes)
//   Past      may also match slot b with the kept table and go on past the
//             instruction at `jump`
//   Ends      the last instruction of a statement's or a goto's code
//   Stops     no instruction after it runs (the run ends)
//
// Effect (the third column), as the code listing prints it: A, B are
// slots a and b, T the slots a .. a+2, R the arguments a .. a+b-1, W
// variable slot a; X, Y the operands, V the variable; O and U the binary
// and unary operator, F the called function, E the value assignment's
// operator (. or $), M the message, J the instruction a jump goes to.
//
// Notes on the irregular fields:
//   - Remainder (REMDR) and CompareLT .. CompareGT: v.entry holds the called
//     name (so that a DEFINE of it is seen), not a variable; the operands
//     are numbers or names in place, never slots. A failing comparison that
//     is a statement's first instruction ends it without clearing slots.
//   - ToPattern: b = 1 leaves a null value null (the left side of a value
//     assignment); b = 0 makes every value a pattern.
//   - SitePattern: with the site's pattern, slot a is set and the code goes
//     on at `jump` (past the evaluation of the pattern, which follows); else
//     it goes on, slot a holding nothing wanted.
//   - MatchKept: with a kept table and operand x a string as it stands, the
//     match is made and the code goes on at `jump`, past the Match.
//   - MatchSite: with a kept table, the match of slot b is made and the code
//     goes on at `jump` + 1, past the Match at `jump`; with the site's
//     pattern built or read, slot a holds it and the code goes on at `jump`,
//     the Match; else it goes on to the evaluation.
//   - Match, ReplaceScan: slot b is the pattern; Match's slot a the subject.
//   - Call, CallGeneral: b is the number of argument slots; the result takes
//     slot a.
//   - GotoEnd: after it, the goto's target variable (ComputedGoto::target)
//     is read.
//
// clang-format off
//        name                  uses                        effect
VANTEL_OP(End,                  Ends,                       "done")
VANTEL_OP(EndClearing,          Ends,                       "done, clearing the slots")
VANTEL_OP(EndNext,              Ends,                       "done, on to the next statement")
VANTEL_OP(EndGoto,              Ends,                       "done, on to the success goto")
VANTEL_OP(EndReturn,            Ends,                       "done, RETURN")
VANTEL_OP(GotoEnd,              Ends,                       "goto code done")
VANTEL_OP(Walk,                 Ends,                       "the statement's trees walked")
VANTEL_OP(LoadNull,             SetA,                       "A = null")
VANTEL_OP(LoadValue,            X | SetA,                   "A = X")
VANTEL_OP(Unary,                A | SetA,                   "A = U A")
VANTEL_OP(Cursor,               V | SetA,                   "A = @V")
VANTEL_OP(Arithmetic,           X | Y | SetA,               "A = X O Y")
VANTEL_OP(LeafArithmetic,       X | Y | SetA,               "A = X O Y")
VANTEL_OP(Concatenate,          X | Y | SetA,               "A = X Y")
VANTEL_OP(Alternate,            X | Y | SetA,               "A = X | Y")
VANTEL_OP(ToPattern,            A | SetA,                   "A = pattern of A")
VANTEL_OP(ValueAssign,          A | V | SetA,               "A = A E V")
VANTEL_OP(Remainder,            X | Y | SetA | ScratchA1,   "A = F(X, Y)")
VANTEL_OP(Size,                 X | SetA | ScratchA1,       "A = F(X)")
VANTEL_OP(Call,                 Args | SetA | ClearArgs,    "A = F(R)")
VANTEL_OP(CallGeneral,          Args | SetA | ClearArgs,    "A = F(R)")
VANTEL_OP(Variable,             A | SetVarA,                "W = variable named A")
VANTEL_OP(VariableError,        Stops,                      "error: M")
VANTEL_OP(Assign,               X | V,                      "V = X")
VANTEL_OP(ToString,             A | SetA,                   "A = string of A")
VANTEL_OP(LoadString,           X | SetA,                   "A = string of X")
VANTEL_OP(SitePattern,          SetA | Jump,                "A = site's pattern, on at J")
VANTEL_OP(MatchKept,            X | Jump,                   "match X with kept table, on at J")
VANTEL_OP(MatchSite,            BKept | SetA | Jump | Past, "match B, kept: past J; A = pattern: J")
VANTEL_OP(Match,                A | B | ClearB,             "match A with B")
VANTEL_OP(ReplaceScan,          VKept | B | SetTriple,      "T = match of V with B")
VANTEL_OP(ReplaceFinish,        V | Triple | B,             "V = T replaced by B")
VANTEL_OP(ConcatenateAssign,    X | Y | V | ScratchA,       "V = X Y")
VANTEL_OP(ArithmeticAssign,     X | Y | V | ScratchA,       "V = X O Y")
VANTEL_OP(LeafArithmeticAssign, X | Y | V | ScratchA,       "V = X O Y")
VANTEL_OP(CompareLT,            X | Y | SetA | ScratchA1,   "A = F(X, Y)")
VANTEL_OP(CompareLE,            X | Y | SetA | ScratchA1,   "A = F(X, Y)")
VANTEL_OP(CompareEQ,            X | Y | SetA | ScratchA1,   "A = F(X, Y)")
VANTEL_OP(CompareNE,            X | Y | SetA | ScratchA1,   "A = F(X, Y)")
VANTEL_OP(CompareGE,            X | Y | SetA | ScratchA1,   "A = F(X, Y)")
VANTEL_OP(CompareGT,            X | Y | SetA | ScratchA1,   "A = F(X, Y)")
// clang-format on
