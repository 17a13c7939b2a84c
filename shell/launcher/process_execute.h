#pragma once
// Starts the shell's child processes, reaps them when they end, and ends
// the ones still running when destroyed.

#include "fileinfo/file_descriptor.h"
#include "handle_list.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace harbex {

// A process handle: a pidfd, so that it can only ever name the process
// that was started through it.
using ProcessHandle = int;
// A standard handle that is not given; the child gets /dev/null instead.
inline constexpr int kNoHandle = -1;
// Wait times in milliseconds: wait until the child ends, or not at all.
inline constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kNoWait = 0;
// How long ending a child politely waits before it is killed.
inline constexpr int kPoliteEndMs = 2000;

// Splits a command line into words at runs of blanks; quotes are not special.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Asks the child to end (SIGTERM), or ends it at once (SIGKILL). A child
// that has already ended is not affected.
void AskToEnd(ProcessHandle child);
void ForceEnd(ProcessHandle child);
// True once the child has ended (whether reaped or not).
bool HasEnded(ProcessHandle child);
// Waits at most ms milliseconds for the child to end, without reaping it;
// a signal that interrupts the wait does not shorten it. True once it ended.
bool WaitForEnd(ProcessHandle child, int ms);

class ProcessExecute {
public:
    // Waits until the child behind the handle has ended; a launch that
    // waits without a time limit calls it. By default it blocks.
    using Waiter = std::function<void(ProcessHandle child)>;
    // Told of a child that goes on running after its launch (so that its
    // end can be noticed and handed to ReapIfEnded), and of such a child's
    // handle just before it is closed because the child was reaped.
    using ChildNotice = std::function<void(ProcessHandle child)>;

    ProcessExecute() = default;
    ProcessExecute(const ProcessExecute&) = delete;
    ProcessExecute& operator=(const ProcessExecute&) = delete;
    // Asks every child that still runs to end, gives them all up to
    // kPoliteEndMs to do so, then kills the rest; reaps them all.
    ~ProcessExecute();

    // Starts the command line (its first word is the program, searched on
    // PATH when it holds no "/") with the default signal mask and
    // dispositions, waits as asked, and remembers the process until it is
    // reaped. The handle stored is the child's while it runs, kNoHandle
    // when it has already been reaped (a launch that waited for it). New
    // console, minimized and the priority have no effect here. False, with
    // nothing stored, when the program cannot start.
    bool Launch(const std::string& commandLine, ProcessHandle& handle,
                const std::optional<std::string>& folder, bool newConsole, bool minimized,
                std::uint32_t waitMs, int stdOut = kNoHandle, int stdErr = kNoHandle,
                int stdIn = kNoHandle);
    // The same with the arguments given one by one (the first is the
    // program), so that an argument may hold blanks.
    bool Launch(std::vector<std::string> arguments, ProcessHandle& handle, std::uint32_t waitMs,
                int stdOut = kNoHandle, int stdErr = kNoHandle);

    // The exit status of the child that the last waiting launch reaped;
    // none when it was ended by a signal.
    std::optional<int> LastExitStatus() const { return lastExitStatus_; }

    // Told of a child that ran on after its launch when it has ended and
    // was reaped, before it is forgotten: its exit status, none when a
    // signal ended it.
    using EndNotice = std::function<void(ProcessHandle child, std::optional<int> status)>;

    void SetWaiter(Waiter waiter) { waiter_ = std::move(waiter); }
    void SetChildNotices(ChildNotice started, ChildNotice forgotten);
    void SetEndNotice(EndNotice ended) { ended_ = std::move(ended); }

    // Reaps and forgets the remembered child when it has ended; true then.
    bool ReapIfEnded(ProcessHandle child);
    // Lets the remembered child go on after the launcher's end: it is
    // forgotten, neither ended nor waited for.
    void Release(ProcessHandle child);

    // The handles of the children that may still run, ascending.
    const HandleList& Handles() const { return handles_; }

private:
    void ReapFinished();
    void Forget(ProcessHandle child);

    bool Start(std::vector<std::string> arguments, ProcessHandle& handle,
               const std::optional<std::string>& folder, std::uint32_t waitMs, int stdOut,
               int stdErr, int stdIn);

    HandleList handles_;
    // The pidfds behind the handles, owned here until their child is reaped.
    std::map<ProcessHandle, UniqueFd> pidfds_;
    std::optional<int> lastExitStatus_;
    Waiter waiter_;
    ChildNotice started_;
    ChildNotice forgotten_;
    EndNotice ended_;
};

} // namespace harbex
