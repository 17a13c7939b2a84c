#include "debug_session.h"

#include "framing/framing.h"

#include <algorithm>

namespace quillpad::debug {
namespace {

constexpr std::int64_t kEndAnswerMs = 3000; // terminate and disconnect
constexpr int kStackLevels = 200;           // frames shown of a deep recursion

// Reading what the adapter sent never throws: a member of another type
// counts as missing.
std::string Text(const Json& object, const char* key, const std::string& fallback = {}) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : fallback;
}

std::int64_t Number(const Json& object, const char* key, std::int64_t fallback = 0) {
    const auto found = object.find(key);
    return found != object.end() && found->is_number_integer() ? found->get<std::int64_t>()
                                                               : fallback;
}

bool Flag(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_boolean() && found->get<bool>();
}

const Json& Member(const Json& object, const char* key) {
    static const Json kNone;
    if (!object.is_object()) return kNone;
    const auto found = object.find(key);
    return found != object.end() ? *found : kNone;
}

std::vector<Variable> VariablesIn(const Json& body) {
    std::vector<Variable> variables;
    const Json& list = Member(body, "variables");
    if (!list.is_array()) return variables;
    for (const Json& item : list) {
        if (!item.is_object()) continue;
        Variable variable;
        variable.name = Text(item, "name");
        variable.value = Text(item, "value");
        variable.type = Text(item, "type");
        variable.reference = Number(item, "variablesReference");
        const Json& attributes = Member(Member(item, "presentationHint"), "attributes");
        variable.readOnly = attributes.is_array() && std::find(attributes.begin(), attributes.end(),
                                                               "readOnly") != attributes.end();
        variables.push_back(std::move(variable));
    }
    return variables;
}

std::string Late(const std::string& command, std::int64_t waitMs) {
    return "vantel-dap has not answered \"" + command + "\" in " + std::to_string(waitMs / 1000) +
           " seconds";
}

} // namespace

const Scope* Stop::FindScope(const std::string& name) const {
    for (const Scope& scope : scopes)
        if (scope.name == name) return &scope;
    return nullptr;
}

DebugSession::DebugSession(SessionListener& listener, Send send, Clock clock)
    : listener_(listener), send_(std::move(send)), clock_(std::move(clock)) {}

void DebugSession::SetState(State state) {
    if (state_ == state) return;
    state_ = state;
    listener_.StateChanged(state);
}

bool DebugSession::Start(const LaunchSettings& settings) {
    if (Active()) return false;
    settings_ = settings;
    pending_.clear();
    capabilities_ = Json::object();
    initializedEvent_ = configured_ = disconnectSent_ = terminateSent_ = false;
    runToLine_.reset();
    exitCode_.reset();
    stop_.reset();
    previous_.reset();
    problem_.clear();
    outstanding_ = 0;
    SetState(State::Starting);
    const Json arguments = {{"clientID", "quillpad"},       {"clientName", "quillpad"},
                            {"adapterID", "vantel"},        {"pathFormat", "path"},
                            {"linesStartAt1", true},        {"columnsStartAt1", true},
                            {"supportsVariableType", true}, {"locale", "en"}};
    Request(
        "initialize", arguments,
        [this](bool success, const Json& body, const std::string& message) {
            if (!success) {
                Finish("vantel-dap would not start: " + message);
                return;
            }
            if (body.is_object()) capabilities_ = body;
            const Json launch = {{"program", settings_.program},
                                 {"cwd", settings_.cwd},
                                 {"stopOnEntry", settings_.stopOnEntry}};
            Request(
                "launch", launch,
                [this](bool ok, const Json&, const std::string& why) { Launched(ok, why); },
                kStartAnswerMs);
        },
        kStartAnswerMs);
    return true;
}

std::int64_t DebugSession::Request(const std::string& command, Json arguments, Answer answer,
                                   std::int64_t waitMs) {
    const std::int64_t seq = nextSeq_++;
    const Json message = {{"seq", seq},
                          {"type", "request"},
                          {"command", command},
                          {"arguments", std::move(arguments)}};
    pending_[seq] = Pending{command, clock_() + waitMs, std::move(answer)};
    send_(vantel::framing::Frame(message.dump(-1, ' ', false, Json::error_handler_t::replace)));
    return seq;
}

void DebugSession::Broken(const std::string& problem) {
    if (Active()) listener_.Problem("vantel-dap sent a broken message: " + problem);
}

