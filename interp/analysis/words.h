// The words that explain the language's built-in names: each primitive
// function's call form and meaning, each keyword's meaning, protection and
// initial value. One table serves the language server's hover, completion
// and signature help, the editor, and the README's tables (a test keeps
// those in step with it).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantel::words {

struct PrimitiveWord {
    std::string_view name;
    std::string_view callForm; // "DUPL(S, N)"
    int arity;                 // -1: any number (the comparisons)
    std::string_view meaning;  // one line
};

struct KeywordWord {
    std::string_view name; // with its '&'
    bool isProtected;
    std::string_view initialValue;
    std::string_view meaning; // one line
};

std::span<const PrimitiveWord> Primitives();
std::span<const KeywordWord> Keywords();

// By name, in capitals as the lexer folds them ("LEN", "&ANCHOR").
const PrimitiveWord* FindPrimitive(std::string_view name);
const KeywordWord* FindKeyword(std::string_view name);

// The parameter names of a call form: "DUPL(S, N)" gives S and N.
std::vector<std::string_view> Parameters(const PrimitiveWord& word);

// The README's two tables, in Markdown.
std::string PrimitiveTable();
std::string KeywordTable();

} // namespace vantel::words
