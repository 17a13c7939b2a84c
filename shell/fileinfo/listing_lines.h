// The framing of vantel's listing lines that both harbex and quillpad read:
// messages stand as "--- TEXT ---", run-time errors as
// "--- ERROR OCCURRED ON STATEMENT N ---".
#pragma once

#include <string_view>

namespace listing {

constexpr std::string_view kMessageOpen = "--- ";
constexpr std::string_view kMessageClose = " ---";
constexpr std::string_view kErrorStatement = "--- ERROR OCCURRED ON STATEMENT ";

inline bool IsMessage(std::string_view line) {
    return line.size() >= kMessageOpen.size() + kMessageClose.size() &&
           line.substr(0, kMessageOpen.size()) == kMessageOpen &&
           line.substr(line.size() - kMessageClose.size()) == kMessageClose;
}

} // namespace listing
