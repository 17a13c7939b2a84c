// The built-in functions. The called name's length selects a group, and each
// group has its own message for an unknown name or a wrong argument count.
#include "data/diagnostics.h"
#include "executor/executor.h"
#include "executor/integer_rules.h"

namespace vantel {

namespace {

const char* GroupMessage(std::size_t nameLength) {
    switch (nameLength) {
    case 2:
        return "Illegal function call";
    case 3:
        return "Illegal Function Call";
    case 4:
        return "Illegal Function call";
    default:
        return "ILLEGAL FUNCTION CALL";
    }
}

int Arity(Primitive p) {
    if (IsComparison(p)) return -1; // any count
    switch (p) {
    case Primitive::DUPL:
    case Primitive::IDENT:
    case Primitive::DIFFER:
    case Primitive::REMDR:
    case Primitive::INPUT:
    case Primitive::OUTPUT:
    case Primitive::DEFINE:
        return 2;
    default:
        return 1;
    }
}

Value Predicate(bool holds) {
    return holds ? Value() : Fail();
}

Value Compare(Primitive p, const Value* args) {
    const std::int32_t a = ToInteger(args[0]);
    const std::int32_t b = ToInteger(args[1]);
    if (Exec().failure) return Value();
    return Predicate(ComparisonHolds(p, a, b));
}

Value CharClassPattern(Routine routine, const Value& arg) {
    const Value text = ToStringValue(arg);
    if (Exec().failure) return Value();
    if (text.IsNull()) {
        ReportError("NULL ARG FOR PATTERN-VALUED PRIMITIVE FUNCTION");
        return Value();
    }
    return MakeNodePattern(routine, text);
}

Value PositionPattern(Routine routine, const Value& arg) {
    const std::int32_t n = ToInteger(arg);
    if (Exec().failure) return Value();
    if (n < 0) {
        ReportError("NEGATIVE ARG FOR PATTERN-VALUED PRIMITIVE FUNCTION");
        return Value();
    }
    return MakeNodePattern(routine, Value::Integer(n));
}

bool Identical(const Value& a, const Value& b) {
    if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
    case Kind::Integer:
        return a.integer() == b.integer();
    case Kind::String:
        return a.string() == b.string();
    case Kind::Keyword:
        return a.keyword().index == b.keyword().index;
    case Kind::File:
        return a.file() == b.file();
    case Kind::Pattern: {
        const PatternTable* p = a.pattern();
        const PatternTable* q = b.pattern();
        if (p == q) return true;
        if (p == nullptr || q == nullptr || p->count != q->count) return false;
        for (int i = 1; i <= p->count; ++i) {
            const PatternNode& m = p->node(i);
            const PatternNode& n = q->node(i);
            if (m.routine != n.routine || m.subsequent != n.subsequent ||
                m.alternate != n.alternate || m.extra != n.extra)
                return false;
        }
        return true;
    }
    case Kind::Null:
        break;
    }
    return true;
}

Value Trim(const Value& arg) {
    const std::string_view text = ToText(arg);
    if (Exec().failure) return Value();
    return InternString(TrimTrailingBlanks(text));
}

Value Dupl(const Value& s, const Value& count) {
    const std::string_view text = ToText(s);
    const std::int32_t n = ToInteger(count);
    if (Exec().failure || n <= 0 || text.empty()) return Value();
    if (static_cast<std::int64_t>(text.size()) * n > kMaxStringLength) {
        ReportError("CONCATENATED STRINGS EXCEED MAXIMUM SIZE");
        return Value();
    }
    std::string& result = Exec().text;
    result.clear();
    for (std::int32_t i = 0; i < n; ++i)
        result.append(text);
    return InternString(result);
}

Value Remainder(const Value& a, const Value& b) {
    const std::int32_t x = ToInteger(a);
    const std::int32_t y = ToInteger(b);
    if (Exec().failure) return Value();
    std::int32_t n = 0;
    if (!IntegerRemainder(x, y, n)) {
        ReportError("DIVISION BY ZERO");
        return Value();
    }
    return Value::Integer(n);
}

Value DumpCall(const Value& arg) {
    const std::int32_t n = ToInteger(arg);
    if (!Exec().failure && n != 0) DumpVariables();
    return Value();
}

Value Dispatch(Primitive p, Value* args) {
    switch (p) {
    case Primitive::ANY:
        return CharClassPattern(Routine::Any, args[0]);
    case Primitive::NOTANY:
        return CharClassPattern(Routine::NotAny, args[0]);
    case Primitive::SPAN:
        return CharClassPattern(Routine::Span, args[0]);
    case Primitive::BREAK:
        return CharClassPattern(Routine::Break, args[0]);
    case Primitive::LEN:
        return PositionPattern(Routine::Length, args[0]);
    case Primitive::POS:
        return PositionPattern(Routine::Pos, args[0]);
    case Primitive::TAB:
        return PositionPattern(Routine::Tab, args[0]);
    case Primitive::RPOS:
        return PositionPattern(Routine::RPos, args[0]);
    case Primitive::RTAB:
        return PositionPattern(Routine::RTab, args[0]);
    case Primitive::ARBNO: {
        const Value pattern = ToPattern(args[0]);
        if (Exec().failure) return Value();
        return MakeArbno(pattern);
    }
    case Primitive::SIZE:
        return SizeOf(args[0]);
    case Primitive::TRIM:
        return Trim(args[0]);
    case Primitive::DUPL:
        return Dupl(args[0], args[1]);
    case Primitive::DUMP:
        return DumpCall(args[0]);
    case Primitive::IDENT:
        return Predicate(Identical(args[0], args[1]));
    case Primitive::DIFFER:
        return Predicate(!Identical(args[0], args[1]));
    case Primitive::REMDR:
        return Remainder(args[0], args[1]);
    case Primitive::INPUT:
        Associate(args[0], args[1], true);
        return Value();
    case Primitive::OUTPUT:
        Associate(args[0], args[1], false);
        return Value();
    case Primitive::DEFINE:
        Define(args[0], args[1]);
        return Value();
    default:
        return Compare(p, args);
    }
}

} // namespace

Value CallPrimitive(const Expr* call, Value* args, int count) {
    const Primitive p = call->primitive;
    const std::size_t length = call->entry != nullptr ? call->entry->name.size() : 0;
    const int arity = Arity(p);
    if (p == Primitive::None || (arity >= 0 && arity != count)) {
        ReportError(GroupMessage(length));
        return Value();
    }
    return Dispatch(p, args);
}

} // namespace vantel
