#include "dap/session.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>

namespace vantel::dap {

using debugger::Attention;
using debugger::BreakpointRequest;
using debugger::BreakpointState;
using debugger::Engine;
using debugger::Resume;

namespace {

// The path of a file once links are followed, or the path itself when it
// names nothing.
std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string Absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder) == nullptr) return path;
    return std::string(folder) + "/" + path;
}

const char* ReasonName(debugger::StopReason reason) {
    switch (reason) {
    case debugger::StopReason::Entry:
        return "entry";
    case debugger::StopReason::Breakpoint:
        return "breakpoint";
    case debugger::StopReason::Step:
        return "step";
    case debugger::StopReason::Pause:
        return "pause";
    case debugger::StopReason::Exception:
        return "exception";
    }
    return "step";
}

const char* CategoryOf(ListingPart part) {
    switch (part) {
    case ListingPart::Output:
        return "stdout";
    case ListingPart::Message:
        return "stderr";
    case ListingPart::Report:
        break;
    }
    return "console";
}

Json Capabilities() {
    return Json{
        {"supportsConfigurationDoneRequest", true},
        {"supportsConditionalBreakpoints", true},
        {"supportsHitConditionalBreakpoints", true},
        {"supportsEvaluateForHovers", true},
        {"supportsSetVariable", true},
        {"supportsTerminateRequest", true},
        {"supportsSteppingGranularity", true},
        {"supportsExceptionInfoRequest", true},
        {"exceptionBreakpointFilters",
         Json::array({{{"filter", kErrorFilter},
                       {"label", "Run-time errors"},
                       {"description", "Stop at a run-time error, before the run ends"},
                       {"default", true}}})},
    };
}

Json VariableJson(const debugger::VariableInfo& v) {
    Json j{{"name", v.name},
           {"value", v.value},
           {"type", v.type},
           {"variablesReference", v.reference}};
    if (v.children > 0) j["namedVariables"] = v.children;
    if (v.readOnly) j["presentationHint"] = Json{{"attributes", Json::array({"readOnly"})}};
    return j;
}

debugger::EvaluationContext ContextOf(const std::string& context) {
    if (context == "hover") return debugger::EvaluationContext::Hover;
    if (context == "watch") return debugger::EvaluationContext::Watch;
    return debugger::EvaluationContext::Console;
}

// How long a disconnect waits for the run to end before it answers.
constexpr auto kEndWait = std::chrono::seconds(5);

} // namespace

Session::Session(std::function<bool(std::string_view)> write, RunSettings settings)
    : write_(std::move(write)), settings_(settings) {}

Session::~Session() {
    {
        const std::lock_guard lock(mutex_);
        endAsked_ = true;
    }
    changed_.notify_all();
    if (engine_) engine_->RequestAttention();
    if (thread_) thread_->Join();
}

// ---- Sending ---------------------------------------------------------------------

void Session::Send(Json message) {
    bool gone = false;
    {
        const std::lock_guard lock(writing_);
        if (clientGone_) return;
        message["seq"] = ++seq_;
        if (!write_(Serialise(message))) clientGone_ = gone = true;
    }
    if (!gone) return;
    // Nobody to answer to: the run ends.
    {
        const std::lock_guard lock(mutex_);
        endAsked_ = true;
        disconnected_ = true;
    }
    changed_.notify_all();
    if (engine_) engine_->RequestAttention();
}

void Session::Reply(const Request& r, Json body) {
    Send(Response(r, std::move(body)));
}

void Session::Fail(const Request& r, const std::string& message) {
    Send(ErrorResponse(r.seq, r.command, message));
}

// ---- Receiving -------------------------------------------------------------------

