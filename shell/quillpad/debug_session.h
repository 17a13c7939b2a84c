#pragma once
// One debugging session as quillpad leads it over the Debug Adapter
// Protocol: the requests it sends and the answers it matches to them, the
// order a session goes through (initialize, launch, the breakpoints once
// the adapter is initialized, configurationDone), and at every stop the
// picture the window shows (the call stack, each scope's variables, what
// the last step changed, the matcher's state inside a match). No widget
// and no process here: messages come in through Receive, framed requests
// go out through the `send` function, and the time comes from a clock, so
// that scripted adapters test all of it.

#include <cstdint>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillpad::debug {

using Json = nlohmann::json;

// The names vantel-dap gives its scopes; any other scope is shown too.
inline constexpr char kLocalsScope[] = "Locals";
inline constexpr char kGlobalsScope[] = "Globals";
inline constexpr char kKeywordsScope[] = "Keywords";
inline constexpr char kMatchScope[] = "Match";

// How long an answer may take: starting and ending must be quick; a step,
// an evaluation or a variable may read input or run a long expression.
inline constexpr std::int64_t kStartAnswerMs = 10000;
inline constexpr std::int64_t kAnswerMs = 30000;

struct SourceBreakpoint {
    int line = 0; // from 1
    std::string condition;
    std::string hitCondition;
    bool operator==(const SourceBreakpoint&) const = default;
};

// What the adapter made of one breakpoint: where it binds, or why not.
struct BoundBreakpoint {
    int requestedLine = 0;
    int line = 0; // the statement's line it binds to; 0 when not verified
    bool verified = false;
    std::string message;
};

struct Variable {
    std::string name;
    std::string value;
    std::string type;
    std::int64_t reference = 0; // children to ask for; 0 for none
    bool readOnly = false;
    bool changed = false;           // by the last step (not on the first stop)
    std::vector<Variable> children; // fetched with the stop for the Match scope
};

struct Scope {
    std::string name;
    std::int64_t reference = 0;
    std::vector<Variable> variables;
};

struct Frame {
    std::int64_t id = 0;
    std::string name;
    std::string path; // the source file, when the adapter names one
    int line = 0;
};

// Everything known at a stop, complete once its last answer came.
struct Stop {
    std::string reason;      // entry, breakpoint, step, pause, exception, ...
    std::string description; // the adapter's words on where and why it stopped
    std::string message;     // an error's message (a stop on an exception)
    std::int64_t threadId = 1;
    std::vector<Frame> frames; // innermost first
    std::size_t selected = 0;  // the frame whose scopes are shown
    std::vector<Scope> scopes;
    const Scope* FindScope(const std::string& name) const;
    int Line() const { return selected < frames.size() ? frames[selected].line : 0; }
};

struct Ending {
    std::optional<int> exitCode; // the program's, from the exited event
    std::string problem;         // empty after an orderly end
};

enum class State {
    Idle,     // nothing started
    Starting, // initialize and launch under way
    Running,  // the program runs
    Stopped,  // the program waits at a stop
    Ending,   // terminate or disconnect sent, or the program ended
    Ended     // the adapter is done with; a new session may start
};

// What the session tells its owner.
class SessionListener {
public:
    virtual ~SessionListener() = default;
    virtual void StateChanged(State state) = 0;
    virtual void Stopped(const Stop& stop) = 0; // the picture is complete
    virtual void Output(const std::string& category, const std::string& text) = 0;
    virtual void Problem(const std::string& text) = 0; // a message for the user
    virtual void BreakpointsBound(const std::vector<BoundBreakpoint>& bound) = 0;
    // The session is over and the adapter may be ended.
    virtual void Ended(const Ending& ending) = 0;
};

struct LaunchSettings {
    std::string program; // the source, an absolute path
    std::string cwd;
    bool stopOnEntry = false;
    std::vector<SourceBreakpoint> breakpoints;
};

