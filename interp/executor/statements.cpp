// The statement cycle: counters and the statement limit, the five statement
// kinds, anchored and unanchored matching, and gotos with their trace.
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/textfile.h"
#include "executor/code.h"
#include "executor/executor.h"

namespace vantel {

namespace {

std::int32_t& Keyword(KeywordIndex k) {
    return KeywordValue(k);
}

// How often a character is expected in text, higher for more frequent
// ones: letters in order of English frequency, lower case before upper case.
constexpr std::array<std::uint8_t, 256> MakeFrequencies() {
    constexpr std::string_view byFrequency =
        " etaoinsrhldcumfpgwybvkxjqzETAOINSRHLDCUMFPGWYBVKXJQZ0123456789.,;:'\"-()";
    std::array<std::uint8_t, 256> table{};
    for (std::size_t i = 0; i < byFrequency.size(); ++i)
        table[static_cast<unsigned char>(byFrequency[i])] =
            static_cast<std::uint8_t>(byFrequency.size() - i);
    return table;
}
constexpr std::array<std::uint8_t, 256> kFrequency = MakeFrequencies();

int Frequency(char c) {
    return kFrequency[static_cast<unsigned char>(c)];
}

// The position of text in subject at or after `from`, or npos. Candidates
// are found with memchr on the text's rarest character (among its first 64),
// so that most of the subject is passed over at memory speed.
std::size_t FindText(std::string_view subject, std::size_t from, std::string_view text) {
    std::size_t pivot = 0;
    const std::size_t examined = text.size() < 64 ? text.size() : 64;
    for (std::size_t i = 1; i < examined; ++i)
        if (Frequency(text[i]) < Frequency(text[pivot])) pivot = i;
    const char* const base = subject.data();
    for (std::size_t at = from; at + text.size() <= subject.size();) {
        const void* hit = std::memchr(base + at + pivot, text[pivot], subject.size() - at - pivot);
        if (hit == nullptr) break;
        at = static_cast<std::size_t>(static_cast<const char*>(hit) - base) - pivot;
        if (at + text.size() > subject.size()) break;
        if (std::memcmp(base + at, text.data(), text.size()) == 0) return at;
        ++at;
    }
    return std::string_view::npos;
}

// When the pattern starts with a plain string node, an attempt can only
// succeed where that string occurs, and a failing first node has no effect:
// such start positions are skipped without running the matcher.
int NextCandidate(std::string_view subject, const PatternTable& p, int from) {
    const PatternNode& first = p.node(1);
    if (!FastPaths() || first.routine != Routine::String || first.alternate != 0 ||
        first.argument.kind() != Kind::String)
        return from;
    const std::size_t at =
        FindText(subject, static_cast<std::size_t>(from), first.argument.string()->name);
    return at == std::string_view::npos ? static_cast<int>(subject.size()) : static_cast<int>(at);
}

// The variable is evaluated before the object; whether it is plain is
// asked as it stands after the object's evaluation.
void ExecuteAssignment(const Stmt& s) {
    StringItem* variable = EvaluateVariable(s.subject);
    Value object = Evaluate(s.object);
    AssignMoved(variable, object);
}

void ExecuteMatch(const Stmt& s) {
    ClearPending();
    const Value subject = ToStringValue(Evaluate(s.subject));
    const Value pattern = ToPattern(Evaluate(s.pattern));
    if (Exec().failure) return;
    MatchAndPerform(subject, pattern);
}

void ExecuteReplacement(const Stmt& s) {
    ClearPending();
    StringItem* variable = EvaluateVariable(s.subject);
    const Value pattern = ToPattern(Evaluate(s.pattern));
    if (Exec().failure) return;
    Value subject;
    int start = 0, cursor = 0;
    if (!ScanForReplacement(variable, pattern, subject, start, cursor)) return;
    const Value replacement = ToStringValue(Evaluate(s.object));
    if (Exec().failure) return;
    Replace(variable, subject, start, cursor, replacement);
}

// Performs one goto; clears `running` on RETURN and FRETURN.
void TransferControl(const Target& target, bool& running) {
    if (target.kind == TargetKind::Computed) Exec().transferFailed = Exec().failure;
    Exec().failure = false;
    const std::int32_t from = Keyword(KeywordIndex::StNo);
    if (target.kind == TargetKind::Computed) {
        Keyword(KeywordIndex::StNo) = FindLabel(EvaluateVariable(target.expression));
    } else if (target.special == SpecialTarget::End) {
        Keyword(KeywordIndex::StNo) = TheProgram().count + 1;
    } else {
        Exec().returned = target.special == SpecialTarget::Return;
        running = false;
    }
    TraceTransfer(from);
}

const Target* ChooseGoto(const Stmt& s) {
    if (!s.hasGotos) return nullptr;
    const Gotos& g = s.gotos;
    if (g.unconditional.kind != TargetKind::None) return &g.unconditional;
    if (!Exec().failure && g.success.kind != TargetKind::None) return &g.success;
    if (Exec().failure && g.failure.kind != TargetKind::None) return &g.failure;
    return nullptr;
}

} // namespace

void ExecuteStatement(const Stmt& s) {
    switch (s.kind) {
    case StmtKind::Assignment:
        ExecuteAssignment(s);
        return;
    case StmtKind::Match:
        ExecuteMatch(s);
        return;
    case StmtKind::Replacement:
        ExecuteReplacement(s);
        return;
    case StmtKind::Expression:
        (void)Evaluate(s.subject);
        return;
    case StmtKind::Empty:
        return;
    }
    ReportError("SYSTEM ERROR BAD STATEMENT TYPE");
}

MatchResult ScanUnanchored(std::string_view subject, PatternTable* p) {
    MatchResult m;
    const int length = static_cast<int>(subject.size());
    for (int i = 0; i < length; ++i) {
        if (p != nullptr && p->count > 0) {
            const int next = NextCandidate(subject, *p, i);
            if (next >= length) {
                Exec().failure = true;
                return m;
            }
            i = next;
        }
        Exec().failure = false;
        m.cursor = MatchAttempt(subject, p, i);
        if (m.cursor > 0) {
            m.start = i;
            return m;
        }
    }
    return m;
}

bool ScanForReplacement(StringItem* variable, const Value& pattern, Value& subject, int& start,
                        int& cursor) {
    if (Exec().failure || variable == nullptr) return false;
    subject = ToStringValue(variable->value);
    if (Exec().failure) return false;
    const MatchResult m = RunMatch(ToText(subject), pattern);
    if (Exec().failure) {
        ClearPending();
        return false;
    }
    PerformPending();
    start = m.start;
    cursor = m.cursor;
    return true;
}

void Replace(StringItem* variable, const Value& subjectValue, int start, int cursor,
             const Value& replacement) {
    if (Exec().failure) return;
    const std::string_view subject = ToText(subjectValue);
    std::string& result = Exec().text;
    result.assign(subject.substr(0, static_cast<std::size_t>(start)));
    if (!AppendChecked(result, ToText(replacement))) return;
    if (!AppendChecked(result, subject.substr(static_cast<std::size_t>(cursor)))) return;
    Assign(variable, InternString(result));
}

void TraceTransfer(std::int32_t from) {
    std::int32_t& trace = Keyword(KeywordIndex::Trace);
    if (trace <= 0) return;
    --trace;
    const std::int32_t to = Keyword(KeywordIndex::StNo);
    char fromDigits[16], toDigits[16];
    std::string line = " STATEMENT ";
    line += FormatInteger(from, fromDigits);
    line += " TRANSFER TO LINE ";
    line += FormatInteger(to, toDigits);
    line += " \"";
    if (to >= 1 && to <= TheProgram().count && TheProgram().at(to).label != nullptr)
        line += TheProgram().at(to).label->name;
    line += "\"";
    ListingLine(line);
}

std::int32_t StatementCeiling() {
    const std::int32_t limit = Keyword(KeywordIndex::StLimit);
    const std::int32_t cap = Exec().caps.statements;
    return cap != 0 && cap < limit ? cap : limit;
}

// With a debugger attached every statement is an event: the cycle calls
// CountStatement for each, and that tells the debugger.
void KeywordsChanged() {
    ExecutorState& ex = Exec();
    ex.nextEvent = ex.debugger != nullptr ? 0 : StatementCeiling();
    ex.callEvents = Keyword(KeywordIndex::FTrace) > 0 || ex.debugger != nullptr;
}

// The count never wraps: the statement that would take it past the largest
// integer exceeds the limit whatever &STLIMIT holds.
void CountStatement() {
    if (DebugHooks* debugger = Exec().debugger) debugger->BeforeStatement();
    std::int32_t& count = Keyword(KeywordIndex::StCount);
    if (count < StatementCeiling()) {
        ++count;
        return;
    }
    if (count != std::numeric_limits<std::int32_t>::max()) ++count;
    ReportError("STATEMENT LIMIT EXCEEDED");
}

int SearchLabel(StringItem* entry) {
    if (Exec().failure) {
        ReportError("FAILURE IN GOTO FIELD");
        return 0;
    }
    if (entry == nullptr) {
        ReportError("UNDEFINED LABEL");
        return 0;
    }
    for (int i = 1; i <= TheProgram().count; ++i)
        if (TheProgram().at(i).label == entry) {
            if (FastPaths()) Exec().labels[static_cast<std::size_t>(entry->position)] = i;
            return i;
        }
    ReportError("UNDEFINED LABEL");
    return 0;
}

bool TakeWalkedGoto(const Stmt& s, int number) {
    bool running = true;
    const Target* target = ChooseGoto(s);
    if (target != nullptr)
        TransferControl(*target, running);
    else
        Keyword(KeywordIndex::StNo) = Increment(number);
    return running;
}

void WalkStatements(int start) {
    Keyword(KeywordIndex::StNo) = start;
    for (;;) {
        const std::int32_t number = Keyword(KeywordIndex::StNo);
        if (number < 1 || number > TheProgram().count) TerminationReport();
        // Counted while the failure flag still tells how the statement
        // before ended (see ExecutorState::transferFailed).
        CountStatement();
        Exec().failure = false;
        const Stmt& s = TheProgram().at(number);
        ExecuteStatement(s);
        EndStatement(number, Exec().failure);
        if (!TakeWalkedGoto(s, number)) return;
    }
}

} // namespace vantel
