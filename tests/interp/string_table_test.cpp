#include <gtest/gtest.h>

#include <string>

#include "data/diagnostics.h"
#include "data/pattern_table.h"
#include "data/values.h"
#include "harness.h"

namespace vantel {
namespace {

TEST(StringTable, InitialEntriesInTheirPositions) {
    test::FreshTables(true);
    ASSERT_EQ(StringCount(), 13);
    EXPECT_EQ(StringAt(1)->name, "ARB");
    EXPECT_EQ(StringAt(1)->value.kind(), Kind::Pattern);
    EXPECT_EQ(StringAt(6)->name, "&ALPHABET");
    EXPECT_TRUE(StringAt(6)->value.keyword().isProtected);
    EXPECT_EQ(StringAt(13)->name, "&ANCHOR");
    EXPECT_EQ(KeywordValue(KeywordIndex::Anchor), 1);
    EXPECT_EQ(KeywordValue(KeywordIndex::StLimit), 5000);
    EXPECT_EQ(AlphabetText().size(), 128u);
    EXPECT_EQ(AlphabetText()[65], 'A');
}

TEST(StringTable, EnteringTwiceGivesOneEntryAndCaseMatters) {
    test::FreshTables(true);
    StringItem* a = LookupOrEnter("abc");
    EXPECT_EQ(LookupOrEnter("abc"), a);
    EXPECT_NE(LookupOrEnter("ABC"), a);
    EXPECT_EQ(StringCount(), 15);
    EXPECT_EQ(StringAt(14), a);
}

TEST(StringTable, FullTableRefusesNewNamesButFindsOldOnes) {
    test::FreshTables(true);
    for (int i = StringCount(); i < kStringTableSize; ++i)
        LookupOrEnter(std::string("N").append(std::to_string(i)));
    ASSERT_EQ(StringCount(), kStringTableSize);
    const int errors = RunInfo().errorCount;
    EXPECT_EQ(LookupOrEnter("ONE MORE"), nullptr);
    EXPECT_EQ(RunInfo().errorCount, errors + 1);
    EXPECT_NE(LookupOrEnter("N100"), nullptr);
    EXPECT_EQ(StringCount(), kStringTableSize);
}

TEST(StringTable, ResetGivesTheSameTablesTwice) {
    test::FreshTables(true);
    LookupOrEnter("X")->value = Value::Integer(5);
    test::FreshTables(true);
    EXPECT_EQ(StringCount(), 13);
    EXPECT_TRUE(LookupOrEnter("X")->value.IsNull());
}

TEST(StringOperations, AppendStopsAtTheSizeLimit) {
    test::FreshTables(true);
    std::string text(16000, 'a');
    EXPECT_TRUE(AppendChecked(text, std::string(16000, 'b')));
    EXPECT_EQ(text.size(), 32000u);
    const int errors = RunInfo().errorCount;
    EXPECT_FALSE(AppendChecked(text, "c"));
    EXPECT_EQ(RunInfo().errorCount, errors + 1);
    EXPECT_EQ(text.size(), 32000u);
}

TEST(StringOperations, SubstringTrimAndNumbers) {
    test::FreshTables(true);
    EXPECT_EQ(Substring("ABCDE", 2, 99), "BCDE");
    EXPECT_EQ(Substring("ABCDE", 3, 2), "");
    const int errors = RunInfo().errorCount;
    EXPECT_EQ(Substring("ABC", 4, 5), "");
    EXPECT_EQ(RunInfo().errorCount, errors + 1);
    EXPECT_EQ(TrimTrailingBlanks("AB  "), "AB");
    EXPECT_EQ(TrimTrailingBlanks("   "), "");
    EXPECT_EQ(TrimTrailingBlanks(""), "");
    char buffer[16];
    EXPECT_EQ(FormatInteger(-2147483647 - 1, buffer), "-2147483648");
    EXPECT_EQ(FormatInteger(0, buffer), "0");
}

TEST(Values, NullStringHasOneForm) {
    test::FreshTables(true);
    EXPECT_TRUE(InternString("").IsNull());
    EXPECT_TRUE(Value::String(EmptyNameItem()).IsNull());
    EXPECT_EQ(InternString("Q").string(), LookupOrEnter("Q"));
}

TEST(Values, PatternTablesAreSharedAndFreed) {
    test::FreshTables(true);
    PatternTable* table = NewPatternTable(1);
    {
        Value a = Value::Pattern(table);
        Value b = a;
        EXPECT_EQ(table->refs, 2);
        Value c = std::move(b);
        EXPECT_EQ(table->refs, 2);
        EXPECT_EQ(c.pattern(), table);
    }
    // A very deep chain of tables referring to each other is freed without
    // recursion (this would overflow the stack otherwise).
    Value chain = Value::Pattern(NewPatternTable(1));
    for (int i = 0; i < 200000; ++i) {
        PatternTable* outer = NewPatternTable(1);
        outer->node(1).argument = chain;
        chain = Value::Pattern(outer);
    }
    chain = Value();
    SUCCEED();
}

// Names folded by the lexer and by file association, and integer texts of
// dumps and messages, come from one function each.
TEST(TextRules, UpperCasingAndIntegerTexts) {
    const std::pair<std::string, std::string> names[] = {
        {"abc", "ABC"}, {"aZ09.", "AZ09."}, {"", ""}, {"x\xe9y", "X\xe9Y"}, {"`{@[", "`{@["}};
    for (const auto& [text, upper] : names)
        EXPECT_EQ(UpperCased(text), upper) << text;
    const std::int32_t numbers[] = {0, 7, -7, 2147483647, -2147483647 - 1};
    for (const std::int32_t n : numbers)
        EXPECT_EQ(IntegerText(n), std::to_string(n));
}

} // namespace
} // namespace vantel
