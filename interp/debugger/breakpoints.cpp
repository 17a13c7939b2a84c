// Breakpoints: source lines bound to statements, conditions and hit counts.
#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>

#include "debugger/evaluation.h"
#include "debugger/state.h"
#include "translator/translation_state.h"

namespace vantel::debugger {

namespace {

bool IsContinuation(char type) {
    return type == '+' || type == '.';
}
bool IsStatementCard(char type) {
    return type != '*' && type != '-' && !IsContinuation(type);
}

// The statements in the order they were translated, each with its first
// token's place: positions 1, 2, ... and lines in order.
const std::vector<PlacedStatement>& Placed() {
    return Translation().places.statements;
}

bool BeforeLine(const PlacedStatement& s, int line) {
    return s.first.from.line < line;
}

// The first statement that starts on `line` or after it (0: none).
int FirstStatementFrom(int line) {
    const auto& placed = Placed();
    const auto it = std::lower_bound(placed.begin(), placed.end(), line, BeforeLine);
    return it == placed.end() ? 0 : it->position;
}

// The last statement that starts on `line` or before it (0: none).
int LastStatementUpTo(int line) {
    const auto& placed = Placed();
    const auto it = std::lower_bound(placed.begin(), placed.end(), line + 1, BeforeLine);
    return it == placed.begin() ? 0 : std::prev(it)->position;
}

// A hit condition: "N" or "== N" (the Nth hit only), ">= N", "> N",
// "< N", "<= N", "% N" (every Nth); false when it is none of these.
bool ParseHitCondition(const std::string& text, Breakpoint& b) {
    std::string_view t = text;
    auto skipBlanks = [&t] {
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
            t.remove_prefix(1);
    };
    skipBlanks();
    b.comparison = '=';
    static const std::pair<std::string_view, char> kOperators[] = {
        {"==", '='}, {">=", 'G'}, {"<=", 'L'}, {">", '>'}, {"<", '<'}, {"%", '%'}, {"=", '='}};
    for (const auto& [word, comparison] : kOperators)
        if (t.starts_with(word)) {
            b.comparison = comparison;
            t.remove_prefix(word.size());
            break;
        }
    skipBlanks();
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), b.count);
    if (error != std::errc() || end != t.data() + t.size() || t.empty()) return false;
    return b.comparison != '%' || b.count > 0;
}

bool HitConditionHolds(const Breakpoint& b) {
    switch (b.comparison) {
    case '=':
        return b.hits == b.count;
    case 'G':
        return b.hits >= b.count;
    case '>':
        return b.hits > b.count;
    case '<':
        return b.hits < b.count;
    case 'L':
        return b.hits <= b.count;
    case '%':
        return b.hits % b.count == 0;
    default:
        return true;
    }
}

// The same breakpoint (its id aside).
bool SameRequest(const BreakpointRequest& a, const BreakpointRequest& b) {
    return a.line == b.line && a.condition == b.condition && a.hitCondition == b.hitCondition;
}

} // namespace

int LineOf(int statement) {
    const auto& placed = Placed();
    if (statement < 1 || statement > static_cast<int>(placed.size())) return 0;
    const PlacedStatement& s = placed[static_cast<std::size_t>(statement - 1)];
    return s.position == statement ? s.first.from.line : 0;
}

// A statement card stops at its first statement; a continuation card at
// the statement it continues; any other line (a comment, a control card)
// at the next statement. Lines after the END card hold data, no statement.
int StatementForLine(int line) {
    const std::vector<char>& types = Translation().cardTypes;
    if (line < 1 || line > static_cast<int>(types.size())) return 0;
    const char type = types[static_cast<std::size_t>(line - 1)];
    if (IsContinuation(type)) return LastStatementUpTo(line);
    if (IsStatementCard(type)) {
        const int first = FirstStatementFrom(line);
        if (first != 0 && LineOf(first) == line) return first;
    }
    return FirstStatementFrom(line);
}

std::vector<BreakpointState>
Engine::SetBreakpoints(const std::vector<BreakpointRequest>& wantedList) {
    State& s = *state_;
    std::vector<Breakpoint> kept;
    std::vector<BreakpointState> states;
    s.armed.fill(0);
    for (const BreakpointRequest& wanted : wantedList) {
        // A breakpoint given again as it was keeps its id and hits.
        const auto old =
            std::find_if(s.breakpoints.begin(), s.breakpoints.end(),
                         [&](const Breakpoint& b) { return SameRequest(b.wanted, wanted); });
        Breakpoint b;
        if (old != s.breakpoints.end()) {
            b = *old;
            old->wanted.line = -1; // taken
            if (wanted.id != 0) b.id = wanted.id;
        } else {
            b.id = wanted.id != 0 ? wanted.id : s.nextBreakpointId++;
            b.wanted = wanted;
            b.statement = StatementForLine(wanted.line);
            if (b.statement == 0) b.message = "no statement at or after this line";
            if (b.statement != 0 && !wanted.hitCondition.empty() &&
                !ParseHitCondition(wanted.hitCondition, b)) {
                b.message = "the hit condition is not one of N, == N, >= N, > N, < N, <= N, % N";
                b.statement = 0;
            }
            if (b.statement != 0 && !wanted.condition.empty()) {
                const Sandbox sandbox(s);
                b.condition = TranslateInSandbox(wanted.condition, b.message);
                if (b.condition == nullptr) b.statement = 0;
            }
        }
        if (b.statement != 0) ++s.armed[static_cast<std::size_t>(b.statement)];
        states.push_back(BreakpointState{b.id, b.statement != 0,
                                         b.statement != 0 ? LineOf(b.statement) : wanted.line,
                                         b.message});
        kept.push_back(std::move(b));
    }
    s.breakpoints = std::move(kept);
    return states;
}

std::vector<int> BreakpointsHit(Engine::State& state, int statement, std::string& errors) {
    std::vector<int> hit;
    for (Breakpoint& b : state.breakpoints) {
        if (b.statement != statement) continue;
        if (b.condition != nullptr) {
            const Sandbox sandbox(state);
            Value value;
            std::string message;
            if (!EvaluateInSandbox(b.condition, value, message)) {
                if (message.empty()) continue; // the condition failed
                errors += " The condition " + b.wanted.condition +
                          " stopped with an error: " + message + ".";
                hit.push_back(b.id);
                continue;
            }
        }
        ++b.hits;
        if (HitConditionHolds(b)) hit.push_back(b.id);
    }
    return hit;
}

} // namespace vantel::debugger
