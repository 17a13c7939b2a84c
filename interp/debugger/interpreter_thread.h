// A thread for an interpreter run: its stack is the one native vantel runs
// on (see driver/run.h), reserved whole, committed as it is used, with a
// guard below it. A debugged run needs a thread of its own: the protocol
// is read and written on another.
#pragma once

#include <pthread.h>

#include <functional>

namespace vantel::debugger {

class InterpreterThread {
public:
    // Starts job on the new thread; Started() tells whether it could.
    explicit InterpreterThread(std::function<void()> job);
    // Waits for the job to end.
    ~InterpreterThread();
    InterpreterThread(const InterpreterThread&) = delete;
    InterpreterThread& operator=(const InterpreterThread&) = delete;

    bool Started() const { return started_; }
    void Join();

private:
    std::function<void()> job_;
    void* memory_ = nullptr;
    bool started_ = false;
    bool joined_ = false;
    pthread_t thread_{};
};

} // namespace vantel::debugger
