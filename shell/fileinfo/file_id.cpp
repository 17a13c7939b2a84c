#include "fileinfo/file_id.h"

#include "fileinfo/text_case.h"

#include <cassert>
#include <sys/stat.h>
#include <utility>

namespace {

// Position of the last "." in `name`, counted from 1; 0 when there is none.
std::size_t LastDot(const std::string& name) {
    const std::size_t found = name.rfind('.');
    const std::size_t dot = (found == std::string::npos) ? 0 : found + 1;
    assert(dot == 0 || name[dot - 1] == '.');
    return dot;
}

} // namespace

file_id::file_id(std::string directory, std::string name)
    : directory_(std::move(directory)), name_(std::move(name)) {}

std::string file_id::BaseName() const {
    const std::size_t dot = LastDot(name_);
    // A leading dot marks a hidden name, not an extension of an empty base.
    if (dot <= 1) {
        return name_;
    }
    return name_.substr(0, dot - 1);
}

std::string file_id::Dir() const {
    return directory_;
}

std::string file_id::CasedBaseName(bool upper) const {
    return upper ? UpperCase(BaseName()) : LowerCase(BaseName());
}

std::string file_id::Extension() const {
    const std::size_t dot = LastDot(name_);
    if (dot == 0) {
        return {};
    }
    return name_.substr(dot, kMaxExtension);
}

file_info::file_info(std::string directory, std::string name)
    : file_id(std::move(directory), std::move(name)) {}

bool file_info::Exists() const {
    if (Name().empty()) {
        return false;
    }
    const std::string path = Dir() + Name();
    // A path with an embedded NUL would be cut short by the system call and
    // name another file.
    if (path.find('\0') != std::string::npos) {
        return false;
    }
    struct stat attributes {};
    return ::stat(path.c_str(), &attributes) == 0;
}
