#include "end_signals.h"

#include "fileinfo/file_descriptor.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quillpad {
namespace {

constexpr std::array kEndSignals{SIGTERM, SIGHUP, SIGINT};
// The pipe's write end as the handler sees it: a plain int, since a
// handler may touch nothing else. The ends are owned by the EndSignals
// object; this is -1 whenever none exists.
int wakeWrite = -1;

void OnEndSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wakeWrite, &byte, 1);
    errno = saved;
}

void SetHandlers(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndSignals)
        sigaction(signal, &action, nullptr);
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
    std::array<int, 2> ends{};
    if (wakeWrite >= 0 || pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) return;
    readEnd_ = harbex::UniqueFd(ends[0]);
    writeEnd_ = harbex::UniqueFd(ends[1]);
    wakeWrite = writeEnd_.Get();
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.Get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &EndSignals::Drain);
    SetHandlers(OnEndSignal);
}

EndSignals::~EndSignals() {
    if (!notifier_) return;
    SetHandlers(SIG_DFL);
    notifier_.reset();
    wakeWrite = -1; // the handlers are gone; the ends close with their owners
}

void EndSignals::Drain() {
    std::array<char, 64> bytes{};
    bool any = false;
    while (read(readEnd_.Get(), bytes.data(), bytes.size()) > 0)
        any = true;
    if (any) emit endRequested();
}

} // namespace quillpad
