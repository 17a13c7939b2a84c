#pragma once
// Starts the shell's child processes and ends them again when destroyed.

#include "handle_list.h"

#include <cstdint>
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

// Splits a command line into words at runs of blanks; quotes are not special.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

class ProcessExecute {
public:
    ProcessExecute() = default;
    ProcessExecute(const ProcessExecute&) = delete;
    ProcessExecute& operator=(const ProcessExecute&) = delete;
    // Ends every remembered process that is still running.
    ~ProcessExecute();

    // Starts the command line (its first word is the program, searched on
    // PATH when it holds no "/"), waits as asked, remembers the process and
    // stores its handle. New console, minimized and the priority have no
    // effect here. False, with nothing stored, when the program cannot start.
    bool Launch(const std::string& commandLine, ProcessHandle& handle,
                const std::optional<std::string>& folder, bool newConsole, bool minimized,
                std::uint32_t waitMs, int stdOut = kNoHandle, int stdErr = kNoHandle,
                int stdIn = kNoHandle);

    // The remembered handles, ascending.
    const HandleList& Handles() const { return handles_; }

private:
    void ReapFinished() const;

    HandleList handles_;
};

} // namespace harbex
