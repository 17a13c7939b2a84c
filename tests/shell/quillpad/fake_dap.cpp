// A stand-in for vantel-dap in quillpad's window tests: it speaks the
// protocol over standard input and output, and "runs" a source by walking
// its statement lines one by one. A line holding OUTPUT = 'TEXT' writes
// TEXT, one holding ERROR stops with a run-time error, one holding LOOP
// runs until paused, one holding ARB is stepped into as a match of 'ABC'
// in three matcher steps (but not with the granularity "statement"). Globals are N (statements
// done) and S; Keywords &STNO (protected) and &TRACE.

#include "framing/framing.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Json = nlohmann::json;

constexpr int kMatchSteps = 3;
const char* const kNodes[] = {"'A'", "ARB", "'C'"};

struct Program {
    std::string path;
    std::vector<std::string> lines;
    std::vector<int> statements; // lines (from 1) that hold a statement
    std::size_t next = 0;        // the statement about to run
    std::set<int> breakpoints;
    long done = 0;
    std::string s = "'ABC'";
    int matchStep = -1; // inside a match: the steps made
    bool running = false;
    bool ended = false;
    bool stopOnEntry = false;
};

int seq = 1;
Program program;

void Send(Json message) {
    message["seq"] = seq++;
    if (!vantel::framing::WriteAll(1, vantel::framing::Frame(message.dump()))) std::_Exit(0);
}

void Event(const std::string& name, Json body = Json::object()) {
    Send({{"type", "event"}, {"event", name}, {"body", std::move(body)}});
}

void Reply(const Json& request, Json body = Json::object(), const std::string& error = {}) {
    Json response = {{"type", "response"},
                     {"request_seq", request["seq"]},
                     {"command", request["command"]},
                     {"success", error.empty()},
                     {"body", std::move(body)}};
    if (!error.empty()) response["message"] = error;
    Send(response);
}

int Line() {
    return program.next < program.statements.size() ? program.statements[program.next] : 0;
}

const std::string& Text() {
    static const std::string kNone;
    const int line = Line();
    return line > 0 ? program.lines[static_cast<std::size_t>(line - 1)] : kNone;
}

void Stopped(const std::string& reason, const std::string& text = {}) {
    program.running = false;
    Json body = {{"reason", reason}, {"threadId", 1}};
    if (!text.empty()) body["text"] = text;
    Event("stopped", body);
}

void End(int code) {
    program.running = false;
    program.ended = true;
    Event("exited", {{"exitCode", code}});
    Event("terminated");
}

// Runs the current statement; false when the program ended or stopped on
// an error there.
bool Execute() {
    const std::string& text = Text();
    if (text.find("ERROR") != std::string::npos) {
        Stopped("exception",
                "Error 5 in statement " + std::to_string(program.next + 1) + ": ILLEGAL DATA TYPE");
        return false;
    }
    const std::size_t output = text.find("OUTPUT = '");
    if (output != std::string::npos) {
        const std::size_t start = output + 10;
        Event("output", {{"category", "stdout"},
                         {"output", text.substr(start, text.find('\'', start) - start) + "\n"}});
    }
    ++program.done;
    ++program.next;
    program.matchStep = -1;
    if (program.next >= program.statements.size()) {
        End(0);
        return false;
    }
    return true;
}

void Run(bool firstStepTaken) {
    program.running = true;
    for (bool first = !firstStepTaken;; first = false) {
        if (!first && program.breakpoints.count(Line()) != 0) {
            Stopped("breakpoint");
            return;
        }
        if (Text().find("LOOP") != std::string::npos) return; // until paused
        if (!Execute()) return;
    }
}

void Step(bool instruction) {
    if (instruction && Text().find("ARB") != std::string::npos && program.matchStep < kMatchSteps) {
        ++program.matchStep;
        if (program.matchStep < kMatchSteps) {
            Stopped("step");
            return;
        }
    }
    if (Execute()) Stopped("step");
}

Json Variable(const std::string& name, const std::string& value, int reference = 0,
              bool readOnly = false) {
    Json variable = {{"name", name}, {"value", value}, {"variablesReference", reference}};
    if (readOnly) variable["presentationHint"] = {{"attributes", {"readOnly"}}};
    return variable;
}

Json Variables(int reference) {
    Json list = Json::array();
    if (reference == 2) {
        list.push_back(Variable("N", std::to_string(program.done)));
        list.push_back(Variable("S", program.s));
    } else if (reference == 3) {
        list.push_back(Variable("&STNO", std::to_string(program.next + 1), 0, true));
        list.push_back(Variable("&TRACE", "0"));
    } else if (reference == 4) {
        list.push_back(Variable("subject", "'ABC'"));
        list.push_back(Variable("cursor", std::to_string(program.matchStep)));
        list.push_back(Variable("node", kNodes[program.matchStep]));
        list.push_back(Variable("alternatives", "1", 10));
    } else if (reference == 10) {
        list.push_back(Variable("1", "ARB at cursor 1"));
    }
    return {{"variables", list}};
}

