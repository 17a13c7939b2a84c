#include "command_line.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace quillpad {

CommandLine ParseCommandLine(const std::vector<std::string>& words) {
    CommandLine line;
    for (const std::string& word : words) {
        if (word == "/L") {
            line.font = FontSwitch::Larger;
        } else if (word == "/S") {
            line.font = FontSwitch::Smaller;
        } else if (word == "-r") {
            line.readOnly = true;
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
