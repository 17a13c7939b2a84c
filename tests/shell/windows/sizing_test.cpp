// The sizing arithmetic of the main window and the options dialog, and
// the file dialogs' filters.

#include "file_dialogs.h"
#include "sizing.h"

#include <gtest/gtest.h>

namespace harbex {
namespace {

// Menu height 19, minimum window height 27, dialog frame 3, sizing frame 4.
constexpr SystemMetrics kSmallFrames{19, 27, 3, 4};
// Menu height 15, minimum window height 29, dialog frame 7, sizing frame 32.
constexpr SystemMetrics kLargeFrames{15, 29, 7, 32};

TEST(Sizing, MemoFillsTheWindow) {
    Extent memo = FitMemo({400, 160}, 0, 0, kSmallFrames);
    EXPECT_EQ(memo.width, 386);
    EXPECT_EQ(memo.height, 107);
    memo = FitMemo({400, 160}, 0, 0, kLargeFrames);
    EXPECT_EQ(memo.width, 400 - (64 + 14));
    EXPECT_EQ(memo.height, 160 - (29 + 16 + 14));
    // The memo's own corner is taken off as well.
    memo = FitMemo({400, 160}, 10, 5, kSmallFrames);
    EXPECT_EQ(memo.width, 376);
    EXPECT_EQ(memo.height, 102);
}

TEST(Resizer, GridAndButtonsFollowTheWindow) {
    const OptionsArrangement at = ArrangeOptions({785, 467}, 6, 49, 123, kSmallFrames);
    EXPECT_EQ(at.gridWidth, 765);
    EXPECT_EQ(at.gridHeight, 467 - (49 + 27 + 20 + 6 + 60));
    EXPECT_EQ(at.okTop, 49 + at.gridHeight + 5);
    EXPECT_EQ(at.changeTop, at.okTop);
    EXPECT_EQ(at.cancelTop, at.okTop);
    EXPECT_EQ(at.debugTop, at.okTop + 10);
    EXPECT_EQ(at.debugLeft, 785 - 250);
    EXPECT_EQ(at.cancelLeft, 6 + 765 - 123);
}

TEST(Resizer, NarrowWindowsLeaveTheButtonsWhereTheyAre) {
    EXPECT_FALSE(ArrangeOptions({342, 300}, 6, 49, 123, kSmallFrames).cancelLeft.has_value());
    EXPECT_EQ(ArrangeOptions({343, 300}, 6, 49, 123, kSmallFrames).cancelLeft, 6 + 323 - 123);
    EXPECT_FALSE(ArrangeOptions({426, 300}, 6, 49, 123, kSmallFrames).debugLeft.has_value());
    EXPECT_EQ(ArrangeOptions({427, 300}, 6, 49, 123, kSmallFrames).debugLeft, 177);
}

TEST(Resizer, DesignDistancesScaleWithTheScreen) {
    const double scale = 96.0 / 144.0;
    const OptionsArrangement at = ArrangeOptions({523, 311}, 4, 33, 82, {}, scale);
    EXPECT_EQ(at.gridHeight, 311 - (33 + 1 + 40));
    EXPECT_EQ(at.okTop, 33 + at.gridHeight + 3);
    EXPECT_EQ(at.debugTop, at.okTop + 7);
    EXPECT_EQ(at.debugLeft, 523 - 167);
    EXPECT_FALSE(ArrangeOptions({228, 311}, 4, 33, 82, {}, scale).cancelLeft.has_value());
    EXPECT_TRUE(ArrangeOptions({229, 311}, 4, 33, 82, {}, scale).cancelLeft.has_value());
}

TEST(FileDialogs, FilterTextsBecomeQtFilters) {
    EXPECT_EQ(QtNameFilters("SNOBOL4 Source Files|*.sno|KEVRA Source Files|*.kev|"
                            "COBOL Source Files|*.cbl|All files|*.*"),
              (QStringList{"SNOBOL4 Source Files (*.sno)", "KEVRA Source Files (*.kev)",
                           "COBOL Source Files (*.cbl)", "All files (*)"}));
    EXPECT_EQ(QtNameFilters("Executables|*.exe|All files|*.*"),
              (QStringList{"Executables (*.exe)", "All files (*)"}));
    EXPECT_EQ(QtNameFilters("Odd|"), QStringList{});
}

} // namespace
} // namespace harbex
