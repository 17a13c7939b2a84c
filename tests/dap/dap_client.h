// A scripted client of the real vantel-dap: starts the program on pipes,
// sends requests and reads responses and events, with a time limit on every
// wait so that an adapter that hangs fails the test instead of stopping it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "framing/framing.h"

namespace vantel::dap::test {

using Json = nlohmann::json;

// A folder of its own for one test's files, removed afterwards.
class Folder {
public:
    Folder();
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    // Writes a file there and gives its path.
    std::string Write(const std::string& name, const std::string& text) const;
    std::string Read(const std::string& name) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class Client {
public:
    Client();
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void SendRaw(std::string_view bytes);
    // Sends a request and returns its response; events that come first are
    // kept for Event().
    Json Request(const std::string& command, Json arguments = Json::object());
    // The next event of that name (from those kept, or read now); null when
    // the adapter ended or did not send it in time.
    Json Event(const std::string& name);
    // Output events' texts of a category, all received so far.
    std::vector<std::string> Output(const std::string& category);

    // initialize, launch, the breakpoints (line, condition) and
    // configurationDone; the launch response.
    Json Start(const std::string& program, bool stopOnEntry,
               const std::vector<Json>& breakpoints = {});
    // Sends a step (or continue) and waits for the next stop or the end:
    // the stopped event, or the terminated one.
    Json Go(const std::string& command, Json arguments = Json::object());
    // The variables of a scope of the top frame, by name.
    Json Scope(const std::string& scope, int frameId = 0);
    Json Children(int reference);
    Json Frames();

    // Closes the adapter's input and returns its exit status (-1 when it
    // had to be killed).
    int Finish();
    // Closes the adapter's output pipe (a client that stops reading).
    void StopReading();

private:
    Json Next(); // the next message, null at the end
    Json Take(const std::string& type, const std::string& key, const Json& value);

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::unique_ptr<framing::ByteSource> source_;
    std::unique_ptr<framing::FrameReader> reader_;
    std::vector<Json> kept_;
    std::vector<std::pair<std::string, std::string>> output_;
    long long seq_ = 0;
    bool ended_ = false;
};

// A breakpoint entry for Start.
inline Json At(int line, const std::string& condition = "", const std::string& hits = "") {
    Json b{{"line", line}};
    if (!condition.empty()) b["condition"] = condition;
    if (!hits.empty()) b["hitCondition"] = hits;
    return b;
}

// Runs vantel on a copy of a program in a folder of its own: the listing,
// its two timing figures masked, and the exit status.
std::pair<std::string, int> VantelListing(const std::string& source, const std::string& input = "");
std::string Masked(const std::string& listing);

} // namespace vantel::dap::test
