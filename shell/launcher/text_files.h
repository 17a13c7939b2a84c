#pragma once
// Whole-file text reading and writing for the shell.

#include <optional>
#include <string>
#include <vector>

namespace harbex {

// The lines of a text file without their line ends (LF, or CR LF); a last
// line without a line end is still a line. None when it cannot be read.
std::optional<std::vector<std::string>> ReadLines(const std::string& path);

// Writes content to path whole or not at all: a temporary file beside it is
// filled and then renamed over the old one. False on any failure.
bool WriteFileWhole(const std::string& path, const std::string& content);

// Owns one open file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release();
    void Reset();

private:
    int fd_ = -1;
};

// Deletes path when it exists and creates it anew, empty, for reading and
// writing; an invalid descriptor when that fails.
UniqueFd CreateEmptyFile(const std::string& path);

} // namespace harbex
