// Fuzz target: random sessions with the language server, in-process.
//
// The input drives a session: documents opened with text from the input
// (pieces of statements mixed with raw bytes), changed in whole or in
// ranges anywhere (also outside the text and reversed), every request at
// random positions with parameters well or badly formed, raw bodies that are
// no JSON, byte streams through the framing, and shutdown, exit and a second
// initialize at any moment. Beyond "no crash, no sanitizer report": every
// message the server sends is JSON-RPC, each request gets exactly one
// answer (until exit), and every range it sends is well ordered.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "framing/framing.h"
#include "harness.h"
#include "lsp/server.h"

namespace {

using Json = vantel::lsp::Json;

constexpr std::array<const char*, 3> kUris{"file:///a.sno", "file:///b.sno", "untitled:c"};
constexpr std::array<const char*, 14> kRequests{"textDocument/hover",
                                                "textDocument/completion",
                                                "textDocument/signatureHelp",
                                                "textDocument/definition",
                                                "textDocument/references",
                                                "textDocument/documentHighlight",
                                                "textDocument/documentSymbol",
                                                "textDocument/prepareRename",
                                                "textDocument/rename",
                                                "textDocument/semanticTokens/full",
                                                "textDocument/semanticTokens/range",
                                                "textDocument/formatting",
                                                "shutdown",
                                                "no/such/method"};
constexpr std::array<const char*, 24> kPieces{" X = 1\n",
                                              "LOOP ",
                                              "END\n",
                                              " :(LOOP)\n",
                                              " :S(DONE)F(LOOP)\n",
                                              "DONE ",
                                              " DEFINE('F1(A,B)T', 'F1')\n",
                                              "F1 F1 = A + B :(RETURN)\n",
                                              " Y = F1(1, 2) LEN(3, 4)\n",
                                              "'lit",
                                              "\"",
                                              "&ANCHOR ",
                                              "&NOPE ",
                                              "+ ",
                                              "* note\n",
                                              "-LIST\n",
                                              ";",
                                              "(",
                                              ")",
                                              ",",
                                              "\t",
                                              "\r\n",
                                              "\r",
                                              "é😀"};

// Checks what the server sends; counts the answers to each id. The
// session's own requests have ids no raw body is likely to carry.
struct Outbox {
    std::map<std::string, int> answers;
    void Receive(const std::string& body) {
        const Json message = Json::parse(body, nullptr, false);
        fuzz::Check(!message.is_discarded() && message.is_object(),
                    "the server sent no JSON object");
        fuzz::Check(message.value("jsonrpc", "") == "2.0",
                    "the server's message is not JSON-RPC 2.0");
        if (message.contains("id") && message["id"].is_string())
            ++answers[message["id"].get<std::string>()];
        if (message.value("method", "") == "textDocument/publishDiagnostics")
            for (const Json& d : message["params"]["diagnostics"])
                CheckRange(d["range"]);
    }
    static void CheckRange(const Json& r) {
        const int l1 = r["start"]["line"], c1 = r["start"]["character"];
        const int l2 = r["end"]["line"], c2 = r["end"]["character"];
        const bool ordered = l1 >= 0 && c1 >= 0 && (l2 > l1 || (l2 == l1 && c2 >= c1));
        if (!ordered) std::fprintf(stderr, "range: %s\n", r.dump().c_str());
        fuzz::Check(ordered, "a range out of order");
    }
};

std::string Text(FuzzedDataProvider& data) {
    std::string text;
    const int pieces = data.ConsumeIntegralInRange(0, 40);
    for (int i = 0; i < pieces && data.remaining_bytes() > 0; ++i) {
        if (data.ConsumeBool())
            text += kPieces[data.ConsumeIntegralInRange<std::size_t>(0, kPieces.size() - 1)];
        else
            text += data.ConsumeRandomLengthString(64);
    }
    return text;
}

Json Position(FuzzedDataProvider& data) {
    return {{"line", data.ConsumeIntegralInRange(-2, 40)},
            {"character", data.ConsumeIntegralInRange(-2, 200)}};
}

// Parameters of a request, now and then of the wrong shape.
Json Params(FuzzedDataProvider& data) {
    const char* uri = kUris[data.ConsumeIntegralInRange<std::size_t>(0, kUris.size() - 1)];
    switch (data.ConsumeIntegralInRange(0, 9)) {
    case 0:
        return nullptr;
    case 1:
        return {{"textDocument", {{"uri", 7}}}, {"position", "x"}};
    default:
        return {{"textDocument", {{"uri", uri}}},
                {"position", Position(data)},
                {"range", {{"start", Position(data)}, {"end", Position(data)}}},
                {"context", {{"includeDeclaration", data.ConsumeBool()}}},
                {"newName",
                 data.ConsumeBool() ? std::string("AGAIN") : data.ConsumeRandomLengthString(12)},
                {"options", Json::object()}};
    }
}

void Session(FuzzedDataProvider& data) {
    Outbox outbox;
    vantel::lsp::Server server([&](const std::string& body) { outbox.Receive(body); });
    int nextId = 1;
    auto request = [&](const std::string& method, Json params) {
        const std::string id = "session-request-" + std::to_string(nextId++);
        Json message = {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}};
        if (!params.is_null()) message["params"] = std::move(params);
        const bool exited = server.Exited();
        server.Receive(vantel::lsp::Serialise(message));
        fuzz::Check(exited || outbox.answers[id] == 1, "a request was not answered exactly once");
    };
    auto notify = [&](const std::string& method, Json params) {
        server.Receive(vantel::lsp::Serialise(
            Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}}));
    };
    if (data.ConsumeIntegralInRange(0, 19) != 0)
        request("initialize",
                {{"capabilities", data.ConsumeBool()
                                      ? Json{{"general", {{"positionEncodings", {"utf-8"}}}}}
                                      : Json::object()},
                 {"initializationOptions", {{"formatting", data.ConsumeBool()}}}});
    for (int step = 0; step < 48 && data.remaining_bytes() > 0 && !server.Exited(); ++step) {
        const char* uri = kUris[data.ConsumeIntegralInRange<std::size_t>(0, kUris.size() - 1)];
        switch (data.ConsumeIntegralInRange(0, 9)) {
        case 0:
            notify("textDocument/didOpen", {{"textDocument",
                                             {{"uri", uri},
                                              {"languageId", "snobol4"},
                                              {"version", 1},
                                              {"text", Text(data)}}}});
            break;
        case 1:
        case 2: {
            Json change = {{"text", Text(data)}};
            if (data.ConsumeBool())
                change["range"] = {{"start", Position(data)}, {"end", Position(data)}};
            notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", step}}},
                                              {"contentChanges", {change}}});
            break;
        }
        case 3:
        case 4:
        case 5:
            request(kRequests[data.ConsumeIntegralInRange<std::size_t>(0, kRequests.size() - 1)],
                    Params(data));
            break;
        case 6:
            server.Receive(data.ConsumeRandomLengthString(200)); // no JSON, or odd JSON
            break;
        case 7: {
            const std::string stream = data.ConsumeRandomLengthString(300);
            vantel::framing::TextSource source(stream,
                                               1 + data.ConsumeIntegralInRange<std::size_t>(0, 64));
            vantel::framing::FrameReader reader(source, 256);
            std::string body, problem;
            for (int frames = 0; frames < 100; ++frames) {
                const auto result = reader.Next(body, problem);
                if (result == vantel::framing::FrameReader::Result::End) break;
                if (result == vantel::framing::FrameReader::Result::Message) server.Receive(body);
            }
            break;
        }
        case 8:
            notify(data.ConsumeBool() ? "textDocument/didClose" : "exit",
                   {{"textDocument", {{"uri", uri}}}});
            break;
        default:
            server.Idle();
            break;
        }
    }
    server.Idle();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    fuzz::RunOnBigStack([&] { Session(data); });
    return 0;
}
