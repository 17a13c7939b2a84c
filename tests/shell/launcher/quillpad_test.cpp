// The quillpad script: drops the shell's switches and hands the file to the
// editor named in HARBEX_EDITOR.

#include "launcher/process_execute.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace harbex {
namespace {

class Quillpad : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteRecordingEditor(dir / "editor", record);
        setenv("HARBEX_EDITOR", (dir / "editor").c_str(), 1);
    }
    void TearDown() override { unsetenv("HARBEX_EDITOR"); }

    // Runs quillpad with the arguments, waiting for it (the stand-in editor
    // it becomes is ended when the launcher goes).
    bool Run(const std::string& arguments) {
        ProcessHandle handle = kNoHandle;
        return launcher.Launch(std::string(QUILLPAD_PATH) + " " + arguments, handle, std::nullopt,
                               false, false, kNoWait);
    }

    test::TempDir dir;
    std::string record = dir / "record";
    ProcessExecute launcher;
};

TEST_F(Quillpad, OpensTheListingWithoutTheSwitches) {
    ASSERT_TRUE(Run(" /L  -r /w/prog.lst "));
    ASSERT_TRUE(test::WaitForFile(record, std::chrono::seconds(10)));
    EXPECT_EQ(test::RecordedArguments(record), "/w/prog.lst");
}

TEST_F(Quillpad, JoinsAPathThatWasSplitAtItsBlanks) {
    ASSERT_TRUE(Run(" /S /w/My Files/prog.sno"));
    ASSERT_TRUE(test::WaitForFile(record, std::chrono::seconds(10)));
    EXPECT_EQ(test::RecordedArguments(record), "/w/My Files/prog.sno");
}

TEST_F(Quillpad, RefusesToRunWithoutAFile) {
    ProcessHandle handle = kNoHandle;
    ASSERT_TRUE(launcher.Launch(std::string(QUILLPAD_PATH) + " /L -r", handle, std::nullopt, false,
                                false, kWaitInfinite));
    EXPECT_FALSE(test::Exists(record));
}

} // namespace
} // namespace harbex
