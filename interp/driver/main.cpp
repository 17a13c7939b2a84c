// vantel: translates a SNOBOL4-subset source file into its listing file and
// runs it. The run happens on a thread with a large stack, so that deep
// expressions inside deeply recursive functions never reach the stack's end.
#include <pthread.h>
#include <sched.h>

#include <csignal>
#include <cstdio>

#include "driver/run.h"

namespace {

// Stack of the interpreter thread. Only the pages used are committed.
constexpr std::size_t kInterpreterStackBytes = std::size_t{1} << 30;

struct Job {
    int count;
    const char* const* arguments;
    int status;
    bool pinned;          // the thread started on the main thread's processor
    cpu_set_t processors; // the processors the process may use
};

void* RunJob(void* raw) {
    auto* job = static_cast<Job*>(raw);
    // Free to move again, like any single-threaded program.
    if (job->pinned)
        pthread_setaffinity_np(pthread_self(), sizeof job->processors, &job->processors);
    job->status = vantel::RunVantel(job->count, job->arguments);
    return nullptr;
}

// The new thread starts where the main thread is running, as a
// single-threaded program would continue there: left to itself, the
// scheduler puts it on another processor, whatever that one's load, while
// the main thread only waits for it.
void StartOnThisProcessor(pthread_attr_t& attributes, Job& job) {
    const int here = sched_getcpu();
    if (here < 0 || here >= CPU_SETSIZE ||
        sched_getaffinity(0, sizeof job.processors, &job.processors) != 0)
        return;
    cpu_set_t only;
    CPU_ZERO(&only);
    CPU_SET(here, &only);
    job.pinned = pthread_attr_setaffinity_np(&attributes, sizeof only, &only) == 0;
}

} // namespace

int main(int argc, char** argv) {
    // A write beyond the file size limit, or into a pipe nobody reads, then
    // fails like any other write (a defined message and status) instead of
    // killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    Job job{argc - 1, argv + 1, 0, false, {}};
    pthread_attr_t attributes;
    pthread_t thread;
    bool started = false;
    if (pthread_attr_init(&attributes) == 0 &&
        pthread_attr_setstacksize(&attributes, kInterpreterStackBytes) == 0) {
        StartOnThisProcessor(attributes, job);
        started = pthread_create(&thread, &attributes, RunJob, &job) == 0;
    }
    if (started)
        pthread_join(thread, nullptr);
    else
        RunJob(&job); // no thread to be had: run on the main stack
    return job.status & 0xFF;
}
