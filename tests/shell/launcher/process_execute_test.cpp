// Child processes: the handle list, starting, waiting, standard handles and
// ending what was started (and nothing else).

#include "launcher/process_execute.h"
#include "launcher/text_files.h"
#include "test_support.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <pthread.h>
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

TEST_F(Launching, WaitsForTheChildThroughTheWaiterAndForgetsIt) {
    const std::string script = dir / "slow";
    test::WriteScript(script, "sleep 0.3\necho done > \"$1\"\n");
    ProcessExecute launcher;
    ProcessHandle handle = 12345;
    ASSERT_TRUE(launcher.Launch(script + " " + (dir / "mark"), handle, std::nullopt, false, false,
                                kWaitInfinite));
    EXPECT_EQ(test::ReadFile(dir / "mark"), "done\n");
    // Reaped, its handle closed: nothing is left of it.
    EXPECT_EQ(handle, kNoHandle);
    EXPECT_TRUE(launcher.Handles().Empty());

    // A waiter of the owner's own does the waiting; the child is reaped after.
    int waited = 0;
    launcher.SetWaiter([&waited](ProcessHandle child) {
        ++waited;
        while (!HasEnded(child))
            std::this_thread::sleep_for(10ms);
    });
    ASSERT_TRUE(launcher.Launch(script + " " + (dir / "again"), handle, std::nullopt, false, false,
                                kWaitInfinite));
    EXPECT_EQ(waited, 1);
    EXPECT_EQ(test::ReadFile(dir / "again"), "done\n");
    EXPECT_EQ(test::ChildProcesses(), 0);
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

// A child that writes "ready" once it has set its answer to SIGTERM: a
// record of the request (polite), or none at all (stubborn).
void WriteTermChild(const std::string& path, const std::string& record, bool polite) {
    const std::string trap = polite ? "trap 'echo TERM > \"" + record + "\"; exit 0' TERM\n"
                                    : std::string("trap '' TERM\n");
    // The pid goes in whole: written aside, then renamed into place.
    test::WriteScript(path, trap + "echo $$ > \"" + record + ".tmp\"\nmv \"" + record +
                                ".tmp\" \"" + record + ".ready\"\nwhile :; do sleep 0.05; done\n");
}

TEST_F(Launching, DestructionAsksChildrenToEndThenKillsTheRestAndNothingElse) {
    // A process of the test's own, not started through the launcher.
    pid_t bystander = 0;
    char sleepName[] = "sleep";
    char seconds[] = "30";
    char* argv[] = {sleepName, seconds, nullptr};
    ASSERT_EQ(posix_spawnp(&bystander, "sleep", nullptr, nullptr, argv, environ), 0);

    WriteTermChild(dir / "polite", dir / "polite.rec", true);
    WriteTermChild(dir / "stubborn", dir / "stubborn.rec", false);
    std::optional<ProcessExecute> launcher;
    launcher.emplace();
    ProcessHandle handle = kNoHandle;
    ASSERT_TRUE(launcher->Launch("true", handle, std::nullopt, false, false, kWaitInfinite));
    ASSERT_TRUE(launcher->Launch(dir / "polite", handle, std::nullopt, false, false, kNoWait));
    ASSERT_TRUE(launcher->Launch(dir / "stubborn", handle, std::nullopt, false, false, kNoWait));
    ASSERT_TRUE(test::WaitForFile(dir / "polite.rec.ready", 10s));
    ASSERT_TRUE(test::WaitForFile(dir / "stubborn.rec.ready", 10s));
    const int politePid = std::stoi(test::ReadFile(dir / "polite.rec.ready"));
    const int stubbornPid = std::stoi(test::ReadFile(dir / "stubborn.rec.ready"));
    EXPECT_EQ(std::distance(launcher->Handles().begin(), launcher->Handles().end()), 2);
    const auto start = std::chrono::steady_clock::now();
    launcher.reset();
    const auto ending = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(test::ReadFile(dir / "polite.rec"), "TERM\n");
    EXPECT_FALSE(Alive(politePid));
    EXPECT_FALSE(Alive(stubbornPid));
    // The stubborn one had its two seconds, and not much more.
    EXPECT_GE(ending, 1900ms);
    EXPECT_LT(ending, 5s);
    EXPECT_TRUE(Alive(bystander));
    kill(bystander, SIGKILL);
    waitpid(bystander, nullptr, 0);
    EXPECT_EQ(test::ChildProcesses(), 0);
}

TEST_F(Launching, APoliteEndTakesOnlyAsLongAsTheChildren) {
    WriteTermChild(dir / "polite", dir / "polite.rec", true);
    const auto start = std::chrono::steady_clock::now();
    {
        ProcessExecute launcher;
        ProcessHandle handle = kNoHandle;
        ASSERT_TRUE(launcher.Launch(dir / "polite", handle, std::nullopt, false, false, kNoWait));
        ASSERT_TRUE(test::WaitForFile(dir / "polite.rec.ready", 10s));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_EQ(test::ReadFile(dir / "polite.rec"), "TERM\n");
}

TEST_F(Launching, EndedChildrenAreReapedAndTheirHandlesClosed) {
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    std::vector<ProcessHandle> started, forgotten;
    launcher.SetChildNotices([&started](ProcessHandle child) { started.push_back(child); },
                             [&forgotten](ProcessHandle child) { forgotten.push_back(child); });
    const int descriptors = test::OpenDescriptors();
    ASSERT_TRUE(launcher.Launch("true", handle, std::nullopt, false, false, kNoWait));
    ASSERT_EQ(started, std::vector<ProcessHandle>{handle});
    EXPECT_FALSE(launcher.ReapIfEnded(handle + 1000));
    while (!HasEnded(handle))
        std::this_thread::sleep_for(10ms);
    // The owner noticed its end: reaped and forgotten, the owner told first.
    EXPECT_TRUE(launcher.ReapIfEnded(handle));
    EXPECT_EQ(forgotten, started);
    EXPECT_TRUE(launcher.Handles().Empty());
    EXPECT_EQ(test::ChildProcesses(), 0);

    // Unnoticed ends are swept up by the next launch.
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(launcher.Launch("true", handle, std::nullopt, false, false,
                                    i % 2 ? kNoWait : kWaitInfinite));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(launcher.Launch("true", handle, std::nullopt, false, false, kWaitInfinite));
    EXPECT_TRUE(launcher.Handles().Empty());
    EXPECT_EQ(test::OpenDescriptors(), descriptors);
    EXPECT_EQ(test::ChildProcesses(), 0);
    EXPECT_EQ(started.size(), forgotten.size());
}

TEST_F(Launching, ChildrenStartWithNoSignalBlockedOrIgnored) {
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    ASSERT_EQ(sigprocmask(SIG_BLOCK, &blocked, &previous), 0);
    struct sigaction ignore {};
    struct sigaction before {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGUSR2, &ignore, &before), 0);

    UniqueFd output = CreateEmptyFile(dir / "status");
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    const bool launched = launcher.Launch("grep -E ^Sig(Blk|Ign): /proc/self/status", handle,
                                          std::nullopt, false, false, kWaitInfinite, output.Get());
    sigaction(SIGUSR2, &before, nullptr);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(launched);
    // Masks of signals 1 to 64 in hex; the C library keeps its own two
    // internal signals (32 and 33) ignored in children, which no program uses.
    std::istringstream status(test::ReadFile(dir / "status"));
    std::string blockedLabel, ignoredLabel;
    unsigned long long blockedMask = 1, ignoredMask = 1;
    status >> blockedLabel >> std::hex >> blockedMask >> ignoredLabel >> ignoredMask;
    EXPECT_EQ(blockedLabel, "SigBlk:");
    EXPECT_EQ(blockedMask, 0u);
    EXPECT_EQ(ignoredLabel, "SigIgn:");
    EXPECT_EQ(ignoredMask & ~0x180000000ULL, 0u);
}

// Interrupts the test's main thread with a signal every few milliseconds
// for as long as it lives; the handler does nothing, so only the
// interrupted calls notice.
class SignalStorm {
public:
    SignalStorm() {
        struct sigaction quiet {};
        quiet.sa_handler = [](int) {};
        sigaction(SIGUSR1, &quiet, &previous_);
        sender_ = std::thread([this, target = pthread_self()] {
            while (!done_) {
                pthread_kill(target, SIGUSR1);
                std::this_thread::sleep_for(5ms);
            }
        });
    }
    ~SignalStorm() {
        done_ = true;
        sender_.join();
        sigaction(SIGUSR1, &previous_, nullptr);
    }
    SignalStorm(const SignalStorm&) = delete;
    SignalStorm& operator=(const SignalStorm&) = delete;

private:
    std::atomic<bool> done_{false};
    struct sigaction previous_ {};
    std::thread sender_;
};

TEST_F(Launching, SignalsDoNotShortenAWait) {
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    SignalStorm storm;
    auto start = std::chrono::steady_clock::now();
    // A limited wait of a launch lasts until the child ends.
    ASSERT_TRUE(launcher.Launch("sleep 0.4", handle, std::nullopt, false, false, 10000));
    EXPECT_TRUE(HasEnded(handle));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 350ms);

    // WaitForEnd waits its whole time for a child that goes on, and no longer.
    ASSERT_TRUE(launcher.Launch("sleep 30", handle, std::nullopt, false, false, kNoWait));
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WaitForEnd(handle, 300));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 290ms);
    EXPECT_LT(waited, 3s);
}

