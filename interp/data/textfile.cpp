#include "data/textfile.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "data/data_state.h"
#include "data/diagnostics.h"

namespace vantel {

namespace {

// The system would cut a name at a NUL byte and open another file.
bool NameUsable(const std::string& path) {
    return path.find('\0') == std::string::npos;
}

bool IsDirectory(std::FILE* file) {
    struct stat info {};
    return ::fstat(::fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool TextFile::OpenRead(const std::string& path) {
    Close();
    atEnd_ = false;
    if (!NameUsable(path)) return false;
    file_ = std::fopen(path.c_str(), "rb");
    // A folder opens for reading on some systems, but it is not a text file.
    if (file_ != nullptr && IsDirectory(file_)) Close();
    return file_ != nullptr;
}

bool TextFile::Create(const std::string& path) {
    Close();
    atEnd_ = false;
    if (!NameUsable(path)) return false;
    file_ = std::fopen(path.c_str(), "wb");
    return file_ != nullptr;
}

bool TextFile::IsFile(const std::string& path) const {
    struct stat open {};
    struct stat named {};
    return file_ != nullptr && NameUsable(path) && ::fstat(::fileno(file_), &open) == 0 &&
           ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

void TextFile::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

LineBuffer::~LineBuffer() {
    std::free(data);
}

bool TextFile::AtEnd() {
    if (file_ == nullptr || atEnd_) return true;
    const int next = std::getc(file_);
    if (next == EOF) return atEnd_ = true;
    std::ungetc(next, file_);
    return false;
}

bool TextFile::ReadLine(std::string& line) {
    line.clear();
    if (file_ == nullptr || atEnd_) return false;
    // A whole line at once: lines of data can be long.
    LineBuffer& buffer = Data().lineBuffer;
    const ssize_t read = getline(&buffer.data, &buffer.capacity, file_);
    if (read <= 0) {
        atEnd_ = true;
        return false;
    }
    auto length = static_cast<std::size_t>(read);
    if (buffer.data[length - 1] == '\n') {
        --length;
    } else {
        atEnd_ = true; // the last line has no line end, or reading failed
        if (std::ferror(file_)) return false;
    }
    line.assign(buffer.data, length);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool TextFile::Write(std::string_view text) {
    if (file_ == nullptr) return false;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        return false;
    return std::fflush(file_) == 0;
}

// ---- The listing file ----------------------------------------------------------

namespace {

TextFile& Listing() {
    return Data().listing;
}

[[noreturn]] void ListingFailed() {
    std::fprintf(stderr, "vantel: cannot write %s\n", RunInfo().listingName.c_str());
    Listing().Close();
    EndRun(2);
}

} // namespace

void ListingWrite(std::string_view text, ListingPart part) {
    TextFile& listing = Listing();
    if (!listing.IsOpen()) return;
    if (!listing.Write(text)) ListingFailed();
    if (RunObserver* observer = RunInfo().observer) observer->Listed(text, part);
}

void ListingWrite(std::string_view text) {
    ListingWrite(text, ListingPart::Report);
}

void ListingLine(std::string_view text, ListingPart part) {
    std::string& line = Data().listingLine;
    line.assign(text);
    line.push_back('\n');
    ListingWrite(line, part);
}

void ListingLine(std::string_view text) {
    ListingLine(text, ListingPart::Report);
}

void ListingNewLine(ListingPart part) {
    ListingWrite("\n", part);
}

void ListingNewLine() {
    ListingNewLine(ListingPart::Report);
}

std::string RightAligned(std::string_view text, std::size_t width) {
    std::string out;
    if (text.size() < width) out.assign(width - text.size(), ' ');
    out.append(text);
    return out;
}

bool OpenListing(const std::string& path) {
    return Listing().Create(path);
}
void CloseListing() {
    Listing().Close();
}

bool OpenSource(const std::string& path) {
    return Data().source.OpenRead(path);
}
TextFile& Source() {
    return Data().source;
}
void CloseSource() {
    Data().source.Close();
}

FileItem* OpenAssociation(const std::string& path, bool input) {
    auto item = std::make_unique<FileItem>();
    item->input = input;
    const bool opened = input ? item->text.OpenRead(path) : item->text.Create(path);
    if (!opened) return nullptr;
    auto& associations = Data().associations;
    associations.push_back(std::move(item));
    return associations.back().get();
}

FileItem* UnopenedAssociation(bool input) {
    return input ? &Data().unopenedInput : &Data().unopenedOutput;
}

void CloseAssociations() {
    Data().associations.clear();
}

// ---- The clock -------------------------------------------------------------------

double TimeOfDayMs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    const double seconds = (local.tm_hour * 60.0 + local.tm_min) * 60.0 + local.tm_sec;
    return seconds * 1000.0 + static_cast<double>(now.tv_nsec / 1000000);
}

std::int64_t ElapsedMs(double from, double to) {
    return std::llround(to - from);
}

} // namespace vantel
