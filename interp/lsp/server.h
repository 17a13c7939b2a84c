// The language server: the protocol's life cycle, the open documents with
// their full and incremental changes, the diagnostics published for them,
// and the dispatch of each request to its feature. It is given one message
// body at a time and sends its own through a callback, so that it runs the
// same over standard input and output, in tests and under the fuzzer.
//
// Whatever arrives (bad JSON, unknown methods, requests before initialize
// or after shutdown, parameters of the wrong shape, positions outside the
// text) is answered with the protocol's error or a null result; nothing a
// client sends ends the server but "exit".
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "lsp/document.h"
#include "lsp/json_rpc.h"

namespace vantel::lsp {

struct ServerOptions {
    bool formatting = false; // offered when asked for here or by the client
};

class Server {
public:
    using Sender = std::function<void(const std::string& body)>;

    explicit Server(Sender send, ServerOptions options = {});

    void Receive(std::string_view body);
    // No message is waiting: diagnostics not yet sent go out now (so a
    // burst of changes is analysed once).
    void Idle();
    // A message that could not be read (see framing/), told to the client.
    void Problem(std::string_view what);

    bool Exited() const { return exited_; }
    // 0 after shutdown and exit, 1 after an exit without shutdown.
    int ExitStatus() const { return state_ == State::ShutDown ? 0 : 1; }

private:
    enum class State { Starting, Running, ShutDown };
    using Request = Json (Server::*)(const Json& params);
    using Notification = void (Server::*)(const Json& params);

    void Answer(const Incoming& in);
    void Notify(const Incoming& in);
    void Send(const Json& message);

    Json Initialize(const Json& params);
    Json Shutdown(const Json& params);
    Json HoverRequest(const Json& params);
    Json CompletionRequest(const Json& params);
    Json SignatureHelpRequest(const Json& params);
    Json DefinitionRequest(const Json& params);
    Json ReferencesRequest(const Json& params);
    Json HighlightRequest(const Json& params);
    Json SymbolRequest(const Json& params);
    Json PrepareRenameRequest(const Json& params);
    Json RenameRequest(const Json& params);
    Json SemanticTokensRequest(const Json& params);
    Json SemanticTokensRangeRequest(const Json& params);
    Json FormattingRequest(const Json& params);

    void Initialized(const Json& params);
    void Exit(const Json& params);
    void DidOpen(const Json& params);
    void DidChange(const Json& params);
    void DidClose(const Json& params);
    void Ignore(const Json& params);

    Document& DocumentOf(const Json& params); // fails when not open
    Position PositionOf(const Json& params);
    void Publish(const std::string& uri, Document& document);

    Sender send_;
    ServerOptions options_;
    Encoding encoding_ = Encoding::Utf16;
    State state_ = State::Starting;
    bool exited_ = false;
    std::map<std::string, Document> documents_;
    std::map<std::string, Request, std::less<>> requests_;
    std::map<std::string, Notification, std::less<>> notifications_;
};

} // namespace vantel::lsp
