// The body of a pattern value: up to 32 nodes linked by index. Node 1 is
// where matching begins; index 0 means "none". Tables are shared by the
// values that refer to them and freed when the last reference goes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>

#include "data/limits.h"
#include "data/values.h"

namespace vantel {

enum class Routine : std::uint8_t {
    String = 1,
    Length = 2,
    Break = 3,
    Span = 4,
    Any = 5,
    Null = 6,
    ImmStart = 7,
    ImmEnd = 8,
    CondStart = 9,
    CondEnd = 10,
    ArbPiece = 11,
    Cursor = 12,
    Pos = 13,
    Tab = 14,
    RPos = 15,
    RTab = 16,
    NotAny = 17,
    ArbnoPiece = 18,
};

// Membership table of a character class, built once when the node is made
// so that matching tests a character in constant time.
class CharSet {
public:
    void Fill(std::string_view chars);
    bool Contains(unsigned char c) const { return (bits_[c >> 6] >> (c & 63)) & 1u; }
    int Count() const; // the number of members

private:
    std::array<std::uint64_t, 4> bits_{};
};

// A character class whose members are one run of consecutive codes, as
// most classes are (a blank, 'a' to 'z', the digits): a character is then
// tested by two comparisons. Not `valid` when the class is not one run, or
// was not filled through FillCharClass; its CharSet decides then.
struct CharRun {
    std::uint8_t first = 0;
    std::uint8_t last = 0;
    bool valid = false;
};

// The argument comes last: members are assigned in order, and a node
// assigned from a node of a table that only its own argument keeps alive
// has then read everything else before the argument lets that table go.
struct PatternNode {
    Routine routine = Routine::Null;
    CharRun run; // Break, Span, Any, NotAny
    std::int32_t subsequent = 0;
    std::int32_t alternate = 0;
    std::int32_t extra = 0;
    CharSet set; // Break, Span, Any, NotAny
    Value argument;
};

// A table's nodes are stored right after it in one allocation of 4, 8, 16
// or 32 slots: patterns are built per statement, so their size matters, and
// a temporary with room to spare can be extended in place.
struct PatternTable {
    std::int32_t refs = 0;
    std::int32_t count = 0;
    std::int32_t capacity = 0; // node slots in the allocation, count or more
    std::int32_t unused = 0;

    PatternNode& node(int index) { return Nodes()[index - 1]; }
    const PatternNode& node(int index) const { return Nodes()[index - 1]; }

private:
    PatternNode* Nodes() const {
        auto* first = reinterpret_cast<PatternNode*>(
            reinterpret_cast<std::byte*>(const_cast<PatternTable*>(this)) + sizeof(PatternTable));
        return std::launder(first);
    }
};
static_assert(sizeof(PatternTable) % alignof(PatternNode) == 0);

// Fills the class of a Break, Span, Any or NotAny node with the characters.
void FillCharClass(PatternNode& n, std::string_view chars);

// Sizes are fixed for 64-bit pointers; 32-bit targets (WebAssembly) pack tighter.
static_assert(sizeof(void*) != 8 || sizeof(PatternNode) == 64, "a node stays one cache line");
static_assert(offsetof(PatternNode, argument) + sizeof(Value) == sizeof(PatternNode),
              "the argument is assigned last");

// A table of `count` default nodes (1..kMaxPatternNodes), no references yet.
PatternTable* NewPatternTable(int count);
// Drops one reference; frees the table (and, without recursion, the tables
// only it referred to) when none is left.
void ReleasePatternTable(PatternTable* table);

// Null (subsequent 2), Null (alternate 3), piece (subsequent 2): matches
// nothing first, and one piece more each time the match backtracks into it.
// ARB's table (piece ArbPiece) and ARBNO's (ArbnoPiece).
PatternTable* NewLoopTable(Routine piece, int extra);
// Adds a copy of n after the table's last node; the table has room.
PatternNode& AppendNode(PatternTable& t, const PatternNode& n);

const char* RoutineName(Routine routine);

} // namespace vantel
