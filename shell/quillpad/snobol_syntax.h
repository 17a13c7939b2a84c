#pragma once
// The parts of a SNOBOL4 card that the editor colours, from vantel's one
// tokenizer (the language server's semantic tokens come from it too, so
// the two colour alike): a label and the targets of gotos, comment and
// control cards, the mark of a continuation card, literals, keywords and
// the END statement, the goto field's own signs, operators and primitive
// functions. Other names and numbers stay plain, as do the data after END.

#include "analysis/tokenizer.h"
#include "text_codec.h"

#include <QStringView>
#include <optional>
#include <vector>

namespace quillpad {

enum class Part {
    Label,
    Comment,
    Control,
    Continuation,
    Literal,
    Keyword,
    Goto,
    Operator,
    Primitive
};

struct PartSpan {
    int start = 0; // characters of the line
    int length = 0;
    Part part = Part::Label;
};

// The colour of a token class; nothing for the plain ones.
std::optional<Part> PartOf(vantel::tokens::TokenClass kind);

// The coloured parts of one line, in order. `state` is what the card
// before left (a highlighter's block state: -1 for none yet); it becomes
// what this one leaves.
std::vector<PartSpan> CardParts(QStringView line, Encoding fileEncoding, int& state);

} // namespace quillpad
