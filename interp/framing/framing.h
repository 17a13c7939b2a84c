// Framed messages over a byte stream, as the Language Server Protocol and
// the Debug Adapter Protocol send them: a header block of "Name: value"
// lines ended by an empty line, whose Content-Length gives the number of
// bytes of the body that follows. Only the framing lives here; what a body
// means is the protocol's business.
//
// Reading never trusts the peer: header lines and blocks have a maximum
// size, a body's length must be a plain decimal number no larger than the
// reader's limit, and the end of the input inside a message ends the stream.
// After a header block that breaks these rules the reader looks for the next
// "Content-Length:" in the stream and goes on from there, so one broken
// message costs that message only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantel::framing {

inline constexpr std::size_t kMaxHeaderLine = 1024;  // bytes, line end included
inline constexpr std::size_t kMaxHeaderBlock = 8192; // bytes of one header block
// A 5 MB source whose every byte the JSON escapes as \u00XX fits.
inline constexpr std::size_t kMaxBody = std::size_t{64} << 20;

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to size bytes; the count read, 0 at the end of the input (or
    // on an error that ends it).
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // True when a read would not wait.
    virtual bool Ready() = 0;
};

// A file descriptor (standard input); reads interrupted by signals are
// repeated.
class DescriptorSource final : public ByteSource {
public:
    explicit DescriptorSource(int fd) : fd_(fd) {}
    std::size_t Read(char* buffer, std::size_t size) override;
    bool Ready() override;

private:
    int fd_;
};

// Bytes in memory (tests, fuzzing), handed out at most `chunk` at a time.
class TextSource final : public ByteSource {
public:
    explicit TextSource(std::string_view bytes, std::size_t chunk = 4096)
        : bytes_(bytes), chunk_(chunk == 0 ? 1 : chunk) {}
    std::size_t Read(char* buffer, std::size_t size) override;
    bool Ready() override { return true; }

private:
    std::string_view bytes_;
    std::size_t chunk_;
};

class FrameReader {
public:
    enum class Result {
        Message, // a body was read
        Skipped, // a broken message was passed over; `problem` says why
        End,     // no more messages; `problem` is set when one was cut off
    };

    explicit FrameReader(ByteSource& source, std::size_t maxBody = kMaxBody)
        : source_(source), maxBody_(maxBody) {}

    Result Next(std::string& body, std::string& problem);
    // True when another message may be read without waiting.
    bool Pending();

private:
    bool Fill(); // reads more; false at the end
    bool ReadLine(std::string& line, bool& tooLong);
    bool Resynchronise(); // to the next "Content-Length:"
    Result Broken(std::string& problem, std::string why);

    ByteSource& source_;
    std::size_t maxBody_;
    std::string buffer_;
    std::size_t start_ = 0;      // of the unread bytes in buffer_
    std::size_t blockStart_ = 0; // of the header block being read
    bool lost_ = false;          // looking for the next header block
    bool ended_ = false;
};

// A body with its header block.
std::string Frame(std::string_view body);

// Writes all bytes to a file descriptor, repeating partial and interrupted
// writes. False when the peer is gone or the write fails.
bool WriteAll(int fd, std::string_view bytes);

} // namespace vantel::framing
