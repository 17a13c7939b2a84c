// Child processes: the handle list, starting, waiting, standard handles and
// ending what was started (and nothing else).

#include "launcher/process_execute.h"
#include "launcher/text_files.h"
#include "test_support.h"

#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace harbex {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

std::vector<HandleList::Handle> Contents(const HandleList& list) {
    return std::vector<HandleList::Handle>(list.begin(), list.end());
}

bool Alive(int pid) {
    return kill(pid, 0) == 0;
}

TEST(HandleList, StaysAscendingWithoutDuplicates) {
    HandleList list;
    EXPECT_FALSE(list.First().has_value());
    for (HandleList::Handle h : {7u, 3u, 0x80000000u, 5u, 3u, 1u, 0x80000000u})
        list.Insert(h);
    EXPECT_EQ(Contents(list), (std::vector<HandleList::Handle>{1, 3, 5, 7, 0x80000000u}));
    EXPECT_EQ(list.First(), 1u);
    list.Remove(1);
    list.Remove(5);
    list.Remove(42);
    EXPECT_EQ(Contents(list), (std::vector<HandleList::Handle>{3, 7, 0x80000000u}));
    list.Remove(3);
    list.Remove(7);
    list.Remove(0x80000000u);
    EXPECT_TRUE(list.Empty());
}

TEST(CommandLine, SplitsAtRunsOfBlanksWithoutQuoteProcessing) {
    EXPECT_EQ(SplitCommandLine("  a  bb   c "), (std::vector<std::string>{"a", "bb", "c"}));
    EXPECT_EQ(SplitCommandLine("ed  /L  -r /w/p.lst "),
              (std::vector<std::string>{"ed", "/L", "-r", "/w/p.lst"}));
    EXPECT_EQ(SplitCommandLine("x \"My Files\""),
              (std::vector<std::string>{"x", "\"My", "Files\""}));
    EXPECT_TRUE(SplitCommandLine("   ").empty());
}

class Launching : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(Launching, WaitsForTheChildAndRemembersIt) {
    const std::string script = dir / "slow";
    test::WriteScript(script, "sleep 0.3\necho done > \"$1\"\n");
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    ASSERT_TRUE(launcher.Launch(script + " " + (dir / "mark"), handle, std::nullopt, false, false,
                                kWaitInfinite));
    EXPECT_EQ(test::ReadFile(dir / "mark"), "done\n");
    EXPECT_GE(handle, 0);
    EXPECT_EQ(launcher.Handles().First(), static_cast<HandleList::Handle>(handle));
}

TEST_F(Launching, AMissingProgramStoresNothing) {
    ProcessExecute launcher;
    ProcessHandle handle = 12345;
    EXPECT_FALSE(
        launcher.Launch(dir / "absent arg", handle, std::nullopt, false, false, kWaitInfinite));
    EXPECT_FALSE(launcher.Launch("harbex-no-such-program-anywhere", handle, std::nullopt, false,
                                 false, kNoWait));
    EXPECT_FALSE(launcher.Launch("   ", handle, std::nullopt, false, false, kNoWait));
    EXPECT_EQ(handle, 12345);
    EXPECT_TRUE(launcher.Handles().Empty());
}

TEST_F(Launching, AFileThatIsNotAProgramDoesNotStart) {
    test::WriteFile(dir / "prog.sno", "END\n");
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    EXPECT_FALSE(launcher.Launch(dir / "prog.sno", handle, std::nullopt, false, false, kNoWait));
}

TEST_F(Launching, ProgramsWithoutSlashAreSearchedOnPath) {
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    EXPECT_TRUE(launcher.Launch("true", handle, std::nullopt, false, false, kWaitInfinite));
}

TEST_F(Launching, StandardHandlesAreTheGivenFilesOrDevNull) {
    const std::string script = dir / "fds";
    // The shell's own descriptors, read while none of them is redirected.
    test::WriteScript(script, "echo out; echo err >&2\n"
                              "a=$(readlink /proc/$$/fd/0); b=$(readlink /proc/$$/fd/1)\n"
                              "c=$(readlink /proc/$$/fd/2); printf '%s\\n' $a $b $c > \"$1\"\n");
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    ASSERT_TRUE(launcher.Launch(script + " " + (dir / "bare"), handle, std::nullopt, false, false,
                                kWaitInfinite));
    EXPECT_EQ(test::ReadFile(dir / "bare"), "/dev/null\n/dev/null\n/dev/null\n");

    UniqueFd output = CreateEmptyFile(dir / "p.out");
    UniqueFd errors = CreateEmptyFile(dir / "p.err");
    ASSERT_TRUE(output.Valid() && errors.Valid());
    ASSERT_TRUE(launcher.Launch(script + " " + (dir / "given"), handle, std::nullopt, false, false,
                                kWaitInfinite, output.Get(), errors.Get()));
    EXPECT_EQ(test::ReadFile(dir / "p.out"), "out\n");
    EXPECT_EQ(test::ReadFile(dir / "p.err"), "err\n");
}

TEST_F(Launching, RunsInTheGivenFolder) {
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    test::WriteScript(dir / "where", "pwd > here\n");
    ASSERT_TRUE(launcher.Launch(dir / "where", handle, dir.Path(), false, false, kWaitInfinite));
    EXPECT_EQ(test::ReadFile(dir / "here"), dir.Path() + "\n");
}

TEST_F(Launching, ALimitedWaitReturnsWhileTheChildRuns) {
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(launcher.Launch("sleep 30", handle, std::nullopt, false, false, 100));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 90ms);
    EXPECT_LT(waited, 10s);
}

TEST_F(Launching, DestructionEndsRunningChildrenAndNothingElse) {
    const std::string record = dir / "record";
    test::WriteRecordingEditor(dir / "editor", record);

    // A process of the test's own, not started through the launcher.
    pid_t bystander = 0;
    char sleepName[] = "sleep";
    char seconds[] = "30";
    char* argv[] = {sleepName, seconds, nullptr};
    ASSERT_EQ(posix_spawnp(&bystander, "sleep", nullptr, nullptr, argv, environ), 0);

    int editorPid = 0;
    {
        ProcessExecute launcher;
        ProcessHandle handle = kNoHandle;
        ASSERT_TRUE(launcher.Launch("true", handle, std::nullopt, false, false, kWaitInfinite));
        ASSERT_TRUE(launcher.Launch(dir / "editor", handle, std::nullopt, false, false, kNoWait));
        ASSERT_TRUE(test::WaitForFile(record, 10s));
        editorPid = test::RecordedPid(record);
        ASSERT_GT(editorPid, 0);
        EXPECT_TRUE(Alive(editorPid));
        EXPECT_EQ(std::distance(launcher.Handles().begin(), launcher.Handles().end()), 2);
    }
    EXPECT_FALSE(Alive(editorPid));
    EXPECT_TRUE(Alive(bystander));
    kill(bystander, SIGKILL);
    waitpid(bystander, nullptr, 0);
}

TEST_F(Launching, ChildrenThatEndedOnTheirOwnAreLeftAlone) {
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    ASSERT_TRUE(launcher.Launch("true", handle, std::nullopt, false, false, kNoWait));
    std::this_thread::sleep_for(200ms);
    // A later start reaps it; its handle stays remembered until the end.
    ASSERT_TRUE(launcher.Launch("true", handle, std::nullopt, false, false, kWaitInfinite));
    EXPECT_EQ(std::distance(launcher.Handles().begin(), launcher.Handles().end()), 2);
}

} // namespace
} // namespace harbex
