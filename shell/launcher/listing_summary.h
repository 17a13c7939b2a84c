#pragma once
// The one line the memo adds after a run: what the listing says of it.

#include <optional>
#include <string>
#include <vector>

namespace harbex {

// Reads vantel's listing (its lines without line ends) and tells how the run
// ended: "Translation errors: N" when translation reported errors, "Error in
// statement N: MESSAGE" when execution ended with an error, or "Ended: status
// S, N statements" after a normal end (S the processor's exit status; the
// part with the status is left out when there is none). None when the
// listing shows none of these, as a stopped run's partial listing or
// another processor's listing.
std::optional<std::string> ListingSummary(const std::vector<std::string>& lines,
                                          std::optional<int> exitStatus);

} // namespace harbex
