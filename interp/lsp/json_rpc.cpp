#include "lsp/json_rpc.h"

namespace vantel::lsp {

namespace {

// The deepest nesting of arrays and objects, counted without parsing
// (strings skipped), stopping once past the limit.
bool NestingWithin(std::string_view body, int limit) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

Incoming Invalid(ErrorCode code, std::string problem, Json id = nullptr) {
    Incoming in;
    in.kind = Incoming::Kind::Invalid;
    in.error = code;
    in.problem = std::move(problem);
    in.id = std::move(id);
    return in;
}

} // namespace

Incoming Classify(std::string_view body) {
    if (!NestingWithin(body, kMaxJsonNesting))
        return Invalid(ErrorCode::ParseError, "JSON nested more than 64 levels deep");
    Json message = Json::parse(body, nullptr, false);
    if (message.is_discarded()) return Invalid(ErrorCode::ParseError, "the message is not JSON");
    if (message.is_array()) return Invalid(ErrorCode::InvalidRequest, "batches are not supported");
    if (!message.is_object())
        return Invalid(ErrorCode::InvalidRequest, "the message is not an object");
    const auto id = message.find("id");
    const bool hasId = id != message.end();
    if (hasId && !id->is_number_integer() && !id->is_string())
        return Invalid(ErrorCode::InvalidRequest, "an id must be an integer or a string");
    const auto method = message.find("method");
    Incoming in;
    if (method == message.end()) {
        if (!hasId) return Invalid(ErrorCode::InvalidRequest, "neither a method nor an id");
        in.kind = Incoming::Kind::Response; // to a request of ours
        in.id = *id;
        return in;
    }
    if (!method->is_string())
        return Invalid(ErrorCode::InvalidRequest, "the method is not a string",
                       hasId ? *id : Json());
    in.kind = hasId ? Incoming::Kind::Request : Incoming::Kind::Notification;
    in.method = method->get<std::string>();
    if (hasId) in.id = *id;
    const auto params = message.find("params");
    if (params != message.end()) in.params = std::move(*params);
    return in;
}

Json ResultMessage(const Json& id, Json result) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

Json ErrorMessage(const Json& id, ErrorCode code, std::string_view message) {
    return Json{{"jsonrpc", "2.0"},
                {"id", id},
                {"error", {{"code", static_cast<int>(code)}, {"message", std::string(message)}}}};
}

Json NotificationMessage(std::string_view method, Json params) {
    return Json{{"jsonrpc", "2.0"}, {"method", std::string(method)}, {"params", std::move(params)}};
}

std::string Serialise(const Json& message) {
    return message.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace vantel::lsp
