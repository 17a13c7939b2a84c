// The characters of names as the lexer reads them: a name is a letter, then
// letters, digits and periods (folded to capitals). Shared with the tools
// that read source text beside the translator (the editor's tokenizer).
#pragma once

namespace vantel {

inline bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsNameChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == '.';
}

} // namespace vantel
