#include "lsp_client.h"
#include "timed_source.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace vantel::lsp::test {

namespace {

constexpr int kWaitMs = vantel::test::kServerWaitMs;

} // namespace

Client::Client(const std::vector<std::string>& arguments) {
    ::signal(SIGPIPE, SIG_IGN); // a server gone is seen as a failed write
    int toServer[2], fromServer[2];
    if (::pipe2(toServer, O_CLOEXEC) != 0 || ::pipe2(fromServer, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toServer[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromServer[1], STDOUT_FILENO);
    std::vector<std::string> words{VANTEL_LSP_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, VANTEL_LSP_PROGRAM, &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start vantel-lsp");
    posix_spawn_file_actions_destroy(&actions);
    ::close(toServer[0]);
    ::close(fromServer[1]);
    in_ = toServer[1];
    out_ = fromServer[0];
    source_ = std::make_unique<vantel::test::TimedSource>(out_, "vantel-lsp");
    reader_ = std::make_unique<framing::FrameReader>(*source_);
}

Client::~Client() {
    if (pid_ > 0) Finish();
    if (out_ >= 0) ::close(out_);
}

void Client::SendRaw(std::string_view bytes) {
    if (in_ >= 0) framing::WriteAll(in_, bytes);
}

void Client::Send(const Json& message) {
    SendRaw(framing::Frame(message.dump()));
}

void Client::Notify(const std::string& method, Json params) {
    Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

Json Client::Next() {
    std::string body, problem;
    if (reader_->Next(body, problem) != framing::FrameReader::Result::Message) {
        ADD_FAILURE() << "no message from vantel-lsp " << problem;
        return nullptr;
    }
    Json message = Json::parse(body, nullptr, false);
    EXPECT_FALSE(message.is_discarded()) << body;
    return message;
}

Json Client::Request(const std::string& method, Json params) {
    const int id = nextId_++;
    Json request = {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}};
    if (!params.is_null()) request["params"] = std::move(params);
    Send(request);
    for (;;) {
        Json message = Next();
        if (message.is_null()) return message;
        if (message.contains("id") && message["id"] == id) return message;
        kept_.push_back(std::move(message));
    }
}

Json Client::Take(const std::function<bool(const Json&)>& wanted) {
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (wanted(*it)) {
            Json found = std::move(*it);
            kept_.erase(it);
            return found;
        }
    for (;;) {
        Json message = Next();
        if (message.is_null() || wanted(message)) return message;
        kept_.push_back(std::move(message));
    }
}

Json Client::WaitFor(const std::string& method) {
    const Json message = Take([&](const Json& m) { return m.value("method", "") == method; });
    return message.is_null() ? message : message["params"];
}

Json Client::WaitForId(const Json& id) {
    return Take(
        [&](const Json& m) { return !m.contains("method") && m.contains("id") && m["id"] == id; });
}

Json Client::Initialize(Json capabilities, Json options) {
    Json params = {
        {"processId", nullptr}, {"rootUri", nullptr}, {"capabilities", std::move(capabilities)}};
    if (!options.is_null()) params["initializationOptions"] = std::move(options);
    Json result = Request("initialize", params);
    Notify("initialized", Json::object());
    return result;
}

Json Client::Open(const std::string& uri, const std::string& text, int version) {
    Notify("textDocument/didOpen",
           {{"textDocument",
             {{"uri", uri}, {"languageId", "snobol4"}, {"version", version}, {"text", text}}}});
    return WaitFor("textDocument/publishDiagnostics");
}

int Client::Finish() {
    if (in_ >= 0) {
        ::close(in_);
        in_ = -1;
    }
    if (pid_ <= 0) return -1;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            ADD_FAILURE() << "vantel-lsp did not end";
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Json At(int line, int character) {
    return {{"textDocument", {{"uri", kUri}}},
            {"position", {{"line", line}, {"character", character}}}};
}

} // namespace vantel::lsp::test
