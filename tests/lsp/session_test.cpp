// Scripted sessions with the real vantel-lsp over pipes, one per feature.
#include <gtest/gtest.h>

#include <random>

#include "lsp_client.h"

namespace vantel::lsp::test {
namespace {

const std::string kSample = "* A sample for the sessions.\n"
                            " DEFINE('FACT(N)T', 'FACT')                     :(MAIN)\n"
                            "FACT FACT = LE(N, 1) 1                          :S(RETURN)\n"
                            " FACT = N * FACT(N - 1)                         :(RETURN)\n"
                            "MAIN I = 0\n"
                            "LOOP I = LT(I, 5) I + 1                         :F(DONE)\n"
                            " OUTPUT = FACT(I) SIZE(I, 2)                    :(LOOP)\n"
                            "DONE &ANCHOR = 0\n"
                            "END\n";

// The position of the skip+1st occurrence of needle in text, plus `into`.
Json Where(const std::string& text, std::string_view needle, int skip = 0, int into = 0) {
    std::size_t at = text.find(needle);
    while (skip-- > 0)
        at = text.find(needle, at + 1);
    const std::size_t lineStart = text.rfind('\n', at) + 1; // npos + 1 is 0
    const int line =
        static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
    return {{"line", line}, {"character", static_cast<int>(at - lineStart) + into}};
}

Json AtText(std::string_view needle, int skip = 0, int into = 0, const std::string& uri = kUri,
            const std::string& text = kSample) {
    return {{"textDocument", {{"uri", uri}}}, {"position", Where(text, needle, skip, into)}};
}

Json Range(int l1, int c1, int l2, int c2) {
    return {{"start", {{"line", l1}, {"character", c1}}},
            {"end", {{"line", l2}, {"character", c2}}}};
}

Json Change(const Json& range, const std::string& text, int version,
            const std::string& uri = kUri) {
    Json change = {{"text", text}};
    if (!range.is_null()) change["range"] = range;
    return {{"textDocument", {{"uri", uri}, {"version", version}}}, {"contentChanges", {change}}};
}

// Locations as "line:character" of their starts.
std::vector<std::string> Starts(const Json& locations) {
    std::vector<std::string> out;
    for (const Json& l : locations) {
        const Json& start = l.contains("range") ? l["range"]["start"] : l["start"];
        out.push_back(std::to_string(start["line"].get<int>()) + ":" +
                      std::to_string(start["character"].get<int>()));
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(Session, LifeCycle) {
    Client client;
    EXPECT_EQ(client.Request("textDocument/hover", At(0, 0))["error"]["code"], -32002);
    const Json init = client.Initialize();
    const Json& capabilities = init["result"]["capabilities"];
    EXPECT_EQ(capabilities["textDocumentSync"]["change"], 2);
    EXPECT_EQ(capabilities["positionEncoding"], "utf-16");
    EXPECT_FALSE(capabilities.contains("documentFormattingProvider"));
    EXPECT_EQ(init["result"]["serverInfo"]["name"], "vantel-lsp");
    EXPECT_EQ(client.Request("initialize", {{"capabilities", Json::object()}})["error"]["code"],
              -32600);
    EXPECT_EQ(client.Request("no/such/method")["error"]["code"], -32601);
    EXPECT_EQ(client.Request("shutdown")["result"], nullptr);
    EXPECT_EQ(client.Request("textDocument/hover", At(0, 0))["error"]["code"], -32600);
    client.Notify("exit", nullptr);
    EXPECT_EQ(client.Finish(), 0);

    Client rude; // exit without shutdown
    rude.Initialize();
    rude.Notify("exit", nullptr);
    EXPECT_EQ(rude.Finish(), 1);
}

TEST(Session, Diagnostics) {
    Client client;
    client.Initialize();
    Json d = client.Open(kUri, kSample);
    EXPECT_EQ(d["version"], 1);
    ASSERT_EQ(d["diagnostics"].size(), 1u);
    EXPECT_EQ(d["diagnostics"][0]["message"], "SIZE takes 1 argument, not 2");
    EXPECT_EQ(d["diagnostics"][0]["severity"], 2);
    EXPECT_EQ(d["diagnostics"][0]["range"], Range(6, 18, 6, 22));

    // Incremental: the call mended, then a literal left open.
    client.Notify("textDocument/didChange", Change(Range(6, 18, 6, 28), "SIZE(I)", 2));
    d = client.WaitFor("textDocument/publishDiagnostics");
    EXPECT_EQ(d["version"], 2);
    EXPECT_TRUE(d["diagnostics"].empty());
    client.Notify("textDocument/didChange", Change(Range(7, 15, 7, 15), "'", 3));
    d = client.WaitFor("textDocument/publishDiagnostics");
    ASSERT_EQ(d["diagnostics"].size(), 1u);
    EXPECT_EQ(d["diagnostics"][0]["message"], "UNTERMINATED LITERAL");
    EXPECT_EQ(d["diagnostics"][0]["severity"], 1);
    EXPECT_EQ(d["diagnostics"][0]["source"], "vantel");
    EXPECT_EQ(d["diagnostics"][0]["range"]["start"], Where(kSample, "0\nEND"));

    // Whole text: every message as the listing words it.
    client.Notify("textDocument/didChange",
                  Change(nullptr, " X = &FOO (1\n Y = 'a' :(NOWHERE)\n", 4));
    d = client.WaitFor("textDocument/publishDiagnostics");
    std::vector<std::string> messages;
    for (const Json& diagnostic : d["diagnostics"])
        messages.push_back(diagnostic["message"]);
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "UNSUPPORTED KEYWORD", "TOKEN \")\" DOES NOT OCCUR WHERE EXPECTED  ",
                            "TOKEN \";\" DOES NOT OCCUR WHERE EXPECTED  ", "PROGRAM HAS NO END."}));
    EXPECT_EQ(d["diagnostics"][0]["range"], Range(0, 5, 0, 9));

