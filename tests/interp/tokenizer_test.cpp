// The editor's tokenizer: the classes of each kind of card, what one card
// carries to the next, and, on random programs, agreement with the lexer
// and parser on where labels, calls, literals and goto targets are.
#include <gtest/gtest.h>

#include <random>

#include "analysis/document_analysis.h"
#include "analysis/tokenizer.h"
#include "harness.h"
#include "random_programs.h"

namespace vantel::tokens {
namespace {

const char* ClassName(TokenClass kind) {
    switch (kind) {
    case TokenClass::Label:
        return "label";
    case TokenClass::Comment:
        return "comment";
    case TokenClass::Control:
        return "control";
    case TokenClass::Continuation:
        return "continuation";
    case TokenClass::Literal:
        return "literal";
    case TokenClass::Keyword:
        return "keyword";
    case TokenClass::Goto:
        return "goto";
    case TokenClass::GotoTarget:
        return "target";
    case TokenClass::Operator:
        return "op";
    case TokenClass::Primitive:
        return "primitive";
    case TokenClass::Function:
        return "function";
    case TokenClass::Name:
        return "name";
    case TokenClass::Number:
        return "number";
    case TokenClass::End:
        return "end";
    case TokenClass::Cut:
        return "cut";
    }
    return "?";
}

// Every token of a text as class[text], cards separated by " / ".
std::string Render(std::string_view text) {
    std::string out;
    int line = 0;
    std::size_t lineStart = 0;
    for (const LineToken& t : TokenizeText(text)) {
        while (line < t.line) {
            lineStart = text.find('\n', lineStart) + 1;
            ++line;
            out += "/ ";
        }
        out.append(ClassName(t.token.kind))
            .append("[")
            .append(text.substr(lineStart + static_cast<std::size_t>(t.token.start),
                                static_cast<std::size_t>(t.token.length)))
            .append("] ");
    }
    return out;
}

TEST(Tokenizer, ClassesOfEachCard) {
    EXPECT_EQ(Render("LOOP X = LEN(2) 'ab' :S(LOOP)F(END)"),
              "label[LOOP] name[X] op[=] primitive[LEN] number[2] literal['ab'] goto[:] goto[S] "
              "goto[(] target[LOOP] goto[)] goto[F] goto[(] target[END] goto[)] ");
    EXPECT_EQ(Render("* note :(X)\n-LIST\n X = &trim MINE(1) :($('L' N))"),
              "comment[* note :(X)] / control[-LIST] / name[X] op[=] keyword[&trim] function[MINE] "
              "number[1] goto[:] goto[(] op[$] literal['L'] name[N] goto[)] ");
    // A literal ends with its card; ';' starts a statement, which may have a label.
    EXPECT_EQ(Render(" X = \"it's :(L)\n Y = 1;NEXT Z = 2; W = 3"),
              "name[X] op[=] literal[\"it's :(L)] / name[Y] op[=] number[1] label[NEXT] name[Z] "
              "op[=] number[2] name[W] op[=] number[3] ");
    // A goto field goes on in a continuation card.
    EXPECT_EQ(
        Render(" X = 1 :S(\n+ AGAIN)"),
        "name[X] op[=] number[1] goto[:] goto[S] goto[(] / continuation[+] target[AGAIN] goto[)] ");
    // END with its label; what follows is data.
    EXPECT_EQ(Render(" X = 1\nend START extra\n LOOP X = 1 :(Y)\n* data"),
              "name[X] op[=] number[1] / end[end] target[START] ");
    EXPECT_EQ(Render(" " + std::string(160, 'A')), "name[" + std::string(159, 'A') + "] cut[A] ");
    EXPECT_EQ(Render("''''''"), "literal[''] literal[''] literal[''] ");
}

TEST(Tokenizer, StatesRoundTripAndNeverStartOutsideTheCard) {
    for (const CardState s :
         {CardState{}, CardState{CardState::Mode::Goto, 3}, CardState{CardState::Mode::Data, 0}})
        EXPECT_EQ(CardState::Unpacked(s.Packed()), s);
    EXPECT_EQ(CardState::Unpacked(-1), CardState{}); // an editor's "no state yet"
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        const std::string text = test::RandomProgram(random);
        for (const LineToken& t : TokenizeText(text))
            ASSERT_TRUE(t.token.start >= 0 && t.token.length > 0) << text;
    }
}

// The tokenizer and the translator agree on random programs that parse
// statement by statement (where a skip for a missing ')' crosses END, only
// the parser can know): each label the parser found is a label token, each
// call's name a call token, each goto target a target token.
TEST(Tokenizer, AgreesWithTheTranslator) {
    std::mt19937 random(11);
    test::DropTables();
    int compared = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::string text = test::RandomProgram(random);
        const analysis::Analysis a = analysis::Analyze(text);
        if (!a.complete) continue;
        ++compared;
        const std::vector<LineToken> tokens = TokenizeText(text);
        auto classAt = [&](const SourceSpan& span) -> std::optional<TokenClass> {
            for (const LineToken& t : tokens)
                if (t.line == span.from.line - 1 && t.token.start == span.from.column - 1 &&
                    t.token.length == span.to.column - span.from.column)
                    return t.token.kind;
            return std::nullopt;
        };
        for (const analysis::Occurrence& o : a.occurrences) {
            if (o.role == analysis::Occurrence::Role::LabelDefinition) {
                EXPECT_EQ(classAt(o.span), TokenClass::Label) << o.name << "\n" << text;
            } else if (o.role == analysis::Occurrence::Role::LabelUse) {
                EXPECT_EQ(classAt(o.span), TokenClass::GotoTarget) << o.name << "\n" << text;
            }
        }
        for (const analysis::Call& c : a.calls) {
            const auto kind = classAt(c.span);
            EXPECT_TRUE(kind == TokenClass::Primitive || kind == TokenClass::Function)
                << c.name << "\n"
                << text;
        }
    }
    EXPECT_GT(compared, 100);
}

} // namespace
} // namespace vantel::tokens
