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

constexpr std::string_view kLineSwitch = "--line=";

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
        if (word == "/L") {
            line.font = FontSwitch::Larger;
        } else if (word == "/S") {
            line.font = FontSwitch::Smaller;
        } else if (word == "-r") {
            line.readOnly = true;
        } else if (const std::optional<int> number = LineSwitch(word)) {
            line.line = *number;
        } else if (!word.empty()) {
            if (!line.file.empty()) line.file += ' ';
            line.file += word;
        }
    }
    return line;
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
    const int normal = std::max(normalPointSize, 8);
    switch (font) {
    case FontSwitch::Larger:
        return static_cast<int>(std::lround(normal * 1.5));
    case FontSwitch::Smaller:
        return std::max(6, static_cast<int>(std::lround(normal * 0.75)));
    case FontSwitch::Normal:
        break;
    }
    return normal;
}

} // namespace quillpad
