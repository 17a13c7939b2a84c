// JSON-RPC 2.0 as the Language Server Protocol uses it: sorting an incoming
// body into request, notification or response, and making the messages the
// server sends. Framing is not done here (see framing/).
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vantel::lsp {

using Json = nlohmann::json;

enum class ErrorCode : int {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
    InternalError = -32603,
    ServerNotInitialized = -32002,
    RequestFailed = -32803,
};

// Thrown by a request's handler to answer with an error.
struct RpcError {
    ErrorCode code;
    std::string message;
};

// Deeper JSON than this is refused before it is parsed.
inline constexpr int kMaxJsonNesting = 64;

struct Incoming {
    enum class Kind { Request, Notification, Response, Invalid };
    Kind kind = Kind::Invalid;
    std::string method;
    Json id; // a request's: a number or a string
    Json params;
    ErrorCode error = ErrorCode::InvalidRequest; // Invalid: which
    std::string problem;                         // Invalid: why
};

Incoming Classify(std::string_view body);

Json ResultMessage(const Json& id, Json result);
Json ErrorMessage(const Json& id, ErrorCode code, std::string_view message);
Json NotificationMessage(std::string_view method, Json params);

// The text of a message; bytes that are not UTF-8 become U+FFFD.
std::string Serialise(const Json& message);

} // namespace vantel::lsp
