#include "options/line_data.h"

#include "fileinfo/file_descriptor.h"
#include "options/cipher.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using harbex::UniqueFd;

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Opens without blocking (a FIFO or device under the option file's name must
// not hang the shell) and without handing the descriptor to child processes.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

// Reads up to `limit` + 1 bytes, so that a caller can tell a file that grew
// past the limit after it was measured. False on a read error.
bool ReadAll(int fd, std::size_t limit, std::string& content) {
    std::string data(limit + 1, '\0');
    std::size_t total = 0;
    while (total < data.size()) {
        const ssize_t got = ::read(fd, data.data() + total, data.size() - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    data.resize(total);
    content = std::move(data);
    return true;
}

// The body of a keyed file: everything after the first CR and one LF right
// after it. Empty when the file has no CR.
std::string_view KeyedBody(std::string_view content) {
    const std::size_t cr = content.find('\r');
    if (cr == std::string_view::npos) {
        return {};
    }
    std::size_t start = cr + 1;
    if (start < content.size() && content[start] == '\n') {
        ++start;
    }
    return content.substr(start);
}

} // namespace

LineData::LineData(std::string path) : path_(std::move(path)) {}

LineData::~LineData() {
    if (isOpen_ && !forReading_) {
        Close();
    }
}

bool LineData::UsableKey(std::string_view key) {
    return key.substr(0, key.find('\0')).size() >= kKeyLength;
}

bool LineData::SetKey(std::string_view key) {
    if (!UsableKey(key)) {
        return false;
    }
    std::copy_n(key.begin(), kKeyLength, key_.begin());
    hasKey_ = true;
    return true;
}

void LineData::Open(bool forReading) {
    if (isOpen_) {
        Close();
    }
    isOpen_ = true;
    forReading_ = forReading;
    buffer_.clear();
    position_ = 0;
    if (forReading_) {
        LoadFile();
    } else {
        buffer_.reserve(kWriteCapacity);
    }
}

// The system cuts a path at a NUL byte, which would name another file.
bool LineData::PathUsable() const {
    return path_.find('\0') == std::string::npos;
}

void LineData::LoadFile() {
    if (!PathUsable()) {
        return;
    }
    UniqueFd file(::open(path_.c_str(), kReadFlags));
    struct stat attributes {};
    if (file.Get() < 0 || ::fstat(file.Get(), &attributes) != 0 || !S_ISREG(attributes.st_mode) ||
        attributes.st_size > static_cast<off_t>(kReadLimit)) {
        return;
    }
    std::string content;
    if (!ReadAll(file.Get(), kReadLimit, content) || content.size() > kReadLimit) {
        return;
    }
    if (!Keyed()) {
        buffer_ = std::move(content);
        return;
    }
    std::string plain;
    if (Cipher(key_).Decipher(plain, KeyedBody(content))) {
        buffer_ = std::move(plain);
    }
}

bool LineData::ReadLine(std::string& line) {
    if (!isOpen_ || !forReading_ || position_ >= buffer_.size()) {
        return false;
    }
    const std::size_t end = buffer_.find(kLineEnd, position_);
    if (end == std::string::npos) {
        line = buffer_.substr(position_);
        position_ = buffer_.size();
    } else {
        line = buffer_.substr(position_, end - position_);
        position_ = end + kLineEnd.size();
    }
    return true;
}

bool LineData::WriteLine(std::string_view line) {
    if (!isOpen_ || forReading_) {
        return false;
    }
    const std::size_t room = kWriteCapacity - buffer_.size();
    if (line.size() > room || kLineEnd.size() > room - line.size()) {
        return false;
    }
    buffer_.append(line);
    buffer_.append(kLineEnd);
    return true;
}

bool LineData::Close() {
    bool written = true;
    if (isOpen_ && !forReading_) {
        written = Flush();
    }
    isOpen_ = false;
    buffer_ = std::string();
    position_ = 0;
    return written;
}

bool LineData::Flush() {
    // Nothing to write: the file on disk is neither created nor truncated.
    if (buffer_.empty()) {
        return true;
    }
    if (!PathUsable()) {
        return false;
    }
    std::string content;
    if (Keyed()) {
        std::string body;
        Cipher(key_).Encipher(body, buffer_);
        content.reserve(kHeader.size() + body.size());
        content.append(kHeader);
        content.append(body);
    } else {
        content = buffer_;
    }
    // Never truncated in place: the new content replaces the file whole.
    return harbex::ReplaceFileWhole(path_, content);
}
