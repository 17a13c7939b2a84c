#include "command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <unistd.h>

namespace quillpad {

namespace {

// The switch words; harbex spells the first three in its command lines.
constexpr std::string_view kLargerSwitch = "/L";
constexpr std::string_view kSmallerSwitch = "/S";
constexpr std::string_view kReadOnlySwitch = "-r";
constexpr std::string_view kLineSwitch = "--line=";
constexpr std::string_view kDebugSwitch = "--debug";

// "--line=N" with N from 1; anything else is part of the file name.
std::optional<int> LineSwitch(const std::string& word) {
    if (word.size() <= kLineSwitch.size() ||
        word.compare(0, kLineSwitch.size(), kLineSwitch) != 0) {
        return std::nullopt;
    }
    int number = 0;
    const char* end = word.data() + word.size();
    const auto parsed = std::from_chars(word.data() + kLineSwitch.size(), end, number);
    if (parsed.ec != std::errc() || parsed.ptr != end || number < 1) return std::nullopt;
    return number;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& words) {
    CommandLine line;
    for (const std::string& word : words) {
        if (word == kLargerSwitch) {
            line.font = FontSwitch::Larger;
        } else if (word == kSmallerSwitch) {
            line.font = FontSwitch::Smaller;
        } else if (word == kReadOnlySwitch) {
            line.readOnly = true;
        } else if (word == kDebugSwitch) {
            line.debug = true;
        } else if (const std::optional<int> number = LineSwitch(word)) {
            line.line = *number;
        } else if (!word.empty()) {
            if (!line.file.empty()) line.file += ' ';
            line.file += word;
        }
    }
    return line;
}

std::vector<std::string> CommandWords(const CommandLine& line) {
    std::vector<std::string> words;
    if (line.font == FontSwitch::Larger) words.emplace_back(kLargerSwitch);
    if (line.font == FontSwitch::Smaller) words.emplace_back(kSmallerSwitch);
    if (line.readOnly) words.emplace_back(kReadOnlySwitch);
    if (line.line > 0) words.push_back(std::string(kLineSwitch) + std::to_string(line.line));
    if (line.debug) words.emplace_back(kDebugSwitch);
    words.push_back(line.file);
    return words;
}

std::optional<std::vector<std::string>> HandOffArguments(const char* editor,
                                                         const std::string& file) {
    if (editor == nullptr) return std::nullopt;
    std::vector<std::string> arguments;
    std::istringstream words{std::string(editor)};
    std::string word;
    while (std::getline(words, word, ' ')) {
        if (!word.empty()) arguments.push_back(word);
    }
    if (arguments.empty()) return std::nullopt;
    arguments.push_back(file);
    return arguments;
}

namespace {

std::string Resolved(const std::string& path) {
    std::array<char, PATH_MAX> resolved{};
    if (realpath(path.c_str(), resolved.data()) == nullptr) return {};
    return resolved.data();
}

// The file that `program` names: itself when it holds a "/", otherwise the
// first executable of that name on PATH.
std::string FileOfProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) return Resolved(program);
    const char* path = std::getenv("PATH");
    std::istringstream folders{std::string(path != nullptr ? path : "")};
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return Resolved(candidate);
    }
    return {};
}

} // namespace

bool IsQuillpadItself(const std::string& program, const std::string& ownFolder) {
    const std::string name = program.substr(program.rfind('/') + 1);
    if (name == "quillpad" || name == "quillpad-editor") return true;
    const std::string file = FileOfProgram(program);
    if (file.empty()) return false;
    return file == Resolved(ownFolder + "quillpad") ||
           file == Resolved(ownFolder + "quillpad-editor");
}

int FontPointSize(FontSwitch font, int normalPointSize) {
    constexpr int kSmallestNormal = 8; // points; the switches scale from at least this
    constexpr int kSmallestSmaller = 6;
    constexpr double kLargerScale = 1.5;
    constexpr double kSmallerScale = 0.75;
    const int normal = std::max(normalPointSize, kSmallestNormal);
    switch (font) {
    case FontSwitch::Larger:
        return static_cast<int>(std::lround(normal * kLargerScale));
    case FontSwitch::Smaller:
        return std::max(kSmallestSmaller, static_cast<int>(std::lround(normal * kSmallerScale)));
    case FontSwitch::Normal:
        break;
    }
    return normal;
}

} // namespace quillpad
