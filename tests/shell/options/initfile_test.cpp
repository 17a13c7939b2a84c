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
    EXPECT_EQ(initfile("/etc/SNOBOL.ini").FileName(), "/etc/SNOBOL.ini");
    EXPECT_EQ(initfile("a.INI").FileName(), "a.INI");
    EXPECT_EQ(initfile("a.iNi").FileName(), "a.iNi");
    EXPECT_EQ(initfile(".ini").FileName(), ".ini");
    EXPECT_EQ(initfile("a.txt").FileName(), "a.txt.INI");
    EXPECT_EQ(initfile("a.ini.bak").FileName(), "a.ini.bak.INI");
    EXPECT_EQ(initfile("a_ini").FileName(), "a_ini.INI");
    EXPECT_EQ(initfile("settings").FileName(), "settings.INI");
    EXPECT_EQ(initfile("ini").FileName(), "ini.INI");
    EXPECT_EQ(initfile("").FileName(), ".INI");
    EXPECT_EQ(initfile(static_cast<const char*>(nullptr)).FileName(), ".INI");
}

TEST_F(InitfileTest, BooleansIgnoreCaseAndBlanksButNothingElse) {
    WriteFile(path, "  subset  =  TRUE  \r\nOther=yes\r\nThird= False\r\nEmpty=\r\nDigit=1\r\n");
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
    EXPECT_TRUE(options.GetString("other", text));
    EXPECT_EQ(text, "yes");
}

TEST_F(InitfileTest, StoringWritesOnlyAtSaveOrDestruction) {
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
        options.SetBool("subset", false);
        EXPECT_TRUE(options.Save());
        EXPECT_EQ(ReadFile(path), "SUBSET=false\r\n");
        WriteFile(path, "changed behind our back\r\n");
    }
    EXPECT_EQ(ReadFile(path), "SUBSET=false\r\n"); // still dirty: rewritten again
    {
        initfile options(path); // loaded and read only: not rewritten
        options.LoadPlain();
        WriteFile(path, "X=1\r\n");
    }
    EXPECT_EQ(ReadFile(path), "X=1\r\n");
}

TEST_F(InitfileTest, LastLineWinsAndNamesAreWrittenOnceInUpperCase) {
    WriteFile(path, "Subset=false\r\nsubSET = true\r\n");
    {
        initfile options(path);
        options.LoadPlain();
        bool value = false;
        EXPECT_TRUE(options.GetBool("SUBSET", value));
        EXPECT_TRUE(value);
        options.SetString("x", "1");
    }
    EXPECT_EQ(ReadFile(path), "SUBSET=true\r\nX=1\r\n");
}

TEST_F(InitfileTest, EntriesAreWrittenInUnsignedByteOrder) {
    {
        initfile options(path);
        for (const char* name :
             {"\xC3\xA9t\xC3\xA9", "_under", "beta", "AB", "a", "9lives", "1st"}) {
            options.SetString(name, "v");
        }
    }
    EXPECT_EQ(ReadFile(path), "1ST=v\r\n9LIVES=v\r\nA=v\r\nAB=v\r\nBETA=v\r\n_UNDER=v\r\n"
                              "\xC3\xA9T\xC3\xA9=v\r\n");
}

TEST_F(InitfileTest, EmptyValuesStayInMemoryButAreNotWritten) {
    WriteFile(path, "OLD=1\r\n");
    {
        initfile options(path);
        options.SetString("Only", "");
        std::string value = "x";
        EXPECT_TRUE(options.GetString("only", value));
        EXPECT_EQ(value, "");
    }
    EXPECT_EQ(ReadFile(path), "OLD=1\r\n"); // nothing to write: file kept
    {
        initfile options(path);
        options.LoadPlain();
        options.SetString("Old", "");
        options.SetString("New", "2");
    }
    EXPECT_EQ(ReadFile(path), "NEW=2\r\n");
}

TEST_F(InitfileTest, MalformedLinesAreIgnoredAndDropped) {
    WriteFile(path, "[Section]\r\n\r\n   \r\njust words\r\n=orphan \r\nA = 1 = 2\r\n");
    {
        initfile options(path);
        options.LoadPlain();
        std::string value;
        EXPECT_TRUE(options.GetString("", value));
        EXPECT_EQ(value, "orphan");
        EXPECT_TRUE(options.GetString("a", value));
        EXPECT_EQ(value, "1 = 2");
        EXPECT_FALSE(options.GetString("[Section]", value));
        options.SetBool("Subset", true);
    }
    EXPECT_EQ(ReadFile(path), "=orphan\r\nA=1 = 2\r\nSUBSET=true\r\n");
}

TEST_F(InitfileTest, TrimmingDropsControlCodesButKeepsHighBytes) {
    WriteFile(path, std::string("\x01\tname\x1F=\x02 caf\xE9\xA0 \x7F\t\r\n", 20));
    initfile options(path);
    options.LoadPlain();
    std::string value;
    ASSERT_TRUE(options.GetString("NAME", value));
    EXPECT_EQ(value, "caf\xE9\xA0 \x7F");
}

