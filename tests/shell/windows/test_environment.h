#pragma once
// The private folders of one run of the window tests.

#include "../launcher/test_support.h"

namespace harbex::test {

// Holds "home" (HOME) and "config" (XDG_CONFIG_HOME).
const TempDir& Environment();

inline std::string ConfigDir() {
    return Environment() / "config";
}
inline std::string HomeDir() {
    return Environment() / "home";
}
inline std::string OptionFile() {
    return ConfigDir() + "/SNOBOL.ini";
}
inline std::string RegistryFile() {
    return ConfigDir() + "/Varnhold/SNOBOL4.conf";
}

} // namespace harbex::test
