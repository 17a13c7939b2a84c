// Aligns statements in the columns the examples use: the label in column
// 1, the body one blank after it (column 2 without a label), the goto field
// from column 49, or one blank after a body that reaches further. Only the
// blanks between those parts change, and only on cards that hold one whole
// statement; the edits are dropped unless the text still translates to the
// same statements with the same messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantel::formatting {

inline constexpr int kGotoColumn = 49;

// Replaces bytes [from, to) of a line (lines counted from 0, ended by '\n').
struct LineEdit {
    int line = 0;
    int from = 0;
    int to = 0;
    std::string text;
};

std::vector<LineEdit> AlignStatements(std::string_view text);

// The text with the edits made (edits sorted by line and column, not
// overlapping).
std::string ApplyEdits(std::string_view text, const std::vector<LineEdit>& edits);

} // namespace vantel::formatting
