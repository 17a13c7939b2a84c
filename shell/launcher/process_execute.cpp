#include "process_execute.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
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

void PidfdSignal(ProcessHandle pidfd, int signal) {
    syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0U);
}

// Owns the file actions of one start.
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

// Owns the attributes of one start: the child begins with no signal
// blocked and every signal at its default action, whatever the shell
// itself blocks or ignores.
class SpawnAttributes {
public:
    SpawnAttributes() {
        ok_ = posix_spawnattr_init(&attributes_) == 0;
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        ok_ = ok_ && posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
              posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
              posix_spawnattr_setflags(&attributes_,
                                       POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    bool Ok() const { return ok_; }
    const posix_spawnattr_t* Get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_{};
    bool ok_ = false;
};

bool IsBlank(char c) {
    return c == ' ';
}

// Reaps the ended child behind the pidfd, waiting for its end first; its
// exit status, or none when a signal ended it.
std::optional<int> Reap(ProcessHandle pidfd) {
    siginfo_t info{};
    while (waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd), &info, WEXITED) != 0) {
        if (errno != EINTR) return std::nullopt;
    }
    if (info.si_code != CLD_EXITED) return std::nullopt;
    return info.si_status;
}

// poll takes an int; longer waits are capped to the largest it accepts.
int PollTime(std::uint32_t ms) {
    constexpr std::uint32_t kMaxPollMs = 0x7FFFFFFF;
    return static_cast<int>(ms > kMaxPollMs ? kMaxPollMs : ms);
}

// Starts the words as a program with its standard handles and folder; the
// process id, or none when it could not start.
std::optional<pid_t> Spawn(std::vector<std::string>& words,
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
    SpawnAttributes attributes;
    pid_t pid = 0;
    if (!actions.Ok() || !attributes.Ok() ||
        posix_spawnp(&pid, argv[0], actions.Get(), attributes.Get(), argv.data(), environ) != 0)
        return std::nullopt;
    return pid;
}

// A pidfd for the new child. Without one (no descriptor left) the child
// could be neither watched nor ended safely later, so it is ended and
// reaped now, and the start counts as failed.
std::optional<ProcessHandle> HandleFor(pid_t pid) {
    const int pidfd = PidfdOpen(pid);
    if (pidfd >= 0) return pidfd;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    return std::nullopt;
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

void AskToEnd(ProcessHandle child) {
    PidfdSignal(child, SIGTERM);
}

void ForceEnd(ProcessHandle child) {
    PidfdSignal(child, SIGKILL);
}

bool HasEnded(ProcessHandle child) {
    pollfd entry{child, POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
}

bool WaitForEnd(ProcessHandle child, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{child, POLLIN, 0};
        const int ready = poll(&entry, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

void ProcessExecute::SetChildNotices(ChildNotice started, ChildNotice forgotten) {
    started_ = std::move(started);
    forgotten_ = std::move(forgotten);
}

bool ProcessExecute::Launch(const std::string& commandLine, ProcessHandle& handle,
                            const std::optional<std::string>& folder, bool /*newConsole*/,
                            bool /*minimized*/, std::uint32_t waitMs, int stdOut, int stdErr,
                            int stdIn) {
    return Start(SplitCommandLine(commandLine), handle, folder, waitMs, stdOut, stdErr, stdIn);
}

bool ProcessExecute::Launch(std::vector<std::string> arguments, ProcessHandle& handle,
                            std::uint32_t waitMs, int stdOut, int stdErr) {
    return Start(std::move(arguments), handle, std::nullopt, waitMs, stdOut, stdErr, kNoHandle);
}

bool ProcessExecute::Start(std::vector<std::string> words, ProcessHandle& handle,
                           const std::optional<std::string>& folder, std::uint32_t waitMs,
                           int stdOut, int stdErr, int stdIn) {
    ReapFinished();
    if (words.empty() || words.front().empty()) return false;
    const std::optional<pid_t> pid = Spawn(words, folder, stdOut, stdErr, stdIn);
    if (!pid) return false;
    const std::optional<ProcessHandle> opened = HandleFor(*pid);
    if (!opened) return false;
    UniqueFd pidfd(*opened);
    const ProcessHandle child = pidfd.Get();
    handles_.Insert(static_cast<HandleList::Handle>(child));
    if (waitMs == kWaitInfinite) {
        if (waiter_) waiter_(child);
        lastExitStatus_ = Reap(child);
        handles_.Remove(static_cast<HandleList::Handle>(child));
        handle = kNoHandle;
        return true;
    }
    pidfds_[child] = std::move(pidfd);
    if (waitMs != kNoWait) WaitForEnd(child, PollTime(waitMs));
    handle = child;
    if (started_) started_(child);
    return true;
}

bool ProcessExecute::ReapIfEnded(ProcessHandle child) {
    const auto entry = static_cast<HandleList::Handle>(child);
    bool remembered = false;
    for (HandleList::Handle h : handles_)
        remembered = remembered || h == entry;
    if (!remembered || !HasEnded(child)) return false;
    const std::optional<int> status = Reap(child);
    if (ended_) ended_(child, status);
    Forget(child);
    return true;
}

void ProcessExecute::Release(ProcessHandle child) {
    if (pidfds_.count(child) != 0) Forget(child);
}

// Ended children are reaped so that they do not linger as zombies, and
// their handles closed.
void ProcessExecute::ReapFinished() {
    std::vector<ProcessHandle> ended;
    for (HandleList::Handle h : handles_) {
        if (HasEnded(static_cast<ProcessHandle>(h))) ended.push_back(static_cast<ProcessHandle>(h));
    }
    for (ProcessHandle child : ended) {
        const std::optional<int> status = Reap(child);
        if (ended_) ended_(child, status);
        Forget(child);
    }
}

// Only children that run on after their launch are still remembered here,
// so the owner was told of each one it forgets.
void ProcessExecute::Forget(ProcessHandle child) {
    if (forgotten_) forgotten_(child);
    handles_.Remove(static_cast<HandleList::Handle>(child));
    pidfds_.erase(child);
}

ProcessExecute::~ProcessExecute() {
    // Children ended here are the launcher's doing, not news for the owner.
    ended_ = nullptr;
    for (HandleList::Handle h : handles_)
        AskToEnd(static_cast<ProcessHandle>(h));
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kPoliteEndMs);
    while (!handles_.Empty()) {
        ReapFinished();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (handles_.Empty() || left.count() <= 0) break;
        std::vector<pollfd> entries;
        for (HandleList::Handle h : handles_)
            entries.push_back({static_cast<int>(h), POLLIN, 0});
        poll(entries.data(), entries.size(), static_cast<int>(left.count()));
    }
    while (std::optional<HandleList::Handle> first = handles_.First()) {
        const auto child = static_cast<ProcessHandle>(*first);
        ForceEnd(child);
        Reap(child);
        Forget(child);
    }
}

} // namespace harbex
