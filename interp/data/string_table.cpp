// The string table, its index from text to position, and the caches beside
// it of integer texts and concatenations made.
#include "data/values.h"

#include <array>
#include <memory>
#include <vector>

#include "data/diagnostics.h"
#include "data/fast_paths.h"
#include "data/text_arena.h"

namespace vantel {

namespace {

// A key of the index: a text with its hash, computed once per lookup so
// that a lookup followed by an entry hashes the text once.
struct IndexKey {
    std::string_view text;
    std::uint64_t hash;
};

IndexKey KeyOf(std::string_view text) {
    return IndexKey{text, HashText(text)};
}

// A joined text always fits in one chunk of the text storage.
static_assert(static_cast<std::size_t>(kMaxStringLength) <= TextArena::kChunkSize);

// Entries are made in blocks, so that entering allocates only now and then.
constexpr int kBlockItems = 256;

StringTable& Table() {
    return Data().strings;
}

JoinedEntry& JoinedSlot(const StringItem* left, const StringItem* right) {
    const auto a = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(left));
    const auto b = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(right));
    std::uint64_t mixed = a * 0x9E3779B97F4A7C15u + b * 0xC2B2AE3D27D4EB4Fu;
    mixed ^= mixed >> 29;
    mixed *= 0xBF58476D1CE4E5B9u;
    static_assert(kCacheSlots == std::size_t{1} << 13);
    return Table().joined[static_cast<std::size_t>(mixed >> 51)]; // 13 bits
}

// Two slots per pair (a pair of neighbours), so that two pairs meeting on
// one slot both stay.
JoinedEntry& Neighbour(const JoinedEntry& slot) {
    auto& joined = Table().joined;
    return joined[static_cast<std::size_t>(&slot - joined.data()) ^ 1];
}

void RememberJoined(const StringItem* left, const StringItem* right, StringItem* result) {
    JoinedEntry& first = JoinedSlot(left, right);
    const std::uint32_t generation = Table().generation;
    // The second slot takes the older occupant of the first.
    if (first.generation == generation) Neighbour(first) = first;
    first = JoinedEntry{left, right, result, generation};
}

} // namespace

StringTable::~StringTable() {
    for (int i = 1; i <= count; ++i)
        slots[static_cast<std::size_t>(i)]->value = Value();
    emptyItem.value = Value();
}

int StringCount() {
    return Table().count;
}

StringItem* StringAt(int position) {
    StringTable& t = Table();
    if (position < 1 || position > t.count) return nullptr;
    return t.slots[static_cast<std::size_t>(position)];
}

namespace {

std::size_t HomeSlot(std::uint64_t hash) {
    return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15u) >> (64 - kIndexBits));
}

// The entry with key's text, or nullptr; freeSlot receives the index slot
// where that text would go.
StringItem* Find(const IndexKey& key, std::size_t& freeSlot) {
    StringTable& t = Table();
    for (std::size_t i = HomeSlot(key.hash);; i = (i + 1) & (kIndexSize - 1)) {
        const IndexSlot& slot = t.index[i];
        if (slot.generation != t.generation) {
            freeSlot = i;
            return nullptr;
        }
        if (slot.hash == key.hash) {
            StringItem* item = t.slots[slot.position];
            if (item->name == key.text) return item;
        }
    }
}

bool TableFull() {
    return Table().count >= kStringTableSize;
}

// Enters a stored text, known to be absent, under its hash in the free
// index slot that Find gave; the table has room.
StringItem* Enter(std::string_view stored, std::uint64_t hash, std::size_t freeSlot) {
    StringTable& t = Table();
    const int position = ++t.count;
    const int inBlock = (position - 1) % kBlockItems;
    if (inBlock == 0) t.blocks.push_back(std::make_unique<StringItem[]>(kBlockItems));
    StringItem* item = &t.blocks.back()[static_cast<std::size_t>(inBlock)];
    item->name = stored;
    item->hash = hash;
    item->position = position;
    t.lastJoins[static_cast<std::size_t>(position)] = LastJoin{};
    if (stored == "INPUT") item->special = SpecialName::Input;
    if (stored == "OUTPUT") item->special = SpecialName::Output;
    t.slots[static_cast<std::size_t>(position)] = item;
    t.index[freeSlot] = IndexSlot{hash, static_cast<std::uint32_t>(position), t.generation};
    return item;
}

} // namespace

