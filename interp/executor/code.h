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
#include <iterator>
#include <memory>
#include <string>
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
    Site() = default;
    // The checks point at the site's own leaves.
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

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
// Levels of the statement cycle that hold slots at once: the main program
// and one per call under way (each call saves at least one run stack slot),
// with one to spare. A level beyond them is walked.
inline constexpr int kSlotLevels = kRunStackSize + 2;

// The instructions, their uses of slots and their effects: one table,
// opcodes.h, documents each and generates what follows.
namespace use {
// Bits of an instruction's uses of its fields (see opcodes.h).
enum : std::uint32_t {
    X = 1u << 0,
    Y = 1u << 1,
    A = 1u << 2,
    B = 1u << 3,
    BKept = 1u << 4,
    V = 1u << 5,
    VKept = 1u << 6,
    Args = 1u << 7,
    Triple = 1u << 8,
    SetA = 1u << 9,
    SetTriple = 1u << 10,
    SetVarA = 1u << 11,
    ScratchA = 1u << 12,
    ScratchA1 = 1u << 13,
    ClearArgs = 1u << 14,
    ClearB = 1u << 15,
    Jump = 1u << 16,
    Past = 1u << 17,
    Ends = 1u << 18,
    Stops = 1u << 19,
};
} // namespace use
using Uses = std::uint32_t;

enum class Op : std::uint8_t {
#define VANTEL_OP(name, uses, effect) name,
#include "executor/opcodes.h"
#undef VANTEL_OP
};

// The texts are held in place, not pointed to: the table then needs no
// relocation when the program is loaded.
struct OpInfo {
    char name[24];
    Uses uses;
    char effect[40]; // as the code listing prints it (see opcodes.h)
};
namespace op_table {
using namespace use;
inline constexpr OpInfo kOps[] = {
#define VANTEL_OP(name, uses, effect) {#name, uses, effect},
#include "executor/opcodes.h"
#undef VANTEL_OP
};
} // namespace op_table
inline constexpr std::size_t kOpCount = std::size(op_table::kOps);

inline constexpr const OpInfo& Info(Op op) {
    return op_table::kOps[static_cast<std::size_t>(op)];
}

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
    std::uint16_t jump = 0; // how far ahead the instruction a jump goes on at is
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

// Compiles every statement of the program into the executor's code; with
// the code check on (ExecutorState::checkCode), checks it.
void CompileProgram(const Program& program);

// The slot discipline the compiler keeps, checked over the code: a value
// written into a slot is wanted until the instruction that reads it for
// the last time, and no instruction in between writes that slot; no slot
// is read that the code has not written on every way to it. The same holds
// for variable slots. CheckCode gives what breaks it in the code from
// `start` (the code of a statement, or of a computed goto whose target
// variable is then read), or "" when nothing does.
std::string CheckCode(const std::vector<Instruction>& code, std::uint32_t start, int slots,
                      const VariableOperand* target = nullptr);
// Checks the code of every statement and computed goto of the program; a
// breach is written with the statement's code to standard error, and the
// process aborts (it is a fault of the compiler).
void CheckProgramCode(const Program& program, const CompiledProgram& compiled);

// The code of every statement, one instruction a line with its effect,
// as VANTEL_DUMP_CODE=1 shows it; and of statement n alone.
std::string CodeListing(const Program& program, const CompiledProgram& compiled);
std::string StatementListing(const Program& program, const CompiledProgram& compiled, int n);

// The statement cycle over compiled code, from statement `start` until a
// RETURN or FRETURN ends this invocation.
void RunCompiled(int start);

// Recomputes the statement count at which the cycle next has to look at
// the keywords (the limit and the cap); called whenever a keyword changes.
void KeywordsChanged();

} // namespace vantel
