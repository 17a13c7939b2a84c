// Messages of the Debug Adapter Protocol: an incoming body sorted into a
// request (or passed over, with the reason), and the responses and events
// vantel-dap sends. Framing is framing/'s business.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vantel::dap {

using Json = nlohmann::json;

// Deeper JSON than this is refused before it is parsed into values.
inline constexpr int kMaxJsonNesting = 64;

struct Request {
    long long seq = 0;
    std::string command;
    Json arguments = Json::object(); // always an object
};

// A client's message: a request, something to pass over silently (a
// response to a request of ours, an event), or a broken message whose
// reason is given (and whose seq, when it had one, an error response can
// answer).
struct Incoming {
    enum class Kind { Request, Ignored, Broken };
    Kind kind = Kind::Broken;
    Request request;
    std::string problem;
};
Incoming Classify(std::string_view body);

// Arguments read without trusting them: the value when it is there with
// the right type.
std::optional<std::string> StringArgument(const Json& arguments, const char* name);
std::optional<long long> IntegerArgument(const Json& arguments, const char* name);
std::optional<bool> BooleanArgument(const Json& arguments, const char* name);

// The messages sent; `seq` is filled in as each goes out.
Json Response(const Request& request, Json body = Json::object());
Json ErrorResponse(long long requestSeq, const std::string& command, const std::string& message);
Json Event(const std::string& name, Json body = Json::object());

// The text of a message; bytes that are not UTF-8 become U+FFFD.
std::string Serialise(const Json& message);

} // namespace vantel::dap
