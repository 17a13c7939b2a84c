#include "debugger/interpreter_thread.h"

#include <sys/mman.h>

#include <cstddef>
#include <utility>

#include "driver/run.h"

namespace vantel::debugger {

namespace {

constexpr std::size_t kMappedBytes = kStackGuardBytes + kInterpreterStackBytes;

void* Entry(void* argument) {
    (*static_cast<std::function<void()>*>(argument))();
    return nullptr;
}

} // namespace

InterpreterThread::InterpreterThread(std::function<void()> job) : job_(std::move(job)) {
    void* memory =
        mmap(nullptr, kMappedBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) return;
    memory_ = memory;
    auto* stack = static_cast<std::byte*>(memory) + kStackGuardBytes;
    pthread_attr_t attributes;
    if (mprotect(stack, kInterpreterStackBytes, PROT_READ | PROT_WRITE) != 0 ||
        pthread_attr_init(&attributes) != 0)
        return;
    pthread_t thread;
    const bool made = pthread_attr_setstack(&attributes, stack, kInterpreterStackBytes) == 0 &&
                      pthread_create(&thread, &attributes, Entry, &job_) == 0;
    pthread_attr_destroy(&attributes);
    if (!made) return;
    thread_ = thread;
    started_ = true;
}

void InterpreterThread::Join() {
    if (started_ && !joined_) pthread_join(thread_, nullptr);
    joined_ = true;
}

InterpreterThread::~InterpreterThread() {
    Join();
    if (memory_ != nullptr) munmap(memory_, kMappedBytes);
}

} // namespace vantel::debugger
