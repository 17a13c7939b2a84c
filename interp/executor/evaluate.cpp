// Expression evaluation, the conversions between value kinds, and the one
// assignment routine that routes values into keywords, the listing and files.
#include <cstddef>
#include <limits>
#include <new>
#include <utility>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/textfile.h"
#include "executor/executor.h"
#include "executor/integer_rules.h"

namespace vantel {

ExecutorState gExec;

void ResetExecutor() {
    gExec = ExecutorState{};
}

namespace {

Value Failed() {
    gExec.failure = true;
    return Value();
}

// ---- String to integer ---------------------------------------------------------------

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHex(std::string_view digits, std::int32_t& out) {
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        value = value * 16u + static_cast<std::uint32_t>(d);
    }
    out = Wrap(value);
    return true;
}

bool ParseDecimal(std::string_view text, std::int32_t& out) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{1} << 31) return false;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

} // namespace

// Leading blanks, then a signed decimal number, or without a sign one of the
// prefixes $ x X 0x 0X and 1 to 8 hexadecimal digits (a 32-bit pattern).
bool TextToInteger(std::string_view text, std::int32_t& out) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.empty()) return false;
    if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') return ParseHex(text.substr(1), out);
    if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseHex(text.substr(2), out);
    return ParseDecimal(text, out);
}

// ---- Conversions -------------------------------------------------------------------------

namespace {

std::string_view EntryText(const Value& v) {
    return v.IsNull() ? std::string_view() : std::string_view(v.string()->name);
}

} // namespace

Value KeywordString(KeywordIndex k) {
    if (k == KeywordIndex::Alphabet) return InternString(AlphabetText());
    char buffer[16];
    return InternString(FormatInteger(KeywordValue(k), buffer));
}

Value ToStringValue(const Value& v) {
    if (gExec.failure) return Value();
    switch (v.kind()) {
    case Kind::Null:
    case Kind::String:
        return v;
    case Kind::Integer:
        return InternInteger(v.integer());
    case Kind::Keyword:
        return KeywordString(v.keyword().index);
    case Kind::Pattern:
        ReportError("PATTERN VALUE WHERE STRING REQUIRED");
        return Value();
    case Kind::File:
        if (!v.file()->input) {
            ReportError("Attempt to read from output file");
            return Value();
        }
        {
            Value line;
            if (!ReadFileLine(v.file(), line)) return Failed();
            return line;
        }
    }
    return Value();
}

std::string_view ToText(const Value& v) {
    if (v.kind() == Kind::String) return v.string()->name;
    return EntryText(ToStringValue(v));
}

std::int32_t ToInteger(const Value& v) {
    if (gExec.failure) return 0;
    std::int32_t n = 0;
    switch (v.kind()) {
    case Kind::Null:
        return 0;
    case Kind::Integer:
        return v.integer();
    case Kind::String:
        if (!TextToInteger(v.string()->name, n)) ReportError("STRING NOT CONVERTIBLE TO INTEGER");
        return n;
    case Kind::Pattern:
        ReportError("PATTERN VALUE WHERE INTEGER REQUIRED");
        return 0;
    case Kind::Keyword:
        if (v.keyword().index == KeywordIndex::Alphabet)
            ReportError("&ALPHABET CAN NOT BE MADE AN INTEGER");
        return KeywordValue(v.keyword().index);
    case Kind::File: {
        if (!v.file()->input) {
            ReportError("Attempt to read an output file");
            return 0;
        }
        Value line;
        const bool read = ReadFileLine(v.file(), line);
        if (!read && v.file()->text.Failed()) ReportError("I/O error, unable to read number.");
        if (!TextToInteger(EntryText(line), n))
            ReportError("STRING FROM INPUT FILE NOT CONVERTIBLE TO INTEGER");
        return n;
    }
    }
    return 0;
}

// ---- Assignment --------------------------------------------------------------------------

