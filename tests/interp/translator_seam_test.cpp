// The translator reading text in memory and handing messages to a sink:
// the listing made that way is the listing made from the file, and every
// message, statement and leaf carries its place in the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "data/diagnostics.h"
#include "data/textfile.h"
#include "driver/run.h"
#include "harness.h"
#include "random_programs.h"
#include "translator/internal_form.h"
#include "translator/messages.h"

namespace vantel {
namespace {

std::string Masked(const std::string& listing) {
    static const std::regex timing(" COMPILATION TIME -?[0-9]+ ");
    return std::regex_replace(listing, timing, " COMPILATION TIME N ");
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Translated {
    std::string listing;
    int statements = 0;
};

Translated FromFile(const std::string& text) {
    Translated t;
    t.listing = Masked(test::TranslateText(text));
    t.statements = TheProgram().count;
    test::DropTables();
    return t;
}

Translated FromMemory(const std::string& text) {
    test::DropTables();
    const RunObject run;
    const std::string listing = test::ScratchPath("memory.lst");
    OpenListing(listing);
    ListingSink sink;
    TranslateText(text, sink);
    CloseListing();
    return {Masked(Slurp(listing)), TheProgram().count};
}

struct Message {
    std::string text;
    SourceSpan span;
};

class Collector final : public MessageSink {
public:
    void Message(std::string_view text, const SourceSpan& where) override {
        messages.push_back({std::string(text), where});
    }
    std::vector<struct Message> messages;
};

// Messages of a text translated in memory, the run left for inspection.
std::unique_ptr<RunObject> gRun;
std::vector<Message> Messages(const std::string& text, bool* ended = nullptr) {
    test::DropTables();
    gRun.reset();
    gRun = std::make_unique<RunObject>();
    Collector collector;
    const bool done = TranslateText(text, collector);
    if (ended != nullptr) *ended = done;
    return collector.messages;
}

TEST(TranslatorSeam, MemoryListingIsTheFileListing) {
    std::vector<std::string> texts;
    for (const char* folder : {"cases", "limits", "errors"})
        for (const auto& entry :
             std::filesystem::directory_iterator(std::string(VANTEL_E2E_DIR) + "/" + folder))
            if (entry.path().extension() == ".sno") texts.push_back(Slurp(entry.path()));
    std::mt19937 random(28);
    for (int i = 0; i < 400; ++i)
        texts.push_back(test::RandomProgram(random));
    for (const std::string& text : texts) {
        const Translated file = FromFile(text);
        const Translated memory = FromMemory(text);
        ASSERT_EQ(memory.listing, file.listing) << text;
        ASSERT_EQ(memory.statements, file.statements) << text;
    }
}

TEST(TranslatorSeam, EveryMessageLiesInItsCard) {
    std::mt19937 random(2828);
    for (int i = 0; i < 400; ++i) {
        const std::string text = test::RandomProgram(random);
        const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
        for (const Message& m : Messages(text)) {
            const auto [from, to] = m.span;
            ASSERT_TRUE(from.line >= 1 && from.line <= lines && to.line >= from.line) << text;
            ASSERT_TRUE(from.column >= 1 && from.column <= 161 && to.column >= 1) << text;
            ASSERT_TRUE(to.line > from.line || to.column >= from.column) << m.text << "\n" << text;
        }
    }
}

SourceSpan Span(int line, int from, int toLine, int to) {
    return {{line, from}, {toLine, to}};
}

TEST(TranslatorSeam, MessagesAtTheirTokens) {
    for (const char* end : {"\n", "\r\n"}) {
        const std::string e = end;
        auto only = [&](const std::string& text) {
            const auto messages = Messages(text);
            EXPECT_EQ(messages.size(), 1u) << text;
            return messages.empty() ? Message{} : messages[0];
        };
        Message m = only(" X = 'abc" + e + "END" + e);
        EXPECT_EQ(m.text, "UNTERMINATED LITERAL");
        EXPECT_EQ(m.span, Span(1, 6, 1, 10)); // from the quote to the card's end
        m = only("* note" + e + " X = &FOO Y" + e + "END" + e);
        EXPECT_EQ(m.text, "UNSUPPORTED KEYWORD");
        EXPECT_EQ(m.span, Span(2, 6, 2, 10));
        m = only(" X = 1" + e + "+ ) 2" + e + "END" + e); // on the continuation card
        EXPECT_EQ(m.text, "TOKEN \";\" DOES NOT OCCUR WHERE EXPECTED  ");
        EXPECT_EQ(m.span, Span(2, 3, 2, 4));
        m = only(" X = LEN(1 2 :" + e + "END" + e);
        EXPECT_EQ(m.text, "ERROR IN ARGUMENT LIST");
        EXPECT_EQ(m.span.from, (SourcePlace{1, 14}));
    }
    // A statement's end found at the blank the reader appends to its card;
    // a card of 160 columns has none, and its end comes just after it.
    const auto messages = Messages(" X = (1\n Y = 2\n");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].span.from, (SourcePlace{1, 8}));
    EXPECT_EQ(messages[2].text, "PROGRAM HAS NO END.");
    const auto full = Messages(" X = (" + std::string(154, '1') + "\nEND\n");
    ASSERT_FALSE(full.empty());
    EXPECT_EQ(full[0].span.from, (SourcePlace{1, 161}));
}

TEST(TranslatorSeam, StatementsAndLeavesCarryTheirPlaces) {
    bool ended = false;
    Messages("* first\nLOOP X = LEN(2) 'ab'\n+   :(LOOP)\nEND START\n", &ended);
    EXPECT_TRUE(ended);
    const SourcePlaces& places = Translation().places;
    ASSERT_EQ(places.statements.size(), 1u);
    EXPECT_EQ(places.statements[0].first, Span(2, 1, 2, 5));
    std::vector<std::pair<std::string, SourceSpan>> leaves;
    for (const PlacedNode& p : places.nodes)
        leaves.emplace_back(std::string(p.node->entry != nullptr ? p.node->entry->name : "2"),
                            p.span);
    const std::vector<std::pair<std::string, SourceSpan>> expected{{"X", Span(2, 6, 2, 7)},
                                                                   {"LEN", Span(2, 10, 2, 13)},
                                                                   {"2", Span(2, 14, 2, 15)},
                                                                   {"ab", Span(2, 17, 2, 21)},
                                                                   {"LOOP", Span(3, 7, 3, 11)}};
    EXPECT_EQ(leaves, expected);
    ASSERT_TRUE(places.endLabel.has_value());
    EXPECT_EQ(*places.endLabel, Span(4, 5, 4, 10));
    EXPECT_TRUE(places.everyStatementParsed);
    gRun.reset();
}

TEST(TranslatorSeam, KnowsWhenStatementsWentUnparsed) {
    // A skip to a missing ')' swallows the next statement; the error limit
    // and a missing END stop translation early.
    Messages(" X = (1\n Y = 2\n Z = 3)\nEND\n");
    EXPECT_FALSE(Translation().places.everyStatementParsed);
    Messages(" X = (1)\n Y = 2\nEND\n");
    EXPECT_TRUE(Translation().places.everyStatementParsed);
    Messages(" X = 1\n");
    EXPECT_FALSE(Translation().places.everyStatementParsed);
    std::string many;
    for (int i = 0; i < 30; ++i)
        many += " X = &FOO\n";
    Messages(many + "END\n");
    EXPECT_FALSE(Translation().places.everyStatementParsed);
    gRun.reset();
}

} // namespace
} // namespace vantel
