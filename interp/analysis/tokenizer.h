// The parts of a source card that editors colour, card by card: what
// column 1 makes of the card, labels, literals, keywords, numbers, names
// and calls, operators, and the goto field with its targets. It follows the
// lexer's rules (names, literals that end with their card, a binary
// operator only with a blank on each side, the 160 columns of a card) but
// needs no translation state and accepts any text, so that an editor can
// colour each line as it is typed. What one card leaves open (a goto field
// going on, the data after END) is carried to the next in a CardState.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vantel::tokens {

enum class TokenClass : std::uint8_t {
    Label,        // a statement's label
    Comment,      // a comment card ('*')
    Control,      // a control card ('-')
    Continuation, // the '.' or '+' that makes a continuation card
    Literal,      // a quoted literal, with its quotes
    Keyword,      // &NAME
    Goto,         // the ':' of a goto field, its S and F, its parentheses
    GotoTarget,   // a label named as a goto's target, END, RETURN, FRETURN; the label on END
    Operator,     // = and the unary and binary operators
    Primitive,    // the name of a call of a built-in function
    Function,     // the name of a call of any other function
    Name,         // a variable
    Number,       // an integer
    End,          // the word END that ends the program
    Cut,          // characters beyond a card's 160 columns, which are never read
};

struct Token {
    int start = 0; // byte offset in the card's line
    int length = 0;
    TokenClass kind = TokenClass::Name;
};

// What one card leaves for the next.
struct CardState {
    enum class Mode : std::uint8_t { Statement, Goto, Data };
    Mode mode = Mode::Statement;
    int gotoDepth = 0; // open parentheses of the goto field

    // As one integer and back (an editor keeps one per line).
    int Packed() const;
    static CardState Unpacked(int packed);
    friend bool operator==(const CardState&, const CardState&) = default;
};

// The tokens of one line (without its line end), in order, not overlapping.
// Lines after the END card are data: no tokens.
std::vector<Token> TokenizeCard(std::string_view line, CardState before, CardState& after);

// Every token of a whole text, line by line (lines end at '\n'; a '\r'
// before it is not part of the line).
struct LineToken {
    int line = 0; // from 0
    Token token;
};
std::vector<LineToken> TokenizeText(std::string_view text);

// The state before each line of a text; index i holds the state before line
// i, and one more entry the state after the last line.
std::vector<CardState> LineStates(std::string_view text);

} // namespace vantel::tokens
