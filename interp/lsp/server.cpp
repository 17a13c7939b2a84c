#include "lsp/server.h"

#include <algorithm>
#include <exception>

#include "analysis/formatting.h"
#include "lsp/assistance.h"
#include "lsp/navigation.h"
#include "lsp/semantic_tokens.h"

namespace vantel::lsp {

namespace {

constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;
constexpr int kLogWarning = 2;
constexpr int kSyncIncremental = 2;

const std::string& UriOf(const Json& params) {
    return params.at("textDocument").at("uri").get_ref<const std::string&>();
}

// Positions count bytes when the client offers that: no conversion.
bool ClientOffersUtf8(const Json& params) {
    const Json::json_pointer where("/capabilities/general/positionEncodings");
    if (!params.contains(where)) return false;
    const Json& encodings = params.at(where);
    return encodings.is_array() &&
           std::find(encodings.begin(), encodings.end(), Json("utf-8")) != encodings.end();
}

} // namespace

Server::Server(Sender send, ServerOptions options) : send_(std::move(send)), options_(options) {
    requests_ = {
        {"initialize", &Server::Initialize},
        {"shutdown", &Server::Shutdown},
        {"textDocument/hover", &Server::HoverRequest},
        {"textDocument/completion", &Server::CompletionRequest},
        {"textDocument/signatureHelp", &Server::SignatureHelpRequest},
        {"textDocument/definition", &Server::DefinitionRequest},
        {"textDocument/references", &Server::ReferencesRequest},
        {"textDocument/documentHighlight", &Server::HighlightRequest},
        {"textDocument/documentSymbol", &Server::SymbolRequest},
        {"textDocument/prepareRename", &Server::PrepareRenameRequest},
        {"textDocument/rename", &Server::RenameRequest},
        {"textDocument/semanticTokens/full", &Server::SemanticTokensRequest},
        {"textDocument/semanticTokens/range", &Server::SemanticTokensRangeRequest},
        {"textDocument/formatting", &Server::FormattingRequest},
    };
    notifications_ = {
        {"initialized", &Server::Initialized},
        {"exit", &Server::Exit},
        {"textDocument/didOpen", &Server::DidOpen},
        {"textDocument/didChange", &Server::DidChange},
        {"textDocument/didClose", &Server::DidClose},
        {"textDocument/didSave", &Server::Ignore},
        {"workspace/didChangeConfiguration", &Server::Ignore},
    };
}

void Server::Send(const Json& message) {
    send_(Serialise(message));
}

void Server::Receive(std::string_view body) {
    if (exited_) return;
    const Incoming in = Classify(body);
    switch (in.kind) {
    case Incoming::Kind::Invalid:
        Send(ErrorMessage(in.id, in.error, in.problem));
        break;
    case Incoming::Kind::Response: // to nothing: the server sends no requests
        break;
    case Incoming::Kind::Notification:
        Notify(in);
        break;
    case Incoming::Kind::Request:
        Answer(in);
        break;
    }
}

void Server::Answer(const Incoming& in) {
    if (state_ == State::Starting && in.method != "initialize") {
        Send(ErrorMessage(in.id, ErrorCode::ServerNotInitialized, "initialize comes first"));
        return;
    }
    if (state_ == State::ShutDown) {
        Send(ErrorMessage(in.id, ErrorCode::InvalidRequest, "the server is shut down"));
        return;
    }
    const auto handler = requests_.find(in.method);
    if (handler == requests_.end()) {
        Send(ErrorMessage(in.id, ErrorCode::MethodNotFound, "no method " + in.method));
        return;
    }
    try {
        Send(ResultMessage(in.id, (this->*handler->second)(in.params)));
    } catch (const RpcError& e) {
        Send(ErrorMessage(in.id, e.code, e.message));
    } catch (const Json::exception& e) {
        Send(ErrorMessage(in.id, ErrorCode::InvalidParams, e.what()));
    } catch (const std::exception& e) {
        Send(ErrorMessage(in.id, ErrorCode::InternalError, e.what()));
    }
}

void Server::Notify(const Incoming& in) {
    const bool allowed = in.method == "exit" || (state_ == State::Running);
    const auto handler = notifications_.find(in.method);
    if (!allowed || handler == notifications_.end()) return;
    try {
        (this->*handler->second)(in.params);
    } catch (const RpcError& e) {
        Problem(in.method + ": " + e.message);
    } catch (const std::exception& e) {
        Problem(in.method + " was not understood: " + e.what());
    }
}

void Server::Idle() {
    for (auto& [uri, document] : documents_)
        if (!document.published) Publish(uri, document);
}

void Server::Problem(std::string_view what) {
    Send(NotificationMessage(
        "window/logMessage",
        {{"type", kLogWarning}, {"message", "vantel-lsp: " + std::string(what)}}));
}

// ---- Life cycle --------------------------------------------------------------------

Json Server::Initialize(const Json& params) {
    if (state_ != State::Starting) throw RpcError{ErrorCode::InvalidRequest, "initialized already"};
    if (!params.is_object())
        throw RpcError{ErrorCode::InvalidParams, "initialize needs its parameters"};
    encoding_ = ClientOffersUtf8(params) ? Encoding::Utf8 : Encoding::Utf16;
    const Json options = params.value("initializationOptions", Json::object());
    if (options.is_object() && options.value("formatting", false) == true)
        options_.formatting = true;
    state_ = State::Running;
    Json capabilities = {
        {"positionEncoding", encoding_ == Encoding::Utf8 ? "utf-8" : "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", kSyncIncremental}}},
        {"hoverProvider", true},
        {"completionProvider", {{"triggerCharacters", {"&", "("}}}},
        {"signatureHelpProvider", {{"triggerCharacters", {"(", ","}}}},
        {"definitionProvider", true},
        {"referencesProvider", true},
        {"documentHighlightProvider", true},
        {"documentSymbolProvider", true},
        {"renameProvider", {{"prepareProvider", true}}},
        {"semanticTokensProvider",
         {{"legend", SemanticTokensLegend()}, {"full", true}, {"range", true}}},
    };
    if (options_.formatting) capabilities["documentFormattingProvider"] = true;
    return {{"capabilities", capabilities},
            {"serverInfo", {{"name", "vantel-lsp"}, {"version", "1.0"}}}};
}

