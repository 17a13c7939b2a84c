#include "fileinfo/file_id.h"
#include "fileinfo/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

struct NameCase {
    const char* name;
    const char* base;
    const char* extension;
};

TEST(FileId, SplitsAtTheLastDot) {
    const NameCase cases[] = {
        {"prog.sno", "prog", "sno"},
        {"a.b.c", "a.b", "c"},
        {"README", "README", ""},
        {".profile", ".profile", "profile"},
        {"name.", "name", ""},
        {"", "", ""},
        {".", ".", ""},
        {"..", ".", ""},
    };
    for (const NameCase& c : cases) {
        const file_id id("/dir/", c.name);
        EXPECT_EQ(id.BaseName(), c.base) << c.name;
        EXPECT_EQ(id.Extension(), c.extension) << c.name;
        EXPECT_EQ(id.Dir(), "/dir/");
    }
    const std::string longExtension(file_id::kMaxExtension + 20, 'x');
    EXPECT_EQ(file_id("", "f." + longExtension).Extension(),
              longExtension.substr(0, file_id::kMaxExtension));
}

// Bytes above 127 are parts of UTF-8 characters and must not change.
TEST(FileId, CasedBaseNameChangesOnlyAsciiLetters) {
    const file_id id("", "Prog_1@[\xC3\xA9].Sno");
    EXPECT_EQ(id.CasedBaseName(true), "PROG_1@[\xC3\xA9]");
    EXPECT_EQ(id.CasedBaseName(false), "prog_1@[\xC3\xA9]");
}

TEST(FileInfo, ExistsTestsDirectoryPlusNameAsJoined) {
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    WriteFile(folder.Path("here.txt"), "x");
    WriteFile(folder.Path("prefix-here.txt"), "x");
    std::filesystem::create_directory(folder.Path("sub"));

    EXPECT_TRUE(file_info(folder.Dir(), "here.txt").Exists());
    EXPECT_TRUE(file_info(folder.Dir(), "sub").Exists());
    EXPECT_TRUE(file_info(folder.Dir() + "prefix-", "here.txt").Exists());
    EXPECT_FALSE(file_info(folder.Dir(), "missing.txt").Exists());
    EXPECT_FALSE(file_info(folder.Dir(), "").Exists());
    EXPECT_FALSE(file_info(folder.Dir() + "nofolder/", "here.txt").Exists());
    const std::string noSlash = folder.Dir().substr(0, folder.Dir().size() - 1);
    EXPECT_FALSE(file_info(noSlash, "here.txt").Exists());
    // A NUL would cut the path short and test another file.
    EXPECT_FALSE(file_info(folder.Dir(), std::string("here.txt\0junk", 13)).Exists());
}

} // namespace