void DebugSession::Receive(const std::string& body) {
    if (!Active()) return;
    const Json message = Json::parse(body, nullptr, false);
    if (!message.is_object()) {
        listener_.Problem("vantel-dap sent a message that is not a JSON object");
        return;
    }
    const std::string type = Text(message, "type");
    if (type == "response") {
        TakeResponse(message);
    } else if (type == "event") {
        TakeEvent(message);
    } else if (type == "request") {
        // Requests of the adapter (runInTerminal and the like) are not offered.
        const Json refusal = {{"seq", nextSeq_++},
                              {"type", "response"},
                              {"request_seq", Number(message, "seq")},
                              {"command", Text(message, "command")},
                              {"success", false},
                              {"message", "quillpad does not take requests"}};
        send_(vantel::framing::Frame(refusal.dump(-1, ' ', false, Json::error_handler_t::replace)));
    } else {
        listener_.Problem("vantel-dap sent a message of no known type");
    }
}

void DebugSession::TakeResponse(const Json& message) {
    const auto found = pending_.find(Number(message, "request_seq", -1));
    if (found == pending_.end()) return; // an answer to nothing asked, or to a late request
    Pending pending = std::move(found->second);
    pending_.erase(found);
    const bool success = Flag(message, "success");
    std::string why = Text(message, "message");
    // An error's own words, where the adapter gives them, say more.
    const std::string detail = Text(Member(Member(message, "body"), "error"), "format");
    if (!detail.empty()) why = detail;
    if (!success && why.empty()) why = "\"" + pending.command + "\" failed";
    if (pending.answer) pending.answer(success, Member(message, "body"), why);
}

void DebugSession::TakeEvent(const Json& message) {
    const std::string event = Text(message, "event");
    const Json& body = Member(message, "body");
    if (event == "initialized") {
        Initialized();
    } else if (event == "stopped") {
        StoppedEvent(body);
    } else if (event == "continued") {
        if (state_ == State::Stopped) {
            ++picture_;
            SetState(State::Running);
        }
    } else if (event == "output") {
        const std::string text = Text(body, "output");
        if (!text.empty()) listener_.Output(Text(body, "category", "console"), text);
    } else if (event == "breakpoint") {
        BreakpointEvent(body);
    } else if (event == "exited") {
        const std::int64_t code = Number(body, "exitCode", -1);
        if (code >= 0) exitCode_ = static_cast<int>(code);
    } else if (event == "terminated") {
        SetState(State::Ending);
        Disconnect();
    }
}

void DebugSession::Initialized() {
    if (initializedEvent_ || state_ == State::Ending) return;
    initializedEvent_ = true;
    SendBreakpoints();
    // A stop on every kind of error the adapter offers.
    const Json& offered = Member(capabilities_, "exceptionBreakpointFilters");
    if (offered.is_array() && !offered.empty()) {
        Json filters = Json::array();
        for (const Json& filter : offered)
            if (filter.is_object() && !Text(filter, "filter").empty())
                filters.push_back(Text(filter, "filter"));
        Request("setExceptionBreakpoints", {{"filters", filters}}, nullptr);
    }
    if (Flag(capabilities_, "supportsConfigurationDoneRequest")) {
        Request(
            "configurationDone", Json::object(),
            [this](bool success, const Json&, const std::string& why) {
                if (!success) Finish("vantel-dap could not start the program: " + why);
            },
            kStartAnswerMs);
    }
    configured_ = true;
}

void DebugSession::Launched(bool success, const std::string& message) {
    if (!success) {
        Finish(message);
        return;
    }
    if (state_ == State::Starting) SetState(State::Running);
}

void DebugSession::SetBreakpoints(std::vector<SourceBreakpoint> breakpoints) {
    settings_.breakpoints = std::move(breakpoints);
    if (initializedEvent_ &&
        (state_ == State::Running || state_ == State::Stopped || state_ == State::Starting))
        SendBreakpoints();
}

