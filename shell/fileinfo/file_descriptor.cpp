#include "fileinfo/file_descriptor.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace harbex {

namespace {

constexpr mode_t kNewFileMode = 0666; // narrowed by the user's umask
constexpr int kTemporaryAttempts = 100;

// The file a replacement writes: path itself, or the target of the symbolic
// link at path. None when that is something other than a regular file; an
// absent file counts as regular. `mode` gets the old file's permission bits.
bool ReplacedFile(const std::string& path, std::string& file, std::optional<mode_t>& mode) {
    file = path;
    struct stat attributes {};
    if (lstat(path.c_str(), &attributes) != 0) return errno == ENOENT;
    if (S_ISLNK(attributes.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) == nullptr || stat(resolved, &attributes) != 0)
            return false;
        file = resolved;
    }
    if (!S_ISREG(attributes.st_mode)) return false;
    mode = attributes.st_mode & 07777;
    return true;
}

UniqueFd CreateTemporaryBeside(const std::string& file, std::string& temp) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        temp = file + ".new" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        UniqueFd fd(
            open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode));
        if (fd.Valid() || errno != EEXIST) return fd;
    }
    return UniqueFd();
}

bool RewriteInPlace(const std::string& file, std::string_view content) {
    UniqueFd fd(open(file.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat attributes {};
    if (!fd.Valid() || fstat(fd.Get(), &attributes) != 0 || !S_ISREG(attributes.st_mode))
        return false;
    const bool written = WriteAll(fd.Get(), content) &&
                         ftruncate(fd.Get(), static_cast<off_t>(content.size())) == 0 &&
                         fsync(fd.Get()) == 0;
    return fd.Close() && written;
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Release();
    }
    return *this;
}

int UniqueFd::Release() {
    return std::exchange(fd_, -1);
}

void UniqueFd::Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool UniqueFd::Close() {
    const int fd = Release();
    return fd >= 0 && close(fd) == 0;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t put = write(fd, data.data(), data.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

bool ReplaceFileWhole(const std::string& path, std::string_view content) {
    if (path.find('\0') != std::string::npos) return false;
    std::string file;
    std::optional<mode_t> mode;
    if (!ReplacedFile(path, file, mode)) return false;
    std::string temp;
    UniqueFd fd = CreateTemporaryBeside(file, temp);
    if (!fd.Valid()) {
        // A folder the user may not write: the file, when it is the user's
        // to write, is rewritten in place, as it always was.
        return mode && (errno == EACCES || errno == EPERM) && RewriteInPlace(file, content);
    }
    const bool written = WriteAll(fd.Get(), content) && (!mode || fchmod(fd.Get(), *mode) == 0) &&
                         fsync(fd.Get()) == 0;
    if (fd.Close() && written && std::rename(temp.c_str(), file.c_str()) == 0) return true;
    unlink(temp.c_str());
    return false;
}

} // namespace harbex
