#include "debug_frames.h"

#include <algorithm>

namespace quillpad::debug {
namespace {

constexpr std::string_view kLengthHeader = "content-length:";
constexpr std::size_t kMaxLengthDigits = 18; // more cannot be below the limit

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool IsLengthName(std::string_view name) {
    constexpr std::string_view kName = "content-length";
    return name.size() == kName.size() && std::equal(name.begin(), name.end(), kName.begin(),
                                                     [](char a, char b) { return Lower(a) == b; });
}

std::optional<std::size_t> ParseLength(std::string_view text) {
    if (text.empty() || text.size() > kMaxLengthDigits) return std::nullopt;
    std::size_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

} // namespace

std::string Framed(std::string_view body) {
    std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    framed.append(body);
    return framed;
}

void FrameBuffer::Compact() {
    if (start_ == 0) return;
    buffer_.erase(0, start_);
    start_ = 0;
}

std::optional<FrameBuffer::Frame> FrameBuffer::Broken(std::size_t skipTo, std::string why) {
    start_ = std::min(skipTo, buffer_.size());
    lost_ = true;
    return Frame{{}, std::move(why)};
}

// Skips to the next "Content-Length:"; false while none has come yet (the
// bytes that may be its start are kept).
bool FrameBuffer::Resynchronise() {
    const auto at = std::search(buffer_.begin() + static_cast<std::ptrdiff_t>(start_),
                                buffer_.end(), kLengthHeader.begin(), kLengthHeader.end(),
                                [](char x, char y) { return Lower(x) == y; });
    if (at == buffer_.end()) {
        const std::size_t keep = std::min(buffer_.size() - start_, kLengthHeader.size() - 1);
        start_ = buffer_.size() - keep;
        Compact();
        return false;
    }
    start_ = static_cast<std::size_t>(at - buffer_.begin());
    lost_ = false;
    return true;
}

std::optional<FrameBuffer::Frame> FrameBuffer::Next() {
    if (lost_ && !Resynchronise()) return std::nullopt;
    // Blank lines between frames are passed over.
    while (buffer_.compare(start_, 2, "\r\n") == 0 || buffer_.compare(start_, 1, "\n") == 0)
        start_ += buffer_[start_] == '\r' ? 2 : 1;
    const std::size_t blockStart = start_;
    std::size_t at = start_;
    std::optional<std::size_t> length;
    for (;;) {
        const std::size_t feed = buffer_.find('\n', at);
        const std::size_t lineEnd = feed == std::string::npos ? buffer_.size() : feed + 1;
        if (lineEnd - at > kMaxHeaderLine)
            return Broken(blockStart + 1, "a header line longer than 1024 bytes");
        if (lineEnd - blockStart > kMaxHeaderBlock)
            return Broken(blockStart + 1, "a header block longer than 8192 bytes");
        if (feed == std::string::npos) {
            Compact();
            return std::nullopt; // the header block is not all here yet
        }
        const std::string_view line = Trimmed(std::string_view(buffer_).substr(at, feed - at));
        at = lineEnd;
        if (line.empty()) break;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return Broken(blockStart + 1, "a header line that is not \"Name: value\"");
        if (!IsLengthName(Trimmed(line.substr(0, colon)))) continue;
        const std::optional<std::size_t> value = ParseLength(Trimmed(line.substr(colon + 1)));
        if (!value) return Broken(blockStart + 1, "a Content-Length that is not a decimal number");
        if (length && *length != *value)
            return Broken(blockStart + 1, "two different Content-Length headers");
        length = value;
    }
    if (!length) return Broken(at, "a header block without Content-Length");
    if (*length > maxBody_)
        return Broken(at, "a body of " + std::to_string(*length) + " bytes, more than the " +
                              std::to_string(maxBody_) + " allowed");
    if (buffer_.size() - at < *length) {
        Compact();
        return std::nullopt;
    }
    Frame frame{buffer_.substr(at, *length), {}};
    start_ = at + *length;
    Compact();
    return frame;
}

} // namespace quillpad::debug
