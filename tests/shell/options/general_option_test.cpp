#include "options/general_option.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The dialog edits the caller's variable through copies of the record.
TEST(GeneralOption, BooleanOptionPointsCopiesAtTheCallersFlag) {
    bool subset = false;
    std::string folder;
    GeneralOption option;
    EXPECT_EQ(option.kind, OptionKind::Unset);
    option.text = &folder;
    option.MakeBooleanOption("Subset", "Subset SNOBOL", &subset);
    EXPECT_EQ(static_cast<int>(option.kind), 4);
    EXPECT_EQ(option.text, nullptr);

    const std::vector<GeneralOption> records = {option};
    *records.front().flag = true;
    EXPECT_TRUE(subset);
    EXPECT_EQ(records.front().name, "Subset");
    EXPECT_EQ(records.front().description, "Subset SNOBOL");
}

} // namespace