TEST_F(Launching, ArgumentsGivenOneByOneKeepTheirBlanks) {
    const std::string script = dir / "args";
    test::WriteScript(script, "for a in \"$@\"; do echo \"[$a]\"; done > \"$1\"\n");
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    const std::string record = dir / "my  record";
    ASSERT_TRUE(launcher.Launch({script, record, " -r ", ""}, handle, kWaitInfinite));
    EXPECT_EQ(test::ReadFile(record), "[" + record + "]\n[ -r ]\n[]\n");
    EXPECT_FALSE(launcher.Launch(std::vector<std::string>{}, handle, kNoWait));
    EXPECT_FALSE(launcher.Launch({"", "x"}, handle, kNoWait));
    EXPECT_FALSE(launcher.Launch({dir / "absent"}, handle, kNoWait));
}

TEST_F(Launching, AWaitingLaunchKeepsTheExitStatus) {
    ProcessExecute launcher;
    ProcessHandle handle = kNoHandle;
    for (int status : {0, 3, 10, 255}) {
        ASSERT_TRUE(
            launcher.Launch({"sh", "-c", "exit " + std::to_string(status)}, handle, kWaitInfinite));
        EXPECT_EQ(launcher.LastExitStatus(), status);
    }
    ASSERT_TRUE(launcher.Launch({"sh", "-c", "kill -9 $$"}, handle, kWaitInfinite));
    EXPECT_EQ(launcher.LastExitStatus(), std::nullopt);
}