void Session::Receive(std::string_view body) {
    Incoming in = Classify(body);
    switch (in.kind) {
    case Incoming::Kind::Ignored:
        return;
    case Incoming::Kind::Broken:
        if (!in.request.command.empty() || in.request.seq != 0)
            Fail(in.request, in.problem);
        else
            Problem(in.problem);
        return;
    case Incoming::Kind::Request:
        break;
    }
    try {
        Dispatch(in.request);
    } catch (const std::exception& e) {
        Fail(in.request, std::string("vantel-dap could not handle the request: ") + e.what());
    }
}

void Session::Problem(const std::string& problem) {
    Send(Event("output", {{"category", "console"},
                          {"output", "vantel-dap: a message was passed over: " + problem + "\n"}}));
}

void Session::Dispatch(const Request& r) {
    const std::string& c = r.command;
    if (c == "initialize") return Initialize(r);
    if (c == "launch") return Launch(r);
    if (c == "setBreakpoints") return SetBreakpoints(r);
    if (c == "setExceptionBreakpoints") return SetExceptionBreakpoints(r);
    if (c == "configurationDone") return ConfigurationDone(r);
    if (c == "threads") return Threads(r);
    if (c == "stackTrace" || c == "scopes" || c == "variables" || c == "setVariable" ||
        c == "evaluate" || c == "exceptionInfo")
        return Inspect(r);
    if (c == "continue") return Step(r, Resume::Continue);
    if (c == "next") return Step(r, Resume::StepOver);
    if (c == "stepOut") return Step(r, Resume::StepOut);
    if (c == "stepIn") {
        const bool statement =
            StringArgument(r.arguments, "granularity").value_or("") == "statement";
        return Step(r, statement ? Resume::StepInStatement : Resume::StepIn);
    }
    if (c == "pause") return Pause(r);
    if (c == "terminate") return Terminate(r, false);
    if (c == "disconnect") return Terminate(r, true);
    Fail(r, "vantel-dap does not know the request \"" + c + "\"");
}

bool Session::Finished() const {
    const std::lock_guard lock(mutex_);
    return disconnected_;
}

bool Session::Close(int seconds) {
    std::unique_lock lock(mutex_);
    endAsked_ = true;
    disconnected_ = true;
    changed_.notify_all();
    if (engine_) engine_->RequestAttention();
    return changed_.wait_for(lock, std::chrono::seconds(seconds),
                             [this] { return phase_ == Phase::Idle || phase_ == Phase::Ended; });
}

// ---- Requests ----------------------------------------------------------------------

void Session::Initialize(const Request& r) {
    linesStartAt1_ = BooleanArgument(r.arguments, "linesStartAt1").value_or(true);
    initialized_ = true;
    Reply(r, Capabilities());
}

int Session::EngineLine(long long line) const {
    const long long l = linesStartAt1_ ? line : line + 1;
    return l < 1 || l > INT_MAX ? 0 : static_cast<int>(l);
}

void Session::Launch(const Request& r) {
    {
        const std::lock_guard lock(mutex_);
        if (phase_ != Phase::Idle) return Fail(r, "a program is launched already");
    }
    const std::optional<std::string> program = StringArgument(r.arguments, "program");
    if (!program || program->empty())
        return Fail(r, "launch needs \"program\": the source file to run");
    if (const auto cwd = StringArgument(r.arguments, "cwd"); cwd && !cwd->empty()) {
        if (chdir(cwd->c_str()) != 0)
            return Fail(r, "vantel-dap: cannot change to the folder " + *cwd + ": " +
                               std::strerror(errno));
    }
    noDebug_ = BooleanArgument(r.arguments, "noDebug").value_or(false);
    const bool stopOnEntry = BooleanArgument(r.arguments, "stopOnEntry").value_or(false);
    program_ = Canonical(Absolute(*program));
    engine_ = std::make_unique<Engine>(static_cast<debugger::Controller&>(*this));
    {
        const std::lock_guard lock(mutex_);
        phase_ = Phase::Starting;
    }
    thread_ = std::make_unique<debugger::InterpreterThread>(
        [this, path = *program, stopOnEntry] { RunProgram(path, stopOnEntry); });
    std::unique_lock lock(mutex_);
    if (!thread_->Started()) {
        phase_ = Phase::Ended;
        lock.unlock();
        return Fail(r, "vantel-dap: cannot reserve the interpreter's stack");
    }
    changed_.wait(lock, [this] { return phase_ != Phase::Starting; });
    const std::string refusal = refusal_;
    lock.unlock();
    if (!refusal.empty()) {
        Fail(r, refusal);
        Send(Event("terminated"));
    } else {
        // Breakpoints can be bound now that the program is translated.
        Send(Event("initialized"));
        Reply(r);
    }
    lock.lock();
    launchAnswered_ = true;
    changed_.notify_all();
}