    client.Notify("textDocument/didClose", {{"textDocument", {{"uri", kUri}}}});
    d = client.WaitFor("textDocument/publishDiagnostics");
    EXPECT_TRUE(d["diagnostics"].empty());
}

TEST(Session, Navigation) {
    Client client;
    client.Initialize();
    client.Open(kUri, kSample);

    const Json symbols = client.Request("textDocument/documentSymbol",
                                        {{"textDocument", {{"uri", kUri}}}})["result"];
    std::vector<std::string> names;
    for (const Json& s : symbols)
        names.push_back(s["name"].get<std::string>() + "/" + std::to_string(s["kind"].get<int>()));
    EXPECT_EQ(names, (std::vector<std::string>{"FACT/20", "MAIN/20", "LOOP/20", "DONE/20"}));
    ASSERT_EQ(symbols[0]["children"].size(), 1u);
    EXPECT_EQ(symbols[0]["children"][0]["detail"], "FACT(N)T");
    EXPECT_EQ(symbols[0]["range"], Range(2, 0, 2, 58)); // its statement's cards
    EXPECT_EQ(symbols[1]["range"], Range(4, 0, 4, 10));

    // A goto's target goes to its label; a call to its DEFINE and entry label.
    Json found = client.Request("textDocument/definition", AtText("DONE)", 0, 1))["result"];
    EXPECT_EQ(Starts(found), std::vector<std::string>{"7:0"});
    found = client.Request("textDocument/definition", AtText("FACT(N - 1)", 0, 2))["result"];
    EXPECT_EQ(Starts(found), (std::vector<std::string>{"1:9", "2:0"}));

    Json refs = client.Request("textDocument/references", [] {
        Json p = AtText("LOOP");
        p["context"] = {{"includeDeclaration", true}};
        return p;
    }())["result"];
    EXPECT_EQ(Starts(refs), (std::vector<std::string>{"5:0", "6:50"}));
    refs = client.Request("textDocument/references", [] {
        Json p = AtText("FACT(I)");
        p["context"] = {{"includeDeclaration", false}};
        return p;
    }())["result"];
    EXPECT_EQ(Starts(refs), (std::vector<std::string>{"3:12", "6:10"}));
    const Json highlights =
        client.Request("textDocument/documentHighlight", AtText("MAIN)", 0, 2))["result"];
    EXPECT_EQ(Starts(highlights), (std::vector<std::string>{"1:50", "4:0"}));

    // Renaming a function: the name in DEFINE's literal, the calls, the
    // function's variable; not the label of the same name.
    const Json rename = client.Request("textDocument/rename", [] {
        Json p = AtText("FACT(I)");
        p["newName"] = "Fact2";
        return p;
    }())["result"]["changes"][kUri];
    std::vector<std::string> edits;
    for (const Json& e : rename)
        edits.push_back(std::to_string(e["range"]["start"]["line"].get<int>()) + ":" +
                        std::to_string(e["range"]["start"]["character"].get<int>()) + "=" +
                        e["newText"].get<std::string>());
    std::sort(edits.begin(), edits.end());
    EXPECT_EQ(edits, (std::vector<std::string>{"1:9=FACT2", "2:5=Fact2", "3:12=Fact2", "3:1=Fact2",
                                               "6:10=Fact2"}));
    auto refused = [&](const char* needle, const char* name) {
        Json p = AtText(needle);
        p["newName"] = name;
        return client.Request("textDocument/rename", p)["error"]["message"].get<std::string>();
    };
    EXPECT_EQ(refused("LOOP", "MAIN"), "A statement already has the label MAIN");
    EXPECT_EQ(refused("LOOP", "return"), "return is a reserved word");
    EXPECT_EQ(refused("LOOP", "2X"),
              "'2X' is not a name: a letter, then letters, digits and periods");
    EXPECT_EQ(refused("FACT(I)", "N"), "N is already a variable in this file");
    EXPECT_EQ(refused("LOOP", std::string(120, 'L').c_str()),
              "Line 6 would be longer than 160 columns, and its end would be lost");
    EXPECT_EQ(client.Request("textDocument/prepareRename", AtText("LE("))["error"]["message"],
              "Only a label or a function defined in this file can be renamed");
    EXPECT_EQ(client.Request("textDocument/prepareRename", AtText("LOOP"))["result"]["placeholder"],
              "LOOP");
}

TEST(Session, HelpWhileTyping) {
    Client client;
    client.Initialize();
    client.Open(kUri, kSample);
    auto hover = [&](const Json& at) {
        return client.Request("textDocument/hover", at)["result"]["contents"]["value"]
            .get<std::string>();
    };
    EXPECT_NE(hover(AtText("LE(")).find("LE(N1, N2)"), std::string::npos);
    const std::string keyword = hover(AtText("&ANCHOR", 0, 3));
    EXPECT_NE(keyword.find("Protected: no"), std::string::npos);
    EXPECT_NE(keyword.find("Initial value: 1"), std::string::npos);
    EXPECT_NE(hover(AtText("DONE)")).find("the label of statement 7, line 8"), std::string::npos);
    const std::string function = hover(AtText("FACT(I)"));
    EXPECT_NE(function.find("FACT(N)"), std::string::npos);
    EXPECT_NE(function.find("Locals: T"), std::string::npos);
    EXPECT_EQ(client.Request("textDocument/hover", AtText("A sample"))["result"], nullptr);

    const std::string typing = " X = &AN\n X = 1 :S(\n X = SI\n X = DUPL('a, b', \nEND\n";
    const std::string uri = "file:///tmp/typing.sno";
    client.Open(uri, typing);
    auto labels = [&](const Json& at) {
        std::vector<std::string> out;
        const Json r = client.Request("textDocument/completion", at);
        if (!r["result"].is_array()) ADD_FAILURE() << r.dump();
        for (const Json& item : r["result"])
            out.push_back(item["label"]);
        return out;
    };
    const auto keywords = labels(AtText("&AN", 0, 3, uri, typing));
    EXPECT_NE(std::find(keywords.begin(), keywords.end(), "&ANCHOR"), keywords.end());
    EXPECT_EQ(keywords.size(), 12u);
    const auto targets = labels(AtText("S(", 0, 2, uri, typing));
    EXPECT_NE(std::find(targets.begin(), targets.end(), "RETURN"), targets.end());
    const auto calls = labels(AtText("SI", 0, 2, uri, typing));
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SIZE"), calls.end());
    EXPECT_TRUE(labels(AtText("a, b", 0, 1, uri, typing)).empty()); // inside a literal

    const Json help =
        client.Request("textDocument/signatureHelp", AtText("b', ", 0, 4, uri, typing))["result"];
    EXPECT_EQ(help["signatures"][0]["label"], "DUPL(S, N)");
    EXPECT_EQ(help["activeParameter"], 1); // the comma in the literal does not count
}

TEST(Session, SemanticTokens) {
    Client client;
    const Json init = client.Initialize();
    const Json legend =
        init["result"]["capabilities"]["semanticTokensProvider"]["legend"]["tokenTypes"];
    const std::string text = "LOOP X = LEN(2) 'ab' :S(LOOP)\n* note\nEND\n";
    client.Open(kUri, text);
    const Json data = client.Request("textDocument/semanticTokens/full",
                                     {{"textDocument", {{"uri", kUri}}}})["result"]["data"];
    std::vector<std::string> decoded;
    int line = 0, character = 0;
    for (std::size_t i = 0; i + 4 < data.size(); i += 5) {
        line += data[i].get<int>();
        character =
            data[i].get<int>() == 0 ? character + data[i + 1].get<int>() : data[i + 1].get<int>();
        decoded.push_back(std::to_string(line) + ":" + std::to_string(character) + "+" +
                          std::to_string(data[i + 2].get<int>()) + " " +
                          legend[data[i + 3].get<std::size_t>()].get<std::string>() +
                          (data[i + 4].get<int>() ? "*" : ""));
    }
    EXPECT_EQ(decoded,
              (std::vector<std::string>{"0:0+4 label", "0:5+1 variable", "0:7+1 operator",
                                        "0:9+3 function*", "0:13+1 number", "0:16+4 string",
                                        "0:21+1 goto", "0:22+1 goto", "0:23+1 goto", "0:24+4 label",
                                        "0:28+1 goto", "1:0+6 comment", "2:0+3 keyword"}));
    const Json range = client.Request(
        "textDocument/semanticTokens/range",
        {{"textDocument", {{"uri", kUri}}}, {"range", Range(1, 0, 1, 3)}})["result"]["data"];
    EXPECT_EQ(range, Json({1, 0, 6, 1, 0}));
}

TEST(Session, FormattingWhenAsked) {
    const std::string text = "LOOP   X = 1 :(LOOP)\nEND\n";
    Client plain;
    plain.Initialize();
    plain.Open(kUri, text);
    EXPECT_EQ(
        plain.Request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}},
                                                  {"options", Json::object()}})["error"]["code"],
        -32601);
    for (const bool byArgument : {true, false}) {
        Client asked(byArgument ? std::vector<std::string>{"--formatting"}
                                : std::vector<std::string>{});
        const Json init =
            asked.Initialize(Json::object(), byArgument ? Json() : Json{{"formatting", true}});
        EXPECT_EQ(init["result"]["capabilities"]["documentFormattingProvider"], true);
        asked.Open(kUri, text);
        const Json edits =
            asked.Request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}},
                                                      {"options", Json::object()}})["result"];
        ASSERT_EQ(edits.size(), 2u);
        EXPECT_EQ(edits[0]["range"], Range(0, 4, 0, 7));
        EXPECT_EQ(edits[0]["newText"], " ");
        EXPECT_EQ(edits[1]["newText"], std::string(48 - 10, ' '));
    }
}

