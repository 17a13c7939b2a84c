#include "process_watch.h"

namespace harbex {

namespace {

constexpr int kTickMs = 1000;

} // namespace

ProcessWatch::ProcessWatch(ProcessHandle child, QObject* parent)
    : QObject(parent), child_(child), notifier_(child, QSocketNotifier::Read) {
    clock_.start();
    // A pidfd turns readable when its process ends.
    connect(&notifier_, &QSocketNotifier::activated, this, &ProcessWatch::noticeEnd);
    ticks_.setInterval(kTickMs);
    connect(&ticks_, &QTimer::timeout, this, &ProcessWatch::Tick);
    ticks_.start();
    killer_.setSingleShot(true);
    killer_.setInterval(kPoliteEndMs);
    connect(&killer_, &QTimer::timeout, this, [this] { ForceEnd(child_); });
    if (harbex::HasEnded(child_)) noticeEnd();
}

void ProcessWatch::noticeEnd() {
    if (ended_) return;
    ended_ = true;
    notifier_.setEnabled(false);
    ticks_.stop();
    killer_.stop();
    loop_.quit();
    emit Ended();
}

void ProcessWatch::Wait() {
    if (!ended_) loop_.exec();
    if (ended_) return;
    AskToEnd(child_);
    if (!WaitForEnd(child_, kPoliteEndMs)) ForceEnd(child_);
}

void ProcessWatch::Stop() {
    if (ended_ || stopped_) return;
    stopped_ = true;
    AskToEnd(child_);
    killer_.start();
}

} // namespace harbex
