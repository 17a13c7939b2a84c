// The output of a protocol server under test, read through the framing with
// a time limit: when nothing comes in time, the test fails and the read
// ends as at the end of the stream, so a silent server never hangs a test.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "framing/framing.h"

namespace vantel::test {

// For any one read: sanitised builds are slow, and hostile texts take a while.
inline constexpr int kServerWaitMs = 20000;

class TimedSource final : public framing::ByteSource {
public:
    TimedSource(int fd, std::string server) : fd_(fd), server_(std::move(server)) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, kServerWaitMs) <= 0) {
            ADD_FAILURE() << server_ << " sent nothing within " << kServerWaitMs << " ms";
            return 0;
        }
        const ssize_t n = ::read(fd_, buffer, size);
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    bool Ready() override { return true; }

private:
    int fd_;
    std::string server_;
};

} // namespace vantel::test
