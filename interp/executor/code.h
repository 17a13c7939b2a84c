// The compiled form of a program: each statement as a short sequence of
// typed instructions over operand slots, made once before the run.
//
// An instruction reads its operands from slots (values computed by earlier
// instructions of the statement) or in place: a number, a literal, or a
// name whose value can be taken without an effect. Every instruction calls
// the function that holds the rule of its operation, so the code does what
// the evaluator does for the same tree; the integer steps, the kept
// patterns of match sites and label targets resolved to statements are
// what it saves. While the failure flag is set every operation does
// nothing, so the first instruction that sets it ends the statement's code.
//
// A statement the compiler does not take (one that would need more slots)
// runs through the evaluator instead; `walked` counts such executions.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "data/limits.h"
#include "data/pattern_table.h"
#include "data/values.h"
#include "data/zeroed_array.h"
#include "translator/internal_form.h"

namespace vantel {

// ---- Match sites ---------------------------------------------------------------

enum class LeafKind : std::uint8_t {
    Operand,   // a name or literal holding a pattern or a string
    Position,  // LEN POS TAB RPOS RTAB of a number or integer name
    CharClass, // ANY NOTANY SPAN BREAK of a literal or string name
    Cursor,    // @name
};

struct Leaf {
    const Expr* expr = nullptr; // the name, literal, call or @ operand
    LeafKind kind = LeafKind::Operand;
    Routine routine = Routine::Null; // of the node a primitive or @ makes
    int node = 0;                    // where its first node is in the table
    Value literal;                   // a literal operand or argument; null for @
    Value value;                     // its value when the table was built
};

// A name that a reuse of a kept table reads for one leaf.
struct LeafCheck {
    StringItem* name = nullptr;
    Leaf* leaf = nullptr; // in the same site
};

// The pattern of one match or replacement statement, kept built between
// executions (see pattern_sites.cpp).
struct Site {
    bool reusable = false; // the expression qualifies (see CollectLeaves)
    int leafCount = 0;
    std::array<Leaf, kMaxPatternNodes> leaves;
    Value table; // the kept table, or null
    // The names a reuse of the kept table reads, in the leaves' order, and
    // how many functions were defined when the leaves were last read (a
    // DEFINE may take a primitive's name over).
    int checkCount = 0;
    int functionsSeen = -1;
    std::array<LeafCheck, kMaxPatternNodes> checks{};
};

// Value slots one statement may use; a statement needing more is walked.
inline constexpr int kMaxSlots = 32;

enum class Op : std::uint8_t {
    End,            // the statement's code is done
    EndClearing,    // the same, clearing the slots that may hold a pattern
    EndNext,        // the same, going on to the next statement
    EndGoto,        // the same, going to the statement of the success goto
    EndReturn,      // the same, returning from the function
    GotoEnd,        // a computed goto's code is done
    Walk,           // the evaluator runs the statement (its code was not compiled)
    LoadNull,       // slot a = null
    LoadValue,      // slot a = operand x (a name is read as the evaluator reads it)
    Unary,          // slot a = unary operator of slot a
    Cursor,         // slot a = @ of variable v
    Arithmetic,     // slot a = x op y, in place when both hold integers
    LeafArithmetic, // the same with x and y both numbers or names
    Concatenate,    // slot a = x y
    Alternate,      // slot a = x | y
    ToPattern,      // slot a = slot a as a pattern, unless null
    ValueAssign,    // slot a = slot a . v or slot a $ v
    Compare,        // slot a = comparison or REMDR of x and y (numbers or names),
                    // in place on integers; v names the function
    Size,           // slot a = SIZE(x), in place on a string
    Call,           // slot a = call of the node with its b arguments in slots a...
    CallGeneral,    // the same for a comparison or SIZE, which the general call may take in place
    Variable,       // variable slot a = the entry named by slot a's text
    VariableError,  // reports the message of a node that names no variable
    Assign,         // assigns x to variable v
    ToString,       // slot a = slot a as a string
    LoadString,     // slot a = operand x as a string (a match subject)
    SitePattern,    // slot a = the kept pattern of the site, then jump; else go on
    // Matches operand x (a name or constant holding a string, read as it
    // stands) against the kept pattern of the site and jumps past the
    // statement's Match; else goes on.
    MatchKept,
    // Matches slot b (subject) against the kept pattern of the site and
    // jumps past the Match that follows the evaluation; else as SitePattern.
    MatchSite,
    // Matches slot a (subject) against slot b (pattern), then clears the
    // slots from b on, so that a match leaves no pattern behind.
    Match,
    ReplaceScan, // matches variable v's value against slot b; slot a = subject, a+1 = start, a+2 =
                 // cursor
    ReplaceFinish,        // variable v = slot a's text with start..cursor replaced by slot b
    ConcatenateAssign,    // Concatenate into slot a, then Assign slot a to variable v
    ArithmeticAssign,     // Arithmetic into slot a, then Assign slot a to variable v
    LeafArithmeticAssign, // the same with x and y both numbers or names
    // Compare with its predicate (LT ... GT) known when compiling, so the
    // test in place is the predicate's alone; a failure ends the code.
    CompareLT,
    CompareLE,
    CompareEQ,
    CompareNE,
    CompareGE,
    CompareGT,
};

enum class From : std::uint8_t { Slot, InPlace, Name };

// Where an instruction takes an operand value: a slot, a constant in place,
// or a name read in place unless it reads a line when used.
struct Operand {
    From source = From::Slot;
    std::uint8_t slot = 0;
    const Value* value = nullptr; // InPlace, Name: where the value is
    StringItem* name = nullptr;   // Name
};

// The variable of an instruction: a name known before the run, or the
// variable slot computed by an earlier instruction.
struct VariableOperand {
    StringItem* entry = nullptr;
    bool computed = false;
    std::uint8_t slot = 0;
};

struct Instruction {
    Op op = Op::End;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    BinaryOp binaryOp = BinaryOp::Concatenation;
    UnaryOp unaryOp = UnaryOp::Plus;
    Primitive primitive = Primitive::None;
    bool immediate = false; // ValueAssign: $ rather than .
    std::uint16_t jump = 0; // SitePattern, MatchSite: how far ahead the evaluation ends
    Operand x;
    Operand y;
    VariableOperand v;
    const Expr* node = nullptr; // Call, Size, Compare: the call node
    const char* message = nullptr;
    Site* site = nullptr;
};

// Where control goes after a statement: the next statement, a statement
// resolved before the run, a computed target, END, RETURN or FRETURN, or a
// label that no statement carries (reported when the goto is taken).
enum class TransferKind : std::uint8_t {
    Next,
    Statement,
    Computed,
    End,
    Return,
    FReturn,
    Undefined
};

struct Transfer {
    TransferKind kind = TransferKind::Next;
    // Statement: the statement; Computed: its entry in the program's
    // computed gotos.
    std::int32_t at = 0;
};

// The code of a computed goto and the variable it names.
struct ComputedGoto {
    std::uint32_t code = 0;
    VariableOperand target;
};

// A statement the compiler does not cover starts at the shared Walk
// instruction. Kept small, so that the cycle finds a statement's record
// by a shift.
struct StatementCode {
    const Instruction* first = nullptr; // the first instruction, once the code is laid out
    Transfer onSuccess;
    Transfer onFailure;
    std::uint32_t start = 0; // the same as an index, while compiling
    std::uint8_t slots = 0;  // value slots used
    // Slots from here on may hold a pattern after the code (see Consume);
    // the code leaves the others holding at most a string or an integer.
    std::uint8_t clearFrom = 0;
};
static_assert(sizeof(void*) != 8 || sizeof(StatementCode) == 32); // 64-bit pointers

struct CompiledProgram {
    bool active = false; // the program was compiled and runs compiled
    std::vector<Instruction> code;
    ZeroedArray<StatementCode, kMaxStatements + 1> statements;
    std::deque<Value> constants;             // literal values read in place
    std::deque<std::unique_ptr<Site>> sites; // the kept patterns of match sites
    std::vector<ComputedGoto> gotos;
    std::int64_t walked = 0; // statements run by the evaluator instead
};

// Compiles every statement of the program into the executor's code.
void CompileProgram(const Program& program);

// The statement cycle over compiled code, from statement `start` until a
// RETURN or FRETURN ends this invocation.
void RunCompiled(int start);

// Recomputes the statement count at which the cycle next has to look at
// the keywords (the limit and the cap); called whenever a keyword changes.
void KeywordsChanged();

} // namespace vantel