void BindBreakpoints(const Json& request) {
    program.breakpoints.clear();
    Json bound = Json::array();
    for (const Json& wanted : request["arguments"]["breakpoints"]) {
        const int line = wanted["line"];
        int at = 0;
        for (const int statement : program.statements)
            if (statement >= line) {
                at = statement;
                break;
            }
        if (at == 0) {
            bound.push_back({{"verified", false}, {"line", line}, {"message", "no statement"}});
        } else {
            program.breakpoints.insert(at);
            bound.push_back({{"verified", true}, {"line", at}});
        }
    }
    Reply(request, {{"breakpoints", bound}});
}

bool Launch(const Json& request) {
    program.path = request["arguments"]["program"];
    program.stopOnEntry = request["arguments"].value("stopOnEntry", false);
    std::ifstream in(program.path);
    if (!in) {
        Reply(request, {}, "cannot open " + program.path);
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        program.lines.push_back(line);
        if (!line.empty() && line[0] != '*' && line.find_first_not_of(" \t") != std::string::npos)
            program.statements.push_back(static_cast<int>(program.lines.size()));
    }
    Reply(request);
    return true;
}

void Handle(const Json& request) {
    const std::string command = request["command"];
    const Json& arguments = request.contains("arguments") ? request["arguments"] : Json::object();
    if (command == "initialize") {
        Reply(request,
              {{"supportsConfigurationDoneRequest", true},
               {"supportsTerminateRequest", true},
               {"supportsSetVariable", true},
               {"supportsSteppingGranularity", true},
               {"exceptionBreakpointFilters", {{{"filter", "errors"}, {"label", "Errors"}}}}});
        Event("initialized");
    } else if (command == "launch") {
        if (!Launch(request)) std::exit(0);
    } else if (command == "setBreakpoints") {
        BindBreakpoints(request);
    } else if (command == "configurationDone") {
        Reply(request);
        if (program.stopOnEntry) {
            Stopped("entry");
        } else {
            Run(false);
        }
    } else if (command == "threads") {
        Reply(request, {{"threads", {{{"id", 1}, {"name", "main"}}}}});
    } else if (command == "stackTrace") {
        Reply(request, {{"stackFrames",
                         {{{"id", 1},
                           {"name", "main program"},
                           {"line", Line()},
                           {"column", 1},
                           {"source", {{"path", program.path}}}}}}});
    } else if (command == "scopes") {
        Json scopes = {{{"name", "Locals"}, {"variablesReference", 1}},
                       {{"name", "Globals"}, {"variablesReference", 2}},
                       {{"name", "Keywords"}, {"variablesReference", 3}}};
        if (program.matchStep >= 0)
            scopes.push_back({{"name", "Match"}, {"variablesReference", 4}});
        Reply(request, {{"scopes", scopes}});
    } else if (command == "variables") {
        Reply(request, Variables(arguments["variablesReference"]));
    } else if (command == "setVariable") {
        const std::string value = arguments["value"];
        if (arguments["name"] == "N" && !value.empty() &&
            value.find_first_not_of("0123456789") == std::string::npos) {
            program.done = std::stol(value);
            Reply(request, {{"value", value}});
        } else if (arguments["name"] == "S") {
            program.s = value;
            Reply(request, {{"value", value}});
        } else {
            Reply(request, {}, "ILLEGAL DATA TYPE");
        }
    } else if (command == "evaluate") {
        if (arguments["expression"] == "N") {
            Reply(request, {{"result", std::to_string(program.done)}, {"variablesReference", 0}});
        } else {
            Reply(request, {}, "ERRONEOUS EXPRESSION");
        }
    } else if (command == "continue") {
        Reply(request, {{"allThreadsContinued", true}});
        if (Text().find("ERROR") != std::string::npos) {
            End(1); // after the error the run ends as it would without a debugger
        } else {
            Run(true);
        }
    } else if (command == "next" || command == "stepIn" || command == "stepOut") {
        Reply(request);
        Step(command == "stepIn" && arguments.value("granularity", "") != "statement");
    } else if (command == "pause") {
        Reply(request);
        if (program.running) Stopped("pause");
    } else if (command == "terminate") {
        Reply(request);
        End(143);
    } else if (command == "disconnect") {
        Reply(request);
        std::exit(0);
    } else {
        Reply(request, {}, "unknown command " + command);
    }
}

} // namespace

int main() {
    vantel::framing::DescriptorSource input(0);
    vantel::framing::FrameReader reader(input);
    std::string body;
    std::string problem;
    for (;;) {
        const auto result = reader.Next(body, problem);
        if (result == vantel::framing::FrameReader::Result::End) return 0;
        if (result != vantel::framing::FrameReader::Result::Message) continue;
        const Json request = Json::parse(body, nullptr, false);
        if (request.is_object() && request.value("type", "") == "request") Handle(request);
    }
}
