// How long a change to a 500-statement program takes to be answered by
// vantel-lsp: the time from sending an incremental change to receiving the
// diagnostics of that version, and to the answer of a hover sent right
// after the change, over pipes with the real program. Then the same change
// handled in-process (analysis and diagnostics, no pipes), to show what the
// transport adds. Prints the median, 90th percentile and maximum.
//
//   vantel_lsp_latency [VANTEL_LSP] [CHANGES]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "framing/framing.h"
#include "lsp/server.h"

extern char** environ;

namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

// 500 statements in the shape of the examples: labels, gotos, a few
// defined functions and their calls, patterns and literals.
std::string Program() {
    std::string text = "* 500 statements for the latency benchmark.\n"
                       " DEFINE('TWICE(N)T', 'TWICE')                   :(MAIN)\n"
                       "TWICE T = N + N\n"
                       " TWICE = T                                      :(RETURN)\n"
                       "MAIN I = 0\n";
    for (int i = 5; i <= 500; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 5) {
        case 0:
            text += "L" + n + " I = LT(I, " + n + ") I + 1                :F(L" + n + "X)\n";
            break;
        case 1:
            text += " WORD = BREAK('abc') SPAN('def') . W" + std::to_string(i % 7) + "\n";
            break;
        case 2:
            text += " OUTPUT = TWICE(I) ' and ' SIZE('text" + n + "')\n";
            break;
        case 3:
            text += " LINE 'x' ARBNO('y' | 'z') = 'v'                :S(L" + std::to_string(i - 3) +
                    ")\n";
            break;
        default:
            text += "L" + std::to_string(i - 4) + "X &ANCHOR = REMDR(I, 2)\n";
            break;
        }
    }
    return text + "END\n";
}

struct Figures {
    std::vector<double> ms;
    void Print(const char* what) {
        std::sort(ms.begin(), ms.end());
        std::printf("%-44s median %6.2f ms   p90 %6.2f ms   max %6.2f ms   (%zu changes)\n", what,
                    ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(), ms.size());
    }
};

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class Pipe {
public:
    explicit Pipe(const char* program) {
        int to[2], from[2];
        if (::pipe2(to, O_CLOEXEC) != 0 || ::pipe2(from, O_CLOEXEC) != 0) std::exit(2);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, to[0], 0);
        posix_spawn_file_actions_adddup2(&actions, from[1], 1);
        char* argv[] = {const_cast<char*>(program), nullptr};
        if (posix_spawn(&pid_, program, &actions, nullptr, argv, environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", program);
            std::exit(2);
        }
        ::close(to[0]);
        ::close(from[1]);
        in_ = to[1];
        source_ = std::make_unique<vantel::framing::DescriptorSource>(from[0]);
        reader_ = std::make_unique<vantel::framing::FrameReader>(*source_);
    }
    ~Pipe() {
        ::close(in_);
        ::waitpid(pid_, nullptr, 0);
    }
    void Send(const Json& message) {
        vantel::framing::WriteAll(in_, vantel::framing::Frame(message.dump()));
    }
    // Reads until a message satisfies `done`.
    template <typename Done> Json Until(Done done) {
        std::string body, problem;
        while (reader_->Next(body, problem) == vantel::framing::FrameReader::Result::Message) {
            Json message = Json::parse(body);
            if (done(message)) return message;
        }
        std::fprintf(stderr, "the server ended\n");
        std::exit(2);
    }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    std::unique_ptr<vantel::framing::DescriptorSource> source_;
    std::unique_ptr<vantel::framing::FrameReader> reader_;
};

const char* const kUri = "file:///bench.sno";

// Alternately breaks and mends a statement's literal.
Json Change(int version, int line) {
    const bool breaks = version % 2 == 0;
    const Json range = {{"start", {{"line", line}, {"character", 1}}},
                        {"end", {{"line", line}, {"character", breaks ? 1 : 2}}}};
    const Json change = {{"range", range}, {"text", breaks ? "'" : ""}};
    return {
        {"jsonrpc", "2.0"},
        {"method", "textDocument/didChange"},
        {"params",
         {{"textDocument", {{"uri", kUri}, {"version", version}}}, {"contentChanges", {change}}}}};
}

} // namespace

int main(int argc, char** argv) {
    const char* program = argc > 1 ? argv[1] : "build/bin/vantel-lsp";
    const int changes = argc > 2 ? std::atoi(argv[2]) : 200;
    const std::string text = Program();
    const int line = 250;

    Figures diagnostics, hover, inProcess;
    {
        Pipe server(program);
        server.Send({{"jsonrpc", "2.0"},
                     {"id", 0},
                     {"method", "initialize"},
                     {"params", {{"capabilities", Json::object()}}}});
        server.Until([](const Json& m) { return m.contains("id"); });
        server.Send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", Json::object()}});
        server.Send(
            {{"jsonrpc", "2.0"},
             {"method", "textDocument/didOpen"},
             {"params",
              {{"textDocument",
                {{"uri", kUri}, {"languageId", "snobol4"}, {"version", 1}, {"text", text}}}}}});
        server.Until([](const Json& m) {
            return m.value("method", "") == "textDocument/publishDiagnostics";
        });
        for (int version = 2; version < 2 + changes; ++version) {
            const Clock::time_point start = Clock::now();
            server.Send(Change(version, line));
            server.Send({{"jsonrpc", "2.0"},
                         {"id", version},
                         {"method", "textDocument/hover"},
                         {"params",
                          {{"textDocument", {{"uri", kUri}}},
                           {"position", {{"line", 7}, {"character", 12}}}}}});
            bool answered = false, published = false;
            server.Until([&](const Json& m) {
                if (!answered && m.value("id", -1) == version) {
                    answered = true;
                    hover.ms.push_back(Since(start));
                }
                if (!published && m.value("method", "") == "textDocument/publishDiagnostics" &&
                    m["params"]["version"] == version) {
                    published = true;
                    diagnostics.ms.push_back(Since(start));
                }
                return answered && published;
            });
        }
        server.Send({{"jsonrpc", "2.0"}, {"id", -2}, {"method", "shutdown"}});
        server.Until([](const Json& m) { return m.value("id", 0) == -2; });
        server.Send({{"jsonrpc", "2.0"}, {"method", "exit"}});
    }
    {
        vantel::lsp::Server server([](const std::string&) {});
        server.Receive(Json{{"jsonrpc", "2.0"},
                            {"id", 0},
                            {"method", "initialize"},
                            {"params", {{"capabilities", Json::object()}}}}
                           .dump());
        server.Receive(
            Json{{"jsonrpc", "2.0"},
                 {"method", "textDocument/didOpen"},
                 {"params",
                  {{"textDocument",
                    {{"uri", kUri}, {"languageId", "snobol4"}, {"version", 1}, {"text", text}}}}}}
                .dump());
        server.Idle();
        for (int version = 2; version < 2 + changes; ++version) {
            const Clock::time_point start = Clock::now();
            server.Receive(Change(version, line).dump());
            server.Idle();
            inProcess.ms.push_back(Since(start));
        }
    }
    diagnostics.Print("change -> diagnostics (vantel-lsp, pipes)");
    hover.Print("change -> hover answered (vantel-lsp, pipes)");
    inProcess.Print("change -> diagnostics (in-process)");
    return 0;
}
