// The source reader and the lexer, sharing one scanner state.
//
// The reader delivers the source one character at a time, listing each card
// as it is read, obeying control cards and joining continuation cards; it
// marks the end of a statement with '#' and the end of the program with '%'.
// The lexer turns that stream into tokens, where the language's blank rules
// live: a binary operator needs a blank on each side, and a run of blanks is
// itself a token.
#pragma once

#include <cstdint>
#include <string>

#include "data/values.h"
#include "translator/messages.h"

namespace vantel {

enum class Token : std::uint8_t {
    Identifier,
    Keyword,
    Literal,
    Integer,
    End,
    Return,
    FReturn,
    S,
    F,
    Blank,
    EndOfStatement,
    ImmAssign,   // " $ "
    CondAssign,  // " . "
    Plus,        // " + "
    Minus,       // " - "
    Multiply,    // " * "
    Divide,      // " / "
    Alternation, // " | "
    Char,        // any other single character, in `character`
};

struct ScannerState {
    std::string card;
    int position = 0; // characters of the card already delivered
    int cardLine = 0; // the card's line in the source
    char cardType = '*';
    char current = ' ';
    SourcePlace at; // of the current character (a marker: after its card)
    int statementNumber = 0;
    bool listingOn = true;
    bool endSeen = false;

    Token token = Token::EndOfStatement;
    char character = 0;          // Token::Char
    StringItem* entry = nullptr; // identifier, keyword, literal
    std::int32_t number = 0;     // integer
    std::string text;            // the last name, keyword or literal
    SourceSpan span;             // of the token
    bool scanning = false;       // while a token is read (its span is still open)
};
// Reads cards until a statement or continuation card has been read.
void ReadCards();
void NextChar();
// True once the reader has read the source's last line.
bool SourceExhausted();
void NextToken();

} // namespace vantel

// The run's state, where the scanner state lives.
#include "translator/translation_state.h"
