// The value model and the string table.
//
// A value is a small record passed by value: a kind and a variant part.
// Strings are interned: a string value refers to its string-table entry,
// and that entry is also the variable of that name. Pattern tables are
// shared between the values that refer to them (reference counted), so
// memory follows the live data of a run, not the number of operations.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "data/limits.h"

namespace vantel {

enum class Kind : std::uint8_t {
    Null = 0,
    Integer = 1,
    String = 2,
    Pattern = 3,
    Keyword = 4,
    File = 5
};

// Keyword indexes into the keyword value table.
enum class KeywordIndex : std::uint8_t {
    Alphabet = 0,
    Trace = 1,
    Trim = 2,
    StLimit = 3,
    StLastNo = 4,
    StNo = 5,
    FTrace = 6,
    Code = 7,
    Anchor = 8,
    Dump = 9,
    StFCount = 10,
    StCount = 11,
};
inline constexpr int kKeywordCount = 12;

struct StringItem;
struct PatternTable;
struct FileItem;

struct KeywordRef {
    KeywordIndex index;
    bool isProtected;
};

class Value {
public:
    Value() : kind_(Kind::Null), payload_{} {}
    // Only pattern values own something (a reference), so every other kind
    // copies as plain bits without a call.
    Value(const Value& other) : kind_(other.kind_), payload_(other.payload_) {
        if (kind_ == Kind::Pattern) Retain();
    }
    Value(Value&& other) noexcept : kind_(other.kind_), payload_(other.payload_) {
        other.kind_ = Kind::Null;
    }
    // Assignment is safe when `other` is this value itself or lives in a
    // pattern table that only this value keeps alive: all of `other` is
    // read before what this value held is let go. Values without a pattern
    // on either side copy as plain bits; the rest is out of line.
    Value& operator=(const Value& other) {
        if (kind_ == Kind::Pattern || other.kind_ == Kind::Pattern) [[unlikely]] {
            AssignSharing(other);
            return *this;
        }
        kind_ = other.kind_;
        payload_ = other.payload_;
        return *this;
    }
    Value& operator=(Value&& other) noexcept {
        TakeFrom(other);
        return *this;
    }
    // Moves `other`, which is not this value, here and leaves it null, where
    // this value is known to hold no pattern (so it has nothing to let go).
    void FillFrom(Value& other) noexcept {
        assert(kind_ != Kind::Pattern && this != &other);
        kind_ = other.kind_;
        payload_ = other.payload_;
        other.kind_ = Kind::Null;
    }
    // Moves `other` here and leaves it null (unless it is this value);
    // safe in the same cases as assignment.
    void TakeFrom(Value& other) noexcept {
        if (kind_ == Kind::Pattern) [[unlikely]] {
            TakeReleasing(other);
            return;
        }
        const Kind kind = other.kind_;
        const Payload payload = other.payload_;
        other.kind_ = Kind::Null;
        kind_ = kind;
        payload_ = payload;
    }
    ~Value() {
        if (kind_ == Kind::Pattern) Release();
    }

    static Value Integer(std::int32_t n) {
        Value v;
        v.kind_ = Kind::Integer;
        v.payload_.integer = n;
        return v;
    }
    static Value String(StringItem* item);     // null for a nil or empty-named item
    static Value Pattern(PatternTable* table); // takes a new reference
    static Value Keyword(KeywordIndex index, bool isProtected) {
        Value v;
        v.kind_ = Kind::Keyword;
        v.payload_.keyword = KeywordRef{index, isProtected};
        return v;
    }
    static Value File(FileItem* file) {
        Value v;
        v.kind_ = Kind::File;
        v.payload_.file = file;
        return v;
    }

    // Makes this value null, or an integer; cheaper than assigning a new one.
    void SetNull() {
        if (kind_ == Kind::Pattern) Release();
        kind_ = Kind::Null;
    }
    void SetInteger(std::int32_t n) {
        if (kind_ == Kind::Pattern) Release();
        kind_ = Kind::Integer;
        payload_.integer = n;
    }

    // Gives a value that holds an integer another one.
    void SetKnownInteger(std::int32_t n) { payload_.integer = n; }

