#include "text_files.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace harbex {

namespace {

// Permission bits of a new file before the process's umask.
constexpr mode_t kNewFileMode = 0666;

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t CurrentUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

} // namespace

std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (in.bad()) return std::nullopt;
    return lines;
}

bool WriteFileWhole(const std::string& path, const std::string& content) {
    std::string temp = path + ".XXXXXX";
    UniqueFd fd(mkstemp(temp.data()));
    if (!fd.Valid()) return false;
    bool ok = fchmod(fd.Get(), kNewFileMode & ~CurrentUmask()) == 0 && WriteAll(fd.Get(), content);
    int closeResult = close(fd.Release());
    if (ok && closeResult == 0 && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Release();
    }
    return *this;
}

int UniqueFd::Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

UniqueFd CreateEmptyFile(const std::string& path) {
    unlink(path.c_str());
    return UniqueFd(open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode));
}

} // namespace harbex
