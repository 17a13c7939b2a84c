// Storage of pattern tables: a table and its nodes in one block, blocks
// kept for reuse by size, reference counting and freeing without recursion.
#include "data/pattern_table.h"

#include <bit>
#include <vector>

#include "data/fast_paths.h"

namespace vantel {

void CharSet::Fill(std::string_view chars) {
    bits_.fill(0);
    for (char c : chars) {
        const auto u = static_cast<unsigned char>(c);
        bits_[u >> 6] |= std::uint64_t{1} << (u & 63);
    }
}

int CharSet::Count() const {
    int n = 0;
    for (const std::uint64_t word : bits_)
        n += std::popcount(word);
    return n;
}

void FillCharClass(PatternNode& n, std::string_view chars) {
    n.set.Fill(chars);
    n.run = CharRun{};
    if (chars.empty()) return;
    int first = 255, last = 0;
    for (char c : chars) {
        const int u = static_cast<unsigned char>(c);
        if (u < first) first = u;
        if (u > last) last = u;
    }
    // One run exactly when every code from the first to the last is a
    // member; the matcher tests a run, a fast path, only when it is valid.
    if (!FastPaths() || n.set.Count() != last - first + 1) return;
    n.run = CharRun{static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(last), true};
}

namespace {

int SizeClass(int count) {
    int c = 0;
    while ((4 << c) < count)
        ++c;
    return c;
}

void* TakeBlock(int sizeClass) {
    SpareBlocks& spare = Data().spareBlocks;
    int& n = spare.counts[sizeClass];
    if (n > 0) return spare.blocks[sizeClass][--n];
    const auto nodes = static_cast<std::size_t>(4 << sizeClass);
    return ::operator new(sizeof(PatternTable) + nodes * sizeof(PatternNode));
}

// A table may outlive its run (a value held by a test, say): with no run
// current its block is simply freed.
void GiveBlock(void* block, int sizeClass) {
    if (!gDataSlot.live()) {
        ::operator delete(block);
        return;
    }
    SpareBlocks& spare = Data().spareBlocks;
    int& n = spare.counts[sizeClass];
    if (n < kKeptPerSizeClass)
        spare.blocks[sizeClass][n++] = block;
    else
        ::operator delete(block);
}

void DestroyPatternTable(PatternTable* table) {
    const int count = table->count;
    const int sizeClass = SizeClass(table->capacity);
    for (int i = 1; i <= count; ++i)
        table->node(i).~PatternNode();
    table->~PatternTable();
    GiveBlock(table, sizeClass);
}

// Where node `index` of a table lives, for constructing it.
void* NodeSlot(PatternTable* table, int index) {
    return reinterpret_cast<std::byte*>(table) + sizeof(PatternTable) +
           static_cast<std::size_t>(index - 1) * sizeof(PatternNode);
}

} // namespace

SpareBlocks::~SpareBlocks() {
    for (int c = 0; c < kPatternSizeClasses; ++c)
        for (int i = 0; i < counts[c]; ++i)
            ::operator delete(blocks[c][i]);
}

PatternTable* NewPatternTable(int count) {
    // Owned by the values that refer to it; freed by ReleasePatternTable.
    const int sizeClass = SizeClass(count);
    auto* table = new (TakeBlock(sizeClass)) PatternTable;
    table->capacity = 4 << sizeClass;
    for (int i = 1; i <= count; ++i)
        new (NodeSlot(table, i)) PatternNode;
    table->count = count;
    return table;
}

namespace {

bool RefersToPatterns(const PatternTable& t) {
    for (int i = 1; i <= t.count; ++i)
        if (t.node(i).argument.kind() == Kind::Pattern) return true;
    return false;
}

// Frees a table and, with a work list, the tables only it referred to: an
// ARBNO chain may be deeper than the stack. The list is local, so that
// freeing needs no storage of its own.
void ReleaseChain(PatternTable* table) {
    std::vector<PatternTable*> work;
    for (PatternTable* t = table;;) {
        for (int i = 1; i <= t->count; ++i) {
            PatternTable* child = t->node(i).argument.DetachPattern();
            if (child != nullptr && --child->refs == 0) work.push_back(child);
        }
        DestroyPatternTable(t);
        if (work.empty()) return;
        t = work.back();
        work.pop_back();
    }
}

} // namespace

void ReleasePatternTable(PatternTable* table) {
    if (table == nullptr || --table->refs > 0) return;
    if (RefersToPatterns(*table))
        ReleaseChain(table);
    else
        DestroyPatternTable(table);
}

namespace {

void SetNode(PatternNode& n, Routine routine, int subsequent, int alternate, int extra) {
    n.routine = routine;
    n.subsequent = subsequent;
    n.alternate = alternate;
    n.extra = extra;
}

} // namespace

PatternTable* NewLoopTable(Routine piece, int extra) {
    PatternTable* t = NewPatternTable(3);
    SetNode(t->node(1), Routine::Null, 2, 0, extra);
    SetNode(t->node(2), Routine::Null, 0, 3, extra);
    SetNode(t->node(3), piece, 2, 0, extra);
    return t;
}

PatternNode& AppendNode(PatternTable& t, const PatternNode& n) {
    auto* added = new (NodeSlot(&t, t.count + 1)) PatternNode(n);
    ++t.count;
    return *added;
}

const char* RoutineName(Routine routine) {
    switch (routine) {
    case Routine::String:
        return "String";
    case Routine::Length:
        return "Length";
    case Routine::Break:
        return "Break";
    case Routine::Span:
        return "Span";
    case Routine::Any:
        return "Any";
    case Routine::Null:
        return "Null";
    case Routine::ImmStart:
        return "Imm Value start";
    case Routine::ImmEnd:
        return "Imm value end";
    case Routine::CondStart:
        return "Cond val start";
    case Routine::CondEnd:
        return "Cond val end";
    case Routine::ArbPiece:
        return "Arb piece";
    case Routine::Cursor:
        return "@";
    case Routine::Pos:
        return "Pos";
    case Routine::Tab:
        return "Tab";
    case Routine::RPos:
        return "RPOS";
    case Routine::RTab:
        return "RTAB";
    case Routine::ArbnoPiece:
        return "Arbno piece";
    case Routine::NotAny:
        break;
    }
    return "Unknown";
}

} // namespace vantel
