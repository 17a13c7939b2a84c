// vantel: translates a SNOBOL4-subset source file into its listing file and
// runs it. The run happens on a thread with a large stack, so that deep
// expressions inside deeply recursive functions never reach the stack's end.
#include <pthread.h>

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
    if (pthread_attr_init(&attributes) == 0 &&
        pthread_attr_setstacksize(&attributes, kInterpreterStackBytes) == 0 &&
        pthread_create(&thread, &attributes, RunJob, &job) == 0) {
        pthread_join(thread, nullptr);
    } else {
        RunJob(&job); // no thread to be had: run on the main stack
    }
    return job.status & 0xFF;
}
