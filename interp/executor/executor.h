// The executor: the statement cycle, expression evaluation and conversions,
// patterns and the matcher, the built-in and programmer-defined functions,
// keywords and file input and output.
//
// Control inside the executor is carried by the global failure flag: every
// operation tests it first and does nothing while it is set. Errors go
// through the error reporter, which ends the run.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "data/fast_paths.h"
#include "data/pattern_table.h"
#include "data/values.h"
#include "executor/integer_rules.h"
#include "executor/run_state.h"
#include "translator/internal_form.h"

namespace vantel {

// Sets the failure flag; the null value.
inline Value Fail() {
    Exec().failure = true;
    return Value();
}

// ---- The statement cycle ---------------------------------------------------------

// Runs from statement `start` until a RETURN or FRETURN ends this invocation,
// compiled when the program was (see code.h), else by the evaluator's walk.
// The end of the program ends the run through the termination report.
// The statement cycle of the walk over the trees.
void WalkStatements(int start);
inline void ExecuteStatements(int start) {
    if (Exec().compiled.active)
        RunCompiled(start);
    else
        WalkStatements(start);
}
// One statement by the walk over its trees, and its goto; the goto gives
// false when it ends this invocation (RETURN, FRETURN).
void ExecuteStatement(const Stmt& s);
bool TakeWalkedGoto(const Stmt& s, int number);
// The statement count a run may reach: &STLIMIT, or the work cap when it
// is lower.
std::int32_t StatementCeiling();
// Counts a statement: reports "STATEMENT LIMIT EXCEEDED" beyond the
// ceiling, and the count never wraps. The compiled cycle counts below the
// ceiling by itself (see KeywordsChanged) and calls this at it.
void CountStatement();
// What a statement leaves in the keywords as it ends: its number in
// &STLASTNO, and a failure counted in &STFCOUNT.
[[gnu::always_inline]] inline void EndStatement(std::int32_t number, bool failed) {
    KeywordValue(KeywordIndex::StLastNo) = number;
    if (failed) {
        std::int32_t& count = KeywordValue(KeywordIndex::StFCount);
        count = Increment(count);
    }
}
// Writes the transfer trace line of a goto from statement `from`, while
// &TRACE is above 0.
void TraceTransfer(std::int32_t from);

// The match of a replacement statement: the subject string (variable's
// value as a string), where the match starts and its final cursor, with
// the pending assignments performed; false when the statement ends here,
// failing (the flag set) or not (no variable).
bool ScanForReplacement(StringItem* variable, const Value& pattern, Value& subject, int& start,
                        int& cursor);
// The new subject: subject's text with start..cursor replaced by the
// replacement's text, assigned to variable.
void Replace(StringItem* variable, const Value& subject, int start, int cursor,
             const Value& replacement);

// The statement carrying label `entry`; reports "FAILURE IN GOTO FIELD" or
// "UNDEFINED LABEL" and gives 0. Labels do not move during a run, so the
// statement found is remembered beside the string table and taken in place next time.
int SearchLabel(StringItem* entry);
inline int FindLabel(StringItem* entry) {
    // Statements are remembered only with the fast paths on.
    if (!Exec().failure && entry != nullptr) {
        const int known = Exec().labels[static_cast<std::size_t>(entry->position)];
        if (known >= 1 && known <= TheProgram().count && TheProgram().at(known).label == entry)
            return known;
    }
    return SearchLabel(entry);
}

// ---- Evaluation ------------------------------------------------------------------

Value Evaluate(const Expr* e);
// The value of a name: reading INPUT or an input-associated variable reads
// a line; any other name simply yields its value (nullptr: null).
Value ReadName(StringItem* entry);
// $ + - of an evaluated operand.
Value UnaryOf(UnaryOp op, const Value& operand);
// A call whose argument values are in args (at least two slots).
Value CallWith(const Expr* call, Value* args);
// The variable whose name is the text of a value ($ in a variable position);
// reports "NULL RESULT WHERE VAR REQUIRED" for the null string.
StringItem* VariableNamed(const Value& v);
// The variable an expression names: a name in place, `$expr` computed.
StringItem* ComputeVariable(const Expr* e);
inline StringItem* EvaluateVariable(const Expr* e) {
    if (e != nullptr && e->kind == ExprKind::Identifier) return e->entry;
    return ComputeVariable(e);
}
// Reading INPUT or an input-associated variable reads a line; any other
// name simply yields its value.
inline bool ReadsOnUse(const StringItem* entry) {
    return entry->special == SpecialName::Input || entry->value.kind() == Kind::File;
}
// A variable that an assignment simply gives the value: no keyword, file or
// OUTPUT behind it.
inline bool IsPlainVariable(const StringItem* v) {
    const Kind k = v->value.kind();
    return v->special != SpecialName::Output && k != Kind::Keyword && k != Kind::File;
}
// The assignment rules: keywords, files and OUTPUT routed, any other
// variable given the value.
void Assign(StringItem* variable, const Value& x);
// Where an assignment may simply put the value: a plain variable's value;
// nullptr when there is no variable or the assignment rules must route it.
// Every path that assigns without Assign asks this.
[[gnu::always_inline]] inline Value* DirectTarget(StringItem* variable) {
    return variable != nullptr && IsPlainVariable(variable) ? &variable->value : nullptr;
}
// The assignment of a value nobody else needs: with the fast paths on, a
// plain variable takes it without a copy.
inline void AssignMoved(StringItem* variable, Value& x) {
    Value* into = FastPaths() && !Exec().failure ? DirectTarget(variable) : nullptr;
    if (into != nullptr)
        *into = std::move(x);
    else
        Assign(variable, x);
}

// Whether a call of `name` calls the built-in function: no DEFINE has taken
// the name over (a name's function is never undefined again).
inline bool CallsBuiltIn(const StringItem* name) {
    return name->function < 0;
}

// ---- Conversions and operators ---------------------------------------------------

// Text to integer: leading blanks, then a signed decimal number, or without a
// sign one of the prefixes $ x X 0x 0X and 1 to 8 hexadecimal digits (a
// 32-bit pattern). False when the text is not such a number.
bool TextToInteger(std::string_view text, std::int32_t& out);

// Conversions. ToText gives the text of a value (empty for null) and may set
// the failure flag; its view stays valid until the next call.
// The text of a value other than a string, by ToStringValue.
std::string_view ConvertedText(const Value& v);
inline std::string_view ToText(const Value& v) {
    if (v.kind() == Kind::String) return v.string()->name;
    return ConvertedText(v);
}
Value ToStringValue(const Value& v);
// A keyword's text as an interned string: its integer's digits, or the
// alphabet.
Value KeywordString(KeywordIndex k);
std::int32_t ToInteger(const Value& v);
Value ToPattern(const Value& v);

// + - * / of two values converted to integers, left first.
Value Arithmetic(BinaryOp op, const Value& left, const Value& right);
// $ of an evaluated operand: the value of the variable it names.
Value Indirection(const Value& operand);
// The entry whose name is a value's text (text is ToText of it): a string
// value is interned, so it is that entry itself; others are looked up.
StringItem* EntryNamed(const Value& v, std::string_view text);

// ---- Patterns ----------------------------------------------------------------------

Value MakeNodePattern(Routine routine, const Value& argument);
Value MakeArbno(const Value& pattern);
Value ConcatPatterns(const Value& p, const Value& q);
// The same concatenation; when p is the only reference to its table and the
// table has room, q's nodes are added to it instead of copying both.
Value ConcatPatternsInto(Value&& p, const Value& q);
Value AlternatePatterns(const Value& p, const Value& q);
// Alternation and pattern concatenation of two operand values: the left
// operand is converted to a pattern before the right one, since a
// conversion may read a line or enter a string. A temporary left pattern
// may grow in place.
Value AlternateOperands(const Value& left, const Value& right);
Value ConcatenateOperands(Value&& left, const Value& right);
// P . V and P $ V: a start node, P's nodes, and an end node that assigns.
// The kept site tables lay out their leaves' nodes by these counts.
inline constexpr int kNodesBeforeAssigned = 1;
inline constexpr int kNodesAfterAssigned = 1;
Value ValueAssignmentPattern(const Value& p, StringItem* variable, bool immediate);

// The match site of pattern expression e, or nullptr when e does not
// qualify for a kept table.
std::unique_ptr<Site> MakeSite(const Expr* e);
// The pattern of a match site, the value of its expression e as a pattern:
// true with it in `pattern` when the site's leaves allow (the kept table,
// updated in place, or a table built and kept), false when the expression
// has to be evaluated.
bool SitePattern(Site& site, const Expr* e, Value& pattern);
// Its two halves: the kept table brought up to date, or nullptr when the
// leaves have to be read; and the reading of every leaf.
const Value* KeptPattern(Site& site);
bool ReadSitePattern(Site& site, const Expr* e, Value& pattern);

// One match attempt of pattern against subject from cursor: the final cursor,
// or 0 with the failure flag set.
int MatchAttempt(std::string_view subject, PatternTable* pattern, int cursor);
inline void ClearPending() {
    PendingList& pending = Exec().pending;
    pending.queue.clear();
    pending.barrier = 0;
}
void PerformPendingList(PendingList& pending);
// Performs the pending assignments in order, then empties the list.
inline void PerformPending() {
    PendingList& pending = Exec().pending;
    if (pending.queue.empty()) { // most matches record none
        pending.barrier = 0;
        return;
    }
    PerformPendingList(pending);
}

// ---- A statement's match ----------------------------------------------------------------

struct MatchResult {
    int start = 0;
    int cursor = 0;
};
// Unanchored: attempts at 0, 1, ... below the length until one ends beyond
// cursor 0.
MatchResult ScanUnanchored(std::string_view subject, PatternTable* p);
// Anchored (or on the null subject): one attempt at 0; else the scan.
inline MatchResult RunMatch(std::string_view subject, const Value& pattern) {
    PatternTable* p = pattern.pattern();
    if (KeywordValue(KeywordIndex::Anchor) != 0 || subject.empty()) {
        MatchResult m;
        m.cursor = MatchAttempt(subject, p, 0);
        return m;
    }
    return ScanUnanchored(subject, p);
}
// The rest of a match statement once its subject string and pattern are
// evaluated: the match, then the pending assignments performed or dropped.
inline void MatchAndPerform(const Value& subject, const Value& pattern) {
    const MatchResult m = RunMatch(ToText(subject), pattern);
    if (m.cursor > 0)
        PerformPending();
    else
        ClearPending();
}

// ---- Functions -----------------------------------------------------------------------

// CallFunction, a call of any function, is in calls.h.
Value CallPrimitive(const Expr* call, Value* args, int count);
// SIZE of a value: the length of its text.
inline Value SizeOf(const Value& v) {
    const std::string_view text = ToText(v);
    if (Exec().failure) return Value();
    return Value::Integer(static_cast<std::int32_t>(text.size()));
}
void Define(const Value& prototype, const Value& label);

// ---- Keywords and input/output ----------------------------------------------------------

void Associate(const Value& name, const Value& file, bool asInput);
// Reads a line of file into variable (trimmed under &TRIM); false at the end.
bool ReadLineInto(FileItem* file, StringItem* variable);
bool ReadStandardInput(StringItem* variable);
// Reads the next line of an input file as an interned value, untrimmed.
bool ReadFileLine(FileItem* file, Value& line);
void WriteValue(FileItem* file, const Value& x); // nullptr: the listing

} // namespace vantel
