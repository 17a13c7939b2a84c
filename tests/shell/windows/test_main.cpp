// The window tests run under Qt's offscreen platform, never on a display,
// with their settings and home folder in a private temporary folder.

#include "test_environment.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

namespace harbex::test {

const TempDir& Environment() {
    static TempDir folder;
    return folder;
}

} // namespace harbex::test

int main(int argc, char** argv) {
    using harbex::test::Environment;
    const std::string home = Environment() / "home";
    const std::string config = Environment() / "config";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(config);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", Environment().Path().c_str(), 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
