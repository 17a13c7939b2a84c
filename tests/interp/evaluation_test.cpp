#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "data/diagnostics.h"
#include "data/textfile.h"
#include "executor/executor.h"
#include "harness.h"

namespace vantel {

namespace {

TEST(Conversion, StringToInteger) {
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    };
    const Case cases[] = {
        {"12", true, 12},
        {"  -12", true, -12},
        {"+7", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"$FF", true, 255},
        {"x10", true, 16},
        {"X1f", true, 31},
        {"0x7FFFFFFF", true, 2147483647},
        {"0XFFFFFFFF", true, -1},
        {"$FFFFFFFF", true, -1},
        {"$100000000", false, 0},
        {"-$1", false, 0},
        {"3 ", false, 0},
        {"", false, 0},
        {"   ", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"0x", false, 0},
        {"1e3", false, 0},
        {"0", true, 0},
        {"0012", true, 12},
        {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        std::int32_t n = 0;
        EXPECT_EQ(TextToInteger(c.text, n), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(n, c.value) << c.text;
        }
    }
}

class Execution : public ::testing::Test {
protected:
    void SetUp() override { test::FreshTables(false); }
    StringItem* Var(const char* name) { return LookupOrEnter(name); }
};

TEST_F(Execution, AssignmentRoutesByValueAndName) {
    StringItem* x = Var("X");
    x->value = Value::Keyword(KeywordIndex::StLimit, false);
    Assign(x, InternString("100"));
    EXPECT_EQ(KeywordValue(KeywordIndex::StLimit), 100);
    EXPECT_EQ(x->value.kind(), Kind::Keyword);

    StringItem* y = Var("Y");
    Assign(y, InternString("V"));
    Assign(y, InternString(""));
    EXPECT_TRUE(y->value.IsNull());

    Exec().failure = true;
    Assign(y, Value::Integer(1));
    EXPECT_TRUE(y->value.IsNull()) << "no assignment while the failure flag is set";
    Exec().failure = false;

    StringItem* stno = Var("&STNO");
    EXPECT_THROW(Assign(stno, Value::Integer(3)), RunEnd);
}

TEST_F(Execution, ConversionsInternTheirResults) {
    const int before = StringCount();
    const Value text = ToStringValue(Value::Integer(-42));
    EXPECT_EQ(ToText(text), "-42");
    EXPECT_EQ(StringCount(), before + 1);
    EXPECT_EQ(ToStringValue(Value::Integer(-42)).string(), text.string());
    EXPECT_EQ(ToInteger(Value()), 0);
    EXPECT_EQ(ToInteger(Value::Keyword(KeywordIndex::Anchor, false)), 1);
    EXPECT_EQ(ToText(Value::Keyword(KeywordIndex::Alphabet, true)).size(), 128u);
    EXPECT_THROW(ToInteger(Value::Keyword(KeywordIndex::Alphabet, true)), RunEnd);
}

TEST(WholeRuns, RepeatedRunsInOneProcessAreIdentical) {
    const std::string program = " DEFINE('G(N)L', 'GL')\n"
                                " &ANCHOR = 0\n"
                                " P = BREAK('C') . W LEN(1) $ V\n"
                                " 'ABCD' P\n"
                                " OUTPUT = W V G(3)\n"
                                " &DUMP = 1 :(END)\n"
                                "GL L = N * 2\n"
                                " G = L :(RETURN)\n"
                                "END\n";
    const test::TwoRuns runs = test::RunTwice(program);
    EXPECT_EQ(runs.first, runs.second);
    EXPECT_EQ(runs.firstStatus, 0);
    EXPECT_NE(runs.first.find("\n ABC6\n"), std::string::npos) << runs.first;
}

TEST(WholeRuns, ExitStatusFollowsCodeAndErrors) {
    int status = -1;
    test::RunProgram(" &CODE = 3\nEND\n", &status);
    EXPECT_EQ(status, 3);
    test::RunProgram(" &CODE = 3\n X = 1 / 0\nEND\n", &status);
    EXPECT_EQ(status, 0);
    test::RunProgram(" X = (\nEND\n", &status);
    EXPECT_EQ(status, 10) << "a missing ')' skips to the end of the source";
}

// Each conversion below reads a line or enters a string, so the order of
// the two operands' conversions shows in the result and in the dump.
TEST(WholeRuns, BinaryOperandsAreConvertedLeftFirst) {
    char data[] = "/tmp/vantel-order-XXXXXX";
    const int fd = mkstemp(data);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "one\nonetwo\n", 11), 11);
    close(fd);
    const std::string lines = " INPUT('F', '" + std::string(data) + "')\n";
    const std::vector<std::string> alternation =
        test::OutputLines(lines + " P = $'F' | $'F'\n 'onetwo' P . Y\n OUTPUT = Y\nEND\n");
    EXPECT_EQ(alternation, std::vector<std::string>{"one"});
    const std::vector<std::string> concatenation =
        test::OutputLines(lines + " OUTPUT = $'F' $'F'\nEND\n");
    EXPECT_EQ(concatenation, std::vector<std::string>{"oneonetwo"});
    unlink(data);

