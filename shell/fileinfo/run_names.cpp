#include "run_names.h"

#include <sys/stat.h>

namespace harbex {

namespace {

constexpr char kListingExtension[] = ".lst";
constexpr char kListingWithoutExtension[] = "SNOBOL4.out";

} // namespace

std::string ListingNameFor(const std::string& source) {
    const std::size_t dot = source.rfind('.');
    if (dot == std::string::npos || dot == 0) return kListingWithoutExtension;
    return source.substr(0, dot) + kListingExtension;
}

FileStamp StampOf(const std::string& path) {
    struct stat attributes {};
    if (stat(path.c_str(), &attributes) != 0) return {};
    return {true, attributes.st_dev, attributes.st_ino, attributes.st_mtim};
}

bool WrittenSince(const FileStamp& before, const std::string& path) {
    const FileStamp after = StampOf(path);
    return after.exists &&
           (!before.exists || after.device != before.device || after.inode != before.inode ||
            after.modified.tv_sec != before.modified.tv_sec ||
            after.modified.tv_nsec != before.modified.tv_nsec);
}

bool SameFile(const std::string& a, const std::string& b) {
    const FileStamp first = StampOf(a);
    const FileStamp second = StampOf(b);
    return first.exists && second.exists && first.device == second.device &&
           first.inode == second.inode;
}

} // namespace harbex
