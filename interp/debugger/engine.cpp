// The engine's run and its stops: where the statement cycle and the matcher
// call out, what the statement before ended with, and when to stop.
#include "debugger/engine.h"

#include <string>
#include <utility>

#include "data/diagnostics.h"
#include "data/values.h"
#include "debugger/evaluation.h"
#include "debugger/state.h"
#include "executor/executor.h"
#include "translator/translation_state.h"

namespace vantel::debugger {

namespace {

std::string Number(int n) {
    return std::to_string(n);
}

std::string AtStatement(int statement) {
    return "statement " + Number(statement) + " (line " + Number(LineOf(statement)) + ")";
}

// Where a goto goes: a label, a computed label, or END, RETURN, FRETURN.
std::string TargetText(const Target& t) {
    if (t.kind == TargetKind::Special) {
        switch (t.special) {
        case SpecialTarget::End:
            return "END";
        case SpecialTarget::Return:
            return "RETURN";
        default:
            return "FRETURN";
        }
    }
    const Expr* e = t.expression;
    if (e != nullptr && e->kind == ExprKind::Identifier && e->entry != nullptr)
        return std::string(e->entry->name);
    return "a computed label";
}

// Which goto a statement took, by how it ended.
std::string GotoTaken(int statement, bool failed) {
    const Stmt& s = TheProgram().at(statement);
    const std::string outcome = failed ? "failed" : "succeeded";
    if (!s.hasGotos) return outcome + "; on to the next statement";
    const Gotos& g = s.gotos;
    if (g.unconditional.kind != TargetKind::None)
        return outcome + " and took its unconditional goto to " + TargetText(g.unconditional);
    if (!failed && g.success.kind != TargetKind::None)
        return outcome + " and took its S goto to " + TargetText(g.success);
    if (failed && g.failure.kind != TargetKind::None)
        return outcome + " and took its F goto to " + TargetText(g.failure);
    return outcome + "; no goto applies, on to the next statement";
}

std::string FunctionOfLevel(int level) {
    if (level == 0) return "the main program";
    const StringItem* name = Exec().calls[static_cast<std::size_t>(level - 1)].name;
    return name != nullptr ? std::string(name->name) : "a function";
}

// After a step: how the statement before ended, and what is next.
std::string StepText(const Before& before, int statement) {
    const int level = Exec().callLevel;
    std::string text;
    if (before.entered) {
        const int caller = Exec().calls[static_cast<std::size_t>(level - 1)].caller;
        text = "Entered " + FunctionOfLevel(level) + ", called from statement " + Number(caller) +
               ". ";
    } else if (before.statement > 0) {
        if (before.returned) text = "Back from a call. ";
        text += "Statement " + Number(before.statement) + " " +
                GotoTaken(before.statement, before.failed) + ". ";
    }
    return text + "Next: " + AtStatement(statement) + ".";
}

} // namespace

Engine::Engine(Controller& controller) : controller_(controller) {}
Engine::~Engine() = default;

std::uint32_t InvocationAt(Engine::State& state, int level) {
    if (level == 0) return 0;
    ActiveCall& call = Exec().calls[static_cast<std::size_t>(level - 1)];
    if (call.invocation == 0) call.invocation = ++state.invocationsSeen;
    return call.invocation;
}

int Depth(const MatchPoint* point) {
    int depth = -1;
    for (; point != nullptr; point = point->outer)
        ++depth;
    return depth < 0 ? 0 : depth;
}

int Engine::Run(const std::string& program, RunSettings settings, bool stopOnEntry,
                std::string& refusal) {
    state_ = std::make_unique<State>();
    state_->entryPending = stopOnEntry;
    state_->running = !stopOnEntry;
    terminated_ = false;
    settings.observer = this;
    settings.debugger = this;
    settings.watcher = this;
    const char* arguments[] = {program.c_str()};
    const int status = RunVantel(1, arguments, settings);
    if (state_->lineStarted) controller_.Listed(state_->line, state_->linePart);
    refusal = state_->refusal;
    return status;
}

// ---- The run's phases -------------------------------------------------------------

void Engine::Translated(bool executes) {
    state_->executing = executes;
    controller_.Ready(*this, executes);
    if (!executes) state_->entryPending = false;
    state_->running = !state_->entryPending;
}

void Engine::Refused(std::string_view message) {
    state_->refusal = std::string(message);
}

// Lines are handed over whole; a line's part is that of its first piece
// (an output line cut short by an error keeps its own).
void Engine::Listed(std::string_view text, ListingPart part) {
    State& s = *state_;
    for (;;) {
        const std::size_t end = text.find('\n');
        const std::string_view piece = text.substr(0, end);
        if (!s.lineStarted && !piece.empty()) {
            s.lineStarted = true;
            s.linePart = part;
        }
        s.line.append(piece);
        if (end == std::string_view::npos) return;
        if (!s.lineStarted) s.linePart = part;
        // A message's empty lines before it are the listing's layout.
        const bool message = s.linePart == ListingPart::Message;
        if ((s.executing || message) && !(message && s.line.empty())) {
            std::string_view line = s.line;
            if (s.linePart == ListingPart::Output && !line.empty() && line[0] == ' ')
                line.remove_prefix(1);
            if (message && !s.executing && s.messageLine > 0)
                controller_.Listed("line " + Number(s.messageLine) + ": " + s.line, s.linePart);
            else
                controller_.Listed(line, s.linePart);
        }
        s.line.clear();
        s.lineStarted = false;
        text.remove_prefix(end + 1);
    }
}

// ---- Stops --------------------------------------------------------------------

bool Engine::Attended() {
    if (!attention_.exchange(false, std::memory_order_acq_rel)) return false;
    switch (controller_.Attend(*this)) {
    case Attention::None:
        return false;
    case Attention::Pause:
        return true;
    case Attention::Terminate:
        terminated_ = true;
        EndRun(0);
    }
    return false;
}

void Engine::StopHere(StopInfo info, const MatchPoint* point) {
    State& s = *state_;
    info.statement = KeywordValue(KeywordIndex::StNo);
    info.line = LineOf(info.statement);
    info.inMatch = point != nullptr;
    s.stopped = true;
    const Resume resume = controller_.Stopped(*this, info);
    s.stopped = false;
    s.references.clear();
    if (resume == Resume::Terminate) {
        terminated_ = true;
        EndRun(0);
    }
    Resumed(resume, point);
}

void Engine::Resumed(Resume resume, const MatchPoint* point) {
    State& s = *state_;
    ExecutorState& ex = Exec();
    s.originLevel = ex.callLevel;
    s.originInvocation = InvocationAt(s, ex.callLevel);
    s.originDepth = Depth(point);
    switch (resume) {
    case Resume::Continue:
    case Resume::Terminate:
        s.mode = Mode::Run;
        break;
    case Resume::StepIn:
        s.mode = point != nullptr ? Mode::MatchIn : Mode::StepIn;
        break;
    case Resume::StepInStatement:
        s.mode = Mode::StepStatement;
        break;
    case Resume::StepOver:
        s.mode = point != nullptr ? Mode::MatchOver : Mode::StepOver;
        break;
    case Resume::StepOut:
        // Out of a match: the statement after it, as a step over it.
        s.mode = point != nullptr ? Mode::StepOver : Mode::StepOut;
        break;
    }
    s.running = s.mode == Mode::Run;
    const bool watch =
        s.mode == Mode::StepIn || s.mode == Mode::MatchIn || s.mode == Mode::MatchOver;
    ex.watchMatch = watch;
    ex.debugMatchEvent = ex.matchSteps + (watch ? 1 : kMatchPollSteps);
    MatchEventsChanged();
}

// ---- The statement cycle --------------------------------------------------------

void Engine::BeforeStatement() {
    State& s = *state_;
    const int statement = KeywordValue(KeywordIndex::StNo);
    // Running to a breakpoint: most statements have none, and nothing is
    // asked of them (what a step stop tells of the statement before is
    // taken from the stop before it).
    if (s.running && s.armed[static_cast<std::size_t>(statement)] == 0 &&
        !attention_.load(std::memory_order_relaxed)) [[likely]]
        return;
    ExecutorState& ex = Exec();
    if (s.evaluating) {
        // A statement of a function the evaluation called: only a pause
        // (the way out of an evaluation that runs on) is heard.
        if (Attended()) throw EvaluationStopped{"the evaluation was interrupted"};
        return;
    }
    const int level = ex.callLevel;
    // How the statement before at this level ended: the failure flag is as
    // its goto left it (see ExecutorState::transferFailed).
    const bool fresh = level > 0 && ex.calls[static_cast<std::size_t>(level - 1)].invocation == 0;
    const std::uint32_t invocation = InvocationAt(s, level);
    const auto at = static_cast<std::size_t>(level);
    if (fresh || s.invocations[at] != invocation) s.lastStatement[at] = 0;
    s.invocations[at] = invocation;
    s.before = Before{s.lastStatement[at], ex.failure || ex.transferFailed, fresh,
                      level < s.previousLevel};
    ex.transferFailed = false;
    s.lastStatement[at] = statement;
    s.previousLevel = level;
    s.assigned.clear();
    s.lastNode = NodeOutcome{};
    s.lastAttempt = AttemptOutcome{};

    const bool pause = Attended();
    std::string conditionErrors;
    const std::vector<int> hits = s.armed[static_cast<std::size_t>(statement)] != 0
                                      ? BreakpointsHit(s, statement, conditionErrors)
                                      : std::vector<int>{};
    bool step = false;
    switch (s.mode) {
    case Mode::Run:
        break;
    case Mode::StepIn:
    case Mode::StepStatement:
    case Mode::MatchIn:
        step = true;
        break;
    case Mode::StepOver:
    case Mode::MatchOver:
        step =
            level < s.originLevel || (level == s.originLevel && invocation == s.originInvocation);
        break;
    case Mode::StepOut:
        step = level < s.originLevel;
        break;
    }
    if (!s.entryPending && hits.empty() && !step && !pause) return;
    StopInfo info;
    if (s.entryPending) {
        s.entryPending = false;
        s.running = s.mode == Mode::Run;
        info.reason = StopReason::Entry;
        info.description = "Stopped on entry. Next: " + AtStatement(statement) + ".";
    } else if (!hits.empty()) {
        info.reason = StopReason::Breakpoint;
        info.breakpoints = hits;
        info.description = "Breakpoint at " + AtStatement(statement) + "." + conditionErrors;
    } else if (step) {
        info.reason = StopReason::Step;
        info.description = StepText(s.before, statement);
    } else {
        info.reason = StopReason::Pause;
        info.description = "Paused. Next: " + AtStatement(statement) + ".";
    }
    StopHere(std::move(info), nullptr);
}

// ---- The matcher -------------------------------------------------------------------

void Engine::MatchStep(const MatchPoint& point) {
    State& s = *state_;
    ExecutorState& ex = Exec();
    if (s.evaluating) {
        if (Attended()) throw EvaluationStopped{"the evaluation was interrupted"};
        ex.debugMatchEvent = ex.matchSteps + kMatchPollSteps;
        return;
    }
    const bool pause = Attended();
    bool step = false;
    switch (s.mode) {
    case Mode::StepIn:
    case Mode::MatchIn:
        step = true;
        break;
    case Mode::MatchOver:
        step = Depth(&point) <= s.originDepth;
        break;
    default:
        break;
    }
    if (step || pause) {
        StopInfo info;
        info.reason = step ? StopReason::Step : StopReason::Pause;
        info.description = MatchStopText(s, point, false);
        StopHere(std::move(info), &point);
        return;
    }
    ex.debugMatchEvent = ex.matchSteps + (ex.watchMatch ? 1 : kMatchPollSteps);
}

void Engine::AttemptBegins(const MatchPoint&) {
    state_->lastAttempt = AttemptOutcome{};
    state_->lastNode = NodeOutcome{};
}

void Engine::NodeTried(const MatchPoint& point, int result) {
    State& s = *state_;
    if (s.evaluating) return;
    const PatternNode& n = point.pattern->node(point.node);
    s.lastNode = NodeOutcome{true, NodeText(n), point.node, point.cursor, result, Depth(&point)};
    s.lastAttempt.known = false;
    if (result < 0) return;
    if (n.routine == Routine::ImmEnd) {
        const StringItem* variable = n.argument.string();
        const int start = point.node - n.extra;
        const int from = start >= 1 && start <= point.pattern->count
                             ? point.pattern->node(start).extra
                             : point.cursor;
        const std::string_view text =
            point.cursor > from
                ? point.subject.substr(static_cast<std::size_t>(from),
                                       static_cast<std::size_t>(point.cursor - from))
                : std::string_view();
        if (variable != nullptr) s.assigned.emplace_back(std::string(variable->name), Quoted(text));
    } else if (n.routine == Routine::Cursor && n.argument.string() != nullptr) {
        s.assigned.emplace_back(std::string(n.argument.string()->name), Number(point.cursor));
    }
}

void Engine::AttemptEnded(const MatchPoint& point, int result, bool failed) {
    State& s = *state_;
    if (s.evaluating) return;
    s.lastAttempt = AttemptOutcome{true, point.start, result, failed, Depth(&point)};
    s.lastNode.known = false;
    const bool step =
        s.mode == Mode::MatchIn || (s.mode == Mode::MatchOver && Depth(&point) <= s.originDepth);
    if (!step) return;
    StopInfo info;
    info.reason = StopReason::Step;
    info.description = MatchStopText(s, point, true);
    s.atAttemptEnd = true;
    StopHere(std::move(info), &point);
    s.atAttemptEnd = false;
}

// ---- Errors ----------------------------------------------------------------------

void Engine::BeforeError(std::string_view message) {
    State& s = *state_;
    if (s.evaluating) throw EvaluationStopped{std::string(message)};
    // A translation message is told with the line of the card it was
    // found on.
    if (!s.executing) s.messageLine = Scan().cardLine;
    if (!s.executing || !stopOnErrors_ || s.stopped) return;
    StopInfo info;
    info.reason = StopReason::Exception;
    info.message = std::string(message);
    info.description = "Run-time error in " + AtStatement(KeywordValue(KeywordIndex::StNo)) + ": " +
                       info.message + ". The run ends when it goes on.";
    StopHere(std::move(info), Exec().matchPoint);
}

} // namespace vantel::debugger
