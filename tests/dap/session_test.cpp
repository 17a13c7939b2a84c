// vantel-dap as a client drives it: one scripted session over pipes per
// scenario, the listing left behind compared with vantel's.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dap_client.h"

namespace vantel::dap::test {
namespace {

std::string Value(const Json& variables, const std::string& name) {
    return variables.contains(name) ? variables[name]["value"].get<std::string>() : "(none)";
}

int Line(const Json& frame) {
    return frame["line"].get<int>();
}

// The listing a debugged run left, masked, beside vantel's for the same
// program and data.
void ExpectVantelListing(const Folder& folder, const std::string& source, int exitCode) {
    const auto [listing, status] = VantelListing(source);
    EXPECT_EQ(Masked(folder.Read("program.lst")), listing);
    EXPECT_EQ(exitCode, status);
}

constexpr const char* kCounting = "* counting with breakpoints\n"        // 1
                                  "        I = 0\n"                      // 2
                                  "LOOP    I = I + 1\n"                  // 3
                                  "* the statement below prints I\n"     // 4
                                  "        OUTPUT = I\n"                 // 5
                                  "        LT(I, 5)          :S(LOOP)\n" // 6
                                  "        &CODE = 3\n"                  // 7
                                  "END\n"                                // 8
                                  "a data line\n";                       // 9

TEST(DapSession, BreakpointsBindToStatementsWithConditionsAndHitCounts) {
    Folder folder;
    const std::string program = folder.Write("program.sno", kCounting);
    Client c;
    c.Request("initialize", {{"adapterID", "vantel"}});
    ASSERT_TRUE(c.Request("launch", {{"program", program}})["success"].get<bool>());
    const Json set =
        c.Request("setBreakpoints",
                  {{"source", {{"path", program}}},
                   {"breakpoints",
                    {At(4, "", "% 2"), At(6, "EQ(I, 5)"), At(9), At(2, "GT("), At(3, "", "> x")}}});
    const Json& bps = set["body"]["breakpoints"];
    ASSERT_EQ(5u, bps.size());
    EXPECT_TRUE(bps[0]["verified"].get<bool>()); // the comment binds to the next statement
    EXPECT_EQ(5, bps[0]["line"].get<int>());
    EXPECT_TRUE(bps[1]["verified"].get<bool>());
    EXPECT_FALSE(bps[2]["verified"].get<bool>()); // data after END
    EXPECT_FALSE(bps[3]["verified"].get<bool>()); // a condition that does not translate
    EXPECT_NE(std::string::npos, bps[3]["message"].get<std::string>().find("TOKEN"));
    EXPECT_FALSE(bps[4]["verified"].get<bool>()); // a hit condition that is none
    c.Request("configurationDone");

    // Every second time at line 5, then line 6 once I is 5.
    for (const char* expected : {"2", "4"}) {
        const Json stop = c.Event("stopped");
        ASSERT_EQ("breakpoint", stop["body"]["reason"]);
        EXPECT_EQ(bps[0]["id"], stop["body"]["hitBreakpointIds"][0]);
        EXPECT_EQ(5, Line(c.Frames()[0]));
        EXPECT_EQ(expected, Value(c.Scope("Globals"), "I"));
        c.Request("continue", {{"threadId", 1}});
    }
    const Json last = c.Event("stopped");
    EXPECT_EQ(6, Line(c.Frames()[0]));
    EXPECT_EQ("5", Value(c.Scope("Globals"), "I"));
    EXPECT_EQ("terminated", c.Go("continue")["event"]);
    EXPECT_EQ(3, c.Event("exited")["body"]["exitCode"].get<int>());
    EXPECT_EQ((std::vector<std::string>{"1\n", "2\n", "3\n", "4\n", "5\n"}), c.Output("stdout"));
    c.Request("disconnect");
    EXPECT_EQ(0, c.Finish());
    ExpectVantelListing(folder, kCounting, 3);
}

constexpr const char* kHalves = "        DEFINE('HALF(N)', 'HALF')\n"        // 1
                                "        X = HALF(10)\n"                     // 2
                                "        Y = HALF(7)          :F(ODD)\n"     // 3
                                "        OUTPUT = 'even'      :(END)\n"      // 4
                                "ODD     OUTPUT = 'odd ' X    :(END)\n"      // 5
                                "HALF    EQ(REMDR(N, 2), 0)   :F(FRETURN)\n" // 6
                                "        HALF = N / 2         :(RETURN)\n"   // 7
                                "END\n";

TEST(DapSession, StepsIntoOverAndOutOfCallsIncludingFreturn) {
    Folder folder;
    const std::string program = folder.Write("program.sno", kHalves);
    Client c;
    c.Start(program, true);
    Json stop = c.Event("stopped");
    EXPECT_EQ("entry", stop["body"]["reason"]);
    EXPECT_EQ(1, Line(c.Frames()[0]));

    stop = c.Go("next");
    EXPECT_EQ(2, Line(c.Frames()[0]));
    EXPECT_NE(std::string::npos,
              stop["body"]["description"].get<std::string>().find("Statement 1 succeeded"));

    c.Go("stepIn"); // into HALF(10)
    Json frames = c.Frames();
    ASSERT_EQ(2u, frames.size());
    EXPECT_EQ("HALF(N = 10)", frames[0]["name"]);
    EXPECT_EQ(6, Line(frames[0]));
    EXPECT_EQ("main program", frames[1]["name"]);
    EXPECT_EQ(2, Line(frames[1]));
    const Json locals = c.Scope("Locals");
    EXPECT_EQ("10", Value(locals, "N"));
    EXPECT_EQ("\"\"", Value(locals, "HALF"));

    c.Go("next");
    EXPECT_EQ(7, Line(c.Frames()[0]));
    stop = c.Go("next"); // RETURN: back to the caller's next statement
    frames = c.Frames();
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(3, Line(frames[0]));
    EXPECT_EQ("5", Value(c.Scope("Globals"), "X"));

    c.Go("stepIn"); // into HALF(7)
    EXPECT_EQ("HALF(N = 7)", c.Frames()[0]["name"]);
    stop = c.Go("stepOut"); // FRETURN: the call fails, the caller takes its F goto
    frames = c.Frames();
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(5, Line(frames[0]));
    EXPECT_NE(std::string::npos,
              stop["body"]["description"].get<std::string>().find("failed and took its F goto"))
        << stop.dump();

    EXPECT_EQ("terminated", c.Go("continue")["event"]);
    EXPECT_EQ((std::vector<std::string>{"odd 5\n"}), c.Output("stdout"));
    c.Request("disconnect");
    c.Finish();
    ExpectVantelListing(folder, kHalves, 0);
}

constexpr const char* kFactorial = "        DEFINE('FACT(N)', 'FACT')\n"          // 1
                                   "        OUTPUT = FACT(3)\n"                   // 2
                                   "        :(END)\n"                             // 3
                                   "FACT    FACT = LE(N, 1) 1       :S(RETURN)\n" // 4
                                   "        FACT = FACT(N - 1) * N  :(RETURN)\n"  // 5
                                   "END\n";

// Each call sees its own N (the language scopes dynamically: the callers'
// values are saved on the run stack), and a caller's value set while a
// deeper call runs is the one the caller finds when that call returns.
TEST(DapSession, EachCallShowsAndTakesItsOwnValues) {
    Folder folder;
    const std::string program = folder.Write("program.sno", kFactorial);
    Client c;
    c.Start(program, false, {At(4, "EQ(N, 1)")});
    c.Event("stopped");
    const Json frames = c.Frames();
    ASSERT_EQ(4u, frames.size());
    EXPECT_EQ("FACT(N = 1)", frames[0]["name"]);
    EXPECT_EQ("FACT(N = 2)", frames[1]["name"]);
    EXPECT_EQ("FACT(N = 3)", frames[2]["name"]);
    EXPECT_EQ("main program", frames[3]["name"]);
    EXPECT_EQ(5, Line(frames[1]));
    EXPECT_EQ(2, Line(frames[3]));
    EXPECT_EQ("2", Value(c.Scope("Locals", frames[1]["id"].get<int>()), "N"));
    EXPECT_EQ("1", Value(c.Scope("Globals"), "N")); // what DUMP would show now

    int outer = 0;
    const Json scopes = c.Request("scopes", {{"frameId", frames[2]["id"]}});
    for (const Json& s : scopes["body"]["scopes"])
        if (s["name"] == "Locals") outer = s["variablesReference"].get<int>();
    const Json set =
        c.Request("setVariable", {{"variablesReference", outer}, {"name", "N"}, {"value", "5"}});
    ASSERT_TRUE(set["success"].get<bool>()) << set.dump();
    EXPECT_EQ("5", set["body"]["value"]);
    EXPECT_EQ("2", Value(c.Scope("Locals", frames[1]["id"].get<int>()), "N"));
    EXPECT_EQ("terminated", c.Go("continue")["event"]);
    // FACT(3) multiplies FACT(2) by its N after the call: 2 * 5.
    EXPECT_EQ((std::vector<std::string>{"10\n"}), c.Output("stdout"));
    c.Request("disconnect");
    c.Finish();
}

constexpr const char* kMatches = "        X = 'ABC'\n"                   // 1
                                 "        X 'A' ARB . MIDDLE 'C'\n"      // 2
                                 "        OUTPUT = MIDDLE\n"             // 3
                                 "        'AAB' ARBNO('A') . R 'B'\n"    // 4
                                 "        OUTPUT = R\n"                  // 5
                                 "        'XBY' ('A' | 'B' | 'X') . Z\n" // 6
                                 "        OUTPUT = Z\n"                  // 7
                                 "END\n";

// Steps into the matcher from a stop at a match statement: the Match
// scope's variables at each stop (with the alternatives and the pending
// assignments opened, as "alternatives list" and "pending list"), until
// the stop is at `after`.
std::vector<Json> StepThroughMatch(Client& c, const std::string& command, int after) {
    std::vector<Json> stops;
    for (int guard = 0; guard < 200; ++guard) {
        const Json stop = c.Go(command);
        if (stop["event"] != "stopped") break;
        Json match = c.Scope("Match");
        if (match.is_null()) {
            EXPECT_EQ(after, Line(c.Frames()[0]));
            break;
        }
        for (const char* list : {"alternatives", "pending"}) {
            const int reference = match[list]["variablesReference"].get<int>();
            match[std::string(list) + " list"]["value"] =
                reference > 0 ? c.Children(reference).dump() : "{}";
        }
        stops.push_back(std::move(match));
    }
    return stops;
}

// An opened list's entry, as StepThroughMatch keeps it.
std::string Entry(const Json& stop, const std::string& list, const std::string& name) {
    return Value(Json::parse(Value(stop, list + " list")), name);
}

TEST(DapSession, MatchStepperShowsArbArbnoAndAlternatives) {
    Folder folder;
    const std::string program = folder.Write("program.sno", kMatches);
    Client c;
    c.Start(program, false, {At(2)});
    c.Event("stopped");

    // 'A' ARB . MIDDLE 'C' on "ABC": ARB first takes nothing, 'C' fails at
    // cursor 1, the matcher backtracks into ARB, which takes the B.
    const std::vector<Json> stops = StepThroughMatch(c, "stepIn", 3);
    std::vector<std::string> nodes;
    for (const Json& s : stops)
        nodes.push_back(Value(s, "node").substr(0, Value(s, "node").find(' ', 5)));
    const std::vector<std::string> expected{
        "node 1", "node 2", "node 3", "node 4", "node 6", "node 7",
        "node 5", "node 4", "node 6", "node 7", "node 7"}; // the last: the attempt's end
    EXPECT_EQ(expected, nodes);
    ASSERT_EQ(11u, stops.size());
    EXPECT_EQ("node 1 String \"A\"", Value(stops[0], "node"));
    EXPECT_EQ("\"ABC\"", Value(stops[0], "subject"));
    EXPECT_EQ("0 waiting", Value(stops[2], "alternatives"));
    EXPECT_EQ("1 waiting", Value(stops[3], "alternatives")); // ARB's piece, once ARB is tried
    EXPECT_EQ("node 5 Arb piece at cursor 1", Entry(stops[4], "alternatives", "1"));
    EXPECT_NE(std::string::npos, Value(stops[6], "last").find("failed at cursor 1"));
    EXPECT_EQ("\"AB\" ^ \"C\"", Value(stops[9], "view"));
    EXPECT_EQ("\"B\"", Entry(stops[10], "pending", "MIDDLE"));
    EXPECT_EQ("\"B\"", Value(c.Scope("Globals"), "MIDDLE"));

    // ARBNO: its repetitions are attempts one level down; step over stays
    // at the statement's level, step out leaves the match.
    c.Go("next");
    EXPECT_EQ(4, Line(c.Frames()[0]));
    bool nested = false;
    for (int guard = 0; guard < 20 && !nested; ++guard) {
        c.Go("stepIn");
        const Json match = c.Scope("Match");
        ASSERT_FALSE(match.is_null());
        nested = Value(match, "level") == "1";
        if (nested) {
            EXPECT_TRUE(match.contains("outer"));
        }
    }
    EXPECT_TRUE(nested);
    // Up to the statement's level again, then over the next repetition.
    for (int guard = 0; guard < 20 && Value(c.Scope("Match"), "level") != "0"; ++guard)
        c.Go("stepIn");
    c.Go("next");
    const Json over = c.Scope("Match");
    if (!over.is_null()) {
        EXPECT_EQ("0", Value(over, "level"));
    }
    c.Go("stepOut");
    EXPECT_TRUE(c.Scope("Match").is_null());
    EXPECT_EQ(5, Line(c.Frames()[0]));

    // Alternatives: 'A', 'B' and 'X' are tried in turn, the rest waiting.
    c.Go("next");
    const std::vector<Json> alternation = StepThroughMatch(c, "stepIn", 7);
    ASSERT_GE(alternation.size(), 4u);
    EXPECT_EQ("node 2 String \"A\"", Value(alternation[1], "node"));
    EXPECT_EQ("node 3 String \"B\" at cursor 0", Entry(alternation[1], "alternatives", "1"));
    EXPECT_EQ("node 3 String \"B\"", Value(alternation[2], "node"));
    EXPECT_EQ("node 4 String \"X\" at cursor 0", Entry(alternation[2], "alternatives", "1"));
    EXPECT_EQ("node 4 String \"X\"", Value(alternation[3], "node"));
    EXPECT_EQ("0 waiting", Value(alternation[3], "alternatives"));

    EXPECT_EQ("terminated", c.Go("continue")["event"]);
    EXPECT_EQ((std::vector<std::string>{"B\n", "AA\n", "X\n"}), c.Output("stdout"));
    c.Request("disconnect");
    c.Finish();
    ExpectVantelListing(folder, kMatches, 0);
}

constexpr const char* kDivision = "        N = 0\n"
                                  "        X = 10 / N\n"
                                  "        OUTPUT = 'not reached'\n"
                                  "END\n";

TEST(DapSession, RunTimeErrorStopsBeforeTheReportAndTheRunEndsAsDefined) {
    Folder folder;
    const std::string program = folder.Write("program.sno", kDivision);
    Client c;
    c.Start(program, false);
    const Json stop = c.Event("stopped");
    EXPECT_EQ("exception", stop["body"]["reason"]);
    EXPECT_EQ("DIVISION BY ZERO", stop["body"]["text"]);
    EXPECT_EQ(2, Line(c.Frames()[0]));
    EXPECT_EQ("DIVISION BY ZERO",
              c.Request("exceptionInfo", {{"threadId", 1}})["body"]["description"]);
    EXPECT_EQ("0", Value(c.Scope("Globals"), "N"));
    // Nothing of the error is in the listing yet.
    EXPECT_EQ(std::string::npos, folder.Read("program.lst").find("DIVISION"));
    EXPECT_EQ("terminated", c.Go("continue")["event"]);
    EXPECT_EQ(0, c.Event("exited")["body"]["exitCode"].get<int>());
    const std::vector<std::string> errors = c.Output("stderr");
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ("--- DIVISION BY ZERO ---\n", errors[0]);
    EXPECT_EQ("--- ERROR OCCURRED ON STATEMENT 2 ---\n", errors[1]);
    c.Request("disconnect");
    c.Finish();
    ExpectVantelListing(folder, kDivision, 0);

    // Without the filter the run just ends.
    Client quiet;
    quiet.Request("initialize");
    quiet.Request("launch", {{"program", program}});
    quiet.Request("setExceptionBreakpoints", {{"filters", Json::array()}});
    quiet.Request("configurationDone");
    EXPECT_FALSE(quiet.Event("terminated").is_null());
    EXPECT_TRUE(quiet.Output("stderr").size() == 2);
}

constexpr const char* kValues = "        N = 1\n"           // 1
                                "        OUTPUT = N * 10\n" // 2
                                "        OUTPUT = INPUT\n"  // 3
                                "        OUTPUT = INPUT\n"  // 4
                                "END\n"
                                "first line\n"
                                "second line\n";

TEST(DapSession, SetVariableAndEvaluateInTheStoppedState) {
    Folder folder;
    const std::string program = folder.Write("program.sno", kValues);
    Client c;
    c.Start(program, true);
    c.Event("stopped");
    c.Go("next");
    ASSERT_EQ(2, Line(c.Frames()[0]));

    const int frame = c.Frames()[0]["id"].get<int>();
    const Json scopes = c.Request("scopes", {{"frameId", frame}})["body"]["scopes"];
    int globals = 0, keywords = 0;
    for (const Json& s : scopes) {
        if (s["name"] == "Globals") globals = s["variablesReference"].get<int>();
        if (s["name"] == "Keywords") keywords = s["variablesReference"].get<int>();
    }
    Json r = c.Request("setVariable",
                       {{"variablesReference", globals}, {"name", "N"}, {"value", "2 + 2"}});
    EXPECT_EQ("4", r["body"]["value"]);
    r = c.Request("setVariable",
                  {{"variablesReference", keywords}, {"name", "&STNO"}, {"value", "3"}});
    EXPECT_FALSE(r["success"].get<bool>());
    EXPECT_NE(std::string::npos, r["message"].get<std::string>().find("PROTECTED KEYWORD"));
    r = c.Request("setVariable",
                  {{"variablesReference", keywords}, {"name", "&TRIM"}, {"value", "'x'"}});
    EXPECT_FALSE(r["success"].get<bool>()); // not an integer
    EXPECT_TRUE(c.Scope("Keywords")["&STNO"]["presentationHint"]["attributes"][0] == "readOnly");

    auto evaluate = [&](const std::string& text, const std::string& context) {
        return c.Request("evaluate",
                         {{"expression", text}, {"frameId", frame}, {"context", context}});
    };
    EXPECT_EQ("5", evaluate("N + 1", "repl")["body"]["result"]);
    EXPECT_EQ("12", evaluate("SIZE('abc') * N", "repl")["body"]["result"]);
    EXPECT_EQ("PATTERN (3 nodes)", evaluate("ARBNO('A')", "repl")["body"]["result"]);
    EXPECT_FALSE(evaluate("N +", "repl")["success"].get<bool>());
    const Json division = evaluate("N / 0", "repl");
    EXPECT_FALSE(division["success"].get<bool>());
    EXPECT_EQ("DIVISION BY ZERO", division["message"]);
    EXPECT_EQ("the expression failed", evaluate("LT(N, 1)", "repl")["body"]["result"]);
    EXPECT_EQ("4", evaluate("n", "hover")["body"]["result"]);
    EXPECT_EQ("\"\"", evaluate("NOSUCH", "hover")["body"]["result"]);
    EXPECT_FALSE(evaluate("N * 2", "watch")["success"].get<bool>()); // could change the run
    // The console reads a line as the program would: the program then
    // reads the second one.
    EXPECT_EQ("\"first line\"", evaluate("INPUT", "repl")["body"]["result"]);

    EXPECT_EQ("terminated", c.Go("continue")["event"]);
    EXPECT_EQ((std::vector<std::string>{"40\n", "second line\n"}), c.Output("stdout"));
    c.Request("disconnect");
    c.Finish();
    // The evaluation's error is not the run's.
    EXPECT_EQ(std::string::npos, folder.Read("program.lst").find("DIVISION"));
}

TEST(DapSession, PauseStopsAnEndlessLoopAndALongMatch) {
    Folder folder;
    const std::string loop = folder.Write("loop.sno", "        &STLIMIT = 2000000000\n"
                                                      "LOOP    I = I + 1          :(LOOP)\n"
                                                      "END\n");
    {
        Client c;
        c.Start(loop, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_TRUE(c.Request("pause", {{"threadId", 1}})["success"].get<bool>());
        const Json stop = c.Event("stopped");
        EXPECT_EQ("pause", stop["body"]["reason"]);
        EXPECT_EQ(2, Line(c.Frames()[0]));
        EXPECT_NE("\"\"", Value(c.Scope("Globals"), "I"));
        c.Request("terminate");
        EXPECT_FALSE(c.Event("terminated").is_null());
        c.Request("disconnect");
        EXPECT_EQ(0, c.Finish());
    }
    const std::string match =
        folder.Write("match.sno", "        T = DUPL('A', 40)\n"
                                  "        T ARB ARB ARB ARB ARB ARB ARB ARB 'B'\n"
                                  "END\n");
    Client c;
    c.Start(match, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    c.Request("pause", {{"threadId", 1}});
    EXPECT_EQ("pause", c.Event("stopped")["body"]["reason"]);
    const Json inMatch = c.Scope("Match");
    ASSERT_FALSE(inMatch.is_null());
    EXPECT_EQ("\"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\"", Value(inMatch, "subject"));
    c.Request("disconnect");
    EXPECT_EQ(0, c.Finish());
}

constexpr const char* kTraced = "        &TRACE = 10\n"
                                "        OUTPUT = 'one'\n"
                                "        OUTPUT = 'two'    :(NEXT)\n"
                                "NEXT    &CODE = 7\n"
                                "END\n";

TEST(DapSession, RunsToTheEndWithItsOutputAndExitCode) {
    Folder folder;
    const std::string program = folder.Write("program.sno", kTraced);
    Client c;
    const Json launch = c.Start(program, false);
    EXPECT_TRUE(launch["success"].get<bool>());
    EXPECT_FALSE(c.Event("terminated").is_null());
    EXPECT_EQ(7, c.Event("exited")["body"]["exitCode"].get<int>());
    EXPECT_EQ((std::vector<std::string>{"one\n", "two\n"}), c.Output("stdout"));
    const std::vector<std::string> console = c.Output("console");
    bool traced = false;
    for (const std::string& line : console)
        traced = traced || line == " STATEMENT 3 TRANSFER TO LINE 4 \"NEXT\"\n";
    EXPECT_TRUE(traced);
    c.Request("disconnect");
    EXPECT_EQ(0, c.Finish());
    ExpectVantelListing(folder, kTraced, 7);
}

TEST(DapSession, BadInputGetsAnErrorOrACleanEnd) {
    Folder folder;
    const std::string program = folder.Write("program.sno", kCounting);
    {
        Client c;
        c.SendRaw("Content-Length: abc\r\n\r\n{}"); // a broken header
        c.SendRaw(framing::Frame("{not json"));     // not JSON
        c.SendRaw(
            framing::Frame("[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]"));
        c.SendRaw(framing::Frame(R"({"type":"request","command":"threads"})")); // no seq
        EXPECT_FALSE(c.Request("frobnicate")["success"].get<bool>());
        EXPECT_FALSE(c.Request("stackTrace", {{"threadId", 1}})["success"].get<bool>());
        EXPECT_FALSE(c.Request("continue", {{"threadId", 1}})["success"].get<bool>());
        EXPECT_FALSE(c.Request("launch", {{"program", 12}})["success"].get<bool>());
        const Json missing = c.Request("launch", {{"program", folder.path() + "/none.sno"}});
        EXPECT_FALSE(missing["success"].get<bool>());
        EXPECT_NE(std::string::npos, missing["message"].get<std::string>().find("cannot open"));
        EXPECT_GE(c.Output("console").size(), 3u); // the messages passed over
        c.Request("disconnect");
        EXPECT_EQ(0, c.Finish());
    }
    {
        Client c; // a launch twice, and a body cut off by the end of the input
        c.Request("initialize");
        EXPECT_TRUE(c.Request("launch", {{"program", program}, {"stopOnEntry", true}})["success"]
                        .get<bool>());
        EXPECT_FALSE(c.Request("launch", {{"program", program}})["success"].get<bool>());
        c.Request("configurationDone");
        EXPECT_EQ("entry", c.Event("stopped")["body"]["reason"]);
        c.SendRaw("Content-Length: 100\r\n\r\n{\"seq\":");
        EXPECT_EQ(0, c.Finish()); // stopped, and the client gone: a clean end
    }
    const std::string endless = folder.Write("endless.sno", "        &STLIMIT = 2000000000\n"
                                                            "LOOP    OUTPUT = 'more'     :(LOOP)\n"
                                                            "END\n");
    {
        Client c; // running, and the client gone
        c.Start(endless, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        c.StopReading();
        EXPECT_EQ(0, c.Finish());
    }
    {
        Client c;                // a client that stops reading while the program writes,
        c.Start(endless, false); // and goes later
        c.StopReading();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(0, c.Finish());
    }
}

} // namespace
} // namespace vantel::dap::test
