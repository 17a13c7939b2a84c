#include "data/values.h"

#include <array>
#include <memory>
#include <unordered_map>

#include "data/diagnostics.h"
#include "data/pattern_table.h"
#include "data/text_arena.h"

namespace vantel {

// ---- Value -------------------------------------------------------------------

void Value::Retain() const {
    if (payload_.pattern != nullptr) ++payload_.pattern->refs;
}

void Value::Release() {
    PatternTable* table = payload_.pattern;
    kind_ = Kind::Null;
    if (table == nullptr) return;
    if (table->refs > 1) {
        --table->refs; // the common case: another value still refers to it
        return;
    }
    ReleasePatternTable(table);
}

Value Value::String(StringItem* item) {
    Value v;
    if (item != nullptr && !item->name.empty()) {
        v.kind_ = Kind::String;
        v.payload_.string = item;
    }
    return v;
}

Value Value::Pattern(PatternTable* table) {
    Value v;
    v.kind_ = Kind::Pattern;
    v.payload_.pattern = table;
    v.Retain();
    return v;
}

// ---- The string table --------------------------------------------------------

namespace {

// A key of the index: a view of an entry's name with its hash, computed
// once per lookup so that a lookup followed by an entry hashes the text once.
struct IndexKey {
    std::string_view text;
    std::uint64_t hash;
    bool operator==(const IndexKey& other) const { return text == other.text; }
};
struct IndexHash {
    std::size_t operator()(const IndexKey& key) const noexcept {
        return static_cast<std::size_t>(key.hash);
    }
};

IndexKey KeyOf(std::string_view text) {
    return IndexKey{text, HashText(text)};
}

// A joined text always fits in one chunk of the text storage.
static_assert(static_cast<std::size_t>(kMaxStringLength) <= TextArena::kChunkSize);

struct StringTable {
    std::array<std::unique_ptr<StringItem>, kStringTableSize + 1> slots; // 1..count
    int count = 0;
    // Index beside the table: text to entry. Keys view the entries' names.
    std::unordered_map<IndexKey, StringItem*, IndexHash> index;
    // The entries' texts.
    TextArena texts;
};

StringTable& Table() {
    static StringTable table;
    return table;
}

StringItem& EmptyItem() {
    static StringItem item;
    return item;
}

// The caches below belong to one filling of the table: a slot counts only
// when it carries the current generation, so emptying them with the table
// is one increment (no clearing, no touching of unused pages).
std::uint32_t gGeneration = 1;

// Integers converted to text, by value: loops convert the same numbers over
// and over, and entries stay in the table for the whole run. Direct-mapped.
struct IntegerEntry {
    std::int32_t value = 0;
    std::uint32_t generation = 0;
    StringItem* item = nullptr;
};
std::array<IntegerEntry, 8192> gIntegerEntries{};

// Concatenations already made, by operand entries: entries never change,
// so a pair always gives the same result. Direct-mapped.
struct JoinedEntry {
    const StringItem* left = nullptr;
    const StringItem* right = nullptr;
    StringItem* result = nullptr;
    std::uint32_t generation = 0;
};
std::array<JoinedEntry, 8192> gJoinedEntries{};

JoinedEntry& JoinedSlot(const StringItem* left, const StringItem* right) {
    const auto a = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(left));
    const auto b = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(right));
    const std::uint64_t mixed = (a ^ (b << 1 | b >> 63)) * 0x9E3779B97F4A7C15u;
    return gJoinedEntries[static_cast<std::size_t>(mixed >> 51)]; // 13 bits
}

} // namespace

void ResetStringTable() {
    StringTable& t = Table();
    t.index.clear();
    // Values may refer to patterns whose nodes refer back to entries only by
    // pointer, so clearing values first and entries second is safe.
    for (int i = 1; i <= t.count; ++i)
        t.slots[static_cast<std::size_t>(i)]->value = Value();
    for (auto& slot : t.slots)
        slot.reset();
    t.count = 0;
    t.texts.Reset();
    if (++gGeneration == 0) { // after 2^32 resets: start the slots afresh
        gIntegerEntries.fill(IntegerEntry{});
        gJoinedEntries.fill(JoinedEntry{});
        gGeneration = 1;
    }
    EmptyItem().value = Value();
}

int StringCount() {
    return Table().count;
}

StringItem* StringAt(int position) {
    StringTable& t = Table();
    if (position < 1 || position > t.count) return nullptr;
    return t.slots[static_cast<std::size_t>(position)].get();
}

namespace {

StringItem* Find(const IndexKey& key) {
    StringTable& t = Table();
    const auto found = t.index.find(key);
    return found != t.index.end() ? found->second : nullptr;
}

bool TableFull() {
    return Table().count >= kStringTableSize;
}

// Enters a stored text, known to be absent, under its hash; the table has room.
StringItem* Enter(std::string_view stored, std::uint64_t hash) {
    StringTable& t = Table();
    if (t.index.empty()) t.index.reserve(kStringTableSize * 2);
    auto item = std::make_unique<StringItem>();
    item->name = stored;
    item->hash = hash;
    if (stored == "INPUT") item->special = SpecialName::Input;
    if (stored == "OUTPUT") item->special = SpecialName::Output;
    StringItem* raw = item.get();
    t.slots[static_cast<std::size_t>(++t.count)] = std::move(item);
    t.index.emplace(IndexKey{stored, hash}, raw);
    return raw;
}

} // namespace

std::uint64_t HashText(std::string_view text, std::uint64_t start) {
    std::uint64_t hash = start;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211u;
    }
    return hash;
}

