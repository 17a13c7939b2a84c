// The data layer's state of one run, in one structure: the string table with
// its index and caches, the keyword values, the run's files and file
// associations, the run information, the storage kept for pattern tables
// and the file routines' scratch. The run object owns it; constructing it is the reset, so a second
// run starts from exactly what the first one did.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/diagnostics.h"
#include "data/limits.h"
#include "data/run_slot.h"
#include "data/text_arena.h"
#include "data/textfile.h"
#include "data/values.h"
#include "data/zeroed_array.h"

namespace vantel {

// ---- Storage kept for pattern tables ------------------------------------------

// Freed tables, kept by size class for reuse: patterns are made and dropped
// per statement. A few blocks per class are kept, so the memory held stays
// small; the blocks are given back when the run's state goes.
inline constexpr int kPatternSizeClasses = 4; // 4, 8, 16 and 32 node slots
inline constexpr int kKeptPerSizeClass = 32;
struct SpareBlocks {
    SpareBlocks() = default;
    SpareBlocks(const SpareBlocks&) = delete;
    SpareBlocks& operator=(const SpareBlocks&) = delete;
    ~SpareBlocks();
    void* blocks[kPatternSizeClasses][kKeptPerSizeClass]{};
    int counts[kPatternSizeClasses]{};
};

// ---- The string table ----------------------------------------------------------

// One slot of the index: in use when it carries the current generation.
struct IndexSlot {
    std::uint64_t hash = 0;
    std::uint32_t position = 0; // of the entry in the table
    std::uint32_t generation = 0;
};
// Open addressing with linear probing, at least 1.6 slots per possible
// entry, so probes stay short, some slot is always free, and neither a
// lookup nor an entry allocates.
inline constexpr int kIndexBits = 13;
inline constexpr std::size_t kIndexSize = std::size_t{1} << kIndexBits;
static_assert(kIndexSize * 5 >= static_cast<std::size_t>(kStringTableSize) * 8);

// The last concatenation made with an entry on the left: right side, result.
struct LastJoin {
    const StringItem* right = nullptr;
    StringItem* result = nullptr;
};

// An integer converted to text, by value: loops convert the same numbers
// over and over, and entries stay in the table for the whole run.
struct IntegerEntry {
    std::int32_t value = 0;
    std::uint32_t generation = 0;
    StringItem* item = nullptr;
};

// A concatenation already made, by operand entries: entries never change,
// so a pair always gives the same result.
struct JoinedEntry {
    const StringItem* left = nullptr;
    const StringItem* right = nullptr;
    StringItem* result = nullptr;
    std::uint32_t generation = 0;
};
inline constexpr std::size_t kCacheSlots = 8192; // each direct-mapped cache

struct StringTable {
    StringTable() = default;
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;
    // Values may refer to patterns whose nodes refer back to entries only
    // by pointer, so the values are cleared before the entries go.
    ~StringTable();

    ZeroedArray<StringItem*, kStringTableSize + 1> slots; // 1..count
    int count = 0;
    std::vector<std::unique_ptr<StringItem[]>> blocks;
    // Index beside the table: text to position.
    ZeroedArray<IndexSlot, kIndexSize> index;
    // The entries' texts.
    TextArena texts;
    // The entry made for "X =": a string with an empty name, not in the table.
    StringItem emptyItem;
    // Beside each entry, by position; set afresh when the entry is made.
    ZeroedArray<LastJoin, kStringTableSize + 1> lastJoins;
    // A cache slot counts only when it carries this generation; the table
    // is made once per run, so it stays 1 (unused slots carry 0).
    std::uint32_t generation = 1;
    ZeroedArray<IntegerEntry, kCacheSlots> integers;
    ZeroedArray<JoinedEntry, kCacheSlots> joined;
};

// ---- The whole ------------------------------------------------------------------

struct DataState {
    // Declared first so that it goes last: tables released while the rest
    // is destroyed still find it.
    SpareBlocks spareBlocks;
    bool fastPaths = true; // see data/fast_paths.h
    RunState run;
    std::array<std::int32_t, kKeywordCount> keywords{};
    TextFile listing;
    TextFile source;
    std::vector<std::unique_ptr<FileItem>> associations;
    FileItem unopenedInput{TextFile(), true};
    FileItem unopenedOutput{TextFile(), false};
    StringTable strings;
    // Scratch of the file routines: the buffer lines are read into, and a
    // listing line with its line end. Nothing is kept in them between uses.
    LineBuffer lineBuffer;
    std::string listingLine;
};

// The current run's data state (constructed by the run object).
inline RunSlot<DataState> gDataSlot;
inline DataState& Data() {
    return gDataSlot.get();
}

inline std::int32_t& KeywordValue(KeywordIndex index) {
    return Data().keywords[static_cast<std::size_t>(index)];
}

} // namespace vantel
