#include "analysis/words.h"

#include <array>

namespace vantel::words {

namespace {

// "S" is a string, "N" an integer, "P" a pattern, "A" and "B" any values.
constexpr std::array<PrimitiveWord, 26> kPrimitives{{
    {"LT", "LT(N1, N2)", -1, "Succeeds when N1 < N2, fails otherwise; a missing argument is 0."},
    {"LE", "LE(N1, N2)", -1, "Succeeds when N1 <= N2, fails otherwise; a missing argument is 0."},
    {"EQ", "EQ(N1, N2)", -1, "Succeeds when N1 = N2, fails otherwise; a missing argument is 0."},
    {"NE", "NE(N1, N2)", -1,
     "Succeeds when N1 differs from N2, fails otherwise; a missing argument is 0."},
    {"GE", "GE(N1, N2)", -1, "Succeeds when N1 >= N2, fails otherwise; a missing argument is 0."},
    {"GT", "GT(N1, N2)", -1, "Succeeds when N1 > N2, fails otherwise; a missing argument is 0."},
    {"ANY", "ANY(S)", 1, "Pattern: one character that occurs in S."},
    {"NOTANY", "NOTANY(S)", 1, "Pattern: one character that does not occur in S."},
    {"SPAN", "SPAN(S)", 1,
     "Pattern: the longest run (at least one) of characters that occur in S."},
    {"BREAK", "BREAK(S)", 1,
     "Pattern: the characters up to the first one that occurs in S, which is not taken."},
    {"LEN", "LEN(N)", 1, "Pattern: any N characters."},
    {"POS", "POS(N)", 1, "Pattern: the null string, where N characters lie before the cursor."},
    {"TAB", "TAB(N)", 1, "Pattern: the characters from the cursor up to position N."},
    {"RPOS", "RPOS(N)", 1,
     "Pattern: the null string, where N characters are left after the cursor."},
    {"RTAB", "RTAB(N)", 1, "Pattern: the characters from the cursor up to N before the end."},
    {"ARBNO", "ARBNO(P)", 1, "Pattern: any number of matches of P in a row, the fewest first."},
    {"SIZE", "SIZE(S)", 1, "The number of characters of S."},
    {"TRIM", "TRIM(S)", 1, "S without its trailing blanks."},
    {"DUPL", "DUPL(S, N)", 2, "S repeated N times; the null string when N <= 0."},
    {"DUMP", "DUMP(N)", 1, "Writes the dump of variables into the listing when N is not 0."},
    {"IDENT", "IDENT(A, B)", 2, "Succeeds when A and B are identical, fails otherwise."},
    {"DIFFER", "DIFFER(A, B)", 2, "Succeeds when A and B differ, fails otherwise."},
    {"REMDR", "REMDR(N1, N2)", 2, "The remainder of N1 divided by N2; its sign is N1's."},
    {"INPUT", "INPUT(NAME, FILE)", 2,
     "Attaches the variable NAME to FILE: each use reads a line; fails when FILE cannot be "
     "opened."},
    {"OUTPUT", "OUTPUT(NAME, FILE)", 2,
     "Attaches the variable NAME to FILE: each assignment writes a line; fails when FILE cannot be "
     "created."},
    {"DEFINE", "DEFINE(PROTOTYPE, LABEL)", 2,
     "Defines the function 'NAME(PARAMETERS)LOCALS' whose body starts at LABEL."},
}};

constexpr std::array<KeywordWord, 12> kKeywords{{
    {"&ALPHABET", true, "the 128 characters with codes 0 to 127", "The character set, in order."},
    {"&TRACE", false, "0", "While above 0, each transfer writes a trace line and counts down."},
    {"&TRIM", false, "0", "When not 0, lines read lose their trailing blanks."},
    {"&STLIMIT", false, "5000", "The run stops when more statements than this have been executed."},
    {"&STLASTNO", true, "0", "The number of the statement executed last."},
    {"&STNO", true, "0", "The number of the statement being executed."},
    {"&FTRACE", false, "0",
     "While above 0, each call and return of a defined function writes a trace line and counts "
     "down."},
    {"&CODE", false, "0", "The exit status when the run ends without an error."},
    {"&ANCHOR", false, "1", "When not 0, a match must start at the subject's first character."},
    {"&DUMP", false, "0",
     "When not 0 at the end of the run, the variables are dumped into the listing."},
    {"&STFCOUNT", true, "0", "The number of statements that failed."},
    {"&STCOUNT", true, "0", "The number of statements executed."},
}};

template <typename Word> const Word* Find(std::span<const Word> table, std::string_view name) {
    for (const Word& w : table)
        if (w.name == name) return &w;
    return nullptr;
}

} // namespace

std::span<const PrimitiveWord> Primitives() {
    return kPrimitives;
}
std::span<const KeywordWord> Keywords() {
    return kKeywords;
}

const PrimitiveWord* FindPrimitive(std::string_view name) {
    return Find(Primitives(), name);
}
const KeywordWord* FindKeyword(std::string_view name) {
    return Find(Keywords(), name);
}

std::vector<std::string_view> Parameters(const PrimitiveWord& word) {
    std::vector<std::string_view> names;
    std::string_view list = word.callForm;
    list.remove_prefix(list.find('(') + 1);
    list.remove_suffix(1); // ')'
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        names.push_back(list.substr(0, comma));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
        while (!list.empty() && list.front() == ' ')
            list.remove_prefix(1);
    }
    return names;
}

std::string PrimitiveTable() {
    std::string out = "| call | meaning |\n|---|---|\n";
    for (const PrimitiveWord& w : Primitives())
        out.append("| `").append(w.callForm).append("` | ").append(w.meaning).append(" |\n");
    return out;
}

std::string KeywordTable() {
    std::string out = "| keyword | protected | initial value | meaning |\n|---|---|---|---|\n";
    for (const KeywordWord& w : Keywords())
        out.append("| `")
            .append(w.name)
            .append("` | ")
            .append(w.isProtected ? "yes" : "no")
            .append(" | ")
            .append(w.initialValue)
            .append(" | ")
            .append(w.meaning)
            .append(" |\n");
    return out;
}

} // namespace vantel::words
