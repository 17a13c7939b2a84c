// Source text held in memory is read line by line as the source file is: a
// line ends at a line feed, a carriage return just before it is not part of
// the line, and a last line without a line feed is still a line.
#pragma once

#include <cstddef>
#include <string_view>

namespace vantel {

// The line that starts at `offset` (below text.size()); `offset` moves to
// the start of the next line.
std::string_view LineAt(std::string_view text, std::size_t& offset);

} // namespace vantel
