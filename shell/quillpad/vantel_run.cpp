#include "vantel_run.h"

#include <QFileInfo>

namespace quillpad {

VantelRun::VantelRun(QObject* parent) : QObject(parent) {
    killer_.setSingleShot(true);
    killer_.setInterval(kStopGraceMs);
    ticks_.setInterval(kTickMs);
    connect(&killer_, &QTimer::timeout, &process_, &QProcess::kill);
    connect(&ticks_, &QTimer::timeout, this, [this] { emit tick(clock_.elapsed()); });
    connect(&process_, &QProcess::readyReadStandardError, this, &VantelRun::TakeErrors);
    connect(&process_, &QProcess::finished, this, &VantelRun::Finished);
    connect(&process_, &QProcess::errorOccurred, this, &VantelRun::FailedToStart);
}

VantelRun::~VantelRun() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.disconnect(this);
    process_.terminate();
    if (!process_.waitForFinished(kStopGraceMs)) {
        process_.kill();
        process_.waitForFinished(kStopGraceMs);
    }
}

bool VantelRun::Start(const QString& program, const QString& source) {
    if (running_) return false;
    const QString folder = QFileInfo(source).absolutePath();
    end_ = RunEnd{};
    end_.source = source;
    end_.listing = ListingPathFor(source, folder);
    before_ = harbex::StampOf(QFile::encodeName(end_.listing).toStdString());
    errors_.clear();
    running_ = true;
    process_.setWorkingDirectory(folder);
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setProgram(program);
    process_.setArguments({source});
    clock_.start();
    ticks_.start();
    process_.start();
    return true;
}

void VantelRun::Stop() {
    if (!running_ || end_.stopped) return;
    end_.stopped = true;
    process_.terminate();
    killer_.start();
}

void VantelRun::TakeErrors() {
    const QByteArray bytes = process_.readAllStandardError();
    errors_.append(bytes.left(kErrorsLimit - errors_.size()));
}

void VantelRun::Finished(int exitCode, QProcess::ExitStatus status) {
    if (!running_) return;
    TakeErrors();
    running_ = false;
    killer_.stop();
    ticks_.stop();
    end_.normalExit = status == QProcess::NormalExit;
    end_.exitCode = exitCode;
    end_.listingWritten =
        harbex::WrittenSince(before_, QFile::encodeName(end_.listing).toStdString());
    end_.errors = QString::fromLocal8Bit(errors_).trimmed();
    emit ended(end_);
}

void VantelRun::FailedToStart(QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart || !running_) return;
    running_ = false;
    ticks_.stop();
    end_.started = false;
    end_.errors = QString("Cannot start %1: %2").arg(process_.program(), process_.errorString());
    emit ended(end_);
}

RunReport ReportOf(const RunEnd& end) {
    const QString name = QFileInfo(end.source).fileName();
    if (!end.started) return {QString("vantel did not run on %1").arg(name), end.errors, false};
    QString status;
    if (end.stopped) {
        status = QString("Stopped vantel on %1").arg(name);
    } else if (!end.normalExit) {
        status = QString("vantel did not end normally on %1").arg(name);
    } else {
        status = QString("vantel ended with status %1").arg(end.exitCode);
    }
    if (!end.listingWritten) {
        const QString why = end.errors.isEmpty()
                                ? QString("vantel wrote no listing %1.").arg(end.listing)
                                : end.errors;
        return {status + "; no listing", "The run left no listing: " + why, false};
    }
    return {status + QString("; listing %1").arg(end.listing), end.errors, true};
}

} // namespace quillpad
