// The patterns of match statements, kept built between executions.
//
// A statement such as `LINE TAB(C) WORD @C` builds the same table every time
// it runs except for TAB's argument: four constructions and copies per match.
// A site whose pattern expression is made only of names, literals, cursor
// positions and pattern primitives with a name or number argument keeps the
// table it built and the leaf values it was built from. Run again with the
// same patterns in its names, it updates the arguments that changed in place
// and matches the same table.
//
// Leaf values are read without side effects; anything outside the simple
// cases (a conversion, an error to report, a null or integer leaf, a defined
// function of a primitive's name) leaves the whole expression to the
// evaluator, as if this module did not exist. The kept table is never seen
// by the program: a match site only matches it.
#include <array>
#include <memory>
#include <utility>

#include "executor/code.h"
#include "executor/executor.h"

namespace vantel {

namespace {

// Where the current values of one site's leaves are, in evaluation order.
using LeafValues = std::array<const Value*, kMaxPatternNodes>;

// ---- Which expressions qualify -----------------------------------------------------

bool IsPlainName(const Expr* e) {
    return e != nullptr && e->kind == ExprKind::Identifier && e->entry != nullptr;
}

bool IsSimpleArgument(const Expr* e) {
    return e != nullptr &&
           (e->kind == ExprKind::Integer || e->kind == ExprKind::Literal || IsPlainName(e));
}

// The pattern primitives a leaf may call, with the node each makes.
struct PatternPrimitive {
    Primitive primitive;
    LeafKind kind;
    Routine routine;
};
constexpr std::array<PatternPrimitive, 9> kPatternPrimitives = {{
    {Primitive::LEN, LeafKind::Position, Routine::Length},
    {Primitive::POS, LeafKind::Position, Routine::Pos},
    {Primitive::TAB, LeafKind::Position, Routine::Tab},
    {Primitive::RPOS, LeafKind::Position, Routine::RPos},
    {Primitive::RTAB, LeafKind::Position, Routine::RTab},
    {Primitive::ANY, LeafKind::CharClass, Routine::Any},
    {Primitive::NOTANY, LeafKind::CharClass, Routine::NotAny},
    {Primitive::SPAN, LeafKind::CharClass, Routine::Span},
    {Primitive::BREAK, LeafKind::CharClass, Routine::Break},
}};

bool PrimitiveLeaf(const Expr* e, Leaf& leaf) {
    if (e->count != 1 || !IsSimpleArgument(e->args[0])) return false;
    for (const PatternPrimitive& p : kPatternPrimitives) {
        if (p.primitive != e->primitive) continue;
        leaf.kind = p.kind;
        leaf.routine = p.routine;
        return true;
    }
    return false;
}

// reusable = leaf | reusable ("C" | "!") reusable | reusable ("$" | ".") name
// leaf     = name | literal | "@" name | primitive "(" number | literal | name ")"
bool CollectLeaves(const Expr* e, Site& site) {
    if (e == nullptr) return false;
    if (e->kind == ExprKind::Binary) {
        if (e->binaryOp == BinaryOp::Concatenation || e->binaryOp == BinaryOp::Alternation)
            return CollectLeaves(e->left, site) && CollectLeaves(e->right, site);
        if (IsValueAssignment(e->binaryOp))
            return IsPlainName(e->right) && CollectLeaves(e->left, site);
        return false;
    }
    if (site.leafCount == kMaxPatternNodes) return false;
    Leaf leaf;
    leaf.expr = e;
    if (e->kind == ExprKind::Unary) {
        if (e->unaryOp != UnaryOp::Cursor || !IsPlainName(e->left)) return false;
        leaf.kind = LeafKind::Cursor;
        leaf.routine = Routine::Cursor;
    } else if (e->kind == ExprKind::Call) {
        if (e->entry == nullptr || !PrimitiveLeaf(e, leaf)) return false;
    } else if (!IsPlainName(e) && !(e->kind == ExprKind::Literal && e->entry != nullptr)) {
        return false;
    }
    const Expr* constant = e->kind == ExprKind::Call ? e->args[0] : e;
    if (constant->kind == ExprKind::Literal) leaf.literal = Value::String(constant->entry);
    // A literal operand and @name never change; a name's value may, and so
    // may a primitive's name (see KeptPattern).
    const auto k = static_cast<std::size_t>(site.leafCount++);
    site.leaves[k] = leaf;
    if (constant->kind == ExprKind::Identifier) {
        LeafCheck& check = site.checks[static_cast<std::size_t>(site.checkCount++)];
        check.leaf = &site.leaves[k];
        check.name = constant->entry;
    }
    return true;
}

// ---- Reading the leaves --------------------------------------------------------------

// Where the value of a number, literal or name is, or nullptr when reading
// the name has an effect.
[[gnu::always_inline]] inline const Value* EffectFreeValue(const Expr* e, const Value& literal) {
    switch (e->kind) {
    case ExprKind::Integer:
        return &e->number;
    case ExprKind::Literal:
        return &literal;
    default:
        return ReadsOnUse(e->entry) ? nullptr : &e->entry->value;
    }
}

// Whether a leaf of this kind can take the value as it stands: a pattern or
// string operand, a primitive's argument as its node holds it.
[[gnu::always_inline]] inline bool TakesAsItStands(LeafKind kind, const Value& v) {
    switch (kind) {
    case LeafKind::Operand:
        return v.kind() == Kind::Pattern || v.kind() == Kind::String;
    case LeafKind::Position:
        return v.kind() == Kind::Integer && v.integer() >= 0;
    case LeafKind::CharClass:
        return v.kind() == Kind::String;
    case LeafKind::Cursor:
        return true;
    }
    return false;
}

// The value a leaf contributes. Null where the evaluator has to convert,
// report or read.
[[gnu::always_inline]] inline const Value* ReadLeaf(const Leaf& leaf) {
    const Expr* e = leaf.expr;
    const Value* v = nullptr;
    switch (leaf.kind) {
    case LeafKind::Operand:
        v = EffectFreeValue(e, leaf.literal);
        break;
    case LeafKind::Position:
    case LeafKind::CharClass:
        v = CallsBuiltIn(e->entry) ? EffectFreeValue(e->args[0], leaf.literal) : nullptr;
        break;
    case LeafKind::Cursor:
        return &leaf.literal;
    }
    return v != nullptr && TakesAsItStands(leaf.kind, *v) ? v : nullptr;
}

// ---- Building --------------------------------------------------------------------------

// Assigns each leaf the position of its first node, as the constructions lay
// them out: an operand's nodes before the other's, a value assignment's start
// node before its pattern. False when the expression would join two strings
// (a string concatenation, not a pattern) or need too many nodes.
bool LayOut(const Expr* e, Site& site, const LeafValues& values, int& leaf, int& nodes,
            bool& isPattern) {
    if (e->kind == ExprKind::Binary) {
        if (IsValueAssignment(e->binaryOp)) {
            bool inner = false;
            nodes += kNodesBeforeAssigned;
            if (!LayOut(e->left, site, values, leaf, nodes, inner)) return false;
            nodes += kNodesAfterAssigned;
            isPattern = true;
            return nodes <= kMaxPatternNodes;
        }
        bool left = false, right = false;
        if (!LayOut(e->left, site, values, leaf, nodes, left)) return false;
        if (!LayOut(e->right, site, values, leaf, nodes, right)) return false;
        isPattern = true;
        return e->binaryOp == BinaryOp::Alternation || left || right;
    }
    const auto k = static_cast<std::size_t>(leaf++);
    site.leaves[k].node = nodes + 1;
    const Value& v = *values[k];
    isPattern = site.leaves[k].kind != LeafKind::Operand || v.kind() == Kind::Pattern;
    nodes += v.kind() == Kind::Pattern ? v.pattern()->count : 1;
    return nodes <= kMaxPatternNodes;
}

Value BuildLeaf(const Leaf& leaf, const Value& v) {
    switch (leaf.kind) {
    case LeafKind::Operand:
        return v;
    case LeafKind::Cursor:
        return MakeNodePattern(Routine::Cursor, Value::String(leaf.expr->left->entry));
    default:
        return MakeNodePattern(leaf.routine, v);
    }
}

// The constructions the evaluator makes for the same expression and values.
Value Build(const Expr* e, const Site& site, const LeafValues& values, int& leaf) {
    if (e->kind != ExprKind::Binary) {
        const auto k = static_cast<std::size_t>(leaf++);
        return BuildLeaf(site.leaves[k], *values[k]);
    }
    Value left = Build(e->left, site, values, leaf);
    if (IsValueAssignment(e->binaryOp))
        return ValueAssignmentPattern(left, e->right->entry,
                                      e->binaryOp == BinaryOp::ImmediateAssignment);
    const Value right = Build(e->right, site, values, leaf);
    if (e->binaryOp == BinaryOp::Alternation) return AlternateOperands(left, right);
    return ConcatenateOperands(std::move(left), right);
}

// Whether each leaf's node is where the layout put it.
bool NodesWhereLaidOut(const Site& site, const PatternTable& t) {
    for (int i = 0; i < site.leafCount; ++i) {
        const Leaf& leaf = site.leaves[static_cast<std::size_t>(i)];
        if (leaf.value.kind() == Kind::Pattern) continue;
        const PatternNode& n = t.node(leaf.node);
        const Routine expected = leaf.kind == LeafKind::Operand ? Routine::String : leaf.routine;
        if (n.routine != expected) return false;
        if (leaf.kind != LeafKind::Cursor && leaf.value.kind() == Kind::String &&
            n.argument.string() != leaf.value.string())
            return false;
    }
    return true;
}

// Builds the table anew; keeps it when the layout is confirmed. Null with
// `evaluate` set when the evaluator has to do it.
Value BuildAndKeep(const Expr* e, Site& site, const LeafValues& values, bool& evaluate) {
    int leaf = 0, nodes = 0;
    bool isPattern = false;
    site.table = Value();
    if (!LayOut(e, site, values, leaf, nodes, isPattern)) {
        evaluate = true;
        return Value();
    }
    leaf = 0;
    Value built = ToPattern(Build(e, site, values, leaf));
    if (Exec().failure || built.pattern() == nullptr) return built;
    for (int i = 0; i < site.leafCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        site.leaves[k].value = *values[k];
    }
    if (NodesWhereLaidOut(site, *built.pattern())) site.table = built;
    return built;
}

// ---- Reuse -------------------------------------------------------------------------------

// Brings a kept leaf's node up to date with its current value: a string
// operand or a primitive's argument may change, a pattern operand may not.
[[gnu::always_inline]] inline bool UpdateLeaf(PatternTable& t, Leaf& leaf, const Value& now) {
    const Value& was = leaf.value;
    if (was.kind() != now.kind()) return false;
    switch (now.kind()) {
    case Kind::Pattern:
        return now.pattern() == was.pattern();
    case Kind::Integer:
        // The node holds the recorded integer too: both take the new one.
        if (now.integer() != was.integer()) {
            t.node(leaf.node).argument.SetInteger(now.integer());
            leaf.value.SetInteger(now.integer());
        }
        return true;
    case Kind::String:
        if (now.string() == was.string()) return true;
        break;
    default:
        return true; // @name
    }
    PatternNode& n = t.node(leaf.node);
    n.argument = now;
    if (leaf.kind == LeafKind::CharClass) FillCharClass(n, now.string()->name);
    leaf.value = now;
    return true;
}

} // namespace

std::unique_ptr<Site> MakeSite(const Expr* e) {
    auto site = std::make_unique<Site>();
    site->reusable = CollectLeaves(e, *site);
    if (!site->reusable) return nullptr;
    return site;
}

// Reads every leaf, updating the kept table as it goes while the shapes
// agree; the nodes of a kept table always hold its leaves' recorded values.
bool ReadSitePattern(Site& site, const Expr* e, Value& pattern) {
    // The kept table is updated only while nobody else holds it.
    PatternTable* kept = site.table.pattern();
    bool reusable = kept != nullptr && kept->refs == 1;
    LeafValues values;
    for (int i = 0; i < site.leafCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        Leaf& leaf = site.leaves[k];
        if (leaf.kind == LeafKind::Cursor) {
            // @name reads nothing, and its node never changes.
            values[k] = &leaf.literal;
            continue;
        }
        values[k] = ReadLeaf(leaf);
        if (values[k] == nullptr) return false;
        if (e == leaf.expr && values[k]->kind() == Kind::Pattern) {
            pattern = *values[k]; // a name holding a pattern: nothing to build
            return true;
        }
        reusable = reusable && UpdateLeaf(*kept, leaf, *values[k]);
    }
    // Every primitive's name was read as a primitive.
    site.functionsSeen = Exec().functions.count;
    if (reusable) {
        pattern = site.table;
        return true;
    }
    bool evaluate = false;
    pattern = BuildAndKeep(e, site, values, evaluate);
    return !evaluate;
}

// Brings the kept table up to date from the names its leaves read; nullptr
// when one of them asks for more than a new integer in place (the full
// reading then decides). The other leaves are constants whose nodes are as
// built, and the primitives' names are as they were while no function has
// been defined since the leaves were last read: a name's function is never
// undefined again. A name whose reading has an effect never gets a kept
// table, and a file association changes the value's kind.
const Value* KeptPattern(Site& site) {
    PatternTable* kept = site.table.pattern();
    if (kept == nullptr || kept->refs != 1 || site.functionsSeen != Exec().functions.count)
        return nullptr;
    const LeafCheck* const end = site.checks.data() + site.checkCount;
    for (const LeafCheck* check = site.checks.data(); check != end; ++check) {
        const Value& now = check->name->value;
        Leaf& leaf = *check->leaf;
        if (now.kind() != leaf.value.kind()) return nullptr;
        if (now.kind() != Kind::Integer) {
            // A string or a pattern, kept as the same entry or table.
            if (!now.SameReferenceAs(leaf.value)) return nullptr;
            continue;
        }
        const std::int32_t n = now.knownInteger();
        if (n == leaf.value.knownInteger()) continue;
        if (!TakesAsItStands(leaf.kind, now)) return nullptr;
        // The node holds the recorded integer too: both take the new one.
        kept->node(leaf.node).argument.SetKnownInteger(n);
        leaf.value.SetKnownInteger(n);
    }
    return &site.table;
}

bool SitePattern(Site& site, const Expr* e, Value& pattern) {
    if (const Value* kept = KeptPattern(site)) [[likely]] {
        pattern = *kept;
        return true;
    }
    return ReadSitePattern(site, e, pattern);
}

} // namespace vantel
