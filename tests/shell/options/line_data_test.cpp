#include "options/line_data.h"

#include "fileinfo/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::vector<std::string> ReadLines(const std::string& path, const char* key = nullptr) {
    LineData reader(path);
    if (key != nullptr) {
        reader.SetKey(key);
    }
    reader.Open(true);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    return lines;
}

using Lines = std::vector<std::string>;

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
}

TEST_F(LineDataTest, ReadLineNeedsAReader) {
    WriteFile(path, "a\r\n");
    LineData data(path);
    std::string line = "kept";
    EXPECT_FALSE(data.ReadLine(line));
    data.Open(false);
    EXPECT_FALSE(data.ReadLine(line));
    EXPECT_EQ(line, "kept");
    data.Open(true); // reopening closes the empty writer without touching the file
    EXPECT_TRUE(data.ReadLine(line));
    EXPECT_EQ(line, "a");
    EXPECT_EQ(ReadFile(path), "a\r\n");
}

TEST_F(LineDataTest, FilesAboveTheReadLimitAreNotRead) {
    WriteFile(path, std::string(LineData::kReadLimit - 2, 'x') + "\r\n");
    EXPECT_EQ(ReadLines(path).size(), 1u);
    WriteFile(path, std::string(LineData::kReadLimit - 1, 'x') + "\r\n");
    EXPECT_EQ(ReadLines(path), Lines{});
}

TEST_F(LineDataTest, WriterIsByteExactAndDropsLinesThatDoNotFit) {
    {
        LineData writer(path);
        writer.Open(false);
        EXPECT_TRUE(writer.WriteLine("A=1"));
        EXPECT_TRUE(writer.WriteLine(""));
        // 5 + 2 bytes used; this line needs exactly the remaining room.
        EXPECT_TRUE(writer.WriteLine(std::string(LineData::kWriteCapacity - 7 - 2 - 10, 'x')));
        EXPECT_FALSE(writer.WriteLine(std::string(9, 'y'))); // needs 11 of 10
        EXPECT_TRUE(writer.WriteLine(std::string(8, 'z')));  // exactly 10
        EXPECT_FALSE(writer.WriteLine(""));                  // full
        EXPECT_TRUE(writer.Close());
        EXPECT_FALSE(writer.WriteLine("after close"));
    }
    const std::string expected = "A=1\r\n\r\n" + std::string(LineData::kWriteCapacity - 19, 'x') +
                                 "\r\n" + std::string(8, 'z') + "\r\n";
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(expected.size(), LineData::kWriteCapacity);
}

TEST_F(LineDataTest, EmptyWriterNeitherCreatesNorTruncates) {
    LineData writer(path);
    writer.Open(false);
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(folder.Names(), Lines{});
    WriteFile(path, "old\r\n");
    writer.Open(false);
    writer.Close();
    EXPECT_EQ(ReadFile(path), "old\r\n");
}

TEST_F(LineDataTest, DestroyingAnOpenWriterFlushesIt) {
    WriteFile(path, "old content that is longer\r\n");
    {
        LineData writer(path);
        writer.Open(false);
        writer.WriteLine("NEW=1");
    }
    EXPECT_EQ(ReadFile(path), "NEW=1\r\n");
}

TEST_F(LineDataTest, FailedWriteIsReported) {
    LineData writer(folder.Path("no/such/folder/opt.ini"));
    writer.Open(false);
    writer.WriteLine("A=1");
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(folder.Names(), Lines{});
}

TEST_F(LineDataTest, ShortKeysAreRefusedAndOnlyEightCharactersCount) {
    LineData data(path);
    EXPECT_FALSE(data.SetKey(""));
    EXPECT_FALSE(data.SetKey("1234567"));
    EXPECT_FALSE(data.SetKey(std::string("1234\0"
                                         "5678",
                                         9)));
    data.Open(false);
    data.WriteLine("PLAIN=1");
    data.Close();
    EXPECT_EQ(ReadFile(path), "PLAIN=1\r\n");

    EXPECT_TRUE(data.SetKey("12345678-first"));
    data.Open(false);
    data.WriteLine("SECRET=1");
    data.Close();
    EXPECT_EQ(ReadLines(path, "12345678-second")[0], "SECRET=1");
}

TEST_F(LineDataTest, KeyedFileHasHeaderAndWholeBlocks) {
    for (std::size_t length = 0; length <= 17; ++length) {
        LineData writer(path);
        ASSERT_TRUE(writer.SetKey("harbexky"));
        writer.Open(false);
        writer.WriteLine("K=" + std::string(length, 'v'));
        ASSERT_TRUE(writer.Close());

        const std::string content = ReadFile(path);
        ASSERT_GE(content.size(), LineData::kHeader.size() + 8);
        EXPECT_EQ(content.substr(0, LineData::kHeader.size()), LineData::kHeader);
        EXPECT_EQ(LineData::kHeader.size(), 40u);
        EXPECT_EQ((content.size() - 40) % 8, 0u) << length;
        EXPECT_EQ(content.size() - 40, (length + 4 + 7) / 8 * 8) << length;
        EXPECT_EQ(content.find("K="), std::string::npos);

        // The zero fill of the last block reads back as a line without "=".
        const Lines lines = ReadLines(path, "harbexky");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "K=" + std::string(length, 'v'));
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].find_first_not_of('\0'), std::string::npos);
        }
    }
}

TEST_F(LineDataTest, HostileKeyedFilesGiveNoLines) {
    const std::string header(LineData::kHeader);
    const std::vector<std::string> files = {
        "Do not modify, this file is encrypted!\n12345678",    // header without CR
        std::string(LineData::kReadLimit, 'x'),                // no CR at all
        header + "1234567",                                    // body not whole blocks
        header + std::string(LineData::kReadLimit - 41, '\r'), // not whole blocks
    };
    for (const std::string& content : files) {
        WriteFile(path, content);
        EXPECT_EQ(ReadLines(path, "harbexky"), Lines{});
    }
    // Header with a lone CR: the body starts right after the CR.
    WriteFile(path, "x\r12345678");
    EXPECT_FALSE(ReadLines(path, "harbexky").empty());
}

TEST_F(LineDataTest, OnlyRegularFilesAreReadAndFifosDoNotBlock) {
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    EXPECT_EQ(ReadLines(path), Lines{});
    LineData writer(path);
    writer.Open(false);
    writer.WriteLine("A=1");
    EXPECT_FALSE(writer.Close());

    const std::string fifo = folder.Path("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadLines(fifo), Lines{});
    LineData fifoWriter(fifo);
    fifoWriter.Open(false);
    fifoWriter.WriteLine("A=1");
    EXPECT_FALSE(fifoWriter.Close());
}

} // namespace
