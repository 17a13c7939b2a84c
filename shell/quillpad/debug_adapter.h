#pragma once
// vantel-dap as quillpad runs it: a process spoken to over its standard
// input and output, the session that leads it, and the clock that finds
// late answers. Nothing here waits: the process's output is read on the
// pipe's own thread and comes through the event loop, and an adapter that
// does not end when asked is killed kEndGraceMs later. The session hears
// that the adapter is gone only once the process has ended and what it
// wrote before has been read. What the session tells comes out as signals.

#include "debug_pipe.h"
#include "debug_session.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QTimer>

namespace quillpad {

class DebugAdapter : public QObject, private debug::SessionListener {
    Q_OBJECT
public:
    static constexpr int kEndGraceMs = 2000;        // from the end of the session to SIGKILL
    static constexpr int kDeadlineTickMs = 500;     // how often late answers are looked for
    static constexpr qsizetype kErrorsLimit = 4096; // of the adapter's standard error
    // After the process ended, how long its last words may take to be read
    // (a child of it may still hold the pipe open).
    static constexpr int kDrainMs = 1000;

    explicit DebugAdapter(QObject* parent = nullptr);
    // An adapter still running is ended, waiting at most twice kEndGraceMs.
    ~DebugAdapter() override;

    // Starts `program` (vantel-dap) and a session on `settings`; false while
    // a session is going.
    bool Start(const QString& program, const debug::LaunchSettings& settings);
    // Stop of the Debug menu: ends the session; asked again while the
    // session ends, it kills the adapter.
    void Stop();
    debug::DebugSession& Session() { return session_; }
    bool Active() const { return session_.Active() || process_.state() != QProcess::NotRunning; }

signals:
    void stateChanged(quillpad::debug::State state);
    void stopped(const quillpad::debug::Stop& stop);
    void output(const QString& category, const QString& text);
    void problem(const QString& text);
    void breakpointsBound(const std::vector<quillpad::debug::BoundBreakpoint>& bound);
    void ended(const quillpad::debug::Ending& ending);
    // The process is gone (after the session, or without one).
    void finished();

private:
    void StateChanged(debug::State state) override;
    void Stopped(const debug::Stop& stop) override;
    void Output(const std::string& category, const std::string& text) override;
    void Problem(const std::string& text) override;
    void BreakpointsBound(const std::vector<debug::BoundBreakpoint>& bound) override;
    void Ended(const debug::Ending& ending) override;

    void Write(const std::string& bytes);
    void Started();
    void ReadErrors();
    void Finished(int exitCode, QProcess::ExitStatus status);
    void FailedToStart(QProcess::ProcessError error);
    void Gone(const QString& why);
    void TellGone();

    QProcess process_;
    AdapterPipe pipe_;
    bool pipeEnded_ = true;
    std::optional<QString> goneWhy_; // the process ended, for this reason
    QTimer drain_;
    QTimer killer_;
    QTimer deadlines_;
    QElapsedTimer clock_;
    QByteArray errors_;
    std::string unsent_; // requests made before the process had started
    debug::DebugSession session_;
};

} // namespace quillpad
