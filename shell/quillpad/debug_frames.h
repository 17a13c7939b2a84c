#pragma once
// The frames vantel-dap and quillpad exchange: a header block of
// "Name: value" lines, ended by an empty line, whose Content-Length gives
// the size of the JSON body that follows. The adapter's bytes come in
// whatever pieces its pipe delivers; FrameBuffer collects them and hands
// out whole bodies. It keeps the rules the adapter itself reads by: bounded
// header lines and blocks, a plain decimal length no larger than a limit,
// and after a broken header the next "Content-Length:" starts afresh, so
// one bad frame costs that frame only. This is the client's one piece that
// knows the framing.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillpad::debug {

inline constexpr std::size_t kMaxHeaderLine = 1024;  // bytes, line end included
inline constexpr std::size_t kMaxHeaderBlock = 8192; // bytes of one header block
inline constexpr std::size_t kMaxBody = std::size_t{64} << 20;

// A body with its header block.
std::string Framed(std::string_view body);

class FrameBuffer {
public:
    struct Frame {
        std::string body;    // empty when `problem` is set
        std::string problem; // a broken frame that was passed over
    };

    explicit FrameBuffer(std::size_t maxBody = kMaxBody) : maxBody_(maxBody) {}

    void Feed(std::string_view bytes) { buffer_.append(bytes); }
    // The next whole frame, or none while only part of one has come.
    std::optional<Frame> Next();
    // Bytes held that are not yet a whole frame.
    std::size_t Held() const { return buffer_.size() - start_; }

private:
    std::optional<Frame> Broken(std::size_t skipTo, std::string why);
    bool Resynchronise();
    void Compact();

    std::size_t maxBody_;
    std::string buffer_;
    std::size_t start_ = 0; // of the unread bytes
    bool lost_ = false;     // looking for the next header block
};

} // namespace quillpad::debug
