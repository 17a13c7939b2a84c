#include "dap/protocol.h"

#include <utility>

namespace vantel::dap {

namespace {

// Checks a body's nesting without building anything: a SAX pass that gives
// up past the limit (nlohmann's parser keeps its own stack, but the values
// it builds are freed recursively).
class NestingCheck final : public nlohmann::json_sax<Json> {
public:
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++depth_ <= kMaxJsonNesting; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return --depth_ >= 0; }
    bool start_array(std::size_t) override { return ++depth_ <= kMaxJsonNesting; }
    bool end_array() override { return --depth_ >= 0; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        malformed_ = true;
        return false;
    }
    bool TooDeep() const { return depth_ > kMaxJsonNesting; }
    bool Malformed() const { return malformed_; }

private:
    int depth_ = 0;
    bool malformed_ = false;
};

Incoming Broken(std::string problem, long long seq = 0, std::string command = "") {
    Incoming in;
    in.kind = Incoming::Kind::Broken;
    in.problem = std::move(problem);
    in.request.seq = seq;
    in.request.command = std::move(command);
    return in;
}

} // namespace

Incoming Classify(std::string_view body) {
    NestingCheck check;
    const bool whole = Json::sax_parse(body, &check, Json::input_format_t::json, false);
    if (check.TooDeep())
        return Broken("the message is JSON nested more than " + std::to_string(kMaxJsonNesting) +
                      " levels deep");
    if (!whole || check.Malformed()) return Broken("the message is not JSON");
    Json message = Json::parse(body, nullptr, false);
    if (message.is_discarded()) return Broken("the message is not JSON");
    if (!message.is_object()) return Broken("the message is not a JSON object");
    const auto type = message.find("type");
    if (type == message.end() || !type->is_string()) return Broken("the message has no type");
    if (*type != "request") {
        Incoming in;
        in.kind = Incoming::Kind::Ignored;
        return in;
    }
    const auto seq = message.find("seq");
    const long long number =
        seq != message.end() && seq->is_number_integer() ? seq->get<long long>() : 0;
    const auto command = message.find("command");
    if (command == message.end() || !command->is_string())
        return Broken("the request has no command", number);
    if (seq == message.end() || !seq->is_number_integer())
        return Broken("the request has no seq", 0, command->get<std::string>());
    Incoming in;
    in.kind = Incoming::Kind::Request;
    in.request.seq = number;
    in.request.command = command->get<std::string>();
    const auto arguments = message.find("arguments");
    if (arguments != message.end() && arguments->is_object())
        in.request.arguments = std::move(*arguments);
    return in;
}

std::optional<std::string> StringArgument(const Json& arguments, const char* name) {
    const auto it = arguments.find(name);
    if (it == arguments.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

std::optional<long long> IntegerArgument(const Json& arguments, const char* name) {
    const auto it = arguments.find(name);
    if (it == arguments.end() || !it->is_number_integer()) return std::nullopt;
    return it->get<long long>();
}

std::optional<bool> BooleanArgument(const Json& arguments, const char* name) {
    const auto it = arguments.find(name);
    if (it == arguments.end() || !it->is_boolean()) return std::nullopt;
    return it->get<bool>();
}

Json Response(const Request& request, Json body) {
    return Json{{"type", "response"},
                {"request_seq", request.seq},
                {"success", true},
                {"command", request.command},
                {"body", std::move(body)}};
}

Json ErrorResponse(long long requestSeq, const std::string& command, const std::string& message) {
    return Json{{"type", "response"},
                {"request_seq", requestSeq},
                {"success", false},
                {"command", command},
                {"message", message}};
}

Json Event(const std::string& name, Json body) {
    return Json{{"type", "event"}, {"event", name}, {"body", std::move(body)}};
}

std::string Serialise(const Json& message) {
    return message.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace vantel::dap
