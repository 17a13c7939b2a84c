// Nested integer steps, and the marking pass that finds the integer steps
// of a program before its run.
#include <array>

#include "executor/integer_steps.h"

namespace vantel {

// A step with a step among its operands, such as REMDR(J, N) + 1: each
// operand is a source or a nested step that gives an integer, all without
// effects, so that any other outcome leaves the whole node to the evaluator.
bool NestedStep(const Expr* e, Value& result) {
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

} // namespace vantel
