// A scripted client of the real vantel-lsp: starts the program on pipes,
// sends framed messages and reads the server's, with a time limit on every
// wait so that a server that hangs fails the test instead of stopping it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "framing/framing.h"

namespace vantel::lsp::test {

using Json = nlohmann::json;

class Client {
public:
    explicit Client(const std::vector<std::string>& arguments = {});
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    ~Client();

    void SendRaw(std::string_view bytes);
    void Send(const Json& message);
    void Notify(const std::string& method, Json params);
    // Sends a request and returns the whole response (result or error);
    // notifications that come first are kept for WaitFor.
    Json Request(const std::string& method, Json params = nullptr);
    // The next notification of that method (from those kept, or read now).
    Json WaitFor(const std::string& method);
    // The next response with that id (null for answers to unreadable messages).
    Json WaitForId(const Json& id);
    // Initializes with the given capabilities and sends "initialized".
    Json Initialize(Json capabilities = Json::object(), Json options = nullptr);
    // Opens a document and returns its diagnostics notification.
    Json Open(const std::string& uri, const std::string& text, int version = 1);

    // Closes the server's input and returns its exit status (-1 when it
    // had to be killed).
    int Finish();

private:
    Json Next(); // the next message from the server
    Json Take(const std::function<bool(const Json&)>& wanted);

    pid_t pid_ = -1;
    int in_ = -1;  // the server's standard input
    int out_ = -1; // its standard output
    std::unique_ptr<framing::ByteSource> source_;
    std::unique_ptr<framing::FrameReader> reader_;
    std::vector<Json> kept_;
    int nextId_ = 1;
};

// A document URI for a test.
inline const std::string kUri = "file:///tmp/test.sno";
Json At(int line, int character); // {textDocument, position}

} // namespace vantel::lsp::test
