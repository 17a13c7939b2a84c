#include "data/diagnostics.h"
#include "translator/characters.h"
#include "translator/scanner.h"

namespace vantel {

namespace {

// The character after the current one on the card, or 0 at the card's end.
char Following() {
    const auto next = static_cast<std::size_t>(Scan().position);
    return next < Scan().card.size() ? Scan().card[next] : '\0';
}

bool BinaryOperatorFor(char c, Token& token) {
    switch (c) {
    case '$':
        token = Token::ImmAssign;
        return true;
    case '.':
        token = Token::CondAssign;
        return true;
    case '+':
        token = Token::Plus;
        return true;
    case '-':
        token = Token::Minus;
        return true;
    case '*':
        token = Token::Multiply;
        return true;
    case '/':
        token = Token::Divide;
        return true;
    case '|':
        token = Token::Alternation;
        return true;
    default:
        return false;
    }
}

void SkipBlanks() {
    while (Scan().current == ' ')
        NextChar();
}

// blanks = ' ' { ' ' }, then an end of statement, a binary operator with a
// blank on each side, or a blank token (concatenation or separator).
void ScanAfterBlanks() {
    SkipBlanks();
    const char c = Scan().current;
    if (c == '#') {
        NextChar();
        Scan().token = Token::EndOfStatement;
        return;
    }
    if (c == ';') {
        NextChar();
        ++Scan().statementNumber;
        Scan().token = Token::EndOfStatement;
        return;
    }
    Token op;
    if (BinaryOperatorFor(c, op) && Following() == ' ') {
        NextChar();
        SkipBlanks();
        Scan().token = op;
        return;
    }
    Scan().token = Token::Blank;
}

// literal = quote { character } quote, never continuing onto another card.
void ScanLiteral() {
    char quote = Scan().current;
    Scan().text.clear();
    if (Scan().position >= static_cast<int>(Scan().card.size())) {
        // The opening quote ends the card: nothing can follow on it.
        ReportError("UNTERMINATED LITERAL");
        NextChar();
        Scan().token = Token::Literal;
        Scan().entry = nullptr;
        return;
    }
    do {
        NextChar();
        if (Scan().current != quote && Scan().position >= static_cast<int>(Scan().card.size())) {
            ReportError("UNTERMINATED LITERAL");
            quote = Scan().current;
        }
        Scan().text.push_back(Scan().current);
    } while (Scan().current != quote);
    Scan().text.pop_back();
    NextChar();
    Scan().token = Token::Literal;
    Scan().entry = Scan().text.empty() ? nullptr : LookupOrEnter(Scan().text);
}

void ScanName() {
    while (IsNameChar(Scan().current)) {
        Scan().text.push_back(UpperCase(Scan().current));
        NextChar();
    }
}

void ScanKeyword() {
    Scan().text.clear();
    Scan().text.push_back('&');
    NextChar();
    ScanName();
    Scan().token = Token::Keyword;
    Scan().entry = LookupOrEnter(Scan().text);
    if (Scan().entry != nullptr && Scan().entry->value.IsNull()) ReportError("UNSUPPORTED KEYWORD");
}

void ScanInteger() {
    std::uint32_t value = 0; // wraps silently, as 32-bit arithmetic does
    while (IsDigit(Scan().current)) {
        value = value * 10u + static_cast<std::uint32_t>(Scan().current - '0');
        NextChar();
    }
    Scan().number = static_cast<std::int32_t>(value);
    Scan().token = Token::Integer;
}

void ScanIdentifier() {
    Scan().text.clear();
    ScanName();
    const std::string& t = Scan().text;
    if (t == "S")
        Scan().token = Token::S;
    else if (t == "F")
        Scan().token = Token::F;
    else if (t == "END")
        Scan().token = Token::End;
    else if (t == "RETURN")
        Scan().token = Token::Return;
    else if (t == "FRETURN")
        Scan().token = Token::FReturn;
    else {
        Scan().token = Token::Identifier;
        Scan().entry = LookupOrEnter(t);
    }
}

void ScanToken() {
    const char c = Scan().current;
    if (c == ' ')
        ScanAfterBlanks();
    else if (c == '"' || c == '\'')
        ScanLiteral();
    else if (c == '#') {
        NextChar();
        Scan().token = Token::EndOfStatement;
    } else if (c == '&')
        ScanKeyword();
    else if (IsDigit(c))
        ScanInteger();
    else if (c == ';') {
        NextChar();
        ++Scan().statementNumber;
        Scan().token = Token::EndOfStatement;
    } else if (IsLetter(c))
        ScanIdentifier();
    else {
        Scan().character = c;
        Scan().token = Token::Char;
        NextChar();
    }
}

} // namespace

void NextToken() {
    ScannerState& scan = Scan();
    scan.span.from = scan.at;
    scan.scanning = true;
    ScanToken();
    scan.span.to = scan.at;
    scan.scanning = false;
}

} // namespace vantel
