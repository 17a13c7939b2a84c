// vantel-dap: the debug adapter for vantel's SNOBOL4 subset, speaking the
// Debug Adapter Protocol over standard input and output (see
// dap/session.h for what a client can rely on).
//
// The protocol has the two standard streams to itself: they are moved to
// descriptors of their own, and the program being debugged finds
// /dev/null as its standard input and output, so that a program that
// opens /dev/stdout or /dev/stdin cannot break the stream.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dap/session.h"
#include "framing/framing.h"

namespace {

constexpr const char* kUsage =
    "usage: vantel-dap\n"
    "       vantel-dap --version | --help\n"
    "The debug adapter (Debug Adapter Protocol) for vantel's SNOBOL4 subset, on standard\n"
    "input and output. An editor starts it and sends \"launch\" with the program to debug.\n";

// How long a client that went away waits for the run to end.
constexpr int kCloseSeconds = 5;

// The standard streams moved to descriptors of their own, /dev/null in
// their place; false when that cannot be done.
bool TakeStreams(int& in, int& out) {
    in = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    out = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (in < 0 || out < 0 || null < 0) return false;
    const bool moved = dup2(null, STDIN_FILENO) >= 0 && dup2(null, STDOUT_FILENO) >= 0;
    close(null);
    return moved;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN); // a client gone is seen as a failed write
    std::signal(SIGXFSZ, SIG_IGN); // as vantel: a write beyond the size limit fails
    if (argc > 1) {
        const std::string_view argument = argv[1];
        if (argument == "--version") {
            std::puts("vantel-dap 1.0");
            return 0;
        }
        std::fputs(kUsage, argument == "--help" ? stdout : stderr);
        return argument == "--help" ? 0 : 2;
    }
    int in = -1, out = -1;
    if (!TakeStreams(in, out)) {
        std::fputs("vantel-dap: cannot take over its standard streams\n", stderr);
        return 2;
    }
    auto* session = new vantel::dap::Session(
        [out](std::string_view body) {
            return vantel::framing::WriteAll(out, vantel::framing::Frame(body));
        },
        vantel::SettingsFromEnvironment());
    vantel::framing::DescriptorSource input(in);
    vantel::framing::FrameReader reader(input);
    std::string body, problem;
    while (!session->Finished()) {
        const auto result = reader.Next(body, problem);
        if (result == vantel::framing::FrameReader::Result::End) {
            if (!problem.empty()) session->Problem(problem);
            break;
        }
        if (result == vantel::framing::FrameReader::Result::Skipped)
            session->Problem(problem);
        else
            session->Receive(body);
    }
    // The client said disconnect, or went away: the run ends. A run that
    // does not end (a write to a pipe nobody reads, say) is left to the
    // process's end.
    if (!session->Close(kCloseSeconds)) std::_Exit(0);
    delete session;
    return 0;
}