TEST_F(Launching, TheEndOfAChildThatRanOnIsToldWithItsStatus) {
    ProcessExecute launcher;
    std::vector<std::pair<ProcessHandle, std::optional<int>>> ends;
    launcher.SetEndNotice([&ends](ProcessHandle child, std::optional<int> status) {
        // Told before the child is forgotten: its handle is still remembered.
        ends.emplace_back(child, status);
    });
    ProcessHandle quick = kNoHandle;
    ASSERT_TRUE(launcher.Launch({"sh", "-c", "exit 127"}, quick, kNoWait));
    while (!HasEnded(quick))
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(launcher.ReapIfEnded(quick));
    ProcessHandle other = kNoHandle;
    ASSERT_TRUE(launcher.Launch({"sh", "-c", "kill -9 $$"}, other, kNoWait));
    while (!HasEnded(other))
        std::this_thread::sleep_for(10ms);
    ProcessHandle waited = kNoHandle;
    ASSERT_TRUE(launcher.Launch({"true"}, waited, kWaitInfinite)); // sweeps the ended one
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0], std::make_pair(quick, std::optional<int>(127)));
    EXPECT_EQ(ends[1], std::make_pair(other, std::optional<int>()));
}

// A symbolic link that appears under the name between its deletion and its
// creation would lead the write to its target; the file is never opened
// through one.
TEST_F(Launching, CreatingARunFileNeverTruncatesThroughAPlantedLink) {
    const std::string target = dir / "precious";
    const std::string name = dir / "prog.err";
    test::WriteFile(target, "keep me");
    std::atomic<bool> done{false};
    std::thread planter([&] {
        while (!done)
            symlink(target.c_str(), name.c_str());
    });
    int refused = 0;
    for (int i = 0; i < 3000 && test::ReadFile(target) == "keep me"; ++i) {
        UniqueFd fd = CreateEmptyFile(name);
        if (!fd.Valid()) ++refused;
    }
    done = true;
    planter.join();
    EXPECT_EQ(test::ReadFile(target), "keep me");
    EXPECT_GT(refused, 0) << "the link never came between";
    // Without anyone in between, the file is made as before.
    std::filesystem::remove(name);
    EXPECT_TRUE(CreateEmptyFile(name).Valid());
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(name)));
}

} // namespace
} // namespace harbex
