#pragma once
// The arithmetic that keeps a window's contents filling it. Pure functions
// of the window size and the system metrics, so they can be checked with
// fixed numbers.

#include <optional>

namespace harbex {

// The four system metrics the sizing uses, in pixels.
struct SystemMetrics {
    int menuHeight = 0;      // height of a menu bar
    int minWindowHeight = 0; // minimum height of a window
    int dialogFrame = 0;     // width of a dialog frame
    int sizingFrame = 0;     // width of a sizing frame
};

struct Extent {
    int width = 0;
    int height = 0;
};

// The memo's size for a main window of outer size `window`, the memo's own
// top-left corner staying where it is.
Extent FitMemo(Extent window, int memoLeft, int memoTop, const SystemMetrics& metrics);

// Design distances of the options dialog's lower edge, at 144 pixels per
// inch; `scale` converts them to the screen.
inline constexpr int kOptionsButtonBand = 60; // room below the grid
inline constexpr int kOptionsButtonGap = 5;   // grid bottom to button tops
inline constexpr int kOptionsDebugDrop = 10;  // Debug button sits lower
inline constexpr int kOptionsDebugFromRight = 250;
inline constexpr int kOptionsDebugMinWidth = 426;  // wider: Debug follows the edge
inline constexpr int kOptionsCancelMinWidth = 342; // wider: Cancel follows the grid

// Where the options dialog's grid and buttons go for a window of outer size
// `window`. A left edge that is not set stays where it is.
struct OptionsArrangement {
    int gridWidth = 0;
    int gridHeight = 0;
    int okTop = 0;
    int changeTop = 0;
    int cancelTop = 0;
    int debugTop = 0;
    std::optional<int> debugLeft;
    std::optional<int> cancelLeft;
};

OptionsArrangement ArrangeOptions(Extent window, int gridLeft, int gridTop, int cancelWidth,
                                  const SystemMetrics& metrics, double scale = 1.0);

} // namespace harbex