TEST(Session, BrokenMessagesAreAnsweredAndSurvived) {
    Client client;
    client.Initialize();
    client.SendRaw("Content-Length: abc\r\n\r\n{}");
    EXPECT_NE(client.WaitFor("window/logMessage")["message"].get<std::string>().find(
                  "not a decimal number"),
              std::string::npos);
    client.SendRaw("Content-Length: 999999999999\r\n\r\n");
    client.SendRaw(framing::Frame("{not json"));
    Json answer = client.Request("shutdown-not"); // still answered after all that
    EXPECT_EQ(answer["error"]["code"], -32601);
    client.SendRaw(framing::Frame("[1, 2]"));
    client.SendRaw(framing::Frame(std::string(100, '[') + std::string(100, ']')));
    client.Notify("no/such/notification", Json::object());
    client.Notify("textDocument/didChange", Change(nullptr, "x", 2, "file:///never-opened"));
    EXPECT_EQ(client.Request("textDocument/hover", {{"textDocument", {{"uri", kUri}}},
                                                    {"position", "here"}})["error"]["code"],
              -32602);
    EXPECT_EQ(client.Request("textDocument/hover", At(0, 0))["error"]["code"], -32602); // not open
    client.Open(kUri, kSample);
    EXPECT_EQ(client.Request("textDocument/hover", At(1000, -5))["result"], nullptr);
    client.Notify("textDocument/didChange",
                  Change(Range(9, 0, 2, 3), "", 2)); // reversed, beyond the end
    EXPECT_TRUE(
        client.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", kUri}}}})["result"]
            .is_array());
    // The unreadable messages were answered with id null, in order.
    std::vector<int> codes;
    for (int i = 0; i < 3; ++i)
        codes.push_back(client.WaitForId(nullptr)["error"]["code"]);
    EXPECT_EQ(codes, (std::vector<int>{-32700, -32600, -32700}));
    // A client that goes away in the middle of a message.
    client.SendRaw("Content-Length: 100\r\n\r\n{\"jsonrpc\"");
    EXPECT_EQ(client.Finish(), 1);
}

