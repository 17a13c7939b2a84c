// The table of words agrees with the interpreter (every primitive the
// parser knows, each one's number of arguments as the executor checks it,
// each keyword's protection and initial value) and with the README.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "analysis/words.h"
#include "data/data_state.h"
#include "data/values.h"
#include "harness.h"
#include "translator/parser.h"

namespace vantel::words {
namespace {

TEST(Words, EveryPrimitiveOnce) {
    std::vector<Primitive> seen;
    for (const PrimitiveWord& w : Primitives()) {
        const Primitive p = PrimitiveNamed(w.name);
        EXPECT_NE(p, Primitive::None) << w.name;
        EXPECT_TRUE(w.callForm.starts_with(std::string(w.name) + "(")) << w.name;
        EXPECT_EQ(std::find(seen.begin(), seen.end(), p), seen.end()) << w.name;
        seen.push_back(p);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(Primitive::DEFINE));
}

// A call with one argument too many meets the executor's "illegal call"
// message; with the table's count it does not.
TEST(Words, ArgumentCountsAreTheExecutors) {
    auto illegal = [](const PrimitiveWord& w, int count) {
        std::string call = std::string(w.name) + "(";
        for (int i = 0; i < count; ++i)
            call += i ? ",1" : "1";
        const std::string listing = test::RunProgram(" X = " + call + ")\nEND\n");
        std::string upper = listing;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return upper.find("--- ILLEGAL FUNCTION CALL ---") != std::string::npos;
    };
    for (const PrimitiveWord& w : Primitives()) {
        const int arity = w.arity < 0 ? 2 : w.arity;
        EXPECT_EQ(illegal(w, arity + 1), w.arity >= 0) << w.name;
        EXPECT_FALSE(illegal(w, arity)) << w.name;
        EXPECT_EQ(Parameters(w).size(), static_cast<std::size_t>(arity)) << w.name;
    }
}

TEST(Words, KeywordsAsARunStartsThem) {
    test::FreshTables(false);
    EXPECT_EQ(Keywords().size(), static_cast<std::size_t>(kKeywordCount));
    for (const KeywordWord& w : Keywords()) {
        const StringItem* entry = LookupOrEnter(w.name);
        ASSERT_EQ(entry->value.kind(), Kind::Keyword) << w.name;
        const KeywordRef k = entry->value.keyword();
        EXPECT_EQ(k.isProtected, w.isProtected) << w.name;
        if (k.index != KeywordIndex::Alphabet) {
            EXPECT_EQ(std::to_string(KeywordValue(k.index)), w.initialValue) << w.name;
        }
    }
    test::DropTables();
}

// The README's tables are made from the table (a failure prints them).
TEST(Words, ReadmeTablesMatch) {
    std::ifstream in(VANTEL_README);
    std::stringstream readme;
    readme << in.rdbuf();
    for (const auto& [marker, table] :
         {std::pair{"primitives", PrimitiveTable()}, std::pair{"keywords", KeywordTable()}}) {
        const std::string begin = std::string("<!-- words: ") + marker + " -->\n";
        const std::string text = readme.str();
        const std::size_t from = text.find(begin);
        const std::size_t to = text.find("<!-- end of words -->", from);
        ASSERT_NE(from, std::string::npos) << begin;
        ASSERT_NE(to, std::string::npos) << marker;
        EXPECT_EQ(text.substr(from + begin.size(), to - from - begin.size()), table)
            << "The README's table of " << marker << " should read:\n"
            << table;
    }
}

// The VS Code grammar colours the same primitives.
TEST(Words, GrammarKnowsEveryPrimitive) {
    std::ifstream in(VANTEL_VSCODE_GRAMMAR);
    std::stringstream grammar;
    grammar << in.rdbuf();
    std::string names;
    for (const PrimitiveWord& w : Primitives())
        names.append(names.empty() ? "(?:" : "|").append(w.name);
    EXPECT_NE(grammar.str().find(names + ")(?=\\\\()"), std::string::npos) << names;
}

} // namespace
} // namespace vantel::words
