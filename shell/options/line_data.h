// LineData: a small file read or written as a whole through a memory buffer.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Reading loads the whole file (at most kReadLimit bytes) and hands it out
// line by line; lines end with CR LF, a lone CR or LF belongs to the line.
// Writing collects lines, each followed by CR LF, in a kWriteCapacity buffer
// and writes them in one go when closed. With a key the file is in the keyed
// form: kHeader, then the DES-enciphered text.
class LineData {
public:
    // Files above this size are not read at all: option files are small, and
    // anything bigger is not one.
    static constexpr std::size_t kReadLimit = 16384;
    // Capacity of the write buffer; a line (with its CR LF) that does not fit
    // in what is left is dropped and WriteLine reports false.
    static constexpr std::size_t kWriteCapacity = 4096;
    static constexpr std::size_t kKeyLength = 8; // key characters that count
    // First line of a keyed file: 38 characters and CR LF, 40 bytes.
    static constexpr std::string_view kHeader = "Do not modify, this file is encrypted!\r\n";

    explicit LineData(std::string path);
    ~LineData(); // flushes and closes a writer that is still open
    LineData(const LineData&) = delete;
    LineData& operator=(const LineData&) = delete;

    // A key is text (it ends at a NUL byte) of at least kKeyLength characters.
    static bool UsableKey(std::string_view key);
    // Takes the first kKeyLength characters of `key`; false, key unchanged,
    // when it is not usable.
    bool SetKey(std::string_view key);

    // Closes first when open. For reading loads the file now (a file that is
    // missing, unreadable, not a regular file or too big gives no lines);
    // for writing starts an empty buffer. A path holding a NUL byte is never
    // read or written.
    void Open(bool forReading);
    // The next line without its CR LF; false when not open for reading or at
    // the end.
    bool ReadLine(std::string& line);
    // Appends line + CR LF; false when not open for writing or the line does
    // not fit (it is dropped; later, shorter lines may still fit).
    bool WriteLine(std::string_view line);
    // A writer writes its buffer to the file (replacing it; an empty buffer
    // leaves the file alone). False when that write failed.
    bool Close();

    bool IsOpen() const { return isOpen_; }

private:
    void LoadFile();
    bool Flush();
    bool PathUsable() const;
    bool Keyed() const { return hasKey_; }

    bool isOpen_ = false;
    bool forReading_ = true;
    std::string path_;
    std::string buffer_; // file content (reading) or lines so far (writing)
    bool hasKey_ = false;
    std::array<char, kKeyLength> key_{};
    std::size_t position_ = 0; // next unread byte when reading
};
