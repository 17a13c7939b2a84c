#include "options/initfile.h"

#include "fileinfo/temp_folder.h"
#include "options/line_data.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Names = std::vector<std::string>;

class InitfileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.Valid()); }
    TempFolder folder;
    const std::string path = folder.Path("SNOBOL.ini");
};

TEST(InitfileName, IniExtensionInAnyCaseIsKeptOtherwiseAppended) {
    const std::pair<const char*, const char*> cases[] = {
        {"/etc/SNOBOL.ini", "/etc/SNOBOL.ini"},
        {"a.INI", "a.INI"},
        {"a.iNi", "a.iNi"},
        {".ini", ".ini"},
        {"a.txt", "a.txt.INI"},
        {"a.ini.bak", "a.ini.bak.INI"},
        {"a_ini", "a_ini.INI"},
        {"settings", "settings.INI"},
        {"ini", "ini.INI"},
        {"", ".INI"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(initfile(path).FileName(), expected);
    }
    EXPECT_EQ(initfile(static_cast<const char*>(nullptr)).FileName(), ".INI");
}

TEST_F(InitfileTest, BooleansIgnoreCaseAndBlanksButNothingElse) {
    WriteFile(path, "  subset  =  TRUE  \r\nOther=yes\r\nThird=\tFalse\r\nEmpty=\r\nDigit=1\r\n");
    initfile options(path);
    ASSERT_TRUE(options.LoadPlain());
    bool value = false;
    EXPECT_TRUE(options.GetBool("Subset", value));
    EXPECT_TRUE(value);
    EXPECT_TRUE(options.GetBool(" THIRD\t", value));
    EXPECT_FALSE(value);
    for (const char* name : {"Other", "Empty", "Digit", "Missing"}) {
        bool kept = true;
        EXPECT_FALSE(options.GetBool(name, kept)) << name;
        EXPECT_TRUE(kept) << name;
    }
    std::string text = "kept";
    EXPECT_FALSE(options.GetString("Missing", text));
    EXPECT_EQ(text, "kept");
}

// Each file is loaded, one entry ZZ=1 stored, and the object destroyed; the
// rewritten file shows how the content was read and ordered.
TEST_F(InitfileTest, RewriteShowsWhatWasRead) {
    const std::string atLimit =
        "SUBSET=true\r\n" + std::string(LineData::kReadLimit - 13, 'x'); // no "=" after
    const std::pair<std::string, std::string> cases[] = {
        {"Subset=false\r\nsubSET = true\r\n", "SUBSET=true\r\nZZ=1\r\n"},
        {"b=v\r\n_u=v\r\n1st=v\r\nAB=v\r\na=v\r\n\xC3\xA9=v\r\n",
         "1ST=v\r\nA=v\r\nAB=v\r\nB=v\r\nZZ=1\r\n_U=v\r\n\xC3\xA9=v\r\n"},
        {"[Section]\r\n\r\n   \r\njust words\r\n=orphan \r\nA = 1 = 2\r\n",
         "=orphan\r\nA=1 = 2\r\nZZ=1\r\n"},
        {"E=\r\nF=  \r\n", "ZZ=1\r\n"},
        {std::string("\x01\tname\x1F=\x02 caf\xE9\xA0 \x7F\t\r\n", 20),
         "NAME=caf\xE9\xA0 \x7F\r\nZZ=1\r\n"},
        {"A=a\rb\nc\r\n", "A=a\rb\nc\r\nZZ=1\r\n"},
        {"\xE9=\xA0\r\n", "ZZ=1\r\n\xE9=\xA0\r\n"}, // bytes above 127 are not blanks
        {"LONG=" + std::string(1500, 'v'), "LONG=" + std::string(1000, 'v') + "\r\nZZ=1\r\n"},
        {"EDGE=" + std::string(999, 'e') + "  x\r\n",
         "EDGE=" + std::string(999, 'e') + "\r\nZZ=1\r\n"},
        {std::string(LineData::kReadLimit, '='), std::string(1001, '=') + "\r\nZZ=1\r\n"},
        {atLimit, "SUBSET=true\r\nZZ=1\r\n"},
        {atLimit + "x", "ZZ=1\r\n"},
    };
    for (const auto& [content, rewritten] : cases) {
        WriteFile(path, content);
        {
            initfile options(path);
            EXPECT_TRUE(options.LoadPlain());
            options.SetString("zz", "1");
        }
        EXPECT_EQ(ReadFile(path), rewritten) << content.substr(0, 40);
    }
}

TEST_F(InitfileTest, FileChangesOnlyAtSaveOrDestructionAfterAStore) {
    {
        initfile options(path);
        EXPECT_FALSE(options.LoadPlain());
        EXPECT_TRUE(options.SetBool("Subset", true));
        EXPECT_EQ(folder.Names(), Names{});
    }
    EXPECT_EQ(ReadFile(path), "SUBSET=true\r\n");
    {
        initfile options(path);
        options.LoadPlain();
        options.SetString("  Pad ", " x "); // stored as given, written as stored
        EXPECT_TRUE(options.Save());
        EXPECT_EQ(ReadFile(path), "PAD= x \r\nSUBSET=true\r\n");
        WriteFile(path, "changed behind our back\r\n");
    }
    EXPECT_EQ(ReadFile(path), "PAD= x \r\nSUBSET=true\r\n"); // still changed: rewritten
    {
        initfile options(path); // only read: not rewritten
        options.LoadPlain();
        WriteFile(path, "X=1\r\n");
    }
    EXPECT_EQ(ReadFile(path), "X=1\r\n");
    {
        initfile options(path); // nothing to write: the old file stays
        options.SetString("Only", "");
        std::string value = "x";
        EXPECT_TRUE(options.GetString("only", value));
        EXPECT_EQ(value, "");
    }
    EXPECT_EQ(ReadFile(path), "X=1\r\n");
}

TEST_F(InitfileTest, LoadMergesAndAMissingFileChangesNothing) {
    initfile options(path);
    options.SetString("Keep", "1");
    options.SetString("Replace", "old");
    EXPECT_FALSE(options.Load());
    std::string value;
    EXPECT_TRUE(options.GetString("keep", value));
    WriteFile(path, "REPLACE=new\r\n");
    EXPECT_TRUE(options.Load());
    EXPECT_TRUE(options.GetString("keep", value));
    EXPECT_EQ(value, "1");
    EXPECT_TRUE(options.GetString("replace", value));
    EXPECT_EQ(value, "new");
}

TEST_F(InitfileTest, KeyedFileReadsBackThroughLoad) {
    {
        initfile options(path);
        EXPECT_FALSE(options.SetKey("short"));
        EXPECT_TRUE(options.SetKey("harbex-key-long"));
        options.SetBool("Subset", true);
    }
    EXPECT_EQ(ReadFile(path).substr(0, 40), LineData::kHeader);
    bool value = false;
    initfile keyed(path);
    keyed.SetKey("harbex-kXYZ");
    ASSERT_TRUE(keyed.Load());
    EXPECT_TRUE(keyed.GetBool("subset", value));
    EXPECT_TRUE(value);

    initfile plain(path);
    plain.SetKey("harbex-k");
    plain.LoadPlain(); // drops the key: enciphered bytes are no settings
    EXPECT_FALSE(plain.GetBool("subset", value));
}

TEST_F(InitfileTest, StoresThatWouldCorruptTheFileAreRefused) {
    {
        initfile options(path);
        EXPECT_FALSE(options.SetString("A=B", "1"));
        EXPECT_FALSE(options.SetString("A\r\nB", "1"));
        EXPECT_FALSE(options.SetString("Note", "1\r\nSUBSET=true"));
        std::string value;
        EXPECT_FALSE(options.GetString("Note", value));
    }
    EXPECT_EQ(folder.Names(), Names{}); // nothing stored, nothing written
}

TEST_F(InitfileTest, SaveReportsWhatItCouldNotWrite) {
    initfile options(path);
    options.SetString("A", std::string(LineData::kWriteCapacity, 'a')); // can never fit
    options.SetString("B", "kept");
    EXPECT_FALSE(options.Save());
    EXPECT_EQ(ReadFile(path), "B=kept\r\n");

    initfile nowhere(folder.Path("missing/SNOBOL.ini"));
    nowhere.SetString("A", "1");
    EXPECT_FALSE(nowhere.Save());
}

// Hostile option files are loaded, changed and written back: nothing may
// crash or hang, the change must read back, and no other file may appear.
TEST_F(InitfileTest, HostileFilesAreSurvived) {
    std::mt19937 random(20261209);
    std::string junk(LineData::kReadLimit, '\0');
    for (char& c : junk) {
        c = static_cast<char>(random() & 0xFFu);
    }
    const std::string header(LineData::kHeader);
    const std::pair<std::string, bool> files[] = {
        {junk, false},
        {std::string(LineData::kReadLimit, '='), false},
        {std::string(10000, 'N') + "=" + std::string(10000, 'v') + "\r\n" + std::string(10000, 'z'),
         false},
        {"Do not modify, this file is encrypted!\n" + junk.substr(0, 64), true},
        {header + junk.substr(0, 61), true},
        {junk, true},
    };
    for (const auto& [content, keyed] : files) {
        WriteFile(path, content);
        {
            initfile options(path);
            ASSERT_TRUE(!keyed || options.SetKey("harbexky"));
            EXPECT_TRUE(options.Load());
            options.SetBool("Subset", true);
        }
        EXPECT_EQ(folder.Names(), Names{"SNOBOL.ini"});
        initfile reread(path);
        ASSERT_TRUE(!keyed || reread.SetKey("harbexky"));
        reread.Load();
        bool value = false;
        EXPECT_TRUE(reread.GetBool("SUBSET", value));
        EXPECT_TRUE(value);
    }
}

TEST_F(InitfileTest, AFolderInPlaceOfTheFileGivesNoEntriesAndIsNotWritten) {
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    initfile options(path);
    EXPECT_TRUE(options.LoadPlain());
    options.SetBool("Subset", true);
    EXPECT_FALSE(options.Save());
}

} // namespace