TEST_F(InitfileTest, StoredValuesKeepTheirBlanksUntilReadBack) {
    {
        initfile options(path);
        options.SetString("  Pad ", " x ");
        std::string value;
        options.GetString("PAD", value);
        EXPECT_EQ(value, " x ");
    }
    EXPECT_EQ(ReadFile(path), "PAD= x \r\n");
}

TEST_F(InitfileTest, ReadValuesAreCutThenTrimmed) {
    const std::string longValue(initfile::kMaxValueLength + 500, 'v');
    WriteFile(path, "LONG=" + longValue + "\r\nEDGE=" + std::string(999, 'e') + "  x\r\n");
    initfile options(path);
    options.LoadPlain();
    std::string value;
    ASSERT_TRUE(options.GetString("long", value));
    EXPECT_EQ(value, longValue.substr(0, initfile::kMaxValueLength));
    ASSERT_TRUE(options.GetString("edge", value));
    EXPECT_EQ(value, std::string(999, 'e'));
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

TEST_F(InitfileTest, FilesOverTheReadLimitGiveNoEntries) {
    std::string content = "SUBSET=true\r\n";
    content += std::string(LineData::kReadLimit - content.size(), 'x');
    WriteFile(path, content);
    initfile atLimit(path);
    atLimit.LoadPlain();
    bool value = false;
    EXPECT_TRUE(atLimit.GetBool("subset", value));

    WriteFile(path, content + "x");
    initfile overLimit(path);
    EXPECT_TRUE(overLimit.LoadPlain());
    EXPECT_FALSE(overLimit.GetBool("subset", value));
}

TEST_F(InitfileTest, KeyedFilesRoundTripAndShortKeysGivePlainForm) {
    {
        initfile options(path);
        EXPECT_FALSE(options.SetKey("short"));
        EXPECT_TRUE(options.SetKey("harbex-key-long"));
        options.SetBool("Subset", true);
    }
    const std::string content = ReadFile(path);
    EXPECT_EQ(content.substr(0, 40), LineData::kHeader);
    EXPECT_EQ((content.size() - 40) % 8, 0u);
    EXPECT_EQ(content.find("SUBSET"), std::string::npos);

    initfile keyed(path);
    keyed.SetKey("harbex-kXYZ");
    ASSERT_TRUE(keyed.Load());
    bool value = false;
    EXPECT_TRUE(keyed.GetBool("subset", value));
    EXPECT_TRUE(value);

    initfile plain(path);
    plain.SetKey("harbex-k");
    plain.LoadPlain(); // drops the key: enciphered bytes are not settings
    EXPECT_FALSE(plain.GetBool("subset", value));
}

// Stores that could not be read back as they were stored are refused.
TEST_F(InitfileTest, StoresThatWouldCorruptTheFileAreRefused) {
    {
        initfile options(path);
        EXPECT_FALSE(options.SetString("A=B", "1"));
        EXPECT_FALSE(options.SetString("A\r\nB", "1"));
        EXPECT_FALSE(options.SetString("Note", "1\r\nSUBSET=true"));
        EXPECT_TRUE(options.SetString("Lone", "a\rb\nc"));
        std::string value;
        EXPECT_FALSE(options.GetString("Note", value));
    }
    EXPECT_EQ(ReadFile(path), "LONE=a\rb\nc\r\n");
    initfile back(path);
    back.LoadPlain();
    std::string value;
    ASSERT_TRUE(back.GetString("lone", value));
    EXPECT_EQ(value, "a\rb\nc");
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
    EXPECT_FALSE(nowhere.Load());
}

// Hostile option files: each is loaded, changed and written back; nothing
// may crash or hang, and nothing but the option file may appear.
TEST_F(InitfileTest, HostileFilesAreSurvived) {
    std::mt19937 random(20261209);
    std::string junk(LineData::kReadLimit, '\0');
    for (char& c : junk) {
        c = static_cast<char>(random() & 0xFFu);
    }
    const std::string header(LineData::kHeader);
    const std::vector<std::pair<std::string, bool>> files = {
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
            if (keyed) {
                ASSERT_TRUE(options.SetKey("harbexky"));
            }
            EXPECT_TRUE(options.Load());
            std::string value;
            options.GetString("", value);
            options.SetBool("Subset", true);
        }
        EXPECT_EQ(folder.Names(), Names{"SNOBOL.ini"});
        initfile reread(path);
        if (keyed) {
            reread.SetKey("harbexky");
        }
        reread.Load();
        bool value = false;
        EXPECT_TRUE(reread.GetBool("SUBSET", value));
        EXPECT_TRUE(value);
    }
}

TEST_F(InitfileTest, EqualsSignFileKeepsOneCutEntry) {
    WriteFile(path, std::string(LineData::kReadLimit, '='));
    initfile options(path);
    options.LoadPlain();
    std::string value;
    ASSERT_TRUE(options.GetString("", value));
    EXPECT_EQ(value, std::string(initfile::kMaxValueLength, '='));
}

TEST_F(InitfileTest, AFolderInPlaceOfTheFileGivesNoEntries) {
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    initfile options(path);
    EXPECT_TRUE(options.LoadPlain());
    options.SetBool("Subset", true);
    EXPECT_FALSE(options.Save());
}

} // namespace
