// Case conversion for option names and file names.
#pragma once

#include <string>
#include <string_view>

// Only the ASCII letters change case: file names and option files are UTF-8
// on this platform, and converting single bytes above 127 would corrupt
// multi-byte characters.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
