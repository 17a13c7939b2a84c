// The document's two ways of counting: every byte offset maps to a client
// position and back, positions never run backwards as offsets grow (also
// inside a character), and edits anywhere keep the text whole.
#include <gtest/gtest.h>

#include <random>

#include "lsp/document.h"

namespace vantel::lsp {
namespace {

bool Before(const Position& a, const Position& b) {
    return a.line < b.line || (a.line == b.line && a.character <= b.character);
}

TEST(Document, PositionsFollowOffsets) {
    // One to four bytes a character, bytes that start no character, and
    // every kind of line end.
    const std::string text = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z\r\n\xe2\x82\r\xff\n\n\xe2";
    for (const Encoding e : {Encoding::Utf16, Encoding::Utf8}) {
        const Document d(text, 1);
        Position previous{0, 0};
        for (std::size_t offset = 0; offset <= text.size() + 2; ++offset) {
            const Position p = d.PositionOf(offset, e);
            EXPECT_TRUE(Before(previous, p)) << offset;
            EXPECT_LE(d.OffsetOf(p, e), text.size());
            previous = p;
        }
        EXPECT_EQ(d.PositionOf(text.size(), e).line, 4); // CR LF, CR, LF, LF
    }
    const Document d(text, 1);
    EXPECT_EQ(d.PositionOf(11, Encoding::Utf16), (Position{0, 6})); // after z: a é € 😀(2) z
    EXPECT_EQ(d.OffsetOf(Position{0, 6}, Encoding::Utf16), 11u);
    EXPECT_EQ(d.OffsetOf(Position{0, 4}, Encoding::Utf16), 10u);  // inside 😀: after it
    EXPECT_EQ(d.OffsetOf(Position{0, 99}, Encoding::Utf16), 11u); // beyond the line: its end
    EXPECT_EQ(d.OffsetOf(Position{1, 0}, Encoding::Utf16), 13u);  // after CR LF
    EXPECT_EQ(d.CardCount(), 4);                                  // vantel's lines end at LF
    EXPECT_EQ(d.Card(1), "\xe2\x82\r\xff");
}

TEST(Document, EditsAnywhereKeepTheText) {
    std::mt19937 random(1);
    Document d("LOOP X = 1\n :(LOOP)\nEND\n", 1);
    std::string model = d.Text();
    for (int i = 0; i < 2000; ++i) {
        const Range r{{static_cast<int>(random() % 6) - 1, static_cast<int>(random() % 14) - 1},
                      {static_cast<int>(random() % 6) - 1, static_cast<int>(random() % 14) - 1}};
        std::size_t from = d.OffsetOf(r.start, Encoding::Utf16);
        std::size_t to = d.OffsetOf(r.end, Encoding::Utf16);
        if (from > to) std::swap(from, to);
        const std::string with = i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "é" : "";
        model.replace(from, to - from, with);
        d.Edit(r, with, Encoding::Utf16, i);
        ASSERT_EQ(d.Text(), model);
    }
}

} // namespace
} // namespace vantel::lsp
