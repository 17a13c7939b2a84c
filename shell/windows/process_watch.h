#pragma once
// Waits for a child process inside the event loop, so that the windows keep
// answering meanwhile, and ends it on request.

#include "launcher/process_execute.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace harbex {

class ProcessWatch : public QObject {
    Q_OBJECT

public:
    // Watches the child from now on; the handle stays the caller's.
    explicit ProcessWatch(ProcessHandle child, QObject* parent = nullptr);

    // Runs the event loop until the child has ended. Should the loop be
    // left for another reason (the application quits), the child is ended
    // as Stop does, without a loop.
    void Wait();

    bool HasEnded() const { return ended_; }
    // Stop was asked for.
    bool Stopped() const { return stopped_; }
    qint64 ElapsedMs() const { return clock_.elapsed(); }

public slots:
    // Asks the child to end, and kills it when it still runs after
    // kPoliteEndMs.
    void Stop();

signals:
    void Ended();
    // Once a second while the child runs.
    void Tick();

private:
    void noticeEnd();

    ProcessHandle child_;
    QSocketNotifier notifier_;
    QTimer ticks_;
    QTimer killer_;
    QElapsedTimer clock_;
    QEventLoop loop_;
    bool ended_ = false;
    bool stopped_ = false;
};

} // namespace harbex
