#include "options/general_option.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(GeneralOption, DefaultIsAnUnsetRecord) {
    const GeneralOption option;
    EXPECT_EQ(option.kind, OptionKind::Unset);
    EXPECT_TRUE(option.name.empty());
    EXPECT_TRUE(option.description.empty());
    EXPECT_EQ(option.flag, nullptr);
    EXPECT_EQ(option.text, nullptr);
    EXPECT_EQ(static_cast<int>(OptionKind::Boolean), 4);
}

TEST(GeneralOption, BooleanOptionEditsTheCallersFlagThroughEveryCopy) {
    bool subset = false;
    std::string folder;
    GeneralOption option;
    option.text = &folder;
    option.MakeBooleanOption("Subset", "Subset SNOBOL", &subset);
    EXPECT_EQ(option.kind, OptionKind::Boolean);
    EXPECT_EQ(option.name, "Subset");
    EXPECT_EQ(option.description, "Subset SNOBOL");
    EXPECT_EQ(option.text, nullptr);

    std::vector<GeneralOption> records;
    records.push_back(option);
    const GeneralOption copy = records.front();
    *copy.flag = true;
    EXPECT_TRUE(subset);
    EXPECT_EQ(copy.name, "Subset");
}

} // namespace
