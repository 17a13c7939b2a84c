#include "data/fast_paths.h"

#include <cstdlib>
#include <string_view>

namespace vantel {

bool gFastPaths = true;

void SetFastPaths(bool on) {
    gFastPaths = on;
}

void ReadFastPathSetting() {
    const char* plain = std::getenv("VANTEL_PLAIN");
    SetFastPaths(plain == nullptr || std::string_view(plain) != "1");
}

} // namespace vantel
