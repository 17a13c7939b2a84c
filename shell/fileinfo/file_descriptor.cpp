#include "fileinfo/file_descriptor.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace harbex {

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

} // namespace harbex
