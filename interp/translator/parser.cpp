#include "translator/parser.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "data/diagnostics.h"
#include "translator/scanner.h"

namespace vantel {

namespace {

DepthGuard& Depth() {
    return Translation().depth;
}

bool IsChar(char c) {
    return Scan().token == Token::Char && Scan().character == c;
}

// Once an expression is too deep nothing more is consumed until the
// statement is abandoned, so the skip stops at this statement's end.
void Advance() {
    if (!Depth().tooDeep) NextToken();
}

void SkipBlank() {
    if (Scan().token == Token::Blank) Advance();
}

void TooDeep() {
    if (!Depth().tooDeep) ReportError("EXPRESSION TOO DEEPLY NESTED");
    Depth().tooDeep = true;
}

// Opens one nesting level (a parenthesised group, an argument list, a unary
// operator); false when that would be too deep.
bool Enter() {
    if (++Depth().nesting > kMaxExpressionDepth) TooDeep();
    return !Depth().tooDeep;
}
void Leave() {
    --Depth().nesting;
}

// A leaf of an expression, made from the token at `at`.
Expr* Leaf(ExprKind kind, const SourceSpan& at) {
    Expr* e = NewExpr(kind);
    Translation().places.nodes.push_back({e, at});
    return e;
}

Expr* MakeNode(ExprKind kind, Expr* left, Expr* right) {
    Expr* e = NewExpr(kind);
    e->left = left;
    e->right = right;
    int deepest = 0;
    if (left != nullptr) deepest = left->depth;
    if (right != nullptr) deepest = std::max(deepest, right->depth);
    e->depth = deepest + 1;
    if (e->depth > kMaxExpressionDepth) TooDeep();
    return e;
}

// expect = c, or the expected-token message and a skip to c.
void Expect(Token kind, char c) {
    if (Depth().tooDeep) return;
    const bool matches = kind == Token::Char ? IsChar(c) : Scan().token == kind;
    if (matches) {
        Advance();
        return;
    }
    const char shown = kind == Token::EndOfStatement ? ';' : c;
    ReportError(std::string("TOKEN \"") + shown + "\" DOES NOT OCCUR WHERE EXPECTED  ");
    // Skips across statements, up to the token read with the source's last
    // line; reading on from there ends the run with "PROGRAM HAS NO END.".
    while (!(kind == Token::Char ? IsChar(c) : Scan().token == kind) && !SourceExhausted()) {
        if (Scan().token == Token::EndOfStatement)
            Translation().places.everyStatementParsed = false;
        Advance();
    }
    Advance();
}

void ExpectChar(char c) {
    Expect(Token::Char, c);
}
void ExpectEndOfStatement() {
    Expect(Token::EndOfStatement, ';');
}

Expr* Expression();

// arguments = '(' [ argument { ',' argument } ] ')'
void ParseArguments(Expr* call) {
    if (!Enter()) return;
    do {
        Advance();
        SkipBlank();
        if (call->count == kMaxArguments) ReportError("TOO MANY ARGUMENTS IN FUNCTION CALL");
        if (call->count == 0 && IsChar(')')) break;
        Expr* argument = (IsChar(',') || IsChar(')')) ? nullptr : Expression();
        if (Depth().tooDeep) break;
        if (call->count < kMaxArguments) {
            call->args[static_cast<std::size_t>(call->count++)] = argument;
            if (argument != nullptr && argument->depth + 1 > call->depth)
                call->depth = argument->depth + 1;
        }
        if (!IsChar(',') && !IsChar(')')) ReportError("ERROR IN ARGUMENT LIST");
    } while (IsChar(','));
    Leave();
    if (Depth().tooDeep) return;
    if (call->depth > kMaxExpressionDepth) TooDeep();
    Advance();
}

// primary = name [ arguments ] | literal | integer | '(' expression ')'
Expr* Primary() {
    if (Depth().tooDeep) return nullptr;
    switch (Scan().token) {
    case Token::Identifier:
    case Token::Keyword: {
        StringItem* entry = Scan().entry;
        const SourceSpan at = Scan().span;
        Advance();
        if (!IsChar('(')) {
            Expr* e = Leaf(ExprKind::Identifier, at);
            e->entry = entry;
            return e;
        }
        Expr* call = Leaf(ExprKind::Call, at);
        call->entry = entry;
        call->primitive = entry != nullptr ? PrimitiveNamed(entry->name) : Primitive::None;
        ParseArguments(call);
        return call;
    }
    case Token::Literal: {
        Expr* e = Leaf(ExprKind::Literal, Scan().span);
        e->entry = Scan().entry;
        Advance();
        return e;
    }
    case Token::Integer: {
        Expr* e = Leaf(ExprKind::Integer, Scan().span);
        e->number = Value::Integer(Scan().number);
        Advance();
        return e;
    }
    default:
        break;
    }
    ExpectChar('(');
    SkipBlank();
    if (!Enter()) return nullptr;
    Expr* inner = Expression();
    Leave();
    ExpectChar(')');
    return inner;
}

// unary = [ '$' | '+' | '-' | '@' ] primary
Expr* Unary() {
    if (Depth().tooDeep) return nullptr;
    if (Scan().token == Token::Char && (Scan().character == '$' || Scan().character == '+' ||
                                        Scan().character == '-' || Scan().character == '@')) {
        const auto op = static_cast<UnaryOp>(Scan().character);
        Advance();
        if (!Enter()) return nullptr;
        Expr* operand = Primary();
        Leave();
        if (Depth().tooDeep) return nullptr;
        Expr* e = MakeNode(ExprKind::Unary, operand, nullptr);
        e->unaryOp = op;
        return e;
    }
    return Primary();
}

Expr* Binary(BinaryOp op, Expr* left, Expr* right) {
    Expr* e = MakeNode(ExprKind::Binary, left, right);
    e->binaryOp = op;
    return e;
}

// A left-associative binary level: operand { operator operand }.
template <typename Operand, typename Match> Expr* LeftFold(Operand operand, Match match) {
    Expr* left = operand();
    BinaryOp op = BinaryOp::Concatenation;
    while (!Depth().tooDeep && match(op)) {
        Advance();
        Expr* right = operand();
        if (Depth().tooDeep) return nullptr;
        left = Binary(op, left, right);
    }
    return left;
}

bool TokenIs(Token kind, BinaryOp symbol, BinaryOp& op) {
    if (Scan().token != kind) return false;
    op = symbol;
    return true;
}

// assignment = unary { ( ' $ ' | ' . ' ) unary }
Expr* ValueAssignment() {
    return LeftFold(Unary, [](BinaryOp& op) {
        return TokenIs(Token::ImmAssign, BinaryOp::ImmediateAssignment, op) ||
               TokenIs(Token::CondAssign, BinaryOp::ConditionalAssignment, op);
    });
}

// multiplication = assignment { ' * ' assignment }
Expr* Multiplication() {
    return LeftFold(ValueAssignment,
                    [](BinaryOp& op) { return TokenIs(Token::Multiply, BinaryOp::Multiply, op); });
}

// division = multiplication { ' / ' multiplication }
Expr* Division() {
    return LeftFold(Multiplication,
                    [](BinaryOp& op) { return TokenIs(Token::Divide, BinaryOp::Divide, op); });
}

// arithmetic = division { ( ' + ' | ' - ' ) division }
Expr* Arithmetic() {
    return LeftFold(Division, [](BinaryOp& op) {
        return TokenIs(Token::Plus, BinaryOp::Add, op) ||
               TokenIs(Token::Minus, BinaryOp::Subtract, op);
    });
}

bool EndsConcatenation() {
    return IsChar(':') || IsChar(')') || IsChar(',') || IsChar('=');
}

// concatenation = arithmetic { blank arithmetic }; a blank before ':', ')',
// ',' or '=' only separates.
Expr* Concatenation() {
    Expr* left = Arithmetic();
    while (!Depth().tooDeep && Scan().token == Token::Blank) {
        Advance();
        if (EndsConcatenation()) break;
        Expr* right = Arithmetic();
        if (Depth().tooDeep) return nullptr;
        left = Binary(BinaryOp::Concatenation, left, right);
    }
    return left;
}

// expression = concatenation { ' | ' concatenation }
Expr* Expression() {
    return LeftFold(Concatenation, [](BinaryOp& op) {
        return TokenIs(Token::Alternation, BinaryOp::Alternation, op);
    });
}

// target = '(' ( END | RETURN | FRETURN | expression ) ')'
void ParseTarget(Target& target) {
    ExpectChar('(');
    SkipBlank();
    const Token t = Scan().token;
    if (t == Token::End || t == Token::Return || t == Token::FReturn) {
        target.kind = TargetKind::Special;
        target.special = t == Token::End      ? SpecialTarget::End
                         : t == Token::Return ? SpecialTarget::Return
                                              : SpecialTarget::FReturn;
        Advance();
    } else {
        target.kind = TargetKind::Computed;
        target.expression = Expression();
    }
    ExpectChar(')');
}

// gotos = ':' [ S target [ F target ] | F target [ S target ] | target ]
void ParseGotoField(Stmt& stmt) {
    stmt.hasGotos = true;
    Advance();
    SkipBlank();
    if (Scan().token == Token::S || Scan().token == Token::F) {
        const bool successFirst = Scan().token == Token::S;
        Advance();
        ParseTarget(successFirst ? stmt.gotos.success : stmt.gotos.failure);
        SkipBlank();
        const Token second = successFirst ? Token::F : Token::S;
        if (!Depth().tooDeep && Scan().token == second) {
            Advance();
            ParseTarget(successFirst ? stmt.gotos.failure : stmt.gotos.success);
        }
    } else {
        ParseTarget(stmt.gotos.unconditional);
    }
    ExpectEndOfStatement();
}

Expr* NullObject() {
    Expr* e = NewExpr(ExprKind::Literal);
    e->entry = EmptyNameItem();
    return e;
}

// finish = [ blank [ expression ] ] [ gotos ] end-of-statement
void Finish(Stmt& stmt) {
    Expr* object = nullptr;
    if (Scan().token == Token::Blank) {
        Advance();
        if (IsChar(':'))
            ParseGotoField(stmt);
        else {
            object = Expression();
            if (IsChar(':'))
                ParseGotoField(stmt);
            else
                ExpectEndOfStatement();
        }
    } else {
        ExpectEndOfStatement();
    }
    if (stmt.kind == StmtKind::Assignment && object == nullptr) object = NullObject();
    stmt.object = object;
}

// body = ':' gotos | subject [ blank ( ':' gotos | '=' finish | pattern ... ) ]
void ParseBody(Stmt& stmt) {
    Advance();
    if (IsChar(':')) {
        stmt.kind = StmtKind::Empty;
        ParseGotoField(stmt);
        return;
    }
    stmt.subject = Unary();
    if (Scan().token != Token::Blank) {
        stmt.kind = StmtKind::Expression;
        ExpectEndOfStatement();
        return;
    }
    Advance();
    if (IsChar(':')) {
        stmt.kind = StmtKind::Expression;
        ParseGotoField(stmt);
    } else if (IsChar('=')) {
        stmt.kind = StmtKind::Assignment;
        Advance();
        Finish(stmt);
    } else {
        stmt.kind = StmtKind::Match;
        stmt.pattern = Expression();
        if (IsChar(':'))
            ParseGotoField(stmt);
        else if (IsChar('=')) {
            stmt.kind = StmtKind::Replacement;
            Advance();
            Finish(stmt);
        } else {
            ExpectEndOfStatement();
        }
    }
}

// After an expression too deep: skip to this statement's end and keep it as
// an empty statement with its label.
void AbandonStatement(Stmt& stmt) {
    while (Scan().token != Token::EndOfStatement)
        NextToken();
    NextToken();
    StringItem* label = stmt.label;
    stmt = Stmt{};
    stmt.label = label;
}

} // namespace

void ParseStatement(Stmt& stmt) {
    Depth() = DepthGuard{};
    if (Scan().token == Token::Identifier) {
        stmt.label = Scan().entry;
        Advance();
    }
    if (Scan().token == Token::Blank)
        ParseBody(stmt);
    else {
        stmt.kind = StmtKind::Empty;
        ExpectEndOfStatement();
    }
    if (Depth().tooDeep) AbandonStatement(stmt);
}

Expr* NewExpr(ExprKind kind) {
    auto& expressions = Translation().expressions;
    expressions.push_back(std::make_unique<Expr>());
    expressions.back()->kind = kind;
    return expressions.back().get();
}

Stmt* NewStmt() {
    auto& statements = Translation().statements;
    statements.push_back(std::make_unique<Stmt>());
    return statements.back().get();
}

Primitive PrimitiveNamed(std::string_view name) {
    static const std::pair<const char*, Primitive> kNames[] = {
        {"LT", Primitive::LT},         {"LE", Primitive::LE},         {"EQ", Primitive::EQ},
        {"NE", Primitive::NE},         {"GE", Primitive::GE},         {"GT", Primitive::GT},
        {"ANY", Primitive::ANY},       {"LEN", Primitive::LEN},       {"POS", Primitive::POS},
        {"TAB", Primitive::TAB},       {"SPAN", Primitive::SPAN},     {"RPOS", Primitive::RPOS},
        {"RTAB", Primitive::RTAB},     {"SIZE", Primitive::SIZE},     {"TRIM", Primitive::TRIM},
        {"DUPL", Primitive::DUPL},     {"DUMP", Primitive::DUMP},     {"IDENT", Primitive::IDENT},
        {"BREAK", Primitive::BREAK},   {"ARBNO", Primitive::ARBNO},   {"INPUT", Primitive::INPUT},
        {"REMDR", Primitive::REMDR},   {"DIFFER", Primitive::DIFFER}, {"NOTANY", Primitive::NOTANY},
        {"OUTPUT", Primitive::OUTPUT}, {"DEFINE", Primitive::DEFINE},
    };
    for (const auto& [text, primitive] : kNames)
        if (name == text) return primitive;
    return Primitive::None;
}

} // namespace vantel
