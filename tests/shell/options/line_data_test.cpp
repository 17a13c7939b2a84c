#include "options/line_data.h"

#include "fileinfo/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines ReadLines(const std::string& path, const char* key = nullptr) {
    LineData reader(path);
    if (key != nullptr) {
        reader.SetKey(key);
    }
    reader.Open(true);
    Lines lines;
    std::string line;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    return lines;
}

// Writes `lines` through a LineData and reports what Close said.
bool WriteLines(const std::string& path, const Lines& lines, const char* key = nullptr) {
    LineData writer(path);
    if (key != nullptr) {
        writer.SetKey(key);
    }
    writer.Open(false);
    for (const std::string& line : lines) {
        writer.WriteLine(line);
    }
    return writer.Close();
}

class LineDataTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.Valid()); }
    TempFolder folder;
    const std::string path = folder.Path("opt.ini");
};

TEST_F(LineDataTest, ReadingSplitsOnlyAtCrLf) {
    WriteFile(path, "a\r\nlone\rcr\r\nlone\nlf\r\n\r\nlast");
    EXPECT_EQ(ReadLines(path), (Lines{"a", "lone\rcr", "lone\nlf", "", "last"}));
    WriteFile(path, "one\r\n");
    EXPECT_EQ(ReadLines(path), (Lines{"one"}));
    WriteFile(path, "");
    EXPECT_EQ(ReadLines(path), Lines{});
    EXPECT_EQ(ReadLines(folder.Path("missing.ini")), Lines{});

    LineData writer(path);
    writer.Open(false);
    std::string line = "kept";
    EXPECT_FALSE(writer.ReadLine(line));
    EXPECT_EQ(line, "kept");
}

TEST_F(LineDataTest, FilesAboveTheReadLimitAreNotRead) {
    WriteFile(path, std::string(LineData::kReadLimit - 2, 'x') + "\r\n");
    EXPECT_EQ(ReadLines(path).size(), 1u);
    WriteFile(path, std::string(LineData::kReadLimit - 1, 'x') + "\r\n");
    EXPECT_EQ(ReadLines(path), Lines{});
}

TEST_F(LineDataTest, WriterIsByteExactAndDropsLinesThatDoNotFit) {
    LineData writer(path);
    writer.Open(false);
    EXPECT_TRUE(writer.WriteLine("A=1"));
    EXPECT_TRUE(writer.WriteLine(""));
    // 7 bytes used; leave exactly 10 free.
    const std::string filler(LineData::kWriteCapacity - 7 - 2 - 10, 'x');
    EXPECT_TRUE(writer.WriteLine(filler));
    EXPECT_FALSE(writer.WriteLine(std::string(9, 'y'))); // needs 11
    EXPECT_TRUE(writer.WriteLine(std::string(8, 'z')));  // needs exactly 10
    EXPECT_FALSE(writer.WriteLine(""));
    EXPECT_TRUE(writer.Close());
    EXPECT_FALSE(writer.WriteLine("after close"));
    EXPECT_EQ(ReadFile(path), "A=1\r\n\r\n" + filler + "\r\nzzzzzzzz\r\n");
}

TEST_F(LineDataTest, FlushWritesOnlyWhenThereIsSomethingToWrite) {
    EXPECT_TRUE(WriteLines(path, {}));
    EXPECT_EQ(folder.Names(), Lines{}); // not created
    WriteFile(path, "old content that is longer\r\n");
    EXPECT_TRUE(WriteLines(path, {}));
    EXPECT_EQ(ReadFile(path), "old content that is longer\r\n"); // not truncated
    {
        LineData writer(path);
        writer.Open(false);
        writer.WriteLine("NEW=1");
    } // destroyed while open: flushed
    EXPECT_EQ(ReadFile(path), "NEW=1\r\n");

    EXPECT_FALSE(WriteLines(folder.Path("no/such/opt.ini"), {"A=1"}));
    EXPECT_EQ(folder.Names(), Lines{"opt.ini"});
}

