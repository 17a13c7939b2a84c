// The text storage behind the string table: views that stay valid, texts
// that extend their left side in place, giving back a text found already,
// chunks of their own for large texts, and the table's reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/diagnostics.h"
#include "data/text_arena.h"
#include "data/values.h"
#include "harness.h"

namespace vantel {
namespace {

constexpr std::size_t kChunk = TextArena::kChunkSize;

TEST(TextArena, JoinedTextsExtendTheirLeftSideAndEarlierViewsStayValid) {
    TextArena arena;
    std::vector<std::pair<std::string_view, std::string>> kept; // view, expected text
    std::string_view grown = arena.Store("START");
    kept.emplace_back(grown, "START");
    std::string expected = "START";
    // Far past one chunk: the chain moves to a new chunk when the old is full.
    while (expected.size() < 30000) {
        const std::string_view next = arena.StoreJoined(grown, "abcdefg");
        expected += "abcdefg";
        ASSERT_EQ(next, expected);
        EXPECT_EQ(next.data(), grown.data()) << "only the right side is copied";
        grown = next;
        kept.emplace_back(grown, expected);
    }
    EXPECT_EQ(arena.ChunkCount(), 1u);
    // A chain in another direction: left sides that are not at the tail.
    for (int i = 0; i < 40; ++i) {
        const std::string_view copy = arena.StoreJoined(kept[0].first, grown);
        ASSERT_EQ(copy.size(), 5 + grown.size());
        EXPECT_NE(copy.data(), kept[0].first.data());
        kept.emplace_back(copy, "START" + expected);
    }
    EXPECT_GT(arena.ChunkCount(), 10u);
    for (const auto& [view, text] : kept)
        ASSERT_EQ(view, text);
}

TEST(TextArena, UndoGivesBackOnlyTheLastJoinedText) {
    TextArena arena;
    const std::string_view left = arena.Store("LEFT");
    const std::size_t tail = arena.TailOffset();
    arena.StoreJoined(left, "RIGHT");
    EXPECT_EQ(arena.TailOffset(), tail + 5);
    arena.UndoLastJoined();
    EXPECT_EQ(arena.TailOffset(), tail);
    arena.UndoLastJoined(); // a second undo does nothing
    EXPECT_EQ(arena.TailOffset(), tail);
    EXPECT_EQ(left, "LEFT");
    // A copied pair is given back whole, and left is at the tail again.
    const std::string_view other = arena.Store("X");
    arena.StoreJoined(left, other);
    arena.UndoLastJoined();
    EXPECT_EQ(arena.TailOffset(), tail + 1);
    const std::string_view again = arena.StoreJoined(other, "Y");
    EXPECT_EQ(again, "XY");
    EXPECT_EQ(again.data(), other.data());
}

TEST(TextArena, LargeTextsGetChunksOfTheirOwn) {
    TextArena arena;
    const std::string_view small = arena.Store("ab");
    const std::string big(kChunk * 2 + 3, 'z');
    const std::string_view stored = arena.Store(big);
    EXPECT_EQ(stored, big);
    EXPECT_EQ(arena.ChunkCount(), 2u);
    // The current chunk's tail is untouched: small still extends in place.
    const std::string_view joined = arena.StoreJoined(small, "cd");
    EXPECT_EQ(joined, "abcd");
    EXPECT_EQ(joined.data(), small.data());
    EXPECT_EQ(arena.Store(std::string(kChunk, 'q')).size(), kChunk) << "exactly a chunk";
    EXPECT_EQ(stored, big);
    arena.Reset();
    EXPECT_EQ(arena.ChunkCount(), 0u);
    EXPECT_EQ(arena.TailOffset(), 0u);
    EXPECT_EQ(arena.Store("again"), "again");
    EXPECT_EQ(arena.StoreJoined("", ""), "");
}

TEST(TextHash, ContinuesFromTheLeftSideAtAnySplit) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text.push_back(static_cast<char>(i * 37 + 200)); // high bytes as well
    for (std::size_t split = 0; split <= text.size(); ++split) {
        const std::string_view all(text), left = all.substr(0, split);
        ASSERT_EQ(HashText(all.substr(split), HashText(left)), HashText(all)) << split;
    }
    const std::string a = "HELLO, ", b = "WORLD";
    EXPECT_EQ(HashText(b, HashText(a)), HashText(a + b));
    EXPECT_EQ(HashText(""), kHashStart);
    EXPECT_NE(HashText("AB"), HashText("BA"));
}

class TableTexts : public ::testing::Test {
protected:
    void SetUp() override { test::FreshTables(true); } // errors are counted
};

TEST_F(TableTexts, AGrowingStringSharesItsStorageAndEveryEntryKeepsItsText) {
    StringItem* piece = LookupOrEnter("ABCDEFG");
    StringItem* s = piece;
    const int before = StringCount();
    std::string expected = "ABCDEFG";
    std::vector<StringItem*> entries;
    while (expected.size() + 7 <= static_cast<std::size_t>(kMaxStringLength)) {
        s = InternConcatenation(s, piece).string();
        expected += "ABCDEFG";
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->name, expected);
        EXPECT_EQ(s->name.data(), piece->name.data());
        entries.push_back(s);
    }
    EXPECT_EQ(StringCount(), before + static_cast<int>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ASSERT_EQ(entries[i]->name.size(), 14 + 7 * i);
        EXPECT_EQ(entries[i]->hash, HashText(entries[i]->name));
        EXPECT_EQ(LookupOrEnter(std::string(entries[i]->name)), entries[i]);
    }
    EXPECT_EQ(StringCount(), before + static_cast<int>(entries.size()));
}

