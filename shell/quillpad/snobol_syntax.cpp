#include "snobol_syntax.h"

#include "analysis_text.h"
#include "data/limits.h"

namespace quillpad {

using vantel::tokens::TokenClass;

std::optional<Part> PartOf(TokenClass kind) {
    switch (kind) {
    case TokenClass::Label:
    case TokenClass::GotoTarget:
        return Part::Label;
    case TokenClass::Comment:
    case TokenClass::Cut:
        return Part::Comment;
    case TokenClass::Control:
        return Part::Control;
    case TokenClass::Continuation:
        return Part::Continuation;
    case TokenClass::Literal:
        return Part::Literal;
    case TokenClass::Keyword:
    case TokenClass::End:
        return Part::Keyword;
    case TokenClass::Goto:
        return Part::Goto;
    case TokenClass::Operator:
        return Part::Operator;
    case TokenClass::Primitive:
        return Part::Primitive;
    case TokenClass::Function:
    case TokenClass::Name:
    case TokenClass::Number:
        break;
    }
    return std::nullopt;
}

std::vector<PartSpan> CardParts(QStringView line, Encoding fileEncoding, int& state) {
    // A card is read up to its 160th byte: one character more than that
    // shows whether anything is cut off, however the characters encode.
    const LineBytes bytes(line, fileEncoding, vantel::kCardWidth + 1);
    vantel::tokens::CardState after;
    const std::vector<vantel::tokens::Token> tokens = vantel::tokens::TokenizeCard(
        bytes.Bytes(), vantel::tokens::CardState::Unpacked(state), after);
    state = after.Packed();
    std::vector<PartSpan> parts;
    for (const vantel::tokens::Token& t : tokens) {
        const std::optional<Part> part = PartOf(t.kind);
        if (!part) continue;
        const int start = bytes.Position(t.start);
        const int end = t.kind == TokenClass::Cut ? static_cast<int>(line.size())
                                                  : bytes.PositionAfter(t.start + t.length);
        if (end > start) parts.push_back({start, end - start, *part});
    }
    return parts;
}

} // namespace quillpad
