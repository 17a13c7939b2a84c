#include "sizing.h"

#include <cmath>

namespace harbex {

namespace {

int Scaled(int design, double scale) {
    return static_cast<int>(std::lround(design * scale));
}

} // namespace

Extent FitMemo(Extent window, int memoLeft, int memoTop, const SystemMetrics& metrics) {
    const int menuBar = metrics.menuHeight + 1;
    // The dialog-frame width stands for the vertical frame too.
    return {window.width - (memoLeft + 2 * metrics.sizingFrame + 2 * metrics.dialogFrame),
            window.height -
                (memoTop + metrics.minWindowHeight + menuBar + 2 * metrics.dialogFrame)};
}

OptionsArrangement ArrangeOptions(Extent window, int gridLeft, int gridTop, int cancelWidth,
                                  const SystemMetrics& metrics, double scale) {
    const int menuBar = metrics.menuHeight + 1;
    OptionsArrangement result;
    result.gridWidth =
        window.width - (gridLeft + 2 * metrics.sizingFrame + 2 * metrics.dialogFrame);
    result.gridHeight =
        window.height - (gridTop + metrics.minWindowHeight + menuBar + 2 * metrics.dialogFrame +
                         Scaled(kOptionsButtonBand, scale));
    result.okTop = gridTop + result.gridHeight + Scaled(kOptionsButtonGap, scale);
    result.changeTop = result.okTop;
    result.cancelTop = result.changeTop;
    result.debugTop = result.changeTop + Scaled(kOptionsDebugDrop, scale);
    if (window.width > Scaled(kOptionsDebugMinWidth, scale)) {
        result.debugLeft = window.width - Scaled(kOptionsDebugFromRight, scale);
    }
    if (window.width > Scaled(kOptionsCancelMinWidth, scale)) {
        result.cancelLeft = gridLeft + result.gridWidth - cancelWidth;
    }
    return result;
}

} // namespace harbex
