#include "analysis/tokenizer.h"

#include <string>

#include "analysis/words.h"
#include "data/limits.h"
#include "data/values.h"
#include "translator/characters.h"
#include "translator/source_text.h"

namespace vantel::tokens {

namespace {

bool IsOperatorChar(char c) {
    switch (c) {
    case '=':
    case '$':
    case '.':
    case '+':
    case '-':
    case '*':
    case '/':
    case '|':
    case '@':
        return true;
    default:
        return false;
    }
}

bool IsSpecialTarget(const std::string& name) {
    return name == "END" || name == "RETURN" || name == "FRETURN";
}

// The statement text of one card, from `i` on.
class BodyScanner {
public:
    BodyScanner(std::string_view card, CardState& state, std::vector<Token>& out)
        : card_(card), size_(static_cast<int>(card.size())), state_(state), out_(out) {}

    void Scan(int i, bool statementStart) {
        atStart_ = statementStart;
        bodyStart_ = i;
        while (i < size_ && state_.mode != CardState::Mode::Data)
            i = Step(i);
    }

private:
    void Add(int start, int end, TokenClass kind) { out_.push_back({start, end - start, kind}); }

    int SkipBlanks(int i) const {
        while (i < size_ && card_[i] == ' ')
            ++i;
        return i;
    }

    int NameEnd(int i) const {
        while (i < size_ && IsNameChar(card_[i]))
            ++i;
        return i;
    }

    // One token (or one character of punctuation) from i; the next index.
    int Step(int i) {
        const char c = card_[static_cast<std::size_t>(i)];
        const bool start = atStart_;
        atStart_ = false;
        if (c == ' ') return SkipBlanks(i);
        if (c == ';' || c == '#') {
            state_ = CardState{};
            atStart_ = true;
            return i + 1;
        }
        if (c == '\'' || c == '"') return Literal(i, c);
        if (c == '&') {
            const int end = NameEnd(i + 1);
            Add(i, end, TokenClass::Keyword);
            return end;
        }
        if (IsDigit(c)) {
            int end = i;
            while (end < size_ && IsDigit(card_[end]))
                ++end;
            Add(i, end, TokenClass::Number);
            return end;
        }
        if (IsLetter(c)) return Name(i, start);
        if (state_.mode == CardState::Mode::Goto) return GotoPunctuation(i, c);
        if (c == ':') {
            state_.mode = CardState::Mode::Goto;
            state_.gotoDepth = 0;
            Add(i, i + 1, TokenClass::Goto);
        } else if (IsOperatorChar(c)) {
            Add(i, i + 1, TokenClass::Operator);
        }
        return i + 1;
    }

    // A literal ends at its closing quote or with its card.
    int Literal(int i, char quote) {
        int end = i + 1;
        while (end < size_ && card_[end] != quote)
            ++end;
        end = end < size_ ? end + 1 : size_;
        Add(i, end, TokenClass::Literal);
        return end;
    }

    int GotoPunctuation(int i, char c) {
        if (c == '(') {
            if (state_.gotoDepth == 0) Add(i, i + 1, TokenClass::Goto);
            if (state_.gotoDepth < kMaxGotoDepth) ++state_.gotoDepth;
        } else if (c == ')') {
            if (state_.gotoDepth == 1) Add(i, i + 1, TokenClass::Goto);
            if (state_.gotoDepth > 0) --state_.gotoDepth;
        } else if (IsOperatorChar(c)) {
            Add(i, i + 1, TokenClass::Operator);
        }
        return i + 1;
    }

    // A name that is a goto's whole target: a label. It follows the '('
    // (which may end the card before) and no call, concatenation or
    // operator follows it.
    bool IsWholeTarget(int start, int end) const {
        if (state_.gotoDepth != 1) return false;
        int before = start - 1;
        while (before >= bodyStart_ && card_[before] == ' ')
            --before;
        if (before >= bodyStart_ && card_[before] != '(') return false;
        if (end == size_) return true;
        if (card_[end] == '(') return false;
        const int after = SkipBlanks(end);
        return card_[end] != ' ' || after == size_ || card_[after] == ')';
    }