namespace {

void AssignKeyword(StringItem* variable, const Value& x) {
    const KeywordRef k = variable->value.keyword();
    if (k.isProtected) {
        ReportError("ATTEMPTED ASSIGNMENT TO PROTECTED KEYWORD");
        return;
    }
    const std::int32_t n = ToInteger(x);
    if (!gExec.failure) KeywordValue(k.index) = n;
}

// OUTPUT keeps a keyword's current value as a plain value, never an alias.
Value PlainValue(const Value& x) {
    if (x.kind() != Kind::Keyword) return x;
    if (x.keyword().index == KeywordIndex::Alphabet) return KeywordString(KeywordIndex::Alphabet);
    return Value::Integer(KeywordValue(x.keyword().index));
}

void AssignToFile(StringItem* variable, const Value& x) {
    FileItem* file = variable->value.file();
    if (file->input)
        ReportError("Attempt to assign to input file");
    else if (!file->text.IsOpen())
        ReportError("OUTPUT FILE NOT OPEN");
    else
        WriteValue(file, x);
}

} // namespace

void Assign(StringItem* variable, const Value& x) {
    if (gExec.failure || variable == nullptr) return;
    if (IsPlainVariable(variable)) {
        variable->value = x;
        return;
    }
    switch (variable->value.kind()) {
    case Kind::Keyword:
        AssignKeyword(variable, x);
        return;
    case Kind::File:
        if (variable->special != SpecialName::Output) {
            AssignToFile(variable, x);
            return;
        }
        break;
    default:
        break;
    }
    if (variable->special == SpecialName::Output) {
        WriteValue(nullptr, x);
        variable->value = PlainValue(x);
        return;
    }
    variable->value = x;
}

// ---- Operators -------------------------------------------------------------------------------

