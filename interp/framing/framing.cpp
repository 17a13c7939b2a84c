#include "framing/framing.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vantel::framing {

namespace {

constexpr std::string_view kLengthHeader = "content-length:";
constexpr std::size_t kReadChunk = std::size_t{64} << 10;
// More digits than this cannot be a length below the limit.
constexpr std::size_t kMaxLengthDigits = 18;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A plain decimal number: digits only, no sign, not too many.
bool ParseLength(std::string_view text, std::size_t& value) {
    if (text.empty() || text.size() > kMaxLengthDigits) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return true;
}

} // namespace

std::size_t DescriptorSource::Read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return 0;
    }
}

bool DescriptorSource::Ready() {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

std::size_t TextSource::Read(char* buffer, std::size_t size) {
    const std::size_t n = std::min({size, chunk_, bytes_.size()});
    std::copy_n(bytes_.data(), n, buffer);
    bytes_.remove_prefix(n);
    return n;
}

bool FrameReader::Fill() {
    if (ended_) return false;
    if (start_ > 0) {
        buffer_.erase(0, start_);
        blockStart_ -= std::min(blockStart_, start_);
        start_ = 0;
    }
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kReadChunk);
    const std::size_t n = source_.Read(buffer_.data() + old, kReadChunk);
    buffer_.resize(old + n);
    if (n == 0) ended_ = true;
    return n > 0;
}

bool FrameReader::ReadLine(std::string& line, bool& tooLong) {
    for (std::size_t searched = start_;;) {
        const std::size_t feed = buffer_.find('\n', searched);
        if (feed != std::string::npos && feed - start_ < kMaxHeaderLine) {
            line.assign(buffer_, start_, feed - start_);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            start_ = feed + 1;
            return true;
        }
        if (buffer_.size() - start_ >= kMaxHeaderLine) {
            tooLong = true;
            return true;
        }
        searched = buffer_.size();
        const std::size_t before = start_;
        if (!Fill()) return false;
        searched -= before - start_; // Fill moved the unread bytes to the front
    }
}

bool FrameReader::Resynchronise() {
    for (;;) {
        const auto at = std::search(buffer_.begin() + static_cast<std::ptrdiff_t>(start_),
                                    buffer_.end(), kLengthHeader.begin(), kLengthHeader.end(),
                                    [](char x, char y) { return Lower(x) == y; });
        if (at != buffer_.end()) {
            start_ = static_cast<std::size_t>(at - buffer_.begin());
            return true;
        }
        // Keep what may be the start of the header, split by the read.
        const std::size_t keep = std::min(buffer_.size() - start_, kLengthHeader.size() - 1);
        start_ = buffer_.size() - keep;
        if (!Fill()) return false;
    }
}

FrameReader::Result FrameReader::Broken(std::string& problem, std::string why) {
    problem = std::move(why);
    lost_ = true;
    start_ = std::max(start_, blockStart_ + 1); // never the same block twice
    start_ = std::min(start_, buffer_.size());
    return Result::Skipped;
}

FrameReader::Result FrameReader::Next(std::string& body, std::string& problem) {
    problem.clear();
    if (lost_) {
        if (!Resynchronise()) return Result::End;
        lost_ = false;
    }
    std::size_t blockBytes = 0;
    bool any = false;
    bool hasLength = false;
    std::size_t length = 0;
    std::string line;
    for (;;) {
        bool tooLong = false;
        if (!any) blockStart_ = start_;
        if (!ReadLine(line, tooLong)) {
            if (any || start_ < buffer_.size()) problem = "the input ended inside a header block";
            return Result::End;
        }
        if (tooLong) return Broken(problem, "a header line longer than 1024 bytes");
        if (line.empty()) {
            if (any) break;
            continue; // blank lines between messages
        }
        any = true;
        blockBytes += line.size() + 2;
        if (blockBytes > kMaxHeaderBlock)
            return Broken(problem, "a header block longer than 8192 bytes");
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0)
            return Broken(problem, "a header line that is not \"Name: value\"");
        const std::string_view name = Trimmed(std::string_view(line).substr(0, colon));
        if (!EqualsIgnoringCase(name, "Content-Length")) continue; // Content-Type and others
        std::size_t value = 0;
        if (!ParseLength(Trimmed(std::string_view(line).substr(colon + 1)), value))
            return Broken(problem, "a Content-Length that is not a decimal number");
        if (hasLength && value != length)
            return Broken(problem, "two different Content-Length headers");
        hasLength = true;
        length = value;
    }
    if (!hasLength) return Broken(problem, "a header block without Content-Length");
    if (length > maxBody_)
        return Broken(problem, "a body of " + std::to_string(length) + " bytes, more than the " +
                                   std::to_string(maxBody_) + " allowed");
    while (buffer_.size() - start_ < length)
        if (!Fill()) {
            problem = "the input ended inside a message body";
            return Result::End;
        }
    body.assign(buffer_, start_, length);
    start_ += length;
    return Result::Message;
}

bool FrameReader::Pending() {
    return start_ < buffer_.size() || (!ended_ && source_.Ready());
}

std::string Frame(std::string_view body) {
    std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out.append(body);
    return out;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace vantel::framing
