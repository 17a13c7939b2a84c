// Text files of a run: the source (also the program's standard input), the
// listing file, and the files attached to variables by INPUT() and OUTPUT().
// Lines are read accepting LF or CR LF endings; a last line without an end
// is still a line. Lines are written with LF endings and flushed at once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vantel {

// The buffer that getline reads lines into: one for the run, shared by
// all its files (reads never overlap, and nothing is kept in it between
// reads). Kept with the data layer's state.
struct LineBuffer {
    char* data = nullptr;
    std::size_t capacity = 0;
    LineBuffer() = default;
    LineBuffer(const LineBuffer&) = delete;
    LineBuffer& operator=(const LineBuffer&) = delete;
    ~LineBuffer();
};

class TextFile {
public:
    TextFile() = default;
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    ~TextFile() { Close(); }

    bool OpenRead(const std::string& path);
    bool Create(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    // Whether path names the file open here, once links are followed (the
    // same device and inode); false when nothing is open or path names
    // nothing.
    bool IsFile(const std::string& path) const;
    bool Failed() const { return file_ != nullptr && std::ferror(file_) != 0; }

    // Reads the next line without its end into line. False at the end of the
    // file or when reading fails (for instance on a directory).
    bool ReadLine(std::string& line);
    // True when no line is left to read (looks ahead without reading one).
    bool AtEnd();
    // Writes text without a line end and flushes. False when the write fails.
    bool Write(std::string_view text);

private:
    std::FILE* file_ = nullptr;
    bool atEnd_ = false;
};

// A file attached to a variable. Owned by the file association list; values
// of kind file refer to it.
struct FileItem {
    TextFile text;
    bool input = false;
};

// ---- The listing file ----------------------------------------------------------

// Writing to the listing ends the run with status 2 when the write fails.
// The part tells an observer of the run what the text is (see
// diagnostics.h).
enum class ListingPart : std::uint8_t;
void ListingWrite(std::string_view text, ListingPart part);
void ListingWrite(std::string_view text);
void ListingLine(std::string_view text, ListingPart part);
void ListingLine(std::string_view text);
void ListingNewLine(ListingPart part);
void ListingNewLine();
// text padded with blanks on the left to width characters (never cut).
std::string RightAligned(std::string_view text, std::size_t width);
bool OpenListing(const std::string& path);
void CloseListing();

// ---- The source file -------------------------------------------------------------

bool OpenSource(const std::string& path);
TextFile& Source();
void CloseSource();

// ---- The file association list -----------------------------------------------------

// Opens path for reading (input) or creates it for writing and enters the
// open file in the association list, where it stays until the run ends.
// nullptr when it cannot be opened; nothing is kept then.
FileItem* OpenAssociation(const std::string& path, bool input);
// The file value of every association that did not open, one per mark: it
// has no file, so reading it fails and writing to it is refused. Shared, so
// that failed associations, however many, take no memory.
FileItem* UnopenedAssociation(bool input);
void CloseAssociations();

// ---- The clock -------------------------------------------------------------------

// Milliseconds since local midnight, as a fraction-of-day clock reads it.
double TimeOfDayMs();
std::int64_t ElapsedMs(double from, double to);

} // namespace vantel
