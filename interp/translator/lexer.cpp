#include "data/diagnostics.h"
#include "translator/scanner.h"

namespace vantel {

namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsNameChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == '.';
}
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The character after the current one on the card, or 0 at the card's end.
char Following() {
    const auto next = static_cast<std::size_t>(gScan.position);
    return next < gScan.card.size() ? gScan.card[next] : '\0';
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
    while (gScan.current == ' ')
        NextChar();
}

// blanks = ' ' { ' ' }, then an end of statement, a binary operator with a
// blank on each side, or a blank token (concatenation or separator).
void ScanAfterBlanks() {
    SkipBlanks();
    const char c = gScan.current;
    if (c == '#') {
        NextChar();
        gScan.token = Token::EndOfStatement;
        return;
    }
    if (c == ';') {
        NextChar();
        ++gScan.statementNumber;
        gScan.token = Token::EndOfStatement;
        return;
    }
    Token op;
    if (BinaryOperatorFor(c, op) && Following() == ' ') {
        NextChar();
        SkipBlanks();
        gScan.token = op;
        return;
    }
    gScan.token = Token::Blank;
}

// literal = quote { character } quote, never continuing onto another card.
void ScanLiteral() {
    char quote = gScan.current;
    gScan.text.clear();
    if (gScan.position >= static_cast<int>(gScan.card.size())) {
        // The opening quote ends the card: nothing can follow on it.
        ReportError("UNTERMINATED LITERAL");
        NextChar();
        gScan.token = Token::Literal;
        gScan.entry = nullptr;
        return;
    }
    do {
        NextChar();
        if (gScan.current != quote && gScan.position >= static_cast<int>(gScan.card.size())) {
            ReportError("UNTERMINATED LITERAL");
            quote = gScan.current;
        }
        gScan.text.push_back(gScan.current);
    } while (gScan.current != quote);
    gScan.text.pop_back();
    NextChar();
    gScan.token = Token::Literal;
    gScan.entry = gScan.text.empty() ? nullptr : LookupOrEnter(gScan.text);
}

void ScanName() {
    while (IsNameChar(gScan.current)) {
        gScan.text.push_back(Upper(gScan.current));
        NextChar();
    }
}

void ScanKeyword() {
    gScan.text.clear();
    gScan.text.push_back('&');
    NextChar();
    ScanName();
    gScan.token = Token::Keyword;
    gScan.entry = LookupOrEnter(gScan.text);
    if (gScan.entry != nullptr && gScan.entry->value.IsNull()) ReportError("UNSUPPORTED KEYWORD");
}

void ScanInteger() {
    std::uint32_t value = 0; // wraps silently, as 32-bit arithmetic does
    while (IsDigit(gScan.current)) {
        value = value * 10u + static_cast<std::uint32_t>(gScan.current - '0');
        NextChar();
    }
    gScan.number = static_cast<std::int32_t>(value);
    gScan.token = Token::Integer;
}

void ScanIdentifier() {
    gScan.text.clear();
    ScanName();
    const std::string& t = gScan.text;
    if (t == "S")
        gScan.token = Token::S;
    else if (t == "F")
        gScan.token = Token::F;
    else if (t == "END")
        gScan.token = Token::End;
    else if (t == "RETURN")
        gScan.token = Token::Return;
    else if (t == "FRETURN")
        gScan.token = Token::FReturn;
    else {
        gScan.token = Token::Identifier;
        gScan.entry = LookupOrEnter(t);
    }
}

} // namespace

void NextToken() {
    const char c = gScan.current;
    if (c == ' ')
        ScanAfterBlanks();
    else if (c == '"' || c == '\'')
        ScanLiteral();
    else if (c == '#') {
        NextChar();
        gScan.token = Token::EndOfStatement;
    } else if (c == '&')
        ScanKeyword();
    else if (IsDigit(c))
        ScanInteger();
    else if (c == ';') {
        NextChar();
        ++gScan.statementNumber;
        gScan.token = Token::EndOfStatement;
    } else if (IsLetter(c))
        ScanIdentifier();
    else {
        gScan.character = c;
        gScan.token = Token::Char;
        NextChar();
    }
}

} // namespace vantel
