#include "data/fast_paths.h"

#include <cstdlib>
#include <string_view>

namespace vantel {

bool FastPathsFromEnvironment() {
    const char* plain = std::getenv("VANTEL_PLAIN");
    return plain == nullptr || std::string_view(plain) != "1";
}

} // namespace vantel