std::vector<BreakpointRequest> Session::RequestedBreakpoints(const Request& r) {
    std::vector<BreakpointRequest> wantedList;
    const auto list = r.arguments.find("breakpoints");
    if (list != r.arguments.end() && list->is_array()) {
        for (const Json& b : *list) {
            if (!b.is_object()) continue;
            BreakpointRequest wanted;
            wanted.id = ++breakpointIds_;
            wanted.line = EngineLine(IntegerArgument(b, "line").value_or(0));
            wanted.condition = StringArgument(b, "condition").value_or("");
            wanted.hitCondition = StringArgument(b, "hitCondition").value_or("");
            wantedList.push_back(std::move(wanted));
        }
    } else if (const auto lines = r.arguments.find("lines");
               lines != r.arguments.end() && lines->is_array()) {
        for (const Json& line : *lines) {
            BreakpointRequest wanted;
            wanted.id = ++breakpointIds_;
            wanted.line = EngineLine(line.is_number_integer() ? line.get<long long>() : 0);
            wantedList.push_back(std::move(wanted));
        }
    }
    return wantedList;
}

Json Session::BreakpointJson(const BreakpointState& b) const {
    Json j{{"id", b.id}, {"verified", b.verified}};
    if (b.line > 0) j["line"] = ClientLine(b.line);
    if (b.verified) j["source"] = {{"path", program_}};
    if (!b.message.empty()) j["message"] = b.message;
    return j;
}

Json Session::Unverified(const std::vector<BreakpointRequest>& wantedList,
                         const std::string& why) const {
    Json list = Json::array();
    for (const BreakpointRequest& s : wantedList)
        list.push_back(BreakpointJson(BreakpointState{s.id, false, s.line, why}));
    return Json{{"breakpoints", std::move(list)}};
}

void Session::SetBreakpoints(const Request& r) {
    std::vector<BreakpointRequest> wantedList = RequestedBreakpoints(r);
    std::string path;
    if (const auto source = r.arguments.find("source");
        source != r.arguments.end() && source->is_object())
        path = StringArgument(*source, "path").value_or("");
    const std::string file = Canonical(Absolute(path));
    if (noDebug_) return Reply(r, Unverified(wantedList, "the program runs without debugging"));
    std::unique_lock lock(mutex_);
    // While the program is being translated, its statements are soon known.
    changed_.wait(lock, [this] { return phase_ != Phase::Starting; });
    if (phase_ == Phase::Idle) {
        pendingBreakpoints_[file] = wantedList;
        lock.unlock();
        return Reply(r, Unverified(wantedList, "the program is not translated yet"));
    }
    lock.unlock();
    if (file != program_) return Reply(r, Unverified(wantedList, "not the program being debugged"));
    const bool posted =
        Post({[this, r, wantedList](Engine& engine) -> std::optional<Resume> {
                  const std::vector<BreakpointState> states = engine.SetBreakpoints(wantedList);
                  Json list = Json::array();
                  for (const BreakpointState& b : states)
                      list.push_back(BreakpointJson(b));
                  Reply(r, Json{{"breakpoints", std::move(list)}});
                  return std::nullopt;
              },
              [this, r, wantedList] { Reply(r, Unverified(wantedList, "the program has ended")); }},
             {Phase::Ready, Phase::Running, Phase::Stopped});
    if (!posted) Reply(r, Unverified(wantedList, "the program has ended"));
}