TEST_F(LineDataTest, ShortKeysAreRefusedAndOnlyEightCharactersCount) {
    LineData data(path);
    EXPECT_FALSE(data.SetKey(""));
    EXPECT_FALSE(data.SetKey("1234567"));
    EXPECT_FALSE(data.SetKey(std::string("1234\0"
                                         "5678",
                                         9)));
    EXPECT_TRUE(WriteLines(path, {"PLAIN=1"}, "1234567"));
    EXPECT_EQ(ReadFile(path), "PLAIN=1\r\n");

    EXPECT_TRUE(WriteLines(path, {"SECRET=1"}, "12345678-first"));
    EXPECT_EQ(ReadLines(path, "12345678-second").at(0), "SECRET=1");
}

TEST_F(LineDataTest, KeyedFileIsHeaderPlusWholeBlocks) {
    for (std::size_t length = 0; length <= 17; ++length) {
        const std::string line = "K=" + std::string(length, 'v');
        ASSERT_TRUE(WriteLines(path, {line}, "harbexky"));
        const std::string content = ReadFile(path);
        EXPECT_EQ(content.substr(0, 40), LineData::kHeader);
        EXPECT_EQ(content.size(), 40 + (line.size() + 2 + 7) / 8 * 8) << length;
        EXPECT_EQ(content.find("K="), std::string::npos);

        // The zero fill of the last block reads back as a line without "=".
        const Lines lines = ReadLines(path, "harbexky");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], line);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].find_first_not_of('\0'), std::string::npos);
        }
    }
}

TEST_F(LineDataTest, HostileKeyedFilesGiveNoLines) {
    const std::string header(LineData::kHeader);
    const Lines files = {
        "Do not modify, this file is encrypted!\n12345678", // header without CR
        std::string(LineData::kReadLimit, 'x'),             // no CR at all
        header + "1234567",                                 // body not whole blocks
        header + std::string(LineData::kReadLimit - 41, '\r'),
    };
    for (const std::string& content : files) {
        WriteFile(path, content);
        EXPECT_EQ(ReadLines(path, "harbexky"), Lines{});
    }
    WriteFile(path, "x\r12345678"); // lone CR ends the header
    EXPECT_FALSE(ReadLines(path, "harbexky").empty());
}

// A folder or FIFO under the file's name is neither read nor written, and a
// FIFO without a partner must not block. A NUL byte must not shorten the path.
TEST_F(LineDataTest, OnlyRegularFilesAreUsed) {
    const std::string cut = folder.Path("cut");
    WriteFile(cut, "A=1\r\n");
    EXPECT_EQ(ReadLines(cut + std::string("\0.ini", 5)), Lines{});
    EXPECT_FALSE(WriteLines(cut + std::string("\0.ini", 5), {"B=2"}));
    EXPECT_EQ(ReadFile(cut), "A=1\r\n");

    const std::string fifo = folder.Path("fifo.ini");
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& name : {path, fifo}) {
        EXPECT_EQ(ReadLines(name), Lines{});
        EXPECT_FALSE(WriteLines(name, {"A=1"}));
    }
}

// Lets files grow to `bytes` at most for as long as it lives; a write past
// that fails (with EFBIG) as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(LineDataTest, AFailedWriteLeavesTheOldFileWhole) {
    WriteFile(path, "SUBSET=true\r\n");
    bool written = true;
    {
        FileSizeLimit full(20);
        written = WriteLines(path, {"SUBSET=false", std::string(60, 'x') + "=1"});
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(path), "SUBSET=true\r\n");
    EXPECT_EQ(folder.Names(), Lines{"opt.ini"});
}

struct stat StatOf(const std::string& path) {
    struct stat attributes {};
    ::lstat(path.c_str(), &attributes);
    return attributes;
}