    int Name(int i, bool statementStart) {
        const int end = NameEnd(i);
        const std::string name = UpperCased(card_.substr(i, end - i));
        if (statementStart) {
            if (name == "END") return EndStatement(i, end);
            Add(i, end, TokenClass::Label);
        } else if (state_.mode == CardState::Mode::Goto) {
            const bool condition = state_.gotoDepth == 0 && (name == "S" || name == "F");
            const bool target = IsSpecialTarget(name) || IsWholeTarget(i, end);
            Add(i, end,
                condition ? TokenClass::Goto
                : target  ? TokenClass::GotoTarget
                          : CallOrName(name, end));
        } else {
            Add(i, end, CallOrName(name, end));
        }
        return end;
    }

    TokenClass CallOrName(const std::string& name, int end) const {
        if (end >= size_ || card_[end] != '(') return TokenClass::Name;
        return words::FindPrimitive(name) != nullptr ? TokenClass::Primitive : TokenClass::Function;
    }

    // END [label]: the rest of the card and every card after it are data.
    int EndStatement(int i, int end) {
        Add(i, end, TokenClass::End);
        const int label = SkipBlanks(end);
        if (label > end && label < size_ && IsLetter(card_[label]))
            Add(label, NameEnd(label), TokenClass::GotoTarget);
        state_ = CardState{CardState::Mode::Data, 0};
        return size_;
    }

    static constexpr int kMaxGotoDepth = 1000;
    std::string_view card_;
    int size_;
    CardState& state_;
    std::vector<Token>& out_;
    bool atStart_ = false;
    int bodyStart_ = 0;
};

} // namespace

int CardState::Packed() const {
    return static_cast<int>(mode) | (gotoDepth << 2);
}

CardState CardState::Unpacked(int packed) {
    if (packed < 0) return CardState{};
    const int mode = packed & 3;
    return CardState{mode > 2 ? Mode::Statement : static_cast<Mode>(mode), packed >> 2};
}

std::vector<Token> TokenizeCard(std::string_view line, CardState before, CardState& after) {
    std::vector<Token> out;
    after = before;
    if (before.mode == CardState::Mode::Data) return out;
    const std::string_view card = line.substr(0, kCardWidth);
    const int size = static_cast<int>(card.size());
    const char first = card.empty() ? ' ' : card[0];
    if (first == '*' || first == '-') {
        out.push_back({0, size, first == '*' ? TokenClass::Comment : TokenClass::Control});
    } else if (first == '.' || first == '+') {
        out.push_back({0, 1, TokenClass::Continuation});
        BodyScanner(card, after, out).Scan(1, false);
    } else {
        after = CardState{};
        BodyScanner(card, after, out).Scan(0, true);
    }
    if (line.size() > card.size())
        out.push_back({size, static_cast<int>(line.size()) - size, TokenClass::Cut});
    return out;
}

namespace {

// Calls visit(index, line) for every line of a text, without its line end.
template <typename Visit> void ForEachLine(std::string_view text, Visit visit) {
    int index = 0;
    for (std::size_t offset = 0; offset < text.size();)
        visit(index++, LineAt(text, offset));
}

} // namespace

std::vector<LineToken> TokenizeText(std::string_view text) {
    std::vector<LineToken> out;
    CardState state;
    ForEachLine(text, [&](int index, std::string_view line) {
        CardState after;
        for (const Token& t : TokenizeCard(line, state, after))
            out.push_back({index, t});
        state = after;
    });
    return out;
}

std::vector<CardState> LineStates(std::string_view text) {
    std::vector<CardState> states{CardState{}};
    ForEachLine(text, [&](int, std::string_view line) {
        CardState after;
        TokenizeCard(line, states.back(), after);
        states.push_back(after);
    });
    return states;
}

} // namespace vantel::tokens