void Session::SetExceptionBreakpoints(const Request& r) {
    bool on = false;
    if (const auto filters = r.arguments.find("filters");
        filters != r.arguments.end() && filters->is_array())
        for (const Json& f : *filters)
            if (f.is_string() && f.get<std::string>() == kErrorFilter) on = true;
    {
        const std::lock_guard lock(mutex_);
        stopOnErrors_ = on;
    }
    const bool posted = Post({[this, r, on](Engine& engine) -> std::optional<Resume> {
                                  engine.StopOnErrors(on && !noDebug_);
                                  Reply(r);
                                  return std::nullopt;
                              },
                              [this, r] { Reply(r); }},
                             {Phase::Ready, Phase::Running, Phase::Stopped});
    if (!posted) Reply(r); // kept for the run to come, or of no use any more
}

void Session::ConfigurationDone(const Request& r) {
    {
        const std::lock_guard lock(mutex_);
        configured_ = true;
    }
    changed_.notify_all();
    Reply(r);
}

void Session::Threads(const Request& r) {
    Reply(r, Json{{"threads", Json::array({{{"id", 1}, {"name", "main program"}}})}});
}

void Session::Inspect(const Request& r) {
    auto job = [this, r](Engine& engine) -> std::optional<Resume> {
        const Json& a = r.arguments;
        const std::string& c = r.command;
        if (c == "stackTrace") {
            const std::vector<debugger::FrameInfo> frames = engine.StackTrace();
            const auto total = static_cast<long long>(frames.size());
            const long long start = std::max(0LL, IntegerArgument(a, "startFrame").value_or(0));
            long long levels = IntegerArgument(a, "levels").value_or(0);
            if (levels <= 0 || levels > total) levels = total;
            Json list = Json::array();
            for (long long i = start; i < total && i < start + levels; ++i) {
                const debugger::FrameInfo& f = frames[static_cast<std::size_t>(i)];
                Json frame{{"id", f.id},
                           {"name", f.name},
                           {"line", ClientLine(f.line)},
                           {"column", linesStartAt1_ ? 1 : 0}};
                if (f.line > 0)
                    frame["source"] = {{"name", program_.substr(program_.rfind('/') + 1)},
                                       {"path", program_}};
                list.push_back(std::move(frame));
            }
            Reply(r, Json{{"stackFrames", std::move(list)}, {"totalFrames", total}});
        } else if (c == "scopes") {
            Json list = Json::array();
            for (const debugger::ScopeInfo& s :
                 engine.Scopes(static_cast<int>(IntegerArgument(a, "frameId").value_or(0)))) {
                Json scope{
                    {"name", s.name}, {"variablesReference", s.reference}, {"expensive", false}};
                if (s.count > 0) scope["namedVariables"] = s.count;
                if (s.name == "Locals") scope["presentationHint"] = "locals";
                list.push_back(std::move(scope));
            }
            Reply(r, Json{{"scopes", std::move(list)}});
        } else if (c == "variables") {
            Json list = Json::array();
            const long long reference = IntegerArgument(a, "variablesReference").value_or(0);
            if (reference > 0 && reference <= INT_MAX)
                for (const debugger::VariableInfo& v :
                     engine.Variables(static_cast<int>(reference)))
                    list.push_back(VariableJson(v));
            Reply(r, Json{{"variables", std::move(list)}});
        } else if (c == "setVariable" || c == "evaluate") {
            const debugger::Evaluation e =
                c == "evaluate"
                    ? engine.Evaluate(StringArgument(a, "expression").value_or(""),
                                      static_cast<int>(IntegerArgument(a, "frameId").value_or(0)),
                                      ContextOf(StringArgument(a, "context").value_or("repl")))
                    : engine.SetVariable(
                          static_cast<int>(std::clamp<long long>(
                              IntegerArgument(a, "variablesReference").value_or(0), 0, INT_MAX)),
                          StringArgument(a, "name").value_or(""),
                          StringArgument(a, "value").value_or(""));
            if (!e.ok) {
                Fail(r, e.value);
            } else {
                Json body{{c == "evaluate" ? "result" : "value", e.value},
                          {"type", e.type},
                          {"variablesReference", e.reference}};
                if (e.children > 0) body["namedVariables"] = e.children;
                Reply(r, std::move(body));
            }
        } else { // exceptionInfo
            debugger::StopInfo stop;
            {
                const std::lock_guard lock(mutex_);
                stop = lastStop_;
            }
            if (stop.reason != debugger::StopReason::Exception)
                Fail(r, "the program did not stop on a run-time error");
            else
                Reply(r, Json{{"exceptionId", "run-time error"},
                              {"description", stop.message},
                              {"breakMode", "always"}});
        }
        return std::nullopt;
    };
    auto cancel = [this, r] { Fail(r, "the program ended"); };
    if (!Post({std::move(job), std::move(cancel)}, {Phase::Stopped}))
        Fail(r, "the program is not stopped");
}

