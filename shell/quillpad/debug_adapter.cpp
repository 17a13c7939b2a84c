#include "debug_adapter.h"

#include <QFileInfo>

namespace quillpad {

DebugAdapter::DebugAdapter(QObject* parent)
    : QObject(parent), session_(
                           *this, [this](const std::string& bytes) { Write(bytes); },
                           [this] { return clock_.isValid() ? clock_.elapsed() : 0; }) {
    clock_.start();
    killer_.setSingleShot(true);
    killer_.setInterval(kEndGraceMs);
    drain_.setSingleShot(true);
    drain_.setInterval(kDrainMs);
    connect(&drain_, &QTimer::timeout, this, &DebugAdapter::TellGone);
    connect(&pipe_, &AdapterPipe::message, this,
            [this](const QByteArray& body) { session_.Receive(body.toStdString()); });
    connect(&pipe_, &AdapterPipe::problem, this,
            [this](const QString& text) { session_.Broken(text.toStdString()); });
    connect(&pipe_, &AdapterPipe::ended, this, [this] {
        pipeEnded_ = true;
        if (goneWhy_) TellGone();
    });
    deadlines_.setInterval(kDeadlineTickMs);
    connect(&killer_, &QTimer::timeout, &process_, &QProcess::kill);
    connect(&deadlines_, &QTimer::timeout, this, [this] { session_.CheckDeadlines(); });
    connect(&process_, &QProcess::readyReadStandardError, this, &DebugAdapter::ReadErrors);
    connect(&process_, &QProcess::started, this, &DebugAdapter::Started);
    connect(&process_, &QProcess::finished, this, &DebugAdapter::Finished);
    connect(&process_, &QProcess::errorOccurred, this, &DebugAdapter::FailedToStart);
}

DebugAdapter::~DebugAdapter() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.disconnect(this);
    process_.closeWriteChannel();
    process_.terminate();
    if (!process_.waitForFinished(kEndGraceMs)) {
        process_.kill();
        process_.waitForFinished(kEndGraceMs);
    }
}

bool DebugAdapter::Start(const QString& program, const debug::LaunchSettings& settings) {
    if (Active()) return false;
    errors_.clear();
    killer_.stop();
    process_.setProgram(program);
    process_.setArguments({});
    process_.setWorkingDirectory(QString::fromStdString(settings.cwd));
    process_.setStandardOutputFile(QProcess::nullDevice());
    unsent_.clear();
    goneWhy_.reset();
    // The first requests wait in unsent_ until the process has started.
    if (!session_.Start(settings)) return false;
    deadlines_.start();
    QString error;
    if (!pipe_.Open(error)) {
        Gone("cannot make a pipe: " + error);
        TellGone();
        return true;
    }
    pipeEnded_ = false;
    // The pipe becomes the adapter's standard output.
    process_.setChildProcessModifier(pipe_.ChildSide());
    process_.start();
    pipe_.Begin();
    return true;
}

void DebugAdapter::Stop() {
    if (session_.CurrentState() == debug::State::Ending ||
        (!session_.Active() && process_.state() != QProcess::NotRunning)) {
        process_.kill();
        return;
    }
    session_.Terminate();
}

void DebugAdapter::Write(const std::string& bytes) {
    if (process_.state() != QProcess::Running) {
        unsent_ += bytes;
        return;
    }
    process_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void DebugAdapter::Started() {
    if (unsent_.empty()) return;
    process_.write(unsent_.data(), static_cast<qint64>(unsent_.size()));
    unsent_.clear();
}

void DebugAdapter::ReadErrors() {
    const QByteArray bytes = process_.readAllStandardError();
    errors_.append(bytes.left(kErrorsLimit - errors_.size()));
}

void DebugAdapter::Finished(int exitCode, QProcess::ExitStatus status) {
    ReadErrors();
    killer_.stop();
    QString why = QString::fromLocal8Bit(errors_).trimmed();
    if (why.isEmpty()) {
        why = status == QProcess::NormalExit ? QString("exit status %1").arg(exitCode)
                                             : QString("ended by a signal");
    }
    Gone(why);
}

void DebugAdapter::FailedToStart(QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    Gone(QString("cannot start %1: %2").arg(process_.program(), process_.errorString()));
}

// The process is gone; the session hears of it once its last messages
// were read, or kDrainMs later.
void DebugAdapter::Gone(const QString& why) {
    if (goneWhy_) return;
    goneWhy_ = why;
    if (pipeEnded_) {
        TellGone();
    } else {
        drain_.start();
    }
}

void DebugAdapter::TellGone() {
    if (!goneWhy_) return;
    drain_.stop();
    deadlines_.stop();
    pipe_.Stop();
    pipeEnded_ = true;
    const QString why = *goneWhy_;
    goneWhy_.reset();
    session_.AdapterGone(why.toStdString());
    emit finished();
}

void DebugAdapter::StateChanged(debug::State state) {
    emit stateChanged(state);
}

void DebugAdapter::Stopped(const debug::Stop& stop) {
    emit stopped(stop);
}

void DebugAdapter::Output(const std::string& category, const std::string& text) {
    emit output(QString::fromStdString(category), QString::fromStdString(text));
}

void DebugAdapter::Problem(const std::string& text) {
    emit problem(QString::fromStdString(text));
}

void DebugAdapter::BreakpointsBound(const std::vector<debug::BoundBreakpoint>& bound) {
    emit breakpointsBound(bound);
}

// The session is over: the adapter hears no more and ends by itself, or
// is killed after the grace time.
void DebugAdapter::Ended(const debug::Ending& ending) {
    unsent_.clear();
    if (process_.state() != QProcess::NotRunning) {
        process_.closeWriteChannel();
        killer_.start();
    }
    deadlines_.stop();
    emit ended(ending);
}

} // namespace quillpad
