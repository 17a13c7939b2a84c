#include "lsp/semantic_tokens.h"

#include <array>

namespace vantel::lsp {

namespace {

using tokens::TokenClass;

// The types in the order of the legend; "label", "continuation" and "goto"
// are this language's own, the rest the protocol's.
constexpr std::array<const char*, 11> kTypes{"label",    "comment",  "macro", "continuation",
                                             "string",   "keyword",  "goto",  "operator",
                                             "function", "variable", "number"};
constexpr int kDefaultLibrary = 1; // the modifier's bit

struct Encoded {
    int type;
    int modifiers;
};

Encoded EncodingOf(TokenClass kind) {
    switch (kind) {
    case TokenClass::Label:
    case TokenClass::GotoTarget:
        return {0, 0};
    case TokenClass::Comment:
    case TokenClass::Cut:
        return {1, 0};
    case TokenClass::Control:
        return {2, 0};
    case TokenClass::Continuation:
        return {3, 0};
    case TokenClass::Literal:
        return {4, 0};
    case TokenClass::Keyword:
    case TokenClass::End:
        return {5, 0};
    case TokenClass::Goto:
        return {6, 0};
    case TokenClass::Operator:
        return {7, 0};
    case TokenClass::Primitive:
        return {8, kDefaultLibrary};
    case TokenClass::Function:
        return {8, 0};
    case TokenClass::Name:
        return {9, 0};
    case TokenClass::Number:
        return {10, 0};
    }
    return {9, 0};
}

} // namespace

Json SemanticTokensLegend() {
    return {{"tokenTypes", kTypes}, {"tokenModifiers", {"defaultLibrary"}}};
}

Json SemanticTokens(Document& document, Encoding encoding, std::optional<Range> range) {
    int firstCard = 0;
    int lastCard = document.CardCount() - 1;
    if (range) {
        firstCard = document.CardAt(document.OffsetOf(range->start, encoding));
        lastCard = document.CardAt(document.OffsetOf(range->end, encoding));
    }
    Json data = Json::array();
    Position previous;
    for (int card = firstCard; card <= lastCard; ++card) {
        const std::size_t cardStart = document.CardStart(card);
        for (const tokens::Token& t : document.CardTokens(card)) {
            const std::size_t from = cardStart + static_cast<std::size_t>(t.start);
            const Position start = document.PositionOf(from, encoding);
            Position end = document.PositionOf(from + static_cast<std::size_t>(t.length), encoding);
            if (end.line != start.line) // a lone CR inside the card ends the client's line
                end = document.PositionOf(document.OffsetOf({start.line, 1 << 30}, encoding),
                                          encoding);
            const int length = end.character - start.character;
            if (length <= 0) continue;
            const Encoded e = EncodingOf(t.kind);
            const int deltaLine = start.line - previous.line;
            data.push_back(deltaLine);
            data.push_back(deltaLine == 0 ? start.character - previous.character : start.character);
            data.push_back(length);
            data.push_back(e.type);
            data.push_back(e.modifiers);
            previous = start;
        }
    }
    return {{"data", std::move(data)}};
}

} // namespace vantel::lsp