namespace {

constexpr std::uint64_t kHashBase = 1099511628211u;
constexpr std::uint64_t kHashBase2 = kHashBase * kHashBase;
constexpr std::uint64_t kHashBase3 = kHashBase2 * kHashBase;
constexpr std::uint64_t kHashBase4 = kHashBase3 * kHashBase;
constexpr std::uint64_t kHashBase5 = kHashBase4 * kHashBase;
constexpr std::uint64_t kHashBase6 = kHashBase5 * kHashBase;
constexpr std::uint64_t kHashBase7 = kHashBase6 * kHashBase;
constexpr std::uint64_t kHashBase8 = kHashBase7 * kHashBase;

std::uint64_t Byte(const char* p) {
    return static_cast<unsigned char>(*p);
}

} // namespace

std::uint64_t HashText(std::string_view text, std::uint64_t start) {
    // hash = hash * base + byte for each byte, eight or four bytes per step:
    // the steps' multiplications are independent, so long lines hash quickly.
    std::uint64_t hash = start;
    const char* p = text.data();
    const char* const end = p + text.size();
    for (; end - p >= 8; p += 8)
        hash = hash * kHashBase8 + Byte(p) * kHashBase7 + Byte(p + 1) * kHashBase6 +
               Byte(p + 2) * kHashBase5 + Byte(p + 3) * kHashBase4 + Byte(p + 4) * kHashBase3 +
               Byte(p + 5) * kHashBase2 + Byte(p + 6) * kHashBase + Byte(p + 7);
    for (; end - p >= 4; p += 4)
        hash = hash * kHashBase4 + Byte(p) * kHashBase3 + Byte(p + 1) * kHashBase2 +
               Byte(p + 2) * kHashBase + Byte(p + 3);
    for (; p != end; ++p)
        hash = hash * kHashBase + Byte(p);
    return hash;
}

StringItem* LookupOrEnter(std::string_view text) {
    const IndexKey key = KeyOf(text);
    std::size_t freeSlot = 0;
    if (StringItem* found = Find(key, freeSlot)) return found;
    if (TableFull()) {
        ReportError("TOO MANY STRINGS");
        return nullptr;
    }
    return Enter(Table().texts.Store(text), key.hash, freeSlot);
}

StringItem* FindString(std::string_view text) {
    std::size_t freeSlot = 0;
    return Find(KeyOf(text), freeSlot);
}

Value InternConcatenation(StringItem* left, StringItem* right) {
    // The last concatenation made with this left side, then the shared cache,
    // which holds only pairs displaced from their left side's own record (so
    // a left side without one, as in a growing string, touches no slot).
    // Records are made only with the fast paths on and for entries in the
    // table (position 0 has none), so without them both lookups miss.
    StringTable& t = Table();
    LastJoin& last = t.lastJoins[static_cast<std::size_t>(left->position)];
    if (last.right == right && last.result != nullptr) return Value::String(last.result);
    if (last.result != nullptr) {
        JoinedEntry& first = JoinedSlot(left, right);
        for (const JoinedEntry* e : {&first, &Neighbour(first)})
            if (e->generation == t.generation && e->left == left && e->right == right)
                return Value::String(e->result);
    }
    if (left->name.size() + right->name.size() > static_cast<std::size_t>(kMaxStringLength)) {
        ReportError("CONCATENATED STRINGS EXCEED MAXIMUM SIZE");
        return Value();
    }
    // The joined text is stored first (often only the right side is copied,
    // after the left one) and given back when it is in the table already.
    TextArena& texts = t.texts;
    const IndexKey key{texts.StoreJoined(left->name, right->name),
                       HashText(right->name, left->hash)};
    std::size_t freeSlot = 0;
    StringItem* result = Find(key, freeSlot);
    if (result != nullptr || TableFull()) texts.UndoLastJoined();
    if (result == nullptr) {
        if (TableFull()) {
            ReportError("TOO MANY STRINGS");
            return Value();
        }
        result = Enter(key.text, key.hash, freeSlot);
    }
    if (!FastPaths() || left->position == 0) return Value::String(result);
    if (last.result != nullptr) RememberJoined(left, last.right, last.result);
    last = LastJoin{right, result};
    return Value::String(result);
}

Value InternString(std::string_view text) {
    if (text.empty()) return Value();
    return Value::String(LookupOrEnter(text));
}

Value InternInteger(std::int32_t n) {
    char buffer[16];
    if (!FastPaths()) return Value::String(LookupOrEnter(FormatInteger(n, buffer)));
    StringTable& t = Table();
    IntegerEntry& slot = t.integers[static_cast<std::uint32_t>(n) % t.integers.size()];
    if (slot.generation == t.generation && slot.value == n) return Value::String(slot.item);
    StringItem* item = LookupOrEnter(FormatInteger(n, buffer));
    if (item != nullptr) slot = IntegerEntry{n, t.generation, item};
    return Value::String(item);
}

StringItem* EmptyNameItem() {
    return &Table().emptyItem;
}

} // namespace vantel
