// vantel-lsp: the language server for vantel's SNOBOL4 subset, over
// standard input and output. The server runs on a thread with a stack of
// its own, large enough for the translator's deepest nesting.
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/document_analysis.h"
#include "framing/framing.h"
#include "lsp/server.h"

namespace {

constexpr const char* kUsage =
    "usage: vantel-lsp [--stdio] [--formatting]\n"
    "       vantel-lsp --version | --help\n"
    "A language server (LSP 3.17) for vantel's SNOBOL4 subset, on standard input and output.\n"
    "  --formatting  offer statement alignment (also: initializationOptions {\"formatting\": "
    "true})\n";

constexpr int kMessagesBetweenIdles = 32;

struct Session {
    vantel::lsp::ServerOptions options;
    int status = 0;
};

// Messages in, answers out, until "exit" or the end of the input.
void Serve(Session& session) {
    using vantel::framing::FrameReader;
    bool clientGone = false;
    vantel::lsp::Server server(
        [&clientGone](const std::string& body) {
            if (!clientGone &&
                !vantel::framing::WriteAll(STDOUT_FILENO, vantel::framing::Frame(body)))
                clientGone = true;
        },
        session.options);
    vantel::framing::DescriptorSource input(STDIN_FILENO);
    FrameReader reader(input);
    std::string body, problem;
    int sinceIdle = 0;
    while (!server.Exited() && !clientGone) {
        const FrameReader::Result result = reader.Next(body, problem);
        if (result == FrameReader::Result::End) break;
        if (result == FrameReader::Result::Skipped)
            server.Problem(problem);
        else
            server.Receive(body);
        // Diagnostics go out when the input pauses, or after a long burst.
        if (!reader.Pending() || ++sinceIdle == kMessagesBetweenIdles) {
            server.Idle();
            sinceIdle = 0;
        }
    }
    // An input that ends without "exit" is a client that went away.
    session.status = server.Exited() ? server.ExitStatus() : 1;
}

bool ServeOnLargeStack(Session& session) {
    pthread_attr_t attributes;
    pthread_t thread;
    auto entry = [](void* argument) -> void* {
        Serve(*static_cast<Session*>(argument));
        return nullptr;
    };
    if (pthread_attr_init(&attributes) != 0 ||
        pthread_attr_setstacksize(&attributes, vantel::analysis::kAnalysisStackBytes) != 0 ||
        pthread_create(&thread, &attributes, entry, &session) != 0)
        return false;
    pthread_join(thread, nullptr);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN); // a client gone is seen as a failed write
    Session session;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--version") {
            std::puts("vantel-lsp 1.0");
            return 0;
        }
        if (argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--formatting")
            session.options.formatting = true;
        else if (argument != "--stdio") {
            std::fprintf(stderr, "vantel-lsp: unknown argument %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (!ServeOnLargeStack(session)) {
        std::fputs("vantel-lsp: cannot reserve its stack\n", stderr);
        return 2;
    }
    return session.status;
}
