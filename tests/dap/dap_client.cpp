#include "dap_client.h"
#include "timed_source.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace vantel::dap::test {

namespace {

constexpr int kWaitMs = vantel::test::kServerWaitMs;

pid_t Spawn(const std::vector<std::string>& words, int in, int out, const char* folder) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    if (folder != nullptr) posix_spawn_file_actions_addchdir_np(&actions, folder);
    std::vector<std::string> copy = words;
    std::vector<char*> argv;
    for (std::string& w : copy)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status of a process, killed when it does not end in time.
int Reap(pid_t pid) {
    int status = 0;
    for (int waited = 0; waited < kWaitMs; waited += 10) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "vantel-dap did not end within " << kWaitMs << " ms";
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

// ---- Folder -----------------------------------------------------------------------

Folder::Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantel-dap-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

Folder::~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string Folder::Write(const std::string& name, const std::string& text) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

std::string Folder::Read(const std::string& name) const {
    return Slurp(path_ + "/" + name);
}

// ---- Client -----------------------------------------------------------------------

Client::Client() {
    ::signal(SIGPIPE, SIG_IGN); // an adapter gone is seen as a failed write
    int toAdapter[2], fromAdapter[2];
    if (::pipe2(toAdapter, O_CLOEXEC) != 0 || ::pipe2(fromAdapter, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    pid_ = Spawn({VANTEL_DAP_PROGRAM}, toAdapter[0], fromAdapter[1], nullptr);
    if (pid_ < 0) throw std::runtime_error("cannot start vantel-dap");
    ::close(toAdapter[0]);
    ::close(fromAdapter[1]);
    in_ = toAdapter[1];
    out_ = fromAdapter[0];
    source_ = std::make_unique<vantel::test::TimedSource>(out_, "vantel-dap");
    reader_ = std::make_unique<framing::FrameReader>(*source_);
}

Client::~Client() {
    if (pid_ > 0) Finish();
    if (out_ >= 0) ::close(out_);
}

void Client::SendRaw(std::string_view bytes) {
    if (in_ >= 0) framing::WriteAll(in_, bytes);
}

Json Client::Next() {
    if (ended_) return nullptr;
    std::string body, problem;
    for (;;) {
        const auto result = reader_->Next(body, problem);
        if (result == framing::FrameReader::Result::End) {
            ended_ = true;
            return nullptr;
        }
        if (result == framing::FrameReader::Result::Skipped) {
            ADD_FAILURE() << "vantel-dap sent a broken message: " << problem;
            continue;
        }
        Json message = Json::parse(body, nullptr, false);
        if (message.is_discarded()) {
            ADD_FAILURE() << "vantel-dap sent a body that is not JSON: " << body;
            continue;
        }
        if (message.value("type", "") == "event" && message.value("event", "") == "output") {
            const Json& b = message["body"];
            output_.emplace_back(b.value("category", ""), b.value("output", ""));
        }
        return message;
    }
}

Json Client::Take(const std::string& type, const std::string& key, const Json& value) {
    auto wanted = [&](const Json& m) {
        return m.value("type", "") == type && m.contains(key) && m[key] == value;
    };
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (wanted(*it)) {
            Json found = std::move(*it);
            kept_.erase(it);
            return found;
        }
    for (;;) {
        Json m = Next();
        if (m.is_null()) return nullptr;
        if (wanted(m)) return m;
        kept_.push_back(std::move(m));
    }
}

Json Client::Request(const std::string& command, Json arguments) {
    const long long seq = ++seq_;
    const Json message{{"seq", seq},
                       {"type", "request"},
                       {"command", command},
                       {"arguments", std::move(arguments)}};
    SendRaw(framing::Frame(message.dump()));
    Json response = Take("response", "request_seq", seq);
    if (response.is_null()) ADD_FAILURE() << "no response to " << command;
    return response;
}

Json Client::Event(const std::string& name) {
    return Take("event", "event", name);
}

std::vector<std::string> Client::Output(const std::string& category) {
    std::vector<std::string> texts;
    for (const auto& [c, text] : output_)
        if (c == category) texts.push_back(text);
    return texts;
}

Json Client::Start(const std::string& program, bool stopOnEntry,
                   const std::vector<Json>& breakpoints) {
    Request("initialize", {{"adapterID", "vantel"}, {"linesStartAt1", true}});
    Json launch = Request("launch", {{"program", program}, {"stopOnEntry", stopOnEntry}});
    Request("setBreakpoints", {{"source", {{"path", program}}}, {"breakpoints", breakpoints}});
    Request("configurationDone");
    return launch;
}

Json Client::Go(const std::string& command, Json arguments) {
    arguments["threadId"] = 1;
    const Json response = Request(command, std::move(arguments));
    EXPECT_TRUE(response.value("success", false)) << response.dump();
    for (;;) {
        Json m = Next();
        if (m.is_null()) return nullptr;
        const std::string event = m.value("event", "");
        if (event == "stopped" || event == "terminated") return m;
        kept_.push_back(std::move(m));
    }
}

Json Client::Frames() {
    return Request("stackTrace", {{"threadId", 1}})["body"]["stackFrames"];
}

Json Client::Children(int reference) {
    Json named = Json::object();
    const Json response = Request("variables", {{"variablesReference", reference}});
    for (const Json& v : response["body"]["variables"])
        named[v["name"].get<std::string>()] = v;
    return named;
}

Json Client::Scope(const std::string& scope, int frameId) {
    if (frameId == 0) frameId = Frames()[0]["id"].get<int>();
    const Json scopes = Request("scopes", {{"frameId", frameId}})["body"]["scopes"];
    for (const Json& s : scopes)
        if (s["name"] == scope) return Children(s["variablesReference"].get<int>());
    return nullptr;
}

int Client::Finish() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
    const int status = pid_ > 0 ? Reap(pid_) : -1;
    pid_ = -1;
    return status;
}

void Client::StopReading() {
    if (out_ >= 0) ::close(out_);
    out_ = -1;
    ended_ = true;
}

// ---- vantel itself ------------------------------------------------------------------

std::string Masked(const std::string& listing) {
    static const std::regex timing(" (COMPILATION TIME|EXECUTION TIME:) -?[0-9]+ milliseconds\\.");
    return std::regex_replace(listing, timing, " $1 N milliseconds.");
}

std::pair<std::string, int> VantelListing(const std::string& source, const std::string& input) {
    const Folder folder;
    folder.Write("program.sno", source + input);
    const pid_t pid = Spawn({VANTEL_PROGRAM, "program.sno"}, -1, -1, folder.path().c_str());
    const int status = pid > 0 ? Reap(pid) : -1;
    return {Masked(folder.Read("program.lst")), status};
}

} // namespace vantel::dap::test