TEST(Session, PositionsInUtf16AndUtf8) {
    const std::string text = " X = 'é😀' &FOO\r\nEND\r\n";
    Client utf16;
    utf16.Initialize();
    Json d = utf16.Open(kUri, text);
    EXPECT_EQ(d["diagnostics"][0]["range"], Range(0, 11, 0, 15));
    Client utf8;
    const Json init = utf8.Initialize({{"general", {{"positionEncodings", {"utf-8", "utf-16"}}}}});
    EXPECT_EQ(init["result"]["capabilities"]["positionEncoding"], "utf-8");
    d = utf8.Open(kUri, text);
    EXPECT_EQ(d["diagnostics"][0]["range"], Range(0, 14, 0, 18));
    // A card cut at its 160th byte inside a character.
    std::string cut = " X = 'a";
    for (int i = 0; i < 80; ++i)
        cut += "é";
    d = utf16.Open("file:///tmp/cut.sno", cut + "\nEND\n");
    EXPECT_EQ(d["diagnostics"][0]["message"], "UNTERMINATED LITERAL");
    EXPECT_EQ(d["diagnostics"][0]["range"], Range(0, 5, 0, 83));
    // An edit inside the text after the emoji, in each encoding.
    utf16.Notify("textDocument/didChange", Change(Range(0, 12, 0, 15), "TRIM", 2));
    EXPECT_TRUE(utf16.WaitFor("textDocument/publishDiagnostics")["diagnostics"].empty());
    utf8.Notify("textDocument/didChange", Change(Range(0, 15, 0, 18), "TRIM", 2));
    EXPECT_TRUE(utf8.WaitFor("textDocument/publishDiagnostics")["diagnostics"].empty());
}