void Server::Initialized(const Json&) {}

Json Server::Shutdown(const Json&) {
    state_ = State::ShutDown;
    documents_.clear();
    return nullptr;
}

void Server::Exit(const Json&) {
    exited_ = true;
}

void Server::Ignore(const Json&) {}

// ---- Documents ----------------------------------------------------------------------

void Server::DidOpen(const Json& params) {
    const Json& item = params.at("textDocument");
    const std::string& uri = item.at("uri").get_ref<const std::string&>();
    std::string text = item.at("text").get<std::string>();
    const int version = item.value("version", 0);
    documents_.insert_or_assign(uri, Document(std::move(text), version));
}

void Server::DidChange(const Json& params) {
    Document& document = DocumentOf(params);
    const int version = params.at("textDocument").value("version", document.Version());
    for (const Json& change : params.at("contentChanges")) {
        const std::string& text = change.at("text").get_ref<const std::string&>();
        const auto range = change.find("range");
        if (range == change.end() || range->is_null()) {
            document.Replace(text, version);
        } else {
            const Range r{PositionFrom(range->at("start")), PositionFrom(range->at("end"))};
            document.Edit(r, text, encoding_, version);
        }
    }
}

void Server::DidClose(const Json& params) {
    const std::string& uri = UriOf(params);
    if (documents_.erase(uri) == 0) return;
    Send(NotificationMessage("textDocument/publishDiagnostics",
                             {{"uri", uri}, {"diagnostics", Json::array()}}));
}

Document& Server::DocumentOf(const Json& params) {
    const auto found = documents_.find(UriOf(params));
    if (found == documents_.end())
        throw RpcError{ErrorCode::InvalidParams, "the document is not open"};
    return found->second;
}

Position Server::PositionOf(const Json& params) {
    return PositionFrom(params.at("position"));
}

void Server::Publish(const std::string& uri, Document& document) {
    Json diagnostics = Json::array();
    for (const analysis::Diagnostic& d : document.Analysis().diagnostics) {
        const bool error = d.severity == analysis::Diagnostic::Severity::Error;
        diagnostics.push_back({{"range", ToJson(document.RangeOf(d.span, encoding_))},
                               {"severity", error ? kSeverityError : kSeverityWarning},
                               {"source", error ? "vantel" : "vantel-lsp"},
                               {"message", d.message}});
    }
    Send(NotificationMessage(
        "textDocument/publishDiagnostics",
        {{"uri", uri}, {"version", document.Version()}, {"diagnostics", diagnostics}}));
    document.published = true;
}

// ---- Features -----------------------------------------------------------------------

Json Server::HoverRequest(const Json& params) {
    return Hover(DocumentOf(params), PositionOf(params), encoding_);
}

Json Server::CompletionRequest(const Json& params) {
    return Completion(DocumentOf(params), PositionOf(params), encoding_);
}

Json Server::SignatureHelpRequest(const Json& params) {
    return SignatureHelp(DocumentOf(params), PositionOf(params), encoding_);
}

Json Server::DefinitionRequest(const Json& params) {
    return Definition(DocumentOf(params), UriOf(params), PositionOf(params), encoding_);
}

Json Server::ReferencesRequest(const Json& params) {
    const bool withDefinitions =
        params.value("/context/includeDeclaration"_json_pointer, false) == true;
    return References(DocumentOf(params), UriOf(params), PositionOf(params), withDefinitions,
                      encoding_);
}

Json Server::HighlightRequest(const Json& params) {
    return Highlights(DocumentOf(params), PositionOf(params), encoding_);
}

Json Server::SymbolRequest(const Json& params) {
    return DocumentSymbols(DocumentOf(params), encoding_);
}

Json Server::PrepareRenameRequest(const Json& params) {
    return PrepareRename(DocumentOf(params), PositionOf(params), encoding_);
}

Json Server::RenameRequest(const Json& params) {
    return Rename(DocumentOf(params), UriOf(params), PositionOf(params),
                  params.at("newName").get<std::string>(), encoding_);
}

Json Server::SemanticTokensRequest(const Json& params) {
    return SemanticTokens(DocumentOf(params), encoding_);
}

Json Server::SemanticTokensRangeRequest(const Json& params) {
    const Json& range = params.at("range");
    return SemanticTokens(DocumentOf(params), encoding_,
                          Range{PositionFrom(range.at("start")), PositionFrom(range.at("end"))});
}

Json Server::FormattingRequest(const Json& params) {
    if (!options_.formatting) throw RpcError{ErrorCode::MethodNotFound, "formatting is off"};
    Document& document = DocumentOf(params);
    Json edits = Json::array();
    for (const formatting::LineEdit& e : formatting::AlignStatements(document.Text())) {
        const std::size_t start = document.CardStart(e.line);
        const Range r{document.PositionOf(start + static_cast<std::size_t>(e.from), encoding_),
                      document.PositionOf(start + static_cast<std::size_t>(e.to), encoding_)};
        edits.push_back({{"range", ToJson(r)}, {"newText", e.text}});
    }
    return edits;
}

} // namespace vantel::lsp
