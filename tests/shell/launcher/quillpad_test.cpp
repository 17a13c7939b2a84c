// The quillpad program as harbex starts it, with HARBEX_EDITOR set: the
// switches are dropped and the file, its split path joined again, goes to
// that program (which may carry arguments of its own). No display needed.

#include "launcher/process_execute.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace harbex {
namespace {

class Quillpad : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteRecordingEditor(dir / "editor", record);
        setenv("HARBEX_EDITOR", (dir / "editor --wait").c_str(), 1);
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

TEST_F(Quillpad, HandsTheListingToTheUsersEditorWithoutTheSwitches) {
    ASSERT_TRUE(Run(" /L  -r /w/prog.lst "));
    ASSERT_TRUE(test::WaitForFile(record, std::chrono::seconds(10)));
    EXPECT_EQ(test::RecordedArguments(record), "--wait|/w/prog.lst");
}

TEST_F(Quillpad, JoinsAPathThatWasSplitAtItsBlanks) {
    ASSERT_TRUE(Run(" /S /w/My Files/prog.sno"));
    ASSERT_TRUE(test::WaitForFile(record, std::chrono::seconds(10)));
    EXPECT_EQ(test::RecordedArguments(record), "--wait|/w/My Files/prog.sno");
}

TEST_F(Quillpad, RefusesToRunWithoutAFile) {
    const std::string command = std::string(QUILLPAD_PATH) + " /L -r 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_FALSE(test::Exists(record));
}

} // namespace
} // namespace harbex
