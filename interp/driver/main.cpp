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
};

void* RunJob(void* raw) {
    auto* job = static_cast<Job*>(raw);
    job->status = vantel::RunVantel(job->count, job->arguments);
    return nullptr;
}

// The interpreter thread runs on the processor the program was started on,
// where the scheduler mostly keeps a single-threaded program. Left to
// itself, it moved the thread (its main thread only waits) to another
// processor, whatever that one's speed: on a virtual machine whose two
// processors differed by half at times, runs then took half as long again.
void KeepOnThisProcessor(pthread_attr_t& attributes) {
    const int here = sched_getcpu();
    if (here < 0 || here >= CPU_SETSIZE) return;
    cpu_set_t only;
    CPU_ZERO(&only);
    CPU_SET(here, &only);
    pthread_attr_setaffinity_np(&attributes, sizeof only, &only); // a hint: failure is harmless
}

} // namespace

int main(int argc, char** argv) {
    // A write beyond the file size limit, or into a pipe nobody reads, then
    // fails like any other write (a defined message and status) instead of
    // killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    Job job{argc - 1, argv + 1, 0};
    pthread_attr_t attributes;
    pthread_t thread;
    bool started = false;
    if (pthread_attr_init(&attributes) == 0 &&
        pthread_attr_setstacksize(&attributes, kInterpreterStackBytes) == 0) {
        KeepOnThisProcessor(attributes);
        started = pthread_create(&thread, &attributes, RunJob, &job) == 0;
    }
    if (started)
        pthread_join(thread, nullptr);
    else
        RunJob(&job); // no thread to be had: run on the main stack
    return job.status & 0xFF;
}