namespace {

Value Concatenate(const Value& left, const Value& right) {
    if (gExec.failure) return Value();
    if (left.IsNull()) return right;
    if (right.IsNull()) return left;
    if (left.kind() == Kind::Pattern || right.kind() == Kind::Pattern)
        return ConcatenateOperands(Value(left), right);
    // Both sides are entered as strings first (an empty line read gives null);
    // strings, the usual case, are taken as they are.
    const Value a = left.kind() == Kind::String ? left : ToStringValue(left);
    const Value b = right.kind() == Kind::String ? right : ToStringValue(right);
    if (gExec.failure) return Value();
    if (a.IsNull() || b.IsNull()) return a.IsNull() ? b : a;
    return InternConcatenation(a.string(), b.string());
}

std::int32_t IntegerOf(const Value& v) {
    return v.kind() == Kind::Integer && !gExec.failure ? v.integer() : ToInteger(v);
}

Value Arithmetic(BinaryOp op, const Value& left, const Value& right) {
    const std::int32_t a = IntegerOf(left);
    const std::int32_t b = IntegerOf(right);
    if (gExec.failure) return Value();
    std::int32_t n = 0;
    if (!IntegerArithmetic(op, a, b, n)) {
        ReportError("DIVISION BY ZERO");
        return Value();
    }
    return Value::Integer(n);
}

Value ApplyBinary(BinaryOp op, const Value& left, const Value& right) {
    if (gExec.failure) return Value();
    switch (op) {
    case BinaryOp::Concatenation:
        return Concatenate(left, right);
    case BinaryOp::Alternation:
        return AlternateOperands(left, right);
    default:
        return Arithmetic(op, left, right);
    }
}

// The entry whose name is a value's text: a string value is interned, so it
// is that entry itself; others are looked up.
StringItem* EntryNamed(const Value& v, std::string_view text) {
    return v.kind() == Kind::String ? v.string() : LookupOrEnter(text);
}

Value Indirection(const Value& operand) {
    if (gExec.failure) return Value();
    if (operand.IsNull()) {
        ReportError("INDIRECTION APPLIED TO NULL STRING");
        return Value();
    }
    const std::string_view name = ToText(operand);
    if (gExec.failure) return Value();
    StringItem* entry = EntryNamed(operand, name);
    return entry != nullptr ? entry->value : Value();
}

Value ApplyUnary(UnaryOp op, const Expr* operand) {
    if (op == UnaryOp::Cursor) {
        StringItem* variable = EvaluateVariable(operand);
        if (gExec.failure) return Value();
        return MakeNodePattern(Routine::Cursor, Value::String(variable));
    }
    const Value v = Evaluate(operand);
    if (gExec.failure) return Value();
    switch (op) {
    case UnaryOp::Indirection:
        return Indirection(v);
    case UnaryOp::Plus:
        return Value::Integer(ToInteger(v));
    case UnaryOp::Minus:
        return Value::Integer(Wrap(0u - Bits(ToInteger(v))));
    default:
        ReportError("INVALID UNARY OPERATOR FOUND");
        return Value();
    }
}

Value ReadIdentifier(StringItem* entry) {
    if (entry->special == SpecialName::Input) {
        if (!ReadStandardInput(entry)) return Failed();
        return entry->value;
    }
    if (entry->value.kind() == Kind::File && entry->value.file()->input) {
        // The line goes through a temporary variable; the entry keeps its file.
        StringItem temporary;
        temporary.name = " __tEmPoRaRy vAr__ ";
        if (!ReadLineInto(entry->value.file(), &temporary)) return Failed();
        return temporary.value;
    }
    return entry->value;
}

Value EvaluateIdentifier(StringItem* entry) {
    if (entry == nullptr) return Value();
    if (ReadsOnUse(entry)) return ReadIdentifier(entry);
    return entry->value;
}

// The comparison predicates on two integers are decided without the general
// call path; anything else (a defined function of that name, other kinds)
// takes the general one.
Value CompareIntegers(Primitive p, std::int32_t a, std::int32_t b) {
    return ComparisonHolds(p, a, b) ? Value() : Failed();
}

// Arithmetic and comparisons whose operands are integers, the steps of most
// loops, are done in place; false leaves the node to the evaluator.
[[gnu::always_inline]] inline bool IntegerOperands(const Expr* e, std::int32_t& a,
                                                   std::int32_t& b) {
    const Value& x = *e->integerOperands[0];
    const Value& y = *e->integerOperands[1];
    if (x.kind() != Kind::Integer || y.kind() != Kind::Integer) return false;
    a = x.integer();
    b = y.integer();
    return true;
}

// Division by 0 is left to the evaluator, which reports it.
[[gnu::always_inline]] inline bool ArithmeticOf(BinaryOp op, std::int32_t a, std::int32_t b,
                                                Value& result) {
    std::int32_t n = 0;
    if (!IntegerArithmetic(op, a, b, n)) return false;
    result = Value::Integer(n);
    return true;
}

// Comparisons and REMDR; a remainder by 0 is left to the general path.
[[gnu::always_inline]] inline bool PredicateOf(Primitive p, std::int32_t a, std::int32_t b,
                                               Value& result) {
    if (p != Primitive::REMDR) {
        result = CompareIntegers(p, a, b);
        return true;
    }
    std::int32_t n = 0;
    if (!IntegerRemainder(a, b, n)) return false;
    result = Value::Integer(n);
    return true;
}

bool ArithmeticStep(const Expr* e, Value& result) {
    std::int32_t a = 0, b = 0;
    return IntegerOperands(e, a, b) && ArithmeticOf(e->binaryOp, a, b, result);
}

// Only while no defined function has taken the name.
bool IntegerPredicate(const Expr* e, Value& result) {
    std::int32_t a = 0, b = 0;
    return e->entry->function < 0 && IntegerOperands(e, a, b) &&
           PredicateOf(e->primitive, a, b, result);
}

bool NestedStep(const Expr* e, Value& result);

// SIZE of a name holding a string or null.
bool SizeStep(const Expr* e, Value& result) {
    const Value& v = *e->integerOperands[0];
    if (e->entry->function >= 0 || (v.kind() != Kind::String && !v.IsNull())) return false;
    result = SizeOf(v);
    return true;
}

[[gnu::always_inline]] inline bool IntegerStep(const Expr* e, Value& result) {
    switch (e->shape) {
    case Shape::IntegerArithmetic:
        return ArithmeticStep(e, result);
    case Shape::IntegerPredicate:
        return IntegerPredicate(e, result);
    case Shape::NestedStep:
        [[unlikely]] return NestedStep(e, result);
    case Shape::Size:
        return SizeStep(e, result);
    default:
        return false;
    }
}

// A step with a step among its operands, such as REMDR(J, N) + 1: each
// operand is a source or a nested step that gives an integer, all without
// effects, so that any other outcome leaves the whole node to the evaluator.
[[gnu::noinline]] bool NestedStep(const Expr* e, Value& result) {
    const bool call = e->kind == ExprKind::Call;
    if (call && e->entry->function >= 0) return false;
    std::array<std::int32_t, 2> n{};
    for (std::size_t i = 0; i < 2; ++i) {
        const Value* source = e->integerOperands[i];
        Value nested;
        if (source == nullptr) {
            const Expr* operand = call ? e->args[i] : (i == 0 ? e->left : e->right);
            if (!IntegerStep(operand, nested)) return false;
            source = &nested;
        }
        if (source->kind() != Kind::Integer) return false;
        n[i] = source->integer();
    }
    return call ? PredicateOf(e->primitive, n[0], n[1], result)
                : ArithmeticOf(e->binaryOp, n[0], n[1], result);
}

// Operands that are numbers, plain names and integer steps are taken in
// place, without a call of the evaluator.
[[gnu::always_inline]] inline Value Operand(const Expr* e) {
    if (e != nullptr && !gExec.failure && FastPaths()) {
        if (e->kind == ExprKind::Integer) return e->number;
        if (e->kind == ExprKind::Literal) return Value::String(e->entry);
        if (e->kind == ExprKind::Identifier && e->entry != nullptr && !ReadsOnUse(e->entry))
            return e->entry->value;
        Value result;
        if (IntegerStep(e, result)) return result;
    }
    return Evaluate(e);
}

// The argument values of one call. Only the slots in use are made, and at
// least two: the comparisons read two whatever the count.
class Arguments {
public:
    explicit Arguments(int count) : made_(count > 2 ? count : 2) {
        for (int i = 0; i < made_; ++i)
            new (&storage_[static_cast<std::size_t>(i) * sizeof(Value)]) Value;
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    ~Arguments() {
        for (int i = 0; i < made_; ++i)
            (*this)[i].~Value();
    }
    Value* data() { return std::launder(reinterpret_cast<Value*>(storage_)); }
    Value& operator[](int i) { return data()[i]; }

private:
    alignas(Value) std::byte storage_[kMaxArguments * sizeof(Value)];
    int made_;
};

// A call whose argument values are in args (at least two slots).
Value CallWith(const Expr* call, Value* args) {
    if (gExec.failure) return Value();
    if (call->entry != nullptr && call->entry->function < 0 && FastPaths()) {
        if (IsComparison(call->primitive) && args[0].kind() == Kind::Integer &&
            args[1].kind() == Kind::Integer)
            return CompareIntegers(call->primitive, args[0].integer(), args[1].integer());
        // SIZE of a string, as the primitive computes it, without the call.
        if (call->primitive == Primitive::SIZE && call->count == 1 &&
            args[0].kind() == Kind::String)
            return SizeOf(args[0]);
    }
    return CallFunction(call, args, call->count);
}

Value EvaluateCall(const Expr* call) {
    if (call->count <= 2) { // most calls: two slots on the stack, no loops
        Value args[2];
        if (call->count >= 1 && call->args[0] != nullptr) args[0] = Operand(call->args[0]);
        if (call->count == 2 && call->args[1] != nullptr) args[1] = Operand(call->args[1]);
        return CallWith(call, args);
    }
    Arguments args(call->count);
    for (int i = 0; i < call->count; ++i) {
        const Expr* a = call->args[static_cast<std::size_t>(i)];
        if (a != nullptr) args[i] = Operand(a);
    }
    return CallWith(call, args.data());
}

Value EvaluateBinary(const Expr* e) {
    Value left = Operand(e->left);
    if (IsValueAssignment(e->binaryOp)) {
        StringItem* variable = EvaluateVariable(e->right);
        if (gExec.failure) return Value();
        return ValueAssignmentPattern(left, variable, e->binaryOp == BinaryOp::ImmediateAssignment);
    }
    const Value right = Operand(e->right);
    if (gExec.failure) return Value();
    const BinaryOp op = e->binaryOp;
    if (!FastPaths()) return ApplyBinary(op, left, right);
    if (op == BinaryOp::Concatenation && (left.IsNull() || right.IsNull()))
        return left.IsNull() ? right : left;
    if (op == BinaryOp::Concatenation && left.kind() == Kind::Pattern) // may grow in place
        return ConcatenateOperands(std::move(left), right);
    if (IsArithmetic(op) && left.kind() == Kind::Integer && right.kind() == Kind::Integer)
        return Arithmetic(op, left, right);
    return ApplyBinary(op, left, right);
}

} // namespace

Value Evaluate(const Expr* e) {
    if (gExec.failure || e == nullptr) return Value();
    switch (e->kind) {
    case ExprKind::Unary:
        return ApplyUnary(e->unaryOp, e->left);
    case ExprKind::Binary: {
        Value result;
        if (IntegerStep(e, result)) return result;
        return EvaluateBinary(e);
    }
    case ExprKind::Identifier:
        return EvaluateIdentifier(e->entry);
    case ExprKind::Integer:
        return e->number;
    case ExprKind::Literal:
        return Value::String(e->entry);
    case ExprKind::Call: {
        Value result;
        if (IntegerStep(e, result)) return result;
        return EvaluateCall(e);
    }
    }
    return Value();
}

// ---- Marking the integer steps ----------------------------------------------------

namespace {

// A number, or a name that does not read input when used.
bool IsIntegerSource(const Expr* e) {
    return e != nullptr && (e->kind == ExprKind::Integer ||
                            (e->kind == ExprKind::Identifier && e->entry != nullptr &&
                             e->entry->special != SpecialName::Input));
}

// A marked step that gives an integer: any but a comparison, which gives
// null or fails.
bool IsIntegerResultStep(const Expr* e) {
    return e != nullptr && e->shape != Shape::General &&
           !(e->kind == ExprKind::Call && IsComparison(e->primitive));
}

const Value* SourceValue(const Expr* e) {
    if (!IsIntegerSource(e)) return nullptr;
    return e->kind == ExprKind::Integer ? &e->number : &e->entry->value;
}

// Operands are marked before their node.
Shape ShapeOf(const Expr* e) {
    if (e->kind == ExprKind::Call && e->entry != nullptr && e->primitive == Primitive::SIZE &&
        e->count == 1 && e->args[0] != nullptr && e->args[0]->kind == ExprKind::Identifier &&
        IsIntegerSource(e->args[0]))
        return Shape::Size;
    const Expr* x = nullptr;
    const Expr* y = nullptr;
    if (e->kind == ExprKind::Binary && IsArithmetic(e->binaryOp)) {
        x = e->left;
        y = e->right;
    } else if (e->kind == ExprKind::Call && e->entry != nullptr && e->count == 2 &&
               (IsComparison(e->primitive) || e->primitive == Primitive::REMDR)) {
        x = e->args[0];
        y = e->args[1];
    } else {
        return Shape::General;
    }
    if (IsIntegerSource(x) && IsIntegerSource(y))
        return e->kind == ExprKind::Binary ? Shape::IntegerArithmetic : Shape::IntegerPredicate;
    if ((IsIntegerSource(x) || IsIntegerResultStep(x)) &&
        (IsIntegerSource(y) || IsIntegerResultStep(y)))
        return Shape::NestedStep;
    return Shape::General;
}

void MarkIntegerSteps(Expr* e) {
    if (e == nullptr) return;
    MarkIntegerSteps(e->left);
    MarkIntegerSteps(e->right);
    for (int i = 0; i < e->count; ++i)
        MarkIntegerSteps(e->args[static_cast<std::size_t>(i)]);
    e->shape = ShapeOf(e);
    if (e->shape == Shape::General) return;
    if (e->shape == Shape::Size) {
        e->integerOperands = {SourceValue(e->args[0]), nullptr};
        return;
    }
    const bool call = e->kind == ExprKind::Call;
    e->integerOperands = {SourceValue(call ? e->args[0] : e->left),
                          SourceValue(call ? e->args[1] : e->right)};
}

} // namespace

void MarkIntegerSteps(Program& program) {
    for (int i = 1; i <= program.count; ++i) {
        Stmt& s = program.at(i);
        for (Expr* e : {s.subject, s.pattern, s.object, s.gotos.unconditional.expression,
                        s.gotos.success.expression, s.gotos.failure.expression})
            MarkIntegerSteps(e);
    }
}

StringItem* ComputeVariable(const Expr* e) {
    if (e == nullptr || gExec.failure) return nullptr;
    if (e->kind != ExprKind::Unary) {
        ReportError("INAPPROPRIATE EXPR WHERE VAR REQUIRED");
        return nullptr;
    }
    if (e->unaryOp != UnaryOp::Indirection) {
        ReportError("Inappropriate unary expr where var required");
        return nullptr;
    }
    const Value v = Evaluate(e->left);
    const std::string_view name = ToText(v);
    if (gExec.failure) return nullptr;
    if (name.empty()) {
        ReportError("NULL RESULT WHERE VAR REQUIRED");
        return nullptr;
    }
    return EntryNamed(v, name);
}

} // namespace vantel
