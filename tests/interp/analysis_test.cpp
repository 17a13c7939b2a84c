// The editor's analysis: its translation messages are the listing's, word
// for word; its warnings come exactly where a reader wants them; DEFINE's
// prototypes are read as DEFINE reads them; analyses carry nothing from one
// to the next; statement alignment keeps programs as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "analysis/document_analysis.h"
#include "analysis/formatting.h"
#include "harness.h"
#include "random_programs.h"

namespace vantel::analysis {
namespace {

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> SourcesOnDisk() {
    std::vector<std::string> texts;
    for (const std::string& folder :
         {std::string(VANTEL_E2E_DIR) + "/cases", std::string(VANTEL_E2E_DIR) + "/limits",
          std::string(VANTEL_E2E_DIR) + "/errors", std::string(VANTEL_EXAMPLES_DIR)})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".sno") texts.push_back(Slurp(entry.path()));
    return texts;
}

// The messages of the listing's translation part, without their frames.
std::vector<std::string> ListedMessages(const std::string& listing) {
    std::vector<std::string> messages;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line) && line != " COMPILATION COMPLETE. ";)
        if (line.size() >= 8 && line.starts_with("--- ") && line.ends_with(" ---"))
            messages.push_back(line.substr(4, line.size() - 8));
    return messages;
}

std::vector<std::string> Errors(const Analysis& a) {
    std::vector<std::string> out;
    for (const Diagnostic& d : a.diagnostics)
        if (d.severity == Diagnostic::Severity::Error) out.push_back(d.message);
    return out;
}

std::vector<std::string> Warnings(const Analysis& a) {
    std::vector<std::string> out;
    for (const Diagnostic& d : a.diagnostics)
        if (d.severity == Diagnostic::Severity::Warning)
            out.push_back(std::to_string(d.span.from.line) + ":" +
                          std::to_string(d.span.from.column) + " " + d.message);
    return out;
}

Analysis Of(const std::string& text) {
    test::DropTables();
    return Analyze(text);
}

TEST(Analysis, ErrorsAreTheListingsMessages) {
    std::vector<std::string> texts = SourcesOnDisk();
    std::mt19937 random(5);
    for (int i = 0; i < 200; ++i)
        texts.push_back(test::RandomProgram(random));
    for (const std::string& text : texts) {
        const std::vector<std::string> listed = ListedMessages(test::TranslateText(text));
        ASSERT_EQ(Errors(Of(text)), listed) << text;
    }
}

TEST(Analysis, WarningsWhereAReaderWantsThem) {
    const Analysis a = Of(" DEFINE('FF(X)T', 'FBODY')\n"
                          " DEFINE('G(X)', 'G') :(MAIN)\n"
                          "G G = LEN(1, 2) SIZE(X) :(RETURN)\n"
                          "MAIN X = FF(1) NOPE(2) G(3) :S(GONE)F($X)\n"
                          "END START\n");
    EXPECT_EQ(Warnings(a),
              (std::vector<std::string>{
                  "1:20 DEFINE names the entry label FBODY, which no statement has",
                  "3:7 LEN takes 1 argument, not 2",
                  "4:16 NOPE is neither a primitive nor defined by a DEFINE in this file",
                  "4:32 No statement has the label GONE", "5:5 No statement has the label START"}));
    ASSERT_EQ(a.functions.size(), 2u);
    EXPECT_EQ(a.functions[0].parameters, std::vector<std::string>{"X"});
    EXPECT_EQ(a.functions[0].locals, std::vector<std::string>{"T"});
    EXPECT_EQ(a.functions[1].entryLabel, "G");
}

TEST(Analysis, NoWarningWithoutCertainty) {
    // A prototype made at run time may define any name; a defined LEN is
    // no primitive.
    EXPECT_TRUE(Warnings(Of(" P = 'H(A)'\n DEFINE(P, 'H')\n X = H(1) NOPE(2)\nH :(RETURN)\nEND\n"))
                    .empty());
    EXPECT_TRUE(
        Warnings(Of(" DEFINE('LEN(A,B)', 'LEN')\n X = LEN(1, 2)\nLEN :(RETURN)\nEND\n")).empty());
    // A statement the parser skipped may hold the label.
    const Analysis skipped = Of(" X = (1\nHERE Y = 2)\n :(HERE)\nEND\n");
    EXPECT_FALSE(skipped.complete);
    EXPECT_TRUE(Warnings(skipped).empty());
}

