#pragma once
// Whole-file text reading and writing for the shell.

#include "fileinfo/file_descriptor.h"

#include <optional>
#include <string>
#include <vector>

namespace harbex {

// The lines of a text file without their line ends (LF, or CR LF); a last
// line without a line end is still a line. None when it cannot be read.
std::optional<std::vector<std::string>> ReadLines(const std::string& path);

// Writes content to path whole or not at all: a temporary file beside it is
// filled and then renamed over the old one. False on any failure.
bool WriteFileWhole(const std::string& path, const std::string& content);

// The first `limit` bytes the descriptor's file holds, from its start,
// without the line ends and blanks at their end.
std::string ReadStart(int fd, std::size_t limit);

// Deletes path when it exists and creates it anew, empty, for reading and
// writing; an invalid descriptor when that fails, also when something took
// the name between the deletion and the creation.
UniqueFd CreateEmptyFile(const std::string& path);

} // namespace harbex
