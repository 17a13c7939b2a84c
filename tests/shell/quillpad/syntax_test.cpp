// The parts of SNOBOL4 cards the editor colours, across continuation cards
// and up to the data after END.

#include "snobol_syntax.h"

#include <QString>
#include <gtest/gtest.h>

namespace quillpad {
namespace {

// The card with each coloured part bracketed by its letter, e.g. "L[LOOP]".
std::string Marked(const QString& card, CardState before, CardState& after) {
    std::string marks(card.size(), ' ');
    for (const PartSpan& span : CardParts(card, before, after)) {
        const char letter = "LCXNSKG"[static_cast<int>(span.part)];
        for (int i = span.start; i < span.start + span.length; ++i)
            marks[i] = letter;
    }
    return marks;
}

TEST(Syntax, CardsAcrossContinuationsAndTheDataAfterEnd) {
    struct Line {
        const char* card;
        const char* marks;
        CardState after;
    };
    const Line program[] = {
        {"* a comment", "CCCCCCCCCCC", CardState::Statement},
        {"-LIST", "XXXXX", CardState::Statement},
        {"LOOP X = 'A:B' &TRIM :S(LOOP)", "LLLL     SSSSS KKKKK GGGGGGGG", CardState::InGoto},
        {" Y = \"it's\" :F(", "     SSSSSS GGG", CardState::InGoto},
        {"+ DONE)", "NGGGGGG", CardState::InGoto},
        {" A = 1; B = 'x'", "            SSS", CardState::Statement},
        {"END", "LLL", CardState::Data},
        {"* data, not a comment", "                     ", CardState::Data},
    };
    CardState state = CardState::Statement;
    for (const Line& line : program) {
        CardState after = state;
        const std::string marks = Marked(QString(line.card), state, after);
        EXPECT_EQ(marks, line.marks) << line.card;
        EXPECT_EQ(after, line.after) << line.card;
        state = after;
    }
    CardState after = CardState::Statement;
    EXPECT_EQ(Marked(" X = 'open", CardState::Statement, after), "     SSSSS"); // unterminated
}

} // namespace
} // namespace quillpad