TEST(Analysis, NamesOfLabelsAndFunctions) {
    const Analysis a = Of(" DEFINE('FACT(N)', 'FACT') :(MAIN)\n"
                          "FACT FACT = LE(N, 1) 1 :S(RETURN)\n"
                          " FACT = N * FACT(N - 1) :(RETURN)\n"
                          "MAIN OUTPUT = FACT(5)\n"
                          "END\n");
    std::vector<std::string> seen;
    for (const Occurrence& o : a.occurrences)
        seen.push_back(std::to_string(static_cast<int>(o.role)) + " " + o.name + " " +
                       std::to_string(o.span.from.line) + ":" + std::to_string(o.span.from.column) +
                       "-" + std::to_string(o.span.to.column));
    using R = Occurrence::Role;
    auto at = [](R role, const char* rest) {
        return std::to_string(static_cast<int>(role)) + " " + rest;
    };
    EXPECT_EQ(seen,
              (std::vector<std::string>{
                  at(R::LabelUse, "MAIN 1:30-34"), at(R::LabelDefinition, "FACT 2:1-5"),
                  at(R::LabelDefinition, "MAIN 4:1-5"), at(R::FunctionDefinition, "FACT 1:10-14"),
                  at(R::EntryLabel, "FACT 1:21-25"), at(R::FunctionCall, "FACT 3:13-17"),
                  at(R::FunctionCall, "FACT 4:15-19"), at(R::FunctionVariable, "FACT 2:6-10"),
                  at(R::FunctionVariable, "FACT 3:2-6")}));
    ASSERT_NE(a.LabelNamed("MAIN"), nullptr);
    EXPECT_EQ(a.LabelNamed("MAIN")->number, 4);
}

// ParsePrototype accepts exactly what DEFINE accepts when the program runs.
TEST(Analysis, PrototypesAsDefineReadsThem) {
    const std::vector<std::string> prototypes{"F(A)",
                                              "F(A,B)T1,T2",
                                              "F()",
                                              "F()L",
                                              "F(A,)",
                                              "(A)",
                                              "F(a)",
                                              "F",
                                              "F(A",
                                              "F)A(",
                                              "F.2(X.1)",
                                              "2F(A)",
                                              "F(A)(B)",
                                              "F(A B)",
                                              "F(,A)",
                                              "F(A)B,",
                                              "F((A))",
                                              "f(A)",
                                              "F(A,B,C,D,E,G,H,I)",
                                              "F(A,B,C,D,E,G,H,I,J)",
                                              "F()A,B,C,D,E,G,H,I,J"};
    for (const std::string& p : prototypes) {
        const std::string listing = test::RunProgram(" DEFINE('" + p + "', 'L')\nL\nEND\n");
        const bool refused = listing.find("PROTOTYPE ---") != std::string::npos;
        EXPECT_EQ(ParsePrototype(p).has_value(), !refused) << p;
    }
}

TEST(Analysis, AnalysesCarryNothingOver) {
    std::string crowded; // fills the string table and the message count
    for (int i = 0; i < 600; ++i)
        crowded += " V" + std::to_string(i) + " = 'T" + std::to_string(i) + "' &NO" +
                   std::to_string(i) + "\n";
    const std::string text = " X = 'A'\nL Y = X :(L)\nEND\n";
    const Analysis alone = Of(text);
    Of(crowded);
    const Analysis after = Of(text);
    EXPECT_EQ(after.shape, alone.shape);
    EXPECT_EQ(Errors(after), Errors(alone));
    EXPECT_TRUE(after.complete);
}

TEST(Formatting, AlignsInTheExamplesColumns) {
    const std::string text = "LOOP    X = X + 1     :S(LOOP)\n"
                             "   Y = 'a  b'  :(END)\n"
                             " Z = 1 :(L);W = 2\n"
                             " Q = 1 :S(\n+ LOOP)\n"
                             "END\n";
    test::DropTables();
    EXPECT_EQ(formatting::ApplyEdits(text, formatting::AlignStatements(text)),
              "LOOP X = X + 1" + std::string(34, ' ') +
                  ":S(LOOP)\n"
                  " Y = 'a  b'" +
                  std::string(37, ' ') +
                  ":(END)\n"
                  " Z = 1 :(L);W = 2\n Q = 1 :S(\n+ LOOP)\nEND\n");
}

TEST(Formatting, KeepsEveryProgramAsItWas) {
    std::vector<std::string> texts = SourcesOnDisk();
    std::mt19937 random(9);
    for (int i = 0; i < 200; ++i)
        texts.push_back(test::RandomProgram(random));
    test::DropTables();
    for (const std::string& text : texts) {
        const std::string once = formatting::ApplyEdits(text, formatting::AlignStatements(text));
        const Analysis before = Analyze(text);
        const Analysis after = Analyze(once);
        ASSERT_EQ(after.shape, before.shape) << text;
        ASSERT_EQ(Errors(after), Errors(before)) << text;
        ASSERT_TRUE(formatting::AlignStatements(once).empty()) << once; // settled
    }
}

} // namespace
} // namespace vantel::analysis
