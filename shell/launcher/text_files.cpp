#include "text_files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace harbex {

namespace {

// Permission bits of a new file; open() narrows them by the user's umask.
constexpr mode_t kNewFileMode = 0666;
constexpr int kTemporaryAttempts = 100;

// A name beside path that no other writer of this process picks.
std::string TemporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
}

// Creates a new temporary file beside path; its name goes to temp.
UniqueFd CreateTemporary(const std::string& path, std::string& temp) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        temp = TemporaryName(path);
        UniqueFd fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
        if (fd.Valid() || errno != EEXIST) return fd;
    }
    return UniqueFd();
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
    std::string temp;
    UniqueFd fd = CreateTemporary(path, temp);
    if (!fd.Valid()) return false;
    const bool written = WriteAll(fd.Get(), content);
    if (fd.Close() && written && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}

std::string ReadStart(int fd, std::size_t limit) {
    std::string text(limit, '\0');
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t read = pread(fd, text.data() + got, limit - got, static_cast<off_t>(got));
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) break;
        got += static_cast<std::size_t>(read);
    }
    text.resize(got);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The file is made anew, never opened through whatever appeared under its
// name after the unlink: a symbolic link planted there (in a folder that
// others can write) must not lead the write to, or truncate, its target.
UniqueFd CreateEmptyFile(const std::string& path) {
    unlink(path.c_str());
    return UniqueFd(
        open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode));
}

} // namespace harbex