class DebugSession {
public:
    using Send = std::function<void(const std::string& bytes)>;
    using Clock = std::function<std::int64_t()>; // milliseconds, never going back
    using Answer = std::function<void(bool success, const Json& body, const std::string& message)>;

    DebugSession(SessionListener& listener, Send send, Clock clock);

    State CurrentState() const { return state_; }
    bool Active() const { return state_ != State::Idle && state_ != State::Ended; }
    const std::optional<Stop>& LastStop() const { return stop_; }

    // Starts a session: initialize, then launch and the breakpoints.
    bool Start(const LaunchSettings& settings);
    // A message from the adapter, and a broken one it sent (the framing's
    // words on why it was passed over).
    void Receive(const std::string& body);
    void Broken(const std::string& problem);
    // The adapter's process ended (or could not start); `why` says how.
    void AdapterGone(const std::string& why);
    // Looks for answers that are late; call now and then.
    void CheckDeadlines();

    // The commands of the Debug menu; each does nothing where it has no sense.
    void Continue();
    void StepOver();
    // Into a function, or at a statement with a pattern into the matcher;
    // inside the matcher, its next step.
    void StepIn();
    // To the next statement anywhere, never stopping in the matcher.
    void StepToStatement();
    void StepOut();
    void Pause();
    void RunToLine(int line);
    // Ends the program and the session.
    void Terminate();

    // The file's breakpoints changed; the adapter hears of them at once.
    void SetBreakpoints(std::vector<SourceBreakpoint> breakpoints);
    void SelectFrame(std::size_t index);
    void FetchVariables(std::int64_t reference, std::function<void(std::vector<Variable>)> done);
    void SetVariable(std::int64_t scopeReference, const std::string& name, const std::string& value,
                     std::function<void(bool, const std::string&)> done);
    void Evaluate(const std::string& expression,
                  std::function<void(bool, const std::string&)> done);

private:
    struct Pending {
        std::string command;
        std::int64_t deadline = 0;
        Answer answer;
        bool late = false; // told once
    };

    void SetState(State state);
    std::int64_t Request(const std::string& command, Json arguments, Answer answer,
                         std::int64_t waitMs = kAnswerMs);
    void TakeResponse(const Json& message);
    void TakeEvent(const Json& message);
    void Initialized();
    void Launched(bool success, const std::string& message);
    void SendBreakpoints();
    void BreakpointEvent(const Json& body);
    void StoppedEvent(const Json& body);
    void AskStack();
    void AskScopes();
    void AskVariables(Scope& scope, bool withChildren);
    void PictureDone();
    void MarkChanges(Stop& stop) const;
    void Resume(const std::string& command, Json arguments = Json::object());
    void Finish(const std::string& problem);
    void Disconnect();
    void Over();

    SessionListener& listener_;
    Send send_;
    Clock clock_;
    State state_ = State::Idle;
    std::int64_t nextSeq_ = 1;
    std::map<std::int64_t, Pending> pending_;
    LaunchSettings settings_;
    Json capabilities_ = Json::object();
    bool initializedEvent_ = false;
    bool configured_ = false;
    bool disconnectSent_ = false;
    bool terminateSent_ = false;
    std::optional<int> runToLine_;       // a breakpoint of Run to Cursor, until the next stop
    std::vector<BoundBreakpoint> bound_; // the user's, as last told
    std::map<std::int64_t, std::size_t> boundIds_; // the adapter's ids of them
    std::optional<int> exitCode_;
    std::optional<Stop> stop_;     // the stop whose picture is shown or being made
    std::optional<Stop> previous_; // the stop before it, for what changed
    std::int64_t picture_ = 0;     // which stop the answers under way belong to
    int outstanding_ = 0;          // answers the picture still waits for
    bool frameChosen_ = false;     // the picture is of another frame of the same stop
    std::string problem_;          // why the session ends, when it ends badly
};

} // namespace quillpad::debug