StringItem* LookupOrEnter(std::string_view text) {
    const IndexKey key = KeyOf(text);
    if (StringItem* found = Find(key)) return found;
    if (TableFull()) {
        ReportError("TOO MANY STRINGS");
        return nullptr;
    }
    return Enter(Table().texts.Store(text), key.hash);
}

Value InternConcatenation(StringItem* left, StringItem* right) {
    // The last concatenation made with this left side, then the shared cache.
    if (left->joinedRight == right && left->joined != nullptr) return Value::String(left->joined);
    // Two slots per pair (a pair of neighbours), so that two pairs meeting
    // on one slot both stay.
    JoinedEntry& first = JoinedSlot(left, right);
    JoinedEntry& second =
        gJoinedEntries[static_cast<std::size_t>(&first - gJoinedEntries.data()) ^ 1];
    for (const JoinedEntry* e : {&first, &second})
        if (e->generation == gGeneration && e->left == left && e->right == right)
            return Value::String(e->result);
    if (left->name.size() + right->name.size() > static_cast<std::size_t>(kMaxStringLength)) {
        ReportError("CONCATENATED STRINGS EXCEED MAXIMUM SIZE");
        return Value();
    }
    // The joined text is stored first (often only the right side is copied,
    // after the left one) and given back when it is in the table already.
    TextArena& texts = Table().texts;
    const IndexKey key{texts.StoreJoined(left->name, right->name),
                       HashText(right->name, left->hash)};
    StringItem* result = Find(key);
    if (result != nullptr || TableFull()) texts.UndoLastJoined();
    if (result == nullptr) {
        if (TableFull()) {
            ReportError("TOO MANY STRINGS");
            return Value();
        }
        result = Enter(key.text, key.hash);
    }
    // The second slot takes the older occupant of the first.
    if (first.generation == gGeneration) second = first;
    first = JoinedEntry{left, right, result, gGeneration};
    left->joinedRight = right;
    left->joined = result;
    return Value::String(result);
}

Value InternString(std::string_view text) {
    if (text.empty()) return Value();
    return Value::String(LookupOrEnter(text));
}

Value InternInteger(std::int32_t n) {
    IntegerEntry& slot = gIntegerEntries[static_cast<std::uint32_t>(n) % gIntegerEntries.size()];
    if (slot.generation == gGeneration && slot.value == n) return Value::String(slot.item);
    char buffer[16];
    StringItem* item = LookupOrEnter(FormatInteger(n, buffer));
    if (item != nullptr) slot = IntegerEntry{n, gGeneration, item};
    return Value::String(item);
}

StringItem* EmptyNameItem() {
    return &EmptyItem();
}

// ---- Keywords ----------------------------------------------------------------

std::array<std::int32_t, kKeywordCount> gKeywordValues{};

namespace {

struct KeywordEntry {
    const char* name;
    KeywordIndex index;
    bool isProtected;
};

// The initial entries 2..13, in table order.
constexpr std::array<KeywordEntry, 12> kKeywordEntries{{
    {"&TRACE", KeywordIndex::Trace, false},
    {"&FTRACE", KeywordIndex::FTrace, false},
    {"&DUMP", KeywordIndex::Dump, false},
    {"&STCOUNT", KeywordIndex::StCount, true},
    {"&ALPHABET", KeywordIndex::Alphabet, true},
    {"&STNO", KeywordIndex::StNo, true},
    {"&STFCOUNT", KeywordIndex::StFCount, true},
    {"&STLASTNO", KeywordIndex::StLastNo, true},
    {"&TRIM", KeywordIndex::Trim, false},
    {"&STLIMIT", KeywordIndex::StLimit, false},
    {"&CODE", KeywordIndex::Code, false},
    {"&ANCHOR", KeywordIndex::Anchor, false},
}};

std::string MakeAlphabet() {
    std::string text(128, '\0');
    for (int c = 0; c < 128; ++c)
        text[static_cast<std::size_t>(c)] = static_cast<char>(c);
    return text;
}

} // namespace

const std::string& AlphabetText() {
    static const std::string alphabet = MakeAlphabet();
    return alphabet;
}

void ResetKeywords() {
    gKeywordValues.fill(0);
    KeywordValue(KeywordIndex::StLimit) = 5000;
    KeywordValue(KeywordIndex::Anchor) = 1;
}

PatternTable* MakeArbPattern(); // in the executor's pattern construction

void EnterInitialStrings() {
    LookupOrEnter("ARB")->value = Value::Pattern(MakeArbPattern());
    for (const KeywordEntry& k : kKeywordEntries)
        LookupOrEnter(k.name)->value = Value::Keyword(k.index, k.isProtected);
    ResetKeywords();
}

// ---- String operations -------------------------------------------------------

bool AppendChecked(std::string& target, std::string_view text) {
    if (target.size() + text.size() > static_cast<std::size_t>(kMaxStringLength)) {
        ReportError("CONCATENATED STRINGS EXCEED MAXIMUM SIZE");
        return false;
    }
    target.append(text);
    return true;
}

std::string_view Substring(std::string_view source, int from, int to) {
    const int length = static_cast<int>(source.size());
    if (from < 1 || from > kMaxStringLength || to < 1 || to > kMaxStringLength || from > length) {
        ReportError("INTERNAL ERROR, STRING WITH INVALID SIZE(S)");
        return {};
    }
    if (to < from) return {};
    if (to > length) to = length;
    return source.substr(static_cast<std::size_t>(from - 1),
                         static_cast<std::size_t>(to - from + 1));
}

std::string_view TrimTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::string_view FormatInteger(std::int32_t n, char (&buffer)[16]) {
    std::uint32_t magnitude =
        n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    char* end = buffer + sizeof buffer;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (n < 0) *--p = '-';
    return std::string_view(p, static_cast<std::size_t>(end - p));
}

} // namespace vantel
