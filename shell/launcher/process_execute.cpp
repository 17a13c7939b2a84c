#include "process_execute.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace harbex {

namespace {

constexpr char kNullDevice[] = "/dev/null";

// The pidfd calls go through syscall(): not every C library declares them
// usably for C++.
int PidfdOpen(pid_t pid) {
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0U));
}

void PidfdKill(int pidfd) {
    syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0U);
}

// Owns the spawn attribute objects for one start.
class SpawnActions {
public:
    SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_) posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    // Standard descriptor target from handle, or /dev/null when none.
    void StandardHandle(int target, int handle, int nullMode) {
        if (!ok_) return;
        int rc = handle == kNoHandle
                     ? posix_spawn_file_actions_addopen(&actions_, target, kNullDevice, nullMode, 0)
                     : posix_spawn_file_actions_adddup2(&actions_, handle, target);
        ok_ = rc == 0;
    }
    void Folder(const std::optional<std::string>& folder) {
        if (ok_ && folder)
            ok_ = posix_spawn_file_actions_addchdir_np(&actions_, folder->c_str()) == 0;
    }
    bool Ok() const { return ok_; }
    const posix_spawn_file_actions_t* Get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

bool IsBlank(char c) {
    return c == ' ';
}

// Waits until the process behind the pidfd has ended, reaping it.
void WaitForEnd(ProcessHandle pidfd) {
    siginfo_t info{};
    while (waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd), &info, WEXITED) != 0 &&
           errno == EINTR) {
    }
}

// Waits at most ms milliseconds for the process to end, without reaping it.
void WaitAtMost(ProcessHandle pidfd, std::uint32_t ms) {
    pollfd entry{pidfd, POLLIN, 0};
    // poll takes an int; longer waits are capped to the largest it accepts.
    constexpr std::uint32_t kMaxPollMs = 0x7FFFFFFF;
    poll(&entry, 1, static_cast<int>(ms > kMaxPollMs ? kMaxPollMs : ms));
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < commandLine.size()) {
        while (i < commandLine.size() && IsBlank(commandLine[i]))
            ++i;
        std::size_t start = i;
        while (i < commandLine.size() && !IsBlank(commandLine[i]))
            ++i;
        if (i > start) words.push_back(commandLine.substr(start, i - start));
    }
    return words;
}

// Starts the words as a program with its standard handles and folder; the
// process id, or none when it could not start.
static std::optional<pid_t> Spawn(std::vector<std::string>& words,
                                  const std::optional<std::string>& folder, int stdOut, int stdErr,
                                  int stdIn) {
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    SpawnActions actions;
    actions.StandardHandle(STDIN_FILENO, stdIn, O_RDONLY);
    actions.StandardHandle(STDOUT_FILENO, stdOut, O_WRONLY);
    actions.StandardHandle(STDERR_FILENO, stdErr, O_WRONLY);
    actions.Folder(folder);
    pid_t pid = 0;
    if (!actions.Ok() ||
        posix_spawnp(&pid, argv[0], actions.Get(), nullptr, argv.data(), environ) != 0)
        return std::nullopt;
    return pid;
}

bool ProcessExecute::Launch(const std::string& commandLine, ProcessHandle& handle,
                            const std::optional<std::string>& folder, bool /*newConsole*/,
                            bool /*minimized*/, std::uint32_t waitMs, int stdOut, int stdErr,
                            int stdIn) {
    ReapFinished();
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) return false;
    const std::optional<pid_t> pid = Spawn(words, folder, stdOut, stdErr, stdIn);
    if (!pid) return false;
    const int pidfd = PidfdOpen(*pid);
    if (pidfd < 0) {
        // Without a pidfd the process cannot be remembered safely: it runs
        // on, and is waited for here when asked.
        if (waitMs == kWaitInfinite) waitpid(*pid, nullptr, 0);
        handle = kNoHandle;
        return true;
    }
    if (waitMs == kWaitInfinite) {
        WaitForEnd(pidfd);
    } else if (waitMs != kNoWait) {
        WaitAtMost(pidfd, waitMs);
    }
    handle = pidfd;
    handles_.Insert(static_cast<HandleList::Handle>(pidfd));
    return true;
}

void ProcessExecute::ReapFinished() const {
    // Ended children are reaped so that they do not linger; their handles
    // stay remembered, and signalling them later has no effect.
    for (HandleList::Handle pidfd : handles_) {
        siginfo_t info{};
        waitid(static_cast<idtype_t>(P_PIDFD), pidfd, &info, WEXITED | WNOHANG);
    }
}

ProcessExecute::~ProcessExecute() {
    while (std::optional<HandleList::Handle> first = handles_.First()) {
        auto pidfd = static_cast<ProcessHandle>(*first);
        // A process that has already ended (and was reaped) gives ESRCH: it
        // is left alone, and no other process can be hit through a pidfd.
        PidfdKill(pidfd);
        WaitForEnd(pidfd);
        close(pidfd);
        handles_.Remove(*first);
    }
}

} // namespace harbex
