#pragma once
// The shell's one owner of an open file descriptor, and whole writes to one.

#include <string>
#include <string_view>

namespace harbex {

// Owns one open file descriptor and closes it when it goes.
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
    // Gives the descriptor up without closing it.
    int Release();
    // Closes the descriptor (when there is one).
    void Reset();
    // Closes now and tells whether the close succeeded: a failed close can
    // mean that written data never reached the file.
    bool Close();

private:
    int fd_ = -1;
};

// Writes all of data, going on after short writes and interruptions by
// signals; false on any other failure.
bool WriteAll(int fd, std::string_view data);

// Replaces the regular file at path (or makes it) with content, whole or not
// at all: a new temporary file beside it (never reached through a symbolic
// link) is written, synced and renamed over it, so a crash or a full disk
// leaves the old content. An existing file keeps its permission bits; a
// symbolic link at path stays and its target is replaced. In a folder the
// user may not write, a file the user may write is rewritten in place.
// False on any failure, also when path names anything but a regular file.
bool ReplaceFileWhole(const std::string& path, std::string_view content);

} // namespace harbex