void DebugSession::SendBreakpoints() {
    std::vector<SourceBreakpoint> sent = settings_.breakpoints;
    const bool extra = runToLine_ && std::none_of(sent.begin(), sent.end(), [this](const auto& b) {
                           return b.line == *runToLine_;
                       });
    if (extra) sent.push_back({*runToLine_, {}, {}});
    Json list = Json::array();
    Json lines = Json::array();
    for (const SourceBreakpoint& breakpoint : sent) {
        Json item = {{"line", breakpoint.line}};
        if (!breakpoint.condition.empty()) item["condition"] = breakpoint.condition;
        if (!breakpoint.hitCondition.empty()) item["hitCondition"] = breakpoint.hitCondition;
        list.push_back(item);
        lines.push_back(breakpoint.line);
    }
    const std::string path = settings_.program;
    const Json arguments = {
        {"source", {{"path", path}, {"name", path.substr(path.rfind('/') + 1)}}},
        {"breakpoints", list},
        {"lines", lines},
        {"sourceModified", false}};
    const std::size_t users = settings_.breakpoints.size();
    Request("setBreakpoints", arguments,
            [this, sent, users](bool success, const Json& body, const std::string& why) {
                if (!success) {
                    listener_.Problem("The breakpoints were not taken: " + why);
                    return;
                }
                const Json& answered = Member(body, "breakpoints");
                bound_.clear();
                boundIds_.clear();
                for (std::size_t i = 0; i < users; ++i) {
                    BoundBreakpoint result{sent[i].line, 0, false, {}};
                    if (answered.is_array() && i < answered.size() && answered[i].is_object()) {
                        const Json& item = answered[i];
                        result.verified = Flag(item, "verified");
                        result.line = static_cast<int>(Number(item, "line", sent[i].line));
                        result.message = Text(item, "message");
                        if (item.contains("id")) boundIds_[Number(item, "id", -1)] = i;
                    }
                    bound_.push_back(std::move(result));
                }
                listener_.BreakpointsBound(bound_);
            });
}

// A breakpoint the adapter could bind only later (once the program was
// translated), or bound anew.
void DebugSession::BreakpointEvent(const Json& body) {
    const Json& item = Member(body, "breakpoint");
    const auto found = boundIds_.find(Number(item, "id", -1));
    if (!item.is_object() || found == boundIds_.end() || found->second >= bound_.size()) return;
    BoundBreakpoint& bound = bound_[found->second];
    bound.verified = Flag(item, "verified");
    bound.line = static_cast<int>(Number(item, "line", bound.requestedLine));
    bound.message = Text(item, "message");
    listener_.BreakpointsBound(bound_);
}

void DebugSession::StoppedEvent(const Json& body) {
    if (state_ == State::Ending || state_ == State::Idle) return;
    SetState(State::Stopped);
    if (runToLine_) {
        runToLine_.reset();
        SendBreakpoints();
    }
    Stop stop;
    stop.reason = Text(body, "reason", "pause");
    stop.description = Text(body, "description");
    stop.message = Text(body, "text");
    stop.threadId = Number(body, "threadId", 1);
    stop_ = std::move(stop);
    const std::int64_t picture = ++picture_;
    outstanding_ = 0;
    if (stop_->reason == "exception" && Flag(capabilities_, "supportsExceptionInfoRequest")) {
        ++outstanding_;
        Request("exceptionInfo", {{"threadId", stop_->threadId}},
                [this, picture](bool success, const Json& info, const std::string&) {
                    if (picture != picture_) return;
                    const std::string said = Text(info, "description", Text(info, "exceptionId"));
                    if (success && !said.empty() && stop_->message.empty()) stop_->message = said;
                    if (--outstanding_ == 0) PictureDone();
                });
    }
    AskStack();
}

void DebugSession::AskStack() {
    const std::int64_t picture = picture_;
    ++outstanding_;
    const Json arguments = {
        {"threadId", stop_->threadId}, {"startFrame", 0}, {"levels", kStackLevels}};
    Request("stackTrace", arguments, [this, picture](bool, const Json& body, const std::string&) {
        if (picture != picture_) return;
        const Json& list = Member(body, "stackFrames");
        if (list.is_array()) {
            for (const Json& item : list) {
                if (!item.is_object()) continue;
                stop_->frames.push_back(Frame{Number(item, "id"), Text(item, "name"),
                                              Text(Member(item, "source"), "path"),
                                              static_cast<int>(Number(item, "line"))});
            }
        }
        AskScopes();
        if (--outstanding_ == 0) PictureDone();
    });
}

void DebugSession::AskScopes() {
    if (stop_->selected >= stop_->frames.size()) return;
    const std::int64_t picture = picture_;
    ++outstanding_;
    const Json arguments = {{"frameId", stop_->frames[stop_->selected].id}};
    Request("scopes", arguments, [this, picture](bool, const Json& body, const std::string&) {
        if (picture != picture_) return;
        const Json& list = Member(body, "scopes");
        stop_->scopes.clear();
        if (list.is_array()) {
            for (const Json& item : list)
                if (item.is_object())
                    stop_->scopes.push_back(
                        Scope{Text(item, "name"), Number(item, "variablesReference"), {}});
        }
        for (std::size_t i = 0; i < stop_->scopes.size(); ++i)
            AskVariables(stop_->scopes[i], stop_->scopes[i].name == kMatchScope);
        if (--outstanding_ == 0) PictureDone();
    });
}

