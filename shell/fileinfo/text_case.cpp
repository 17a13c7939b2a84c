#include "fileinfo/text_case.h"

namespace {

constexpr char kCaseDistance = 'a' - 'A';

char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - kCaseDistance) : c;
}

char LowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + kCaseDistance) : c;
}

} // namespace

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = UpperChar(c);
    }
    return result;
}

std::string LowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = LowerChar(c);
    }
    return result;
}
