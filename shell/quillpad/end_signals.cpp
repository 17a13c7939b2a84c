#include "end_signals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quillpad {
namespace {

constexpr std::array kEndSignals{SIGTERM, SIGHUP, SIGINT};
int wakeWrite = -1;
int wakeRead = -1;

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
    if (wakeRead >= 0 || pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) return;
    wakeRead = ends[0];
    wakeWrite = ends[1];
    notifier_ = std::make_unique<QSocketNotifier>(wakeRead, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &EndSignals::Drain);
    SetHandlers(OnEndSignal);
}

EndSignals::~EndSignals() {
    if (!notifier_) return;
    SetHandlers(SIG_DFL);
    notifier_.reset();
    close(wakeRead);
    close(wakeWrite);
    wakeRead = wakeWrite = -1;
}

void EndSignals::Drain() {
    std::array<char, 64> bytes{};
    bool any = false;
    while (read(wakeRead, bytes.data(), bytes.size()) > 0)
        any = true;
    if (any) emit endRequested();
}

} // namespace quillpad
