// The memo's summary line, read from real listings of vantel (those the
// end-to-end tests keep) and from listings that only look like them.

#include "launcher/listing_summary.h"
#include "launcher/text_files.h"

#include <gtest/gtest.h>

namespace harbex {
namespace {

struct ListingCase {
    const char* listing; // under tests/e2e
    std::optional<int> status;
    std::optional<std::string> summary;
};

class RealListings : public ::testing::TestWithParam<ListingCase> {};

TEST_P(RealListings, GiveTheirSummary) {
    const ListingCase& c = GetParam();
    const auto lines = ReadLines(std::string(E2E_DIR) + "/" + c.listing);
    ASSERT_TRUE(lines) << c.listing;
    EXPECT_EQ(ListingSummary(*lines, c.status), c.summary) << c.listing;
}

INSTANTIATE_TEST_SUITE_P(
    Vantel, RealListings,
    ::testing::Values(
        ListingCase{"examples/hello.lst", 0, "Ended: status 0, 1 statements"},
        ListingCase{"examples/hanoi.lst", 3, "Ended: status 3, 38 statements"},
        ListingCase{"errors/return_at_level_0.lst", std::nullopt, "Ended: 2 statements"},
        ListingCase{"errors/alphabet_integer.lst", 0,
                    "Error in statement 1: &ALPHABET CAN NOT BE MADE AN INTEGER"},
        // The dump of variables follows the termination report.
        ListingCase{"cases/conversions.lst", 0,
                    "Error in statement 28: STRING NOT CONVERTIBLE TO INTEGER"},
        ListingCase{"cases/debug_dump.lst", 0, "Error in statement 1: STATEMENT LIMIT EXCEEDED"},
        ListingCase{"limits/stlimit_negative.lst", 0,
                    "Error in statement 2: STATEMENT LIMIT EXCEEDED"},
        ListingCase{"limits/many_errors.lst", 0, "Translation errors: 25"},
        ListingCase{"limits/names_6000.lst", 0, "Translation errors: 39"},
        ListingCase{"limits/deep_parens.lst", 0, "Translation errors: 1"},
        ListingCase{"limits/quote_at_end.lst", 0, "Translation errors: 2"},
        ListingCase{"limits/too_many_statements.lst", 0, "Translation errors: 1"}));

using Lines = std::vector<std::string>;

struct MadeCase {
    const char* what;
    Lines lines;
    std::optional<std::string> summary;
};

class MadeListings : public ::testing::TestWithParam<MadeCase> {};

TEST_P(MadeListings, GiveTheirSummaryOrNone) {
    EXPECT_EQ(ListingSummary(GetParam().lines, 0), GetParam().summary) << GetParam().what;
}

const Lines kBanner = {"\f", " SNOBOL SUBSET INTERPRETTER. VERSION 1.0"};

Lines With(Lines head, const Lines& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, MadeListings,
    ::testing::Values(
        MadeCase{"empty", {}, std::nullopt},
        MadeCase{"no END",
                 With(kBanner, {"   1     X = 1 ", "", "", "--- PROGRAM HAS NO END. ---"}),
                 "Translation errors: 1"},
        MadeCase{"translated without error, stopped before the report",
                 With(kBanner, {" COMPILATION COMPLETE. ", "", "", "Execution begins...", " 1"}),
                 std::nullopt},
        MadeCase{"a card listed like a message is no message",
                 With(kBanner, {"   1     X = '--- A ---' ", " COMPILATION COMPLETE. "}),
                 std::nullopt},
        // The program's own lines begin with a blank; only the last report counts.
        MadeCase{"output that looks like a report",
                 With(kBanner,
                      {"Execution begins...", " EXECUTION HAS TERMINATED.",
                       " NUMBER OF STATEMENTS EXECUTED: 99", " EXECUTION HAS TERMINATED.",
                       " EXECUTION TIME: 0 milliseconds.", " NUMBER OF STATEMENTS EXECUTED: 4"}),
                 "Ended: status 0, 4 statements"},
        MadeCase{"a message not followed by its statement line",
                 With(kBanner,
                      {"Execution begins...", "--- A ---", " X", " EXECUTION HAS TERMINATED.",
                       " EXECUTION TIME: 1 milliseconds.", " NUMBER OF STATEMENTS EXECUTED: 2"}),
                 "Ended: status 0, 2 statements"},
        MadeCase{"a report without its count",
                 With(kBanner, {"Execution begins...", " EXECUTION HAS TERMINATED."}),
                 std::nullopt},
        MadeCase{"a full interpreter's merged listing",
                 {"SNOBOL4 LISTING", "    1  END", "", "", "Output:", "the output"},
                 std::nullopt}));

} // namespace
} // namespace harbex
