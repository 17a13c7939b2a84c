#pragma once
// The files a run of vantel touches, as both harbex and quillpad need them:
// the listing name vantel gives a source, and a file's stamp, to tell
// whether a run wrote it.

#include <ctime>
#include <string>
#include <sys/types.h>

namespace harbex {

// The name vantel makes for the listing of `source`: the path up to its
// last '.' (only a '.' after the first character counts) followed by
// ".lst"; "SNOBOL4.out", in the folder vantel runs in, for a path without
// such a dot.
std::string ListingNameFor(const std::string& source);

// What a file looked like at one moment: enough to tell a new or rewritten
// file from one left alone.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
};
FileStamp StampOf(const std::string& path);
// The file exists and was made or written after `before` was taken.
bool WrittenSince(const FileStamp& before, const std::string& path);
// The two paths name one file (the same device and inode, links followed).
bool SameFile(const std::string& a, const std::string& b);

} // namespace harbex