// The variables of one scope; the Match scope's values are fetched one
// level deeper, so that its pane shows the alternatives and assignments at
// once.
void DebugSession::AskVariables(Scope& scope, bool withChildren) {
    if (scope.reference <= 0) return;
    const std::int64_t picture = picture_;
    const std::size_t index = static_cast<std::size_t>(&scope - stop_->scopes.data());
    ++outstanding_;
    Request("variables", {{"variablesReference", scope.reference}},
            [this, picture, index, withChildren](bool, const Json& body, const std::string&) {
                if (picture != picture_) return;
                std::vector<Variable>& variables = stop_->scopes[index].variables;
                variables = VariablesIn(body);
                for (std::size_t i = 0; withChildren && i < variables.size(); ++i) {
                    if (variables[i].reference <= 0) continue;
                    ++outstanding_;
                    Request("variables", {{"variablesReference", variables[i].reference}},
                            [this, picture, index, i](bool, const Json& inner, const std::string&) {
                                if (picture != picture_) return;
                                stop_->scopes[index].variables[i].children = VariablesIn(inner);
                                if (--outstanding_ == 0) PictureDone();
                            });
                }
                if (--outstanding_ == 0) PictureDone();
            });
}

void DebugSession::PictureDone() {
    if (!stop_ || state_ != State::Stopped) return;
    if (!frameChosen_) MarkChanges(*stop_);
    frameChosen_ = false;
    listener_.Stopped(*stop_);
    previous_ = stop_;
}

// A variable's value differs from the one it had at the last stop, or the
// variable is new in a scope that was shown then.
void DebugSession::MarkChanges(Stop& stop) const {
    if (!previous_) return;
    std::map<std::string, std::map<std::string, std::string>> before;
    for (const Scope& scope : previous_->scopes) {
        auto& values = before[scope.name];
        for (const Variable& variable : scope.variables)
            values[variable.name] = variable.value;
    }
    for (Scope& scope : stop.scopes) {
        if (scope.name == kMatchScope) continue; // every matcher step changes it
        const auto was = before.find(scope.name);
        if (was == before.end()) continue;
        for (Variable& variable : scope.variables) {
            const auto value = was->second.find(variable.name);
            variable.changed = value == was->second.end() || value->second != variable.value;
        }
    }
}

void DebugSession::Resume(const std::string& command, Json arguments) {
    if (state_ != State::Stopped) return;
    arguments["threadId"] = stop_ ? stop_->threadId : 1;
    ++picture_;
    SetState(State::Running);
    Request(command, std::move(arguments),
            [this](bool success, const Json&, const std::string& why) {
                if (success || state_ != State::Running) return;
                // The adapter stayed where it was: show that stop again.
                listener_.Problem(why);
                SetState(State::Stopped);
                if (previous_) {
                    stop_ = previous_;
                    listener_.Stopped(*stop_);
                }
            });
}

void DebugSession::Continue() {
    Resume("continue");
}

void DebugSession::StepOver() {
    Resume("next");
}

void DebugSession::StepIn() {
    const bool inMatch = stop_ && stop_->FindScope(kMatchScope) != nullptr;
    Resume("stepIn", inMatch ? Json{{"granularity", "instruction"}} : Json::object());
}

void DebugSession::StepToStatement() {
    Resume("stepIn", {{"granularity", "statement"}});
}

void DebugSession::StepOut() {
    Resume("stepOut");
}

void DebugSession::Pause() {
    if (state_ != State::Running) return;
    Request("pause", {{"threadId", stop_ ? stop_->threadId : 1}},
            [this](bool success, const Json&, const std::string& why) {
                if (!success) listener_.Problem("The program was not paused: " + why);
            });
}

void DebugSession::RunToLine(int line) {
    if (state_ != State::Stopped || line < 1) return;
    runToLine_ = line;
    SendBreakpoints();
    Continue();
}

void DebugSession::Terminate() {
    switch (state_) {
    case State::Idle:
    case State::Ended:
        return;
    case State::Starting:
        Finish({});
        return;
    case State::Running:
    case State::Stopped:
        break;
    case State::Ending:
        Disconnect();
        return;
    }
    SetState(State::Ending);
    if (!Flag(capabilities_, "supportsTerminateRequest") || terminateSent_) {
        Disconnect();
        return;
    }
    terminateSent_ = true;
    Request(
        "terminate", Json::object(),
        [this](bool success, const Json&, const std::string&) {
            if (!success) Disconnect();
        },
        kEndAnswerMs);
}

