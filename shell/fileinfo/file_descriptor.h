#pragma once
// The shell's one owner of an open file descriptor, and whole writes to one.

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

} // namespace harbex
