#include "options/initfile.h"

#include "fileinfo/file_id.h"
#include "fileinfo/text_case.h"
#include "options/line_data.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr char kSeparator = '=';
constexpr char kPathSeparator = '/';
constexpr unsigned char kLastBlankCode = 32; // trimming drops this and every lower code

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= kLastBlankCode;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string NameKey(std::string_view name) {
    return UpperCase(Trim(name));
}

// True when `path` ends in ".ini" in any letter case.
bool HasIniExtension(std::string_view path) {
    const std::string_view extension = initfile::kExtension;
    return path.size() >= extension.size() &&
           UpperCase(path.substr(path.size() - extension.size())) == extension;
}

std::string OptionFileName(std::string_view path) {
    std::string name(path);
    if (!HasIniExtension(name)) {
        name.append(initfile::kExtension);
    }
    return name;
}

bool ContainsLineEnd(std::string_view text) {
    return text.find(kLineEnd) != std::string::npos;
}

} // namespace

initfile::initfile(std::string_view path) : fileName_(OptionFileName(path)) {}

initfile::initfile(const char* path)
    : initfile(path == nullptr ? std::string_view() : std::string_view(path)) {}

initfile::~initfile() {
    if (dirty_) {
        Save();
    }
}

bool initfile::LoadPlain() {
    key_.clear();
    return Load();
}

bool initfile::SetKey(std::string_view key) {
    if (!LineData::UsableKey(key)) {
        return false;
    }
    key_ = std::string(key.substr(0, LineData::kKeyLength));
    return true;
}

bool initfile::Load() {
    const std::size_t slash = fileName_.rfind(kPathSeparator);
    const std::size_t nameStart = (slash == std::string::npos) ? 0 : slash + 1;
    if (!file_info(fileName_.substr(0, nameStart), fileName_.substr(nameStart)).Exists()) {
        return false;
    }
    LineData reader(fileName_);
    if (!key_.empty()) {
        reader.SetKey(key_);
    }
    reader.Open(true);
    std::string line;
    while (reader.ReadLine(line)) {
        const std::size_t separator = line.find(kSeparator);
        if (separator == std::string::npos) {
            continue;
        }
        const std::string_view text(line);
        const std::string_view value = text.substr(separator + 1, kMaxValueLength);
        entries_[NameKey(text.substr(0, separator))] = std::string(Trim(value));
    }
    return true;
}

bool initfile::GetString(std::string_view name, std::string& value) const {
    const auto found = entries_.find(NameKey(name));
    if (found == entries_.end()) {
        return false;
    }
    value = found->second;
    return true;
}

bool initfile::GetBool(std::string_view name, bool& value) const {
    std::string text;
    if (!GetString(name, text)) {
        return false;
    }
    const std::string word = UpperCase(Trim(text));
    if (word == "TRUE" || word == "FALSE") {
        value = (word == "TRUE");
        return true;
    }
    return false;
}

bool initfile::SetString(std::string_view name, std::string_view value) {
    std::string key = NameKey(name);
    if (key.find(kSeparator) != std::string::npos || ContainsLineEnd(key) ||
        ContainsLineEnd(value)) {
        return false;
    }
    dirty_ = true;
    entries_[std::move(key)] = std::string(value);
    return true;
}

bool initfile::SetBool(std::string_view name, bool value) {
    return SetString(name, value ? "true" : "false");
}

bool initfile::Save() {
    LineData writer(fileName_);
    if (!key_.empty()) {
        writer.SetKey(key_);
    }
    writer.Open(false);
    bool complete = true;
    for (const auto& [name, value] : entries_) {
        if (!value.empty()) {
            complete = writer.WriteLine(name + kSeparator + value) && complete;
        }
    }
    return writer.Close() && complete;
}
