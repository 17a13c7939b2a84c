// The value model and the string table.
//
// A value is a small record passed by value: a kind and a variant part.
// Strings are interned: a string value refers to its string-table entry,
// and that entry is also the variable of that name. Pattern tables are
// shared between the values that refer to them (reference counted), so
// memory follows the live data of a run, not the number of operations.
#pragma once

#include <cstdint>
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
    Value() : kind_(Kind::Null), integer_(0) {}
    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    ~Value();

    static Value Integer(std::int32_t n);
    static Value String(StringItem* item);     // null for a nil or empty-named item
    static Value Pattern(PatternTable* table); // takes a new reference
    static Value Keyword(KeywordIndex index, bool isProtected);
    static Value File(FileItem* file);

    Kind kind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::Null; }
    std::int32_t integer() const { return integer_; }
    StringItem* string() const { return kind_ == Kind::String ? string_ : nullptr; }
    PatternTable* pattern() const { return kind_ == Kind::Pattern ? pattern_ : nullptr; }
    KeywordRef keyword() const { return keyword_; }
    FileItem* file() const { return kind_ == Kind::File ? file_ : nullptr; }
    // Turns this value into null and hands over its pattern reference
    // without dropping it (used to free pattern chains without recursion).
    PatternTable* DetachPattern();

private:
    void Release();
    void Retain();
    void CopyVariant(const Value& other);

    Kind kind_;
    union {
        std::int32_t integer_;
        StringItem* string_;
        PatternTable* pattern_;
        KeywordRef keyword_;
        FileItem* file_;
    };
};

enum class SpecialName : std::uint8_t { None, Input, Output };

// One string-table entry: a string and the variable of that name.
struct StringItem {
    Value value; // the variable's value; Null when it has none
    std::string name;
    SpecialName special = SpecialName::None;
    std::int8_t function = -1; // index in the function table, or -1
    // Bookkeeping of the pending assignment list (see the matcher).
    std::uint32_t pendingStamp = 0;
    std::int32_t pendingSlot = 0;
};

// ---- The string table ------------------------------------------------------

void ResetStringTable();
int StringCount();
StringItem* StringAt(int position); // positions 1..count
// Finds the entry for text or enters it. At the limit: reports
// "TOO MANY STRINGS" and returns nullptr.
StringItem* LookupOrEnter(std::string_view text);
// Interns text as a string value; the empty text is the null value.
Value InternString(std::string_view text);
// The entry made for "X =": a string with an empty name, not in the table.
StringItem* EmptyNameItem();

// ---- Keywords ----------------------------------------------------------------

std::int32_t& KeywordValue(KeywordIndex index);
const std::string& AlphabetText();
void ResetKeywords();
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

} // namespace vantel
