// vantel: translates a SNOBOL4-subset source file into its listing file and
// runs it. The run happens on a large stack of its own, so that deep
// expressions inside deeply recursive functions never reach the stack's end.
// When that stack cannot be had, vantel says so and runs nothing: on the
// ordinary main stack the deepest programs the limits allow would crash.
//
// The program switches its one thread onto that stack rather than starting a
// second thread: it is then scheduled as any single-threaded program is. A
// second thread, while the first only waits, was moved by the scheduler to
// the other processor whatever that one's speed (on a virtual machine whose
// processors differed by half at times, runs took half as long again).
// Builds with AddressSanitizer keep the thread, which it follows fully.
#include <sys/mman.h>

#include <csignal>
#include <cstddef>
#include <cstdio>

#include "driver/run.h"

#if defined(__SANITIZE_ADDRESS__)
#define VANTEL_RUN_ON_THREAD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTEL_RUN_ON_THREAD 1
#endif
#endif

#ifdef VANTEL_RUN_ON_THREAD
#include <pthread.h>
#else
#include <ucontext.h>
#endif

namespace {

// The interpreter's stack. Only the pages used are committed. The deepest
// run the fixed limits allow (50 nested calls, as the run stack bounds them,
// each from inside an expression 1000 deep, and a match nesting ARBNO 1000
// deep at the innermost) takes about 14 MiB in an optimised build; the
// reservation leaves room for unoptimised builds, with their larger frames.
#ifdef VANTEL_RUN_ON_THREAD
// Sanitised builds (which the address space limit does not concern) have
// frames several times as large again.
constexpr std::size_t kInterpreterStackBytes = std::size_t{1} << 30;
#else
constexpr std::size_t kInterpreterStackBytes = std::size_t{256} << 20;
// Below it, 64 KiB that are never accessible: an overflow faults there
// instead of running into other memory. (A thread's stack has its own.)
constexpr std::size_t kGuardBytes = std::size_t{64} << 10;
#endif

// What the run on the large stack is given and gives back. The stack
// switch passes no arguments, so it is reached through one pointer, set
// while main waits for the run.
struct Job {
    int count;
    const char* const* arguments;
    vantel::RunSettings settings;
    int status;
};
Job* currentJob = nullptr;

void RunJob() {
    Job& job = *currentJob;
    job.status = vantel::RunVantel(job.count, job.arguments, job.settings);
}

#ifdef VANTEL_RUN_ON_THREAD

bool RunOnLargeStack() {
    pthread_attr_t attributes;
    pthread_t thread;
    auto entry = [](void*) -> void* {
        RunJob();
        return nullptr;
    };
    if (pthread_attr_init(&attributes) != 0 ||
        pthread_attr_setstacksize(&attributes, kInterpreterStackBytes) != 0 ||
        pthread_create(&thread, &attributes, entry, nullptr) != 0)
        return false;
    pthread_join(thread, nullptr);
    return true;
}

#else

// Every run ends inside RunJob (the run sequence catches what it throws),
// so control comes back to the caller's context through uc_link.
bool RunOnLargeStack() {
    ucontext_t caller;
    ucontext_t interpreter;
    const std::size_t size = kGuardBytes + kInterpreterStackBytes;
    void* memory =
        mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) return false;
    auto* base = static_cast<std::byte*>(memory);
    if (mprotect(base + kGuardBytes, kInterpreterStackBytes, PROT_READ | PROT_WRITE) != 0 ||
        getcontext(&interpreter) != 0) {
        munmap(memory, size);
        return false;
    }
    interpreter.uc_stack.ss_sp = base;
    interpreter.uc_stack.ss_size = size;
    interpreter.uc_link = &caller;
    makecontext(&interpreter, RunJob, 0);
    const bool switched = swapcontext(&caller, &interpreter) == 0;
    munmap(memory, size);
    return switched;
}

#endif

} // namespace

int main(int argc, char** argv) {
    // A write beyond the file size limit, or into a pipe nobody reads, then
    // fails like any other write (a defined message and status) instead of
    // killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    Job job{argc - 1, argv + 1, vantel::SettingsFromEnvironment(), 0};
    currentJob = &job;
    if (!RunOnLargeStack()) {
        std::fputs("vantel: cannot reserve its stack\n", stderr);
        return 2;
    }
    return job.status & 0xFF;
}