TEST_F(LineDataTest, TheFileIsReplacedWholeKeepingItsMode) {
    WriteFile(path, "OLD=1\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const ino_t before = StatOf(path).st_ino;
    ASSERT_TRUE(WriteLines(path, {"NEW=1"}));
    EXPECT_EQ(ReadFile(path), "NEW=1\r\n");
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_NE(StatOf(path).st_ino, before); // renamed into place, not rewritten
    EXPECT_EQ(folder.Names(), Lines{"opt.ini"});

    // An option file kept elsewhere through a link: the link stays, its
    // target gets the new content.
    const std::string kept = folder.Path("kept.ini");
    const std::string linked = folder.Path("linked.ini");
    WriteFile(kept, "OLD=1\r\n");
    ASSERT_EQ(::symlink(kept.c_str(), linked.c_str()), 0);
    ASSERT_TRUE(WriteLines(linked, {"NEW=2"}));
    EXPECT_TRUE(S_ISLNK(StatOf(linked).st_mode));
    EXPECT_EQ(ReadFile(kept), "NEW=2\r\n");
    // A link to nothing is not followed into a new file.
    const std::string dangling = folder.Path("dangling.ini");
    ASSERT_EQ(::symlink(folder.Path("nothing").c_str(), dangling.c_str()), 0);
    EXPECT_FALSE(WriteLines(dangling, {"A=1"}));
    EXPECT_EQ(folder.Names(), (Lines{"dangling.ini", "kept.ini", "linked.ini", "opt.ini"}));
}

// Root passes every permission check: the folder's case runs this test
// again as the user nobody, which the folder is closed to.
constexpr char kClosedFolderVariable[] = "HARBEX_CLOSED_FOLDER";
constexpr uid_t kNobody = 65534;

void WriteInClosedFolder(const std::string& closed) {
    const std::string own = closed + "/opt.ini";
    const std::string others = closed + "/theirs.ini";
    EXPECT_TRUE(WriteLines(own, {"SUBSET=true"}));
    EXPECT_EQ(ReadFile(own), "SUBSET=true\r\n");
    EXPECT_FALSE(WriteLines(others, {"SUBSET=true"}));
    EXPECT_EQ(ReadFile(others), "OLD=1\r\n");
    EXPECT_FALSE(WriteLines(closed + "/new.ini", {"A=1"}));
}

TEST(LineDataClosedFolder, TheUsersFileIsRewrittenInPlace) {
    if (const char* closed = std::getenv(kClosedFolderVariable)) {
        WriteInClosedFolder(closed);
        return;
    }
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string closed = folder.Path("closed");
    ASSERT_EQ(::mkdir(closed.c_str(), 0755), 0);
    WriteFile(closed + "/opt.ini", "SUBSET=false\r\nOTHER=longer than the new content\r\n");
    WriteFile(closed + "/theirs.ini", "OLD=1\r\n");
    ::chmod((closed + "/theirs.ini").c_str(), 0644);
    if (::geteuid() != 0) {
        ::chmod(closed.c_str(), 0555);
        WriteInClosedFolder(closed);
        ::chmod(closed.c_str(), 0755);
        return;
    }
    if (::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is not installed";
    ASSERT_EQ(::chmod(folder.Dir().c_str(), 0755), 0);
    ASSERT_EQ(::chown((closed + "/opt.ini").c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(closed.c_str(), 0555), 0);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = std::string(kClosedFolderVariable) + "='" + closed +
                                "' /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " +
                                self + " --gtest_filter=LineDataClosedFolder.* >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ::chmod(closed.c_str(), 0755);
    EXPECT_EQ(status, 0) << "the run as nobody failed";
    EXPECT_EQ(ReadFile(closed + "/opt.ini"), "SUBSET=true\r\n");
    EXPECT_EQ(ReadFile(closed + "/theirs.ini"), "OLD=1\r\n");
}

} // namespace
