// The debugger's session with scripted adapters: what it asks in which
// order, how it builds the picture of a stop, and how it ends when the
// adapter answers late, wrongly, or not at all. A seeded stream of random
// adapter messages checks that nothing the adapter sends breaks the
// session's promises.

#include "debug_session.h"
#include "framing/framing.h"

#include <gtest/gtest.h>
#include <random>

namespace quillpad::debug {
namespace {

struct Heard : SessionListener {
    std::vector<State> states;
    std::vector<Stop> stops;
    std::vector<std::string> output;
    std::vector<std::string> problems;
    std::vector<std::vector<BoundBreakpoint>> bound;
    std::vector<Ending> endings;
    int afterEnd = 0; // anything heard once the session had ended

    void Count() {
        if (!endings.empty()) ++afterEnd;
    }
    void StateChanged(State state) override {
        Count();
        states.push_back(state);
    }
    void Stopped(const Stop& stop) override {
        Count();
        stops.push_back(stop);
    }
    void Output(const std::string& category, const std::string& text) override {
        Count();
        output.push_back(category + ":" + text);
    }
    void Problem(const std::string& text) override {
        Count();
        problems.push_back(text);
    }
    void BreakpointsBound(const std::vector<BoundBreakpoint>& list) override {
        Count();
        bound.push_back(list);
    }
    void Ended(const Ending& ending) override {
        Count();
        endings.push_back(ending);
    }
};

// An adapter played by the test: it sees every request the session sends
// and answers those its responder knows.
class Script {
public:
    using Responder = std::function<std::optional<Json>(const Json& request)>;

    Script()
        : session(
              heard,
              [this](const std::string& bytes) {
                  // Each request is one whole frame.
                  vantel::framing::TextSource source(bytes);
                  vantel::framing::FrameReader reader(source);
                  std::string body;
                  std::string problem;
                  EXPECT_EQ(reader.Next(body, problem),
                            vantel::framing::FrameReader::Result::Message);
                  EXPECT_EQ(reader.Next(body, problem), vantel::framing::FrameReader::Result::End);
                  EXPECT_EQ(problem, "");
                  requests.push_back(Json::parse(body));
              },
              [this] { return now; }) {}

    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        for (const Json& request : requests)
            commands.push_back(request["command"]);
        return commands;
    }
    const Json* Find(const std::string& command) const {
        for (auto it = requests.rbegin(); it != requests.rend(); ++it)
            if ((*it)["command"] == command) return &*it;
        return nullptr;
    }
    void Send(const Json& message) { session.Receive(message.dump()); }
    void Reply(const Json& request, const Json& body = Json::object(), bool success = true,
               const std::string& message = {}) {
        Json response = {{"seq", 1000 + request["seq"].get<int>()},
                         {"type", "response"},
                         {"request_seq", request["seq"]},
                         {"command", request["command"]},
                         {"success", success},
                         {"body", body}};
        if (!message.empty()) response["message"] = message;
        answered.insert(request["seq"].get<int>());
        Send(response);
    }
    void Event(const std::string& name, const Json& body = Json::object()) {
        Send({{"seq", 1}, {"type", "event"}, {"event", name}, {"body", body}});
    }
    // Answers every request the responder knows, also those its answers
    // bring, until none is left to answer.
    void Play(const Responder& responder) {
        for (bool more = true; more;) {
            more = false;
            for (std::size_t i = 0; i < requests.size(); ++i) {
                const Json request = requests[i];
                if (answered.count(request["seq"].get<int>()) != 0) continue;
                if (const std::optional<Json> body = responder(request)) {
                    Reply(request, *body);
                    more = true;
                }
            }
        }
    }

    std::int64_t now = 0;
    Heard heard;
    std::vector<Json> requests;
    std::set<int> answered;
    DebugSession session;
};

Json Vars(std::initializer_list<std::pair<std::string, std::string>> list) {
    Json variables = Json::array();
    for (const auto& [name, value] : list)
        variables.push_back({{"name", name}, {"value", value}, {"variablesReference", 0}});
    return {{"variables", variables}};
}

// A program stopped in function F called from the main program, with N
// counting up at each stop, and (when `inMatch`) a match under way.
struct Program {
    int n = 1;
    int line = 4;
    bool inMatch = false;

