// The run sequence of vantel: from the command line to the exit status.
// Runs in-process and can be repeated: every table is reset at its start.
#pragma once

#include <string>

namespace vantel {

// Runs vantel with its arguments (without the program name) and returns the
// exit status.
int RunVantel(int argumentCount, const char* const* arguments);

// The listing file written for a source name: its extension replaced by
// ".lst", or "SNOBOL4.out" when it has none after its first character.
std::string ListingNameFor(const std::string& source);

// Clears every global table of the interpreter.
void ResetTables();

} // namespace vantel
