#include "listing_summary.h"

#include "fileinfo/listing_lines.h"

#include <algorithm>
#include <string_view>

namespace harbex {

namespace {

constexpr std::string_view kExecutionBegins = "Execution begins...";
constexpr std::string_view kTerminated = " EXECUTION HAS TERMINATED.";
constexpr std::string_view kStatementCount = " NUMBER OF STATEMENTS EXECUTED: ";
using listing::IsMessage;
using listing::kErrorStatement;
using listing::kMessageClose;
using listing::kMessageOpen;
// The termination report's count follows its first line within this many lines.
constexpr std::size_t kCountDistance = 2;

using Lines = std::vector<std::string>;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The text of a "--- MESSAGE ---" line without its frame and trailing blanks.
std::string MessageText(std::string_view line) {
    std::string_view text =
        line.substr(kMessageOpen.size(), line.size() - kMessageOpen.size() - kMessageClose.size());
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The digits after `prefix` (and before `suffix`), or none when the line
// is not of that form.
std::optional<std::string> NumberAfter(std::string_view line, std::string_view prefix,
                                       std::string_view suffix = {}) {
    if (!StartsWith(line, prefix) || line.size() < prefix.size() + suffix.size()) return {};
    std::string_view rest = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    if (line.substr(line.size() - suffix.size()) != suffix || !AllDigits(rest)) return {};
    return std::string(rest);
}

// The statement count of the last termination report, and where it starts.
struct Termination {
    std::size_t line = 0;
    std::string statements;
};

std::optional<Termination> LastTermination(const Lines& lines) {
    for (std::size_t i = lines.size(); i-- > 0;) {
        if (lines[i] != kTerminated) continue;
        for (std::size_t j = i + 1; j < lines.size() && j <= i + kCountDistance; ++j) {
            if (auto count = NumberAfter(lines[j], kStatementCount)) return Termination{i, *count};
        }
    }
    return {};
}

std::optional<std::string> RunTimeError(const Lines& lines, std::size_t terminated) {
    if (terminated < 2) return {};
    const auto statement = NumberAfter(lines[terminated - 1], kErrorStatement, kMessageClose);
    if (!statement || !IsMessage(lines[terminated - 2])) return {};
    return "Error in statement " + *statement + ": " + MessageText(lines[terminated - 2]);
}

// Translation messages stand alone on their line, after two empty lines.
std::size_t TranslationErrors(const Lines& lines) {
    std::size_t errors = 0;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        if (IsMessage(lines[i]) && lines[i - 1].empty() && lines[i - 2].empty()) ++errors;
    }
    return errors;
}

} // namespace

std::optional<std::string> ListingSummary(const Lines& lines, std::optional<int> exitStatus) {
    if (std::find(lines.begin(), lines.end(), kExecutionBegins) == lines.end()) {
        const std::size_t errors = TranslationErrors(lines);
        if (errors == 0) return {};
        return "Translation errors: " + std::to_string(errors);
    }
    const std::optional<Termination> end = LastTermination(lines);
    if (!end) return {};
    if (auto error = RunTimeError(lines, end->line)) return error;
    const std::string status = exitStatus ? "status " + std::to_string(*exitStatus) + ", " : "";
    return "Ended: " + status + end->statements + " statements";
}

} // namespace harbex