void Session::Step(const Request& r, Resume resume) {
    const bool posted =
        Post({[this, r, resume](Engine&) -> std::optional<Resume> {
                  // Answered before the run goes on, so that
                  // the answer comes before the next stop.
                  Reply(r, r.command == "continue" ? Json{{"allThreadsContinued", true}}
                                                   : Json::object());
                  return resume;
              },
              [this, r] { Fail(r, "the program ended"); }},
             {Phase::Stopped});
    if (!posted) Fail(r, "the program is not stopped");
}

void Session::Pause(const Request& r) {
    {
        const std::lock_guard lock(mutex_);
        if (phase_ == Phase::Ready || phase_ == Phase::Running) pauseAsked_ = true;
    }
    if (!engine_ || Ended()) return Fail(r, "no program is running");
    engine_->RequestAttention();
    Reply(r);
}

bool Session::Ended() const {
    const std::lock_guard lock(mutex_);
    return phase_ == Phase::Idle || phase_ == Phase::Ended;
}

void Session::Terminate(const Request& r, bool disconnect) {
    std::unique_lock lock(mutex_);
    endAsked_ = true;
    if (disconnect) disconnected_ = true;
    changed_.notify_all();
    const bool running = phase_ != Phase::Idle && phase_ != Phase::Ended;
    if (engine_) engine_->RequestAttention();
    if (disconnect && running)
        changed_.wait_for(lock, kEndWait, [this] { return phase_ == Phase::Ended; });
    lock.unlock();
    Reply(r);
}

// ---- The interpreter thread's side --------------------------------------------------

bool Session::Post(PostedJob job, std::initializer_list<Phase> phases) {
    {
        const std::lock_guard lock(mutex_);
        bool allowed = false;
        for (const Phase p : phases)
            allowed = allowed || p == phase_;
        if (!allowed || endAsked_) return false;
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
    if (engine_) engine_->RequestAttention();
    return true;
}

std::optional<Resume> Session::RunJobs(Engine& engine, bool wait, const bool* until) {
    for (;;) {
        PostedJob job;
        {
            std::unique_lock lock(mutex_);
            if (wait)
                changed_.wait(lock, [&] {
                    return !jobs_.empty() || endAsked_ || (until != nullptr && *until);
                });
            if (endAsked_) return Resume::Terminate;
            if (jobs_.empty()) return std::nullopt;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        std::optional<Resume> resume;
        try {
            resume = job.run(engine);
        } catch (...) {
            // The run ended during the job (an evaluation went to END).
            job.cancel();
            throw;
        }
        if (resume) {
            const std::lock_guard lock(mutex_);
            phase_ = Phase::Running;
            return resume;
        }
        if (!wait) continue;
        const std::lock_guard lock(mutex_);
        if (until != nullptr && *until) return std::nullopt;
    }
}

void Session::WaitForLaunchAnswer() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return launchAnswered_; });
}