TEST_F(TableTexts, AConcatenationFoundInTheTableGivesItsStorageBack) {
    StringItem* x = LookupOrEnter("X");
    StringItem* y = LookupOrEnter("Y");
    StringItem* known = LookupOrEnter("XZ");
    StringItem* z = LookupOrEnter("Z");
    StringItem* zy = InternConcatenation(z, y).string(); // extends Z in place
    ASSERT_EQ(zy->name, "ZY");
    const int count = StringCount();
    EXPECT_EQ(InternConcatenation(x, z).string(), known); // copied, found, given back
    EXPECT_EQ(StringCount(), count);
    // ZY still ends at the tail, so it grows in place.
    StringItem* zyy = InternConcatenation(zy, y).string();
    EXPECT_EQ(zyy->name, "ZYY");
    EXPECT_EQ(zyy->name.data(), z->name.data());
    // A found text that extended in place is given back as well.
    StringItem* zyyx = LookupOrEnter("ZYYX");
    StringItem* zyyy = InternConcatenation(zyy, y).string();
    EXPECT_EQ(zyyy->name, "ZYYY");
    EXPECT_NE(zyyy->name.data(), z->name.data()) << "ZYYX was stored after ZYY";
    EXPECT_EQ(InternConcatenation(zyyy, x).string()->name, "ZYYYX");
    EXPECT_EQ(zyyx->name, "ZYYX");
    EXPECT_EQ(InternConcatenation(zyy, x).string(), zyyx);
}

TEST_F(TableTexts, AlternatingRightSidesGiveTheSameEntries) {
    StringItem* l = LookupOrEnter("L");
    std::vector<StringItem*> rights, results;
    for (int i = 0; i < 5; ++i) {
        rights.push_back(LookupOrEnter(std::string("R").append(std::to_string(i))));
        results.push_back(InternConcatenation(l, rights.back()).string());
    }
    const int count = StringCount();
    for (int round = 0; round < 3; ++round)
        for (int i : {4, 0, 3, 0, 1, 2, 2, 4})
            EXPECT_EQ(InternConcatenation(l, rights[static_cast<std::size_t>(i)]).string(),
                      results[static_cast<std::size_t>(i)]);
    EXPECT_EQ(StringCount(), count);
    EXPECT_EQ(results[3]->name, "LR3");
}

TEST_F(TableTexts, TheLimitCountsEntriesNotTexts) {
    StringItem* a = LookupOrEnter("A");
    StringItem* s = a;
    while (StringCount() < kStringTableSize)
        s = InternConcatenation(s, a).string();
    ASSERT_NE(s, nullptr);
    const std::string last(s->name);
    const int errors = RunInfo().errorCount;
    EXPECT_TRUE(InternConcatenation(s, a).IsNull());
    EXPECT_EQ(RunInfo().errorCount, errors + 1) << "TOO MANY STRINGS";
    EXPECT_EQ(StringCount(), kStringTableSize);
    EXPECT_EQ(s->name, last);
    EXPECT_EQ(InternConcatenation(a, a).string()->name, "AA") << "found, no error";
    EXPECT_EQ(RunInfo().errorCount, errors + 1);
    EXPECT_EQ(LookupOrEnter(std::string(300, 'B')), nullptr);
    EXPECT_EQ(RunInfo().errorCount, errors + 2);
}

TEST_F(TableTexts, LinesLargerThanAChunkAreEnteredWhole) {
    const std::string line(kChunk + 1000, 'L');
    StringItem* big = LookupOrEnter(line);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->name, line);
    EXPECT_EQ(LookupOrEnter(line), big);
    StringItem* a = LookupOrEnter("A");
    EXPECT_EQ(InternConcatenation(a, a).string()->name.data(), a->name.data());
    EXPECT_EQ(big->name, line);
}

TEST(TableTextsReset, ARunTwiceInProcessGivesTheSameListing) {
    const std::string program = " &DUMP = 1\n"
                                " V = 'AB'\n"
                                "L V = LT(SIZE(V), 200) V 'CD' :S(L)\n"
                                " T = V 'E'\n"
                                " OUTPUT = SIZE(T)\n"
                                "END\n";
    const test::TwoRuns runs = test::RunTwice(program);
    const std::string& listing = runs.first;
    EXPECT_NE(listing.find(" 201\n"), std::string::npos);
    std::string t = "AB";
    while (t.size() < 200)
        t += "CD";
    EXPECT_NE(listing.find("  T = \"" + t + "E\""), std::string::npos);
    EXPECT_EQ(runs.second, listing);
    EXPECT_EQ(runs.firstStatus, runs.secondStatus);
}

} // namespace
} // namespace vantel