    // The dump lists the string table in the order the conversions entered.
    const std::string dump =
        test::RunProgram("-DEBUG\n P = 7 | 8\n Q = 12 . $('A' 'B')\n DUMP(1)\nEND\n");
    const auto listed = [&dump](const char* text) {
        return dump.find("\n  \"" + std::string(text) + "\"\n");
    };
    ASSERT_NE(listed("7"), std::string::npos) << dump;
    EXPECT_LT(listed("7"), listed("8"));
    ASSERT_NE(listed("12"), std::string::npos) << dump;
    EXPECT_LT(listed("12"), listed("AB"));
}

// A run that reaches the largest count stops there, even under the largest
// limit, and reports that count.
TEST(WholeRuns, StatementCountStopsAtTheLargestInteger) {
    test::TranslateText(" &STLIMIT = 2147483647\nL X = X + 1 :(L)\nEND\n");
    char listing[] = "/tmp/vantel-count-XXXXXX";
    const int fd = mkstemp(listing);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(OpenListing(listing));
    RunInfo().translating = false;
    KeywordValue(KeywordIndex::StLimit) = 2147483647; // as statement 1 sets it
    KeywordValue(KeywordIndex::StCount) = 2147483647 - 5;
    EXPECT_THROW(ExecuteStatements(1), RunEnd);
    CloseListing();
    std::ifstream in(listing);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(listing);
    EXPECT_NE(text.find("--- STATEMENT LIMIT EXCEEDED ---\n--- ERROR OCCURRED ON STATEMENT 2 ---"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" NUMBER OF STATEMENTS EXECUTED: 2147483647\n"), std::string::npos) << text;
    EXPECT_EQ(KeywordValue(KeywordIndex::StCount), 2147483647);
}

TEST(WholeRuns, FactorialUsesTwoStackSlotsPerCall) {
    const std::string fact = " DEFINE('FACT(N)', 'FACT') :(MAIN)\n"
                             "FACT FACT = LE(N, 1) 1 :S(RETURN)\n"
                             " FACT = N * FACT(N - 1) :(RETURN)\n"
                             "MAIN OUTPUT = FACT(5)\n"
                             " OUTPUT = FACT(25)\n"
                             " OUTPUT = FACT(26)\n"
                             "END\n";
    const std::string listing = test::RunProgram(fact);
    EXPECT_NE(listing.find("\n 120\n"), std::string::npos);
    EXPECT_NE(listing.find("\n 2076180480\n"), std::string::npos) << "25! wraps in 32 bits";
    EXPECT_NE(listing.find("--- RUN STACK OVERFLOW ---"), std::string::npos);
}

} // namespace
} // namespace vantel
