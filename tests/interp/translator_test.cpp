#include <gtest/gtest.h>

#include <string>

#include "data/diagnostics.h"
#include "harness.h"
#include "translator/internal_form.h"

namespace vantel {
namespace {

// Renders an expression tree compactly: (op left right), names, 'lit', numbers.
std::string Tree(const Expr* e) {
    if (e == nullptr) return "nil";
    switch (e->kind) {
    case ExprKind::Unary:
        return std::string("(") + Letter(e->unaryOp) + Tree(e->left) + ")";
    case ExprKind::Binary:
        return std::string("(") + Letter(e->binaryOp) + " " + Tree(e->left) + " " + Tree(e->right) +
               ")";
    case ExprKind::Identifier:
        return std::string(e->entry->name);
    case ExprKind::Integer:
        return std::to_string(e->number.integer());
    case ExprKind::Literal:
        return e->entry == nullptr ? "''" : std::string("'").append(e->entry->name).append("'");
    case ExprKind::Call: {
        std::string out = std::string(e->entry->name) + "[";
        for (int i = 0; i < e->count; ++i)
            out.append(i ? "," : "").append(Tree(e->args[static_cast<std::size_t>(i)]));
        return out + "]";
    }
    }
    return "?";
}

const Stmt& Only(const std::string& card) {
    test::TranslateText(card + "\nEND\n");
    EXPECT_FALSE(RunInfo().errorFlag) << card;
    EXPECT_EQ(TheProgram().count, 1);
    return TheProgram().at(1);
}

TEST(Parser, LabelledAssignmentWithBothGotos) {
    const Stmt& s = Only("LOOP X = X + 1 :S(LOOP)F(DONE)");
    ASSERT_NE(s.label, nullptr);
    EXPECT_EQ(s.label->name, "LOOP");
    EXPECT_EQ(s.kind, StmtKind::Assignment);
    EXPECT_EQ(Tree(s.subject), "X");
    EXPECT_EQ(Tree(s.object), "(+ X 1)");
    EXPECT_EQ(s.gotos.success.kind, TargetKind::Computed);
    EXPECT_EQ(Tree(s.gotos.success.expression), "LOOP");
    EXPECT_EQ(Tree(s.gotos.failure.expression), "DONE");
    EXPECT_EQ(s.gotos.unconditional.kind, TargetKind::None);
}

TEST(Parser, ReplacementAndMissingObjects) {
    const Stmt& r = Only(" X 'A' | 'B' = 'C'");
    EXPECT_EQ(r.kind, StmtKind::Replacement);
    EXPECT_EQ(Tree(r.pattern), "(! 'A' 'B')");
    EXPECT_EQ(Tree(r.object), "'C'");

    const Stmt& a = Only(" X =");
    EXPECT_EQ(a.kind, StmtKind::Assignment);
    ASSERT_NE(a.object, nullptr);
    EXPECT_EQ(a.object->entry, EmptyNameItem());

    const Stmt& g = Only(" X = :(L)");
    EXPECT_EQ(g.object->entry, EmptyNameItem());
    EXPECT_EQ(Tree(g.gotos.unconditional.expression), "L");

    const Stmt& n = Only(" X 'A' =");
    EXPECT_EQ(n.kind, StmtKind::Replacement);
    EXPECT_EQ(n.object, nullptr);
}

TEST(Parser, CallsWithOmittedArguments) {
    const Stmt& s = Only(" G(1,,3)");
    EXPECT_EQ(s.kind, StmtKind::Expression);
    EXPECT_EQ(Tree(s.subject), "G[1,nil,3]");
    EXPECT_EQ(Tree(Only(" G()").subject), "G[]");
    EXPECT_EQ(Only(" size(X)").subject->primitive, Primitive::SIZE);
}

TEST(Parser, PrecedenceAndAssociativity) {
    EXPECT_EQ(Tree(Only(" X = A / B * C").object), "(/ A (* B C))");
    EXPECT_EQ(Tree(Only(" X = A - B - C").object), "(- (- A B) C)");
    EXPECT_EQ(Tree(Only(" X = A B | C D").object), "(! (C A B) (C C D))");
    EXPECT_EQ(Tree(Only(" X = A -B").object), "(C A (-B))");
    EXPECT_EQ(Tree(Only(" X = $Y").object), "($Y)");
    EXPECT_EQ(Tree(Only(" X = -(-Y)").object), "(-(-Y))");
    EXPECT_EQ(Tree(Only(" X = P $ V . W").object), "(. ($ P V) W)");
    EXPECT_EQ(Tree(Only(" X = abc.def2").object), "ABC.DEF2");
}

TEST(Parser, EmptyStatementsAndSpecialTargets) {
    const Stmt& s = Only(" :(END)");
    EXPECT_EQ(s.kind, StmtKind::Empty);
    EXPECT_EQ(s.gotos.unconditional.kind, TargetKind::Special);
    EXPECT_EQ(s.gotos.unconditional.special, SpecialTarget::End);
    const Stmt& blank = Only("   ");
    EXPECT_EQ(blank.kind, StmtKind::Empty);
    EXPECT_EQ(blank.label, nullptr);
    const Stmt& f = Only(" X :F(RETURN)S(FRETURN)");
    EXPECT_EQ(f.gotos.failure.special, SpecialTarget::Return);
    EXPECT_EQ(f.gotos.success.special, SpecialTarget::FReturn);
}

TEST(Parser, EndLabelAndStatementNumbers) {
    test::TranslateText(" X = 1; Y = 2;\nSTART OUTPUT = X\nEND START\n");
    EXPECT_EQ(TheProgram().count, 4);
    EXPECT_EQ(TheProgram().at(3).kind, StmtKind::Empty);
    ASSERT_NE(TheProgram().endLabel, nullptr);
    EXPECT_EQ(TheProgram().endLabel->name, "START");
    EXPECT_EQ(TheProgram().at(4).label, TheProgram().endLabel);
}

TEST(Parser, ReservedWordsAndDoubleSignsAreErrors) {
    test::TranslateText(" S = 1\nEND\n");
    EXPECT_TRUE(RunInfo().errorFlag);
    test::TranslateText(" X = --Y\nEND\n");
    EXPECT_TRUE(RunInfo().errorFlag);
    test::TranslateText(" X = &FULLSCAN\nEND\n");
    EXPECT_EQ(RunInfo().errorCount, 1);
}

TEST(Parser, DepthLimitAbandonsOnlyThatStatement) {
    std::string deep = " X = " + std::string(1001, '(') + "1" + std::string(1001, ')');
    std::string cards;
    for (std::size_t i = 0; i < deep.size(); i += 150)
        cards.append(i ? "+" : "").append(deep, i, 150).append("\n");
    const std::string listing = test::TranslateText("L" + cards + "NEXT Y = 2\nEND\n");
    EXPECT_EQ(RunInfo().errorCount, 1);
    EXPECT_NE(listing.find("--- EXPRESSION TOO DEEPLY NESTED ---"), std::string::npos);
    ASSERT_EQ(TheProgram().count, 2);
    EXPECT_EQ(TheProgram().at(1).kind, StmtKind::Empty);
    EXPECT_EQ(TheProgram().at(1).label->name, "L");
    EXPECT_EQ(TheProgram().at(2).label->name, "NEXT");
    EXPECT_EQ(TheProgram().at(2).kind, StmtKind::Assignment);
}

// The skip after a missing token ends with the source's last line: the
// token after it is the last card's first, so the statement's own end is
// missed as well before reading on finds no END.
TEST(Parser, ExpectedTokenSkipStopsAtTheLastLine) {
    int status = -1;
    const std::string listing =
        test::RunProgram("        OUTPUT = 'NOT RUN'\n        X = (1\nEND\nD1\n", &status);
    EXPECT_EQ(status, 10);
    const std::string expected = "   2            X = (1 \n"
                                 "   3    END \n\n\n"
                                 "--- TOKEN \")\" DOES NOT OCCUR WHERE EXPECTED   ---\n"
                                 "   4    D1 \n\n\n"
                                 "--- TOKEN \";\" DOES NOT OCCUR WHERE EXPECTED   ---\n\n\n"
                                 "--- PROGRAM HAS NO END. ---\n";
    ASSERT_GE(listing.size(), expected.size());
    EXPECT_EQ(listing.substr(listing.size() - expected.size()), expected) << listing;
}

TEST(Reader, HostileSourcesEndCleanly) {
    std::string junk;
    for (int i = 0; i < 20000; ++i)
        junk.push_back(static_cast<char>((i * 7919) % 256));
    test::TranslateText(junk);
    SUCCEED();
    std::string continuation = " X = 'A'\n";
    for (int i = 0; i < 100000; ++i)
        continuation += "+ 'B'\n";
    const std::string listing = test::TranslateText(continuation + "END\n");
    EXPECT_NE(listing.find(" COMPILATION COMPLETE. "), std::string::npos);
}

} // namespace
} // namespace vantel