void DebugSession::Disconnect() {
    if (disconnectSent_ || state_ == State::Ended) return;
    disconnectSent_ = true;
    SetState(State::Ending);
    Request(
        "disconnect", {{"terminateDebuggee", true}},
        [this](bool, const Json&, const std::string&) { Over(); }, kEndAnswerMs);
}

void DebugSession::Finish(const std::string& problem) {
    if (problem_.empty()) problem_ = problem;
    Disconnect();
}

void DebugSession::Over() {
    if (state_ == State::Ended || state_ == State::Idle) return;
    pending_.clear();
    ++picture_;
    SetState(State::Ended);
    listener_.Ended(Ending{exitCode_, problem_});
}

void DebugSession::AdapterGone(const std::string& why) {
    if (!Active()) return;
    if (state_ != State::Ending && problem_.empty())
        problem_ = "vantel-dap ended unexpectedly" + (why.empty() ? std::string() : ": " + why);
    Over();
}

void DebugSession::CheckDeadlines() {
    const std::int64_t now = clock_();
    std::vector<std::string> late;
    for (auto& [seq, pending] : pending_) {
        if (pending.late || now <= pending.deadline) continue;
        pending.late = true;
        late.push_back(pending.command);
    }
    for (const std::string& command : late) {
        if (!Active()) return;
        if (command == "disconnect" || command == "terminate") {
            if (problem_.empty()) problem_ = Late(command, kEndAnswerMs);
            if (command == "terminate") {
                Disconnect();
            } else {
                Over();
            }
        } else if (command == "initialize" || command == "launch" ||
                   command == "configurationDone") {
            Finish(Late(command, kStartAnswerMs));
        } else {
            listener_.Problem(Late(command, kAnswerMs) + "; Stop (Shift+F5) ends the session");
        }
    }
}

void DebugSession::SelectFrame(std::size_t index) {
    if (state_ != State::Stopped || !stop_ || index >= stop_->frames.size()) return;
    stop_->selected = index;
    stop_->scopes.clear();
    ++picture_;
    outstanding_ = 0;
    frameChosen_ = true;
    AskScopes();
}

void DebugSession::FetchVariables(std::int64_t reference,
                                  std::function<void(std::vector<Variable>)> done) {
    if (state_ != State::Stopped || reference <= 0) return;
    const std::int64_t picture = picture_;
    Request("variables", {{"variablesReference", reference}},
            [this, picture, done = std::move(done)](bool, const Json& body, const std::string&) {
                if (picture == picture_) done(VariablesIn(body));
            });
}

void DebugSession::SetVariable(std::int64_t scopeReference, const std::string& name,
                               const std::string& value,
                               std::function<void(bool, const std::string&)> done) {
    if (state_ != State::Stopped) {
        done(false, "The program must be stopped to change a variable");
        return;
    }
    const Json arguments = {
        {"variablesReference", scopeReference}, {"name", name}, {"value", value}};
    Request("setVariable", arguments,
            [this, scopeReference, name, done = std::move(done)](bool success, const Json& body,
                                                                 const std::string& why) {
                if (!success) {
                    done(false, why);
                    return;
                }
                const std::string now = Text(body, "value");
                // The next step compares with the value set here.
                for (std::optional<Stop>* stop : {&stop_, &previous_}) {
                    if (!*stop) continue;
                    for (Scope& scope : (*stop)->scopes)
                        if (scope.reference == scopeReference)
                            for (Variable& variable : scope.variables)
                                if (variable.name == name) variable.value = now;
                }
                done(true, now);
            });
}

void DebugSession::Evaluate(const std::string& expression,
                            std::function<void(bool, const std::string&)> done) {
    if (state_ != State::Stopped || !stop_) {
        done(false, "The program must be stopped to evaluate an expression");
        return;
    }
    Json arguments = {{"expression", expression}, {"context", "repl"}};
    if (stop_->selected < stop_->frames.size())
        arguments["frameId"] = stop_->frames[stop_->selected].id;
    Request("evaluate", arguments,
            [done = std::move(done)](bool success, const Json& body, const std::string& why) {
                done(success, success ? Text(body, "result") : why);
            });
}

} // namespace quillpad::debug
