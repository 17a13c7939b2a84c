// The internal form built by the translator and run by the executor: the
// statement table of statements holding expression trees and goto targets.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "data/limits.h"
#include "data/values.h"

namespace vantel {

enum class ExprKind : std::uint8_t {
    Unary = 1,
    Binary = 2,
    Identifier = 3,
    Integer = 4,
    Literal = 5,
    Call = 6,
};

// Built-in functions, resolved from the called name when the call is
// translated; a programmer-defined function of the same name still wins.
enum class Primitive : std::uint8_t {
    None,
    LT,
    LE,
    EQ,
    NE,
    GE,
    GT,
    ANY,
    LEN,
    POS,
    TAB,
    SPAN,
    RPOS,
    RTAB,
    SIZE,
    TRIM,
    DUPL,
    DUMP,
    IDENT,
    BREAK,
    ARBNO,
    INPUT,
    REMDR,
    DIFFER,
    NOTANY,
    OUTPUT,
    DEFINE,
};

// The six numeric comparison predicates, which take any number of arguments.
inline bool IsComparison(Primitive p) {
    return p >= Primitive::LT && p <= Primitive::GT;
}

// The operators; each value is the letter the statement dump prints.
enum class BinaryOp : char {
    Alternation = '!',
    Concatenation = 'C',
    Add = '+',
    Subtract = '-',
    Multiply = '*',
    Divide = '/',
    ImmediateAssignment = '$',
    ConditionalAssignment = '.',
};
enum class UnaryOp : char {
    Indirection = '$',
    Plus = '+',
    Minus = '-',
    Cursor = '@',
};
inline char Letter(BinaryOp op) {
    return static_cast<char>(op);
}
inline char Letter(UnaryOp op) {
    return static_cast<char>(op);
}
inline bool IsArithmetic(BinaryOp op) {
    return op == BinaryOp::Add || op == BinaryOp::Subtract || op == BinaryOp::Multiply ||
           op == BinaryOp::Divide;
}
inline bool IsValueAssignment(BinaryOp op) {
    return op == BinaryOp::ImmediateAssignment || op == BinaryOp::ConditionalAssignment;
}

// One expression node.
struct Expr {
    ExprKind kind = ExprKind::Literal;
    BinaryOp binaryOp = BinaryOp::Concatenation; // kind Binary
    UnaryOp unaryOp = UnaryOp::Plus;             // kind Unary
    std::int32_t depth = 1;      // a leaf is 1, a node one more than its deepest operand
    StringItem* entry = nullptr; // identifier, literal (nullptr for ''), called name
    Value number;                // integer
    Expr* left = nullptr;        // binary left, unary operand
    Expr* right = nullptr;       // binary right
    std::int32_t count = 0;      // call: arguments written
    std::array<Expr*, kMaxArguments> args{}; // call: nullptr is an omitted argument
    Primitive primitive = Primitive::None;
};

enum class TargetKind : std::uint8_t { None = 0, Computed = 1, Special = 2 };

// The special targets; each value is the letter the statement dump prints.
enum class SpecialTarget : char { None = 0, End = 'E', Return = 'R', FReturn = 'F' };

struct Target {
    TargetKind kind = TargetKind::None;
    SpecialTarget special = SpecialTarget::None; // kind Special
    Expr* expression = nullptr;
};

struct Gotos {
    Target unconditional;
    Target success;
    Target failure;
};

enum class StmtKind : std::uint8_t {
    Assignment = 1,
    Match = 2,
    Replacement = 3,
    Expression = 4,
    Empty = 5,
};

struct Stmt {
    StringItem* label = nullptr;
    bool hasGotos = false;
    Gotos gotos;
    StmtKind kind = StmtKind::Empty;
    Expr* subject = nullptr; // the expression itself for an expression statement
    Expr* pattern = nullptr;
    Expr* object = nullptr;
};

// The statement table: positions 1..count, and the label named on END.
struct Program {
    std::array<Stmt*, kMaxStatements + 1> statements{};
    int count = 0;
    StringItem* endLabel = nullptr;

    Stmt& at(int position) { return *statements[static_cast<std::size_t>(position)]; }
};

// Nodes and statements live as long as the run.
Expr* NewExpr(ExprKind kind);
Stmt* NewStmt();

// Translates the whole source: lists it, builds the statement table, writes the compile
// statistics and, under DEBUG, the statement dump.
void Translate();

class MessageSink;
// Translates source text held in memory as Translate() translates the source
// file (limits and messages included), each message going to `sink` with its
// place. Runs inside a run object, whose translation state then holds the
// statement table and the places; `text` must live as long as the call.
// False when the text has no END statement ("PROGRAM HAS NO END." was the
// last message).
bool TranslateText(std::string_view text, MessageSink& sink);

} // namespace vantel

// The run's state, where the statement table lives (TheProgram()).
#include "translator/translation_state.h"
