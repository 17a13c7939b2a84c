// The keyword value table and the initial entries of the string table.
#include "data/values.h"

#include <array>
#include <string>

#include "data/pattern_table.h"

namespace vantel {

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

void InitialKeywordValues() {
    Data().keywords.fill(0);
    KeywordValue(KeywordIndex::StLimit) = 5000;
    KeywordValue(KeywordIndex::Anchor) = 1;
}

void EnterInitialStrings() {
    LookupOrEnter("ARB")->value = Value::Pattern(NewLoopTable(Routine::ArbPiece, -1));
    for (const KeywordEntry& k : kKeywordEntries)
        LookupOrEnter(k.name)->value = Value::Keyword(k.index, k.isProtected);
    InitialKeywordValues();
}

} // namespace vantel
