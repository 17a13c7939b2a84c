#pragma once
// The parts of a SNOBOL4 card that the editor colours: a label in column 1,
// comment ('*') and control ('-') cards, the mark of a continuation card
// ('.' or '+'), literals, keywords (&NAME) and the goto field after ':'.
// Cards after the END statement are the program's data and stay plain.

#include <QStringView>
#include <vector>

namespace quillpad {

enum class Part { Label, Comment, Control, Continuation, Literal, Keyword, Goto };

struct PartSpan {
    int start = 0;
    int length = 0;
    Part part = Part::Label;
};

// What one card leaves for the next: a goto field that a continuation card
// may carry on, or the data after END.
enum class CardState { Statement = 0, InGoto = 1, Data = 2 };

// The spans of one card, in the order they are to be applied (later spans
// lie over earlier ones: literals inside a goto field).
std::vector<PartSpan> CardParts(QStringView card, CardState before, CardState& after);

} // namespace quillpad