void Session::Ready(Engine& engine, bool executes) {
    std::optional<std::vector<BreakpointRequest>> pending;
    bool stopOnErrors = true;
    {
        const std::lock_guard lock(mutex_);
        phase_ = Phase::Ready;
        const auto it = pendingBreakpoints_.find(program_);
        if (it != pendingBreakpoints_.end()) pending = it->second;
        pendingBreakpoints_.clear();
        stopOnErrors = stopOnErrors_;
    }
    changed_.notify_all();
    WaitForLaunchAnswer();
    engine.StopOnErrors(stopOnErrors && !noDebug_);
    if (pending && !noDebug_)
        for (const BreakpointState& b : engine.SetBreakpoints(*pending))
            Send(Event("breakpoint", {{"reason", "changed"}, {"breakpoint", BreakpointJson(b)}}));
    if (!executes) return;
    // The run begins once the client is configured.
    while (true) {
        const std::optional<Resume> r = RunJobs(engine, true, &configured_);
        if (r == Resume::Terminate) break; // the first statement ends the run
        const std::lock_guard lock(mutex_);
        if (configured_) break;
    }
    const std::lock_guard lock(mutex_);
    if (phase_ == Phase::Ready) phase_ = Phase::Running;
}

Resume Session::Stopped(Engine& engine, const debugger::StopInfo& stop) {
    {
        const std::lock_guard lock(mutex_);
        phase_ = Phase::Stopped;
        lastStop_ = stop;
        pauseAsked_ = false;
    }
    changed_.notify_all();
    Json body{{"reason", ReasonName(stop.reason)},
              {"description", stop.description},
              {"threadId", 1},
              {"allThreadsStopped", true}};
    if (!stop.message.empty()) body["text"] = stop.message;
    if (!stop.breakpoints.empty()) body["hitBreakpointIds"] = stop.breakpoints;
    Send(Event("stopped", std::move(body)));
    for (;;) {
        const std::optional<Resume> r = RunJobs(engine, true, nullptr);
        if (r) return *r;
    }
}

Attention Session::Attend(Engine& engine) {
    if (RunJobs(engine, false, nullptr) == Resume::Terminate) return Attention::Terminate;
    const std::lock_guard lock(mutex_);
    if (endAsked_) return Attention::Terminate;
    if (pauseAsked_ && !noDebug_) {
        pauseAsked_ = false;
        return Attention::Pause;
    }
    return Attention::None;
}

void Session::Listed(std::string_view line, ListingPart part) {
    Send(Event("output", {{"category", CategoryOf(part)}, {"output", std::string(line) + "\n"}}));
}

void Session::RunProgram(const std::string& program, bool stopOnEntry) {
    std::string refusal;
    int status = 0;
    try {
        status = engine_->Run(program, settings_, stopOnEntry && !noDebug_, refusal);
    } catch (const std::exception& e) {
        // Out of memory, say: the run is over all the same.
        Send(Event("output",
                   {{"category", "stderr"},
                    {"output", std::string("vantel-dap: the run failed: ") + e.what() + "\n"}}));
    }
    std::deque<PostedJob> unanswered;
    {
        const std::lock_guard lock(mutex_);
        refusal_ = refusal;
        phase_ = Phase::Ended;
        unanswered.swap(jobs_);
    }
    changed_.notify_all();
    for (PostedJob& job : unanswered)
        job.cancel();
    if (!refusal.empty()) return; // the launch's answer says it
    WaitForLaunchAnswer();
    if (!engine_->Terminated()) Send(Event("exited", {{"exitCode", status}}));
    Send(Event("terminated"));
}

} // namespace vantel::dap
