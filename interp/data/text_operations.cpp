// String operations with the interpreter's size checks.
#include "data/values.h"

#include "data/diagnostics.h"

namespace vantel {

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

std::string IntegerText(std::int32_t n) {
    char buffer[16];
    return std::string(FormatInteger(n, buffer));
}

std::string UpperCased(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = UpperCase(c);
    return upper;
}

} // namespace vantel