    Kind kind() const { return kind_; }
    // Whether two strings, or two patterns, are the same entry or table.
    bool SameReferenceAs(const Value& other) const {
        return std::memcmp(&payload_, &other.payload_, sizeof payload_) == 0;
    }
    bool IsNull() const { return kind_ == Kind::Null; }
    std::int32_t integer() const { return kind_ == Kind::Integer ? payload_.integer : 0; }
    // The integer of a value already known to hold one.
    std::int32_t knownInteger() const { return payload_.integer; }
    StringItem* string() const { return kind_ == Kind::String ? payload_.string : nullptr; }
    PatternTable* pattern() const { return kind_ == Kind::Pattern ? payload_.pattern : nullptr; }
    KeywordRef keyword() const {
        return kind_ == Kind::Keyword ? payload_.keyword
                                      : KeywordRef{KeywordIndex::Alphabet, false};
    }
    FileItem* file() const { return kind_ == Kind::File ? payload_.file : nullptr; }
    // Turns this value into null and hands over its pattern reference
    // without dropping it (used to free pattern chains without recursion).
    PatternTable* DetachPattern() {
        PatternTable* table = pattern();
        kind_ = Kind::Null;
        return table;
    }

private:
    void Release();
    void Retain() const;
    void AssignSharing(const Value& other);
    void TakeReleasing(Value& other) noexcept;

    union Payload {
        std::int32_t integer;
        StringItem* string;
        PatternTable* pattern;
        KeywordRef keyword;
        FileItem* file;
    };
    Kind kind_;
    Payload payload_;
};

// Polynomial hash of text (each byte: hash * base + byte, modulo 2^64),
// continued from the hash of the text before it, so that the hash of a
// joined text follows from its left side's hash.
inline constexpr std::uint64_t kHashStart = 14695981039346656037u;
std::uint64_t HashText(std::string_view text, std::uint64_t start = kHashStart);

enum class SpecialName : std::uint8_t { None, Input, Output };

// One string-table entry: a string and the variable of that name.
struct StringItem {
    Value value; // the variable's value; Null when it has none
    // The text, viewing the table's text storage (valid as long as the
    // run) or, for entries outside the table, static text.
    std::string_view name;
    // Hash of name (see HashText); a concatenation continues its left side's.
    std::uint64_t hash = kHashStart;
    // Position in the string table (1..count), 0 for an entry outside it;
    // tables beside the string table are indexed by it.
    std::int32_t position = 0;
    SpecialName special = SpecialName::None;
    std::int8_t function = -1; // index in the function table, or -1
};

inline Value Value::String(StringItem* item) {
    Value v;
    if (item != nullptr && !item->name.empty()) {
        v.kind_ = Kind::String;
        v.payload_.string = item;
    }
    return v;
}

// ---- The string table ------------------------------------------------------

int StringCount();
StringItem* StringAt(int position); // positions 1..count
// Finds the entry for text or enters it. At the limit: reports
// "TOO MANY STRINGS" and returns nullptr.
StringItem* LookupOrEnter(std::string_view text);
// The entry for text when there is one; enters nothing.
StringItem* FindString(std::string_view text);
// Interns text as a string value; the empty text is the null value.
Value InternString(std::string_view text);
// Interns the decimal text of n.
Value InternInteger(std::int32_t n);
// Interns the texts of two entries joined; reports
// "CONCATENATED STRINGS EXCEED MAXIMUM SIZE" (and gives null) when too long.
Value InternConcatenation(StringItem* left, StringItem* right);
// The entry made for "X =": a string with an empty name, not in the table.
StringItem* EmptyNameItem();

// ---- Keywords ----------------------------------------------------------------

// KeywordValue(index), the current run's value of a keyword, is defined
// with the run's state (data/data_state.h, included below).
const std::string& AlphabetText();
// Sets every keyword to its value at the start of a run.
void InitialKeywordValues();
// Enters the thirteen initial entries (ARB and the twelve keywords).
void EnterInitialStrings();

// ---- String operations with the interpreter's size checks ---------------------

// Appends text to target; reports "CONCATENATED STRINGS EXCEED MAXIMUM SIZE"
// (and leaves target unchanged) when the result would be too long.
bool AppendChecked(std::string& target, std::string_view text);
// Characters from..to (1-based, inclusive) of source.
std::string_view Substring(std::string_view source, int from, int to);
std::string_view TrimTrailingBlanks(std::string_view text);

// Decimal text of n without allocation beyond the small buffer.
std::string_view FormatInteger(std::int32_t n, char (&buffer)[16]);
// The same text as a string, for messages and dumps.
std::string IntegerText(std::int32_t n);

// The letters a-z as A-Z; every other character unchanged. Names are
// upper-cased this way wherever the language folds them.
inline char UpperCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string UpperCased(std::string_view text);

} // namespace vantel

// The run's state, where the string table and the keyword values live.
#include "data/data_state.h"