// Texts no program should be: each is answered, quickly enough for the
// time limit, without a crash.
TEST(Session, HostileTexts) {
    std::mt19937 random(3);
    std::string binary;
    for (int i = 0; i < 200000; ++i)
        binary += static_cast<char>(random() % 128);
    std::string huge;
    while (huge.size() < 5'000'000)
        huge += "L" + std::to_string(huge.size()) + " X = 'abc' Y :(L0)\n";
    std::string cards;
    for (int i = 0; i < 20000; ++i)
        cards += " X = X + 1\n";
    const std::vector<std::string> texts{binary,
                                         huge,
                                         " X = '" + std::string(100000, 'a') + "'\nEND\n",
                                         cards + "END\n",
                                         std::string(161, '\'') + "\nEND\n",
                                         std::string(3000, '(') + "\n",
                                         ""};
    Client client;
    client.Initialize();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string uri = "file:///tmp/hostile" + std::to_string(i) + ".sno";
        const Json d = client.Open(uri, texts[i]);
        EXPECT_EQ(d["uri"], uri);
        // The whole text's tokens where they are few (5 MB give 25 MB of
        // JSON, slow to read in a sanitised test), else the first lines'.
        const bool whole = texts[i].size() < 1'000'000;
        const Json where = {{"textDocument", {{"uri", uri}}}, {"range", Range(0, 0, 100, 0)}};
        EXPECT_TRUE(client
                        .Request(whole ? "textDocument/semanticTokens/full"
                                       : "textDocument/semanticTokens/range",
                                 where)["result"]
                        .contains("data"));
        EXPECT_FALSE(
            client
                .Request("textDocument/hover", {{"textDocument", {{"uri", uri}}},
                                                {"position", {{"line", 0}, {"character", 3}}}})
                .contains("error"));
        client.Notify("textDocument/didClose", {{"textDocument", {{"uri", uri}}}});
        client.WaitFor("textDocument/publishDiagnostics");
    }
    client.Request("shutdown");
    client.Notify("exit", nullptr);
    EXPECT_EQ(client.Finish(), 0);
}

} // namespace
} // namespace vantel::lsp::test