    std::optional<Json> operator()(const Json& request) const {
        const std::string command = request["command"];
        if (command == "initialize")
            return Json{{"supportsConfigurationDoneRequest", true},
                        {"supportsTerminateRequest", true},
                        {"exceptionBreakpointFilters", {{{"filter", "errors"}, {"label", "E"}}}}};
        if (command == "stackTrace")
            return Json{
                {"stackFrames",
                 {{{"id", 7}, {"name", "F"}, {"line", line}, {"source", {{"path", "/p.sno"}}}},
                  {{"id", 8}, {"name", "main program"}, {"line", 9}}}}};
        if (command == "scopes") {
            Json scopes = {{{"name", "Locals"}, {"variablesReference", 1}},
                           {{"name", "Globals"}, {"variablesReference", 2}}};
            if (inMatch) scopes.push_back({{"name", "Match"}, {"variablesReference", 3}});
            return Json{{"scopes", scopes}};
        }
        if (command == "variables") {
            switch (request["arguments"]["variablesReference"].get<int>()) {
            case 1:
                return Vars({{"X", "'A'"}, {"N", std::to_string(n)}});
            case 2:
                return Vars({{"OUTPUT", "''"}, {"S", "'ABC'"}});
            case 3:
                return Json{
                    {"variables",
                     {{{"name", "subject"}, {"value", "'ABC'"}, {"variablesReference", 0}},
                      {{"name", "cursor"}, {"value", "1"}, {"variablesReference", 0}},
                      {{"name", "node"}, {"value", "ARB"}, {"variablesReference", 0}},
                      {{"name", "alternatives"}, {"value", "1"}, {"variablesReference", 4}}}}};
            case 4:
                return Vars({{"1", "ARB at 1"}});
            }
            return Vars({});
        }
        if (command == "launch" || command == "setBreakpoints" || command == "configurationDone" ||
            command == "setExceptionBreakpoints" || command == "next" || command == "stepIn" ||
            command == "continue" || command == "terminate" || command == "disconnect" ||
            command == "stepOut")
            return Json::object();
        return std::nullopt;
    }
};

LaunchSettings Settings() {
    return {"/p.sno", "/", false, {{3, "GT(N,1)", ""}, {5, "", "2"}}};
}

TEST(DebugSession, StartsInTheProtocolsOrderAndStopsWithAWholePicture) {
    Script script;
    Program program;
    ASSERT_TRUE(script.session.Start(Settings()));
    EXPECT_FALSE(script.session.Start(Settings())) << "one session at a time";
    script.Play(program);
    // The breakpoints go only once the adapter is initialized.
    EXPECT_EQ(script.Commands(), (std::vector<std::string>{"initialize", "launch"}));
    script.Event("initialized");
    script.Play(program);
    EXPECT_EQ(script.Commands(),
              (std::vector<std::string>{"initialize", "launch", "setBreakpoints",
                                        "setExceptionBreakpoints", "configurationDone"}));
    const Json& breakpoints = (*script.Find("setBreakpoints"))["arguments"];
    EXPECT_EQ(breakpoints["source"]["path"], "/p.sno");
    EXPECT_EQ(breakpoints["breakpoints"][0]["condition"], "GT(N,1)");
    EXPECT_EQ(breakpoints["breakpoints"][1]["hitCondition"], "2");
    EXPECT_FALSE(breakpoints["breakpoints"][1].contains("condition"));
    EXPECT_EQ((*script.Find("setExceptionBreakpoints"))["arguments"]["filters"],
              Json::array({"errors"}));
    EXPECT_EQ((*script.Find("launch"))["arguments"]["program"], "/p.sno");
    EXPECT_EQ(script.session.CurrentState(), State::Running);

    script.Event("output", {{"category", "stdout"}, {"output", "HELLO\n"}});
    script.Event("stopped", {{"reason", "breakpoint"}, {"threadId", 1}});
    EXPECT_TRUE(script.heard.stops.empty()) << "not before the picture is complete";
    script.Play(program);
    ASSERT_EQ(script.heard.stops.size(), 1u);
    const Stop& stop = script.heard.stops.back();
    EXPECT_EQ(stop.reason, "breakpoint");
    ASSERT_EQ(stop.frames.size(), 2u);
    EXPECT_EQ(stop.Line(), 4);
    ASSERT_NE(stop.FindScope("Locals"), nullptr);
    EXPECT_EQ(stop.FindScope("Locals")->variables[1].value, "1");
    EXPECT_FALSE(stop.FindScope("Locals")->variables[1].changed)
        << "nothing changed at the first stop";
    EXPECT_EQ(script.heard.output, (std::vector<std::string>{"stdout:HELLO\n"}));
    EXPECT_EQ((*script.Find("stackTrace"))["arguments"]["threadId"], 1);
}

TEST(DebugSession, AStepMarksWhatChangedAndTheMatchScopeComesWithItsChildren) {
    Script script;
    Program program;
    script.session.Start(Settings());
    script.Event("initialized");
    script.Event("stopped", {{"reason", "entry"}, {"threadId", 1}});
    script.Play(program);
    ASSERT_EQ(script.heard.stops.size(), 1u);

    program.n = 2;
    program.inMatch = true;
    script.session.StepIn();
    EXPECT_EQ(script.session.CurrentState(), State::Running);
    const Json* step = script.Find("stepIn");
    ASSERT_NE(step, nullptr);
    EXPECT_FALSE((*step)["arguments"].contains("granularity")) << "the adapter chooses";
    script.Play(program);
    script.Event("stopped", {{"reason", "step"}, {"threadId", 1}});
    script.Play(program);
    ASSERT_EQ(script.heard.stops.size(), 2u);
    const Stop& stop = script.heard.stops.back();
    const Scope* locals = stop.FindScope("Locals");
    EXPECT_FALSE(locals->variables[0].changed);
    EXPECT_TRUE(locals->variables[1].changed) << "N went from 1 to 2";
    const Scope* match = stop.FindScope("Match");
    ASSERT_NE(match, nullptr);
    ASSERT_EQ(match->variables.size(), 4u);
    ASSERT_EQ(match->variables[3].children.size(), 1u);
    EXPECT_EQ(match->variables[3].children[0].value, "ARB at 1");
    // Inside the matcher a step into is the matcher's next step; the step to
    // the next statement passes it.
    script.session.StepIn();
    EXPECT_EQ((*script.Find("stepIn"))["arguments"]["granularity"], "instruction");
    script.Play(program);
    script.Event("stopped", {{"reason", "step"}, {"threadId", 1}});
    script.Play(program);
    script.session.StepToStatement();
    EXPECT_EQ((*script.Find("stepIn"))["arguments"]["granularity"], "statement");
    script.Play(program);
    program.inMatch = false;
    script.Event("stopped", {{"reason", "step"}, {"threadId", 1}});
    script.Play(program);

    // A value set at the stop is what the next step compares with.
    bool set = false;
    script.session.SetVariable(1, "N", "5", [&](bool ok, const std::string& value) {
        set = ok;
        EXPECT_EQ(value, "5");
    });
    script.Reply(*script.Find("setVariable"), {{"value", "5"}});
    EXPECT_TRUE(set);
    program.n = 5;
    script.session.StepOver();
    script.Play(program);
    script.Event("stopped", {{"reason", "step"}, {"threadId", 1}});
    script.Play(program);
    EXPECT_FALSE(script.heard.stops.back().FindScope("Locals")->variables[1].changed);
}

TEST(DebugSession, EvaluationsAndEditsAnswerWithTheAdaptersWordsAndOnlyAtAStop) {
    Script script;
    Program program;
    script.session.Start(Settings());
    std::string said;
    script.session.Evaluate("N + 1", [&](bool ok, const std::string& text) {
        EXPECT_FALSE(ok);
        said = text;
    });
    EXPECT_NE(said.find("stopped"), std::string::npos);
    script.Event("initialized");
    script.Event("stopped", {{"reason", "pause"}});
    script.Play(program);
    script.session.Evaluate("N +", [&](bool ok, const std::string& text) {
        EXPECT_FALSE(ok);
        said = text;
    });
    const Json* evaluate = script.Find("evaluate");
    ASSERT_NE(evaluate, nullptr);
    EXPECT_EQ((*evaluate)["arguments"]["frameId"], 7) << "in the frame shown";
    script.Reply(*evaluate, {{"error", {{"id", 1}, {"format", "ERRONEOUS EXPRESSION"}}}}, false,
                 "evaluate failed");
    EXPECT_EQ(said, "ERRONEOUS EXPRESSION");
}

TEST(DebugSession, ABreakpointBoundLaterIsToldAgain) {
    Script script;
    script.session.Start(Settings());
    script.Event("initialized");
    script.Reply(*script.Find("setBreakpoints"),
                 {{"breakpoints",
                   {{{"id", 11}, {"verified", false}, {"line", 3}, {"message", "not yet"}},
                    {{"id", 12}, {"verified", true}, {"line", 6}}}}});
    ASSERT_EQ(script.heard.bound.size(), 1u);
    EXPECT_FALSE(script.heard.bound[0][0].verified);
    EXPECT_EQ(script.heard.bound[0][1].line, 6) << "bound to the statement after line 5";
    script.Event("breakpoint", {{"reason", "changed"},
                                {"breakpoint", {{"id", 11}, {"verified", true}, {"line", 4}}}});
    script.Event("breakpoint", {{"reason", "changed"}, {"breakpoint", {{"id", 99}}}});
    ASSERT_EQ(script.heard.bound.size(), 2u) << "an id never given is passed over";
    EXPECT_TRUE(script.heard.bound[1][0].verified);
    EXPECT_EQ(script.heard.bound[1][0].line, 4);
    EXPECT_EQ(script.heard.bound[1][0].requestedLine, 3);
}

TEST(DebugSession, RunToCursorSetsABreakpointForOneStopOnly) {
    Script script;
    Program program;
    script.session.Start(Settings());
    script.Event("initialized");
    script.Event("stopped", {{"reason", "entry"}});
    script.Play(program);
    script.session.RunToLine(12);
    const auto sent = (*script.Find("setBreakpoints"))["arguments"]["lines"];
    EXPECT_EQ(sent, Json::array({3, 5, 12}));
    EXPECT_NE(script.Find("continue"), nullptr);
    script.Play(program);
    EXPECT_EQ(script.heard.bound.back().size(), 2u) << "the cursor's breakpoint is not the user's";
    script.Event("stopped", {{"reason", "breakpoint"}});
    EXPECT_EQ((*script.Find("setBreakpoints"))["arguments"]["lines"], Json::array({3, 5}));
}

TEST(DebugSession, StopTerminatesThenDisconnectsAndTellsTheExitStatusOnce) {
    Script script;
    Program program;
    script.session.Start(Settings());
    script.Event("initialized");
    script.Play(program);
    script.session.Terminate();
    EXPECT_EQ(script.session.CurrentState(), State::Ending);
    EXPECT_NE(script.Find("terminate"), nullptr);
    EXPECT_EQ(script.Find("disconnect"), nullptr) << "disconnect follows the terminated event";
    script.Play(program);
    script.Event("exited", {{"exitCode", 3}});
    script.Event("terminated");
    script.Play(program);
    ASSERT_EQ(script.heard.endings.size(), 1u);
    EXPECT_EQ(script.heard.endings[0].exitCode, 3);
    EXPECT_TRUE(script.heard.endings[0].problem.empty());
    script.session.AdapterGone("exit status 0");
    script.Event("stopped");
    EXPECT_EQ(script.heard.afterEnd, 0);
    EXPECT_TRUE(script.session.Start(Settings())) << "a new session after the end";
}

TEST(DebugSession, AnAdapterThatVanishesOrFailsEndsTheSessionWithItsReason) {
    {
        Script script;
        script.session.Start(Settings());
        script.Play(Program{});
        script.Event("initialized");
        script.Event("stopped", {{"reason", "breakpoint"}});
        script.session.AdapterGone("Segmentation fault");
        ASSERT_EQ(script.heard.endings.size(), 1u);
        EXPECT_NE(script.heard.endings[0].problem.find("Segmentation fault"), std::string::npos);
        script.Play(Program{}); // answers now come too late
        EXPECT_EQ(script.heard.afterEnd, 0);
        EXPECT_TRUE(script.heard.stops.empty());
    }
    {
        // A program that cannot be opened: launch fails with the reason.
        Script script;
        script.session.Start(Settings());
        script.Reply(*script.Find("initialize"), Program{}(*script.Find("initialize")).value());
        script.Reply(*script.Find("launch"), {}, false, "cannot open /p.sno");
        EXPECT_EQ(script.session.CurrentState(), State::Ending);
        script.Reply(*script.Find("disconnect"));
        ASSERT_EQ(script.heard.endings.size(), 1u);
        EXPECT_EQ(script.heard.endings[0].problem, "cannot open /p.sno");
    }
}

TEST(DebugSession, LateAnswersAreToldAndAStartThatNeverAnswersEnds) {
    Script script;
    script.session.Start(Settings());
    script.now = kStartAnswerMs + 1;
    script.session.CheckDeadlines();
    EXPECT_NE(script.Find("disconnect"), nullptr);
    EXPECT_TRUE(script.heard.endings.empty());
    script.now += 3001;
    script.session.CheckDeadlines();
    ASSERT_EQ(script.heard.endings.size(), 1u);
    EXPECT_NE(script.heard.endings[0].problem.find("initialize"), std::string::npos);

    // A slow evaluation is told once, and the session goes on.
    Script slow;
    Program program;
    slow.session.Start(Settings());
    slow.Event("initialized");
    slow.Event("stopped", {{"reason", "pause"}});
    slow.Play(program);
    slow.session.Evaluate("LOOP()", [](bool, const std::string&) {});
    slow.now = kAnswerMs + 1;
    slow.session.CheckDeadlines();
    slow.now += kAnswerMs;
    slow.session.CheckDeadlines();
    ASSERT_EQ(slow.heard.problems.size(), 1u);
    EXPECT_NE(slow.heard.problems[0].find("evaluate"), std::string::npos);
    EXPECT_EQ(slow.session.CurrentState(), State::Stopped);
}

TEST(DebugSession, AnswersForAnOlderStopAreDroppedAndAFailedStepShowsTheStopAgain) {
    Script script;
    Program program;
    script.session.Start(Settings());
    script.Event("initialized");
    script.Play(program);
    script.Event("stopped", {{"reason", "pause"}});
    const Json first = *script.Find("stackTrace");
    script.Event("stopped", {{"reason", "breakpoint"}}); // before the first picture is done
    script.Reply(first, program(first).value());
    script.Play(program);
    ASSERT_EQ(script.heard.stops.size(), 1u);
    EXPECT_EQ(script.heard.stops[0].reason, "breakpoint");

    script.session.StepOut();
    script.Reply(*script.Find("stepOut"), {}, false, "no function to step out of");
    EXPECT_EQ(script.session.CurrentState(), State::Stopped);
    ASSERT_EQ(script.heard.stops.size(), 2u);
    EXPECT_EQ(script.heard.problems.back(), "no function to step out of");
}

// Whatever the adapter sends, in whatever order: the session ends once at
// most, says nothing after, never shows a stop of a frame it does not
// have, and keeps taking commands without harm.
TEST(DebugSession, RandomAdapterStreamsKeepItsPromises) {
    const std::vector<std::string> pieces = {
        R"({"type":"event","event":"stopped","body":{"reason":"step"}})",
        R"({"type":"event","event":"continued"})",
        R"({"type":"event","event":"terminated"})",
        R"({"type":"event","event":"initialized"})",
        R"({"type":"event","event":"exited","body":{"exitCode":"x"}})",
        R"({"type":"event","event":"output","body":{"output":7}})",
        R"({"type":"response","request_seq":"1","success":true})",
        R"({"type":"request","command":"runInTerminal","seq":4})",
        R"([1,2,3])",
        R"({"type":"response","request_seq":2,"success":true,"body":{"stackFrames":[{"id":"x"},5]}})",
        R"({"type":"response","request_seq":3,"success":true,"body":{"scopes":{"a":1}}})",
        R"({"type":"response","request_seq":4,"success":false,"body":{"error":7}})",
        "not json at all",
    };
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        Script script;
        script.session.Start(Settings());
        for (int i = 0; i < 40; ++i) {
            const std::size_t pick = random() % (pieces.size() + 3);
            if (pick < pieces.size()) {
                script.session.Receive(pieces[pick]);
            } else if (pick == pieces.size()) {
                script.session.Broken("a header block without Content-Length");
            } else {
                // An answer to a request the session did send.
                if (script.requests.empty()) continue;
                const Json& request = script.requests[random() % script.requests.size()];
                script.session.Receive(Json{{"type", "response"},
                                            {"request_seq", request["seq"]},
                                            {"success", random() % 2 == 0},
                                            {"body", Program{}(request).value_or(Json::object())}}
                                           .dump());
            }
            switch (random() % 8) {
            case 0:
                script.session.StepOver();
                break;
            case 1:
                script.session.Continue();
                break;
            case 2:
                script.session.Pause();
                break;
            case 3:
                script.session.SelectFrame(random() % 3);
                break;
            case 4:
                script.now += 20000;
                script.session.CheckDeadlines();
                break;
            default:
                break;
            }
            for (const Stop& stop : script.heard.stops)
                EXPECT_LE(stop.selected, std::max<std::size_t>(stop.frames.size(), 1) - 1);
        }
        script.session.AdapterGone("gone");
        EXPECT_EQ(script.heard.endings.size(), 1u) << "seed " << seed;
        EXPECT_EQ(script.heard.afterEnd, 0) << "seed " << seed;
        EXPECT_FALSE(script.session.Active());
    }
}

} // namespace
} // namespace quillpad::debug
