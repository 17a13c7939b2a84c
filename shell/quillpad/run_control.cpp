#include "run_control.h"

#include "editor_window.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

namespace quillpad {
namespace {

QString Elapsed(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
}

} // namespace

RunControl::RunControl(QStatusBar& statusBar, QObject* parent)
    : QObject(parent), statusBar_(statusBar) {
    time_ = new QLabel(&statusBar_);
    time_->setObjectName("runTime");
    time_->hide();
    statusBar_.addPermanentWidget(time_);
    stopButton_ = new QPushButton("Stop", &statusBar_);
    stopButton_->setObjectName("stopRun");
    stopButton_->setToolTip("Stops vantel (Shift+F5)");
    stopButton_->hide();
    statusBar_.addPermanentWidget(stopButton_);
    connect(stopButton_, &QPushButton::clicked, this, &RunControl::Stop);
    connect(&run_, &VantelRun::tick, this, &RunControl::ShowTime);
    connect(&run_, &VantelRun::ended, this, &RunControl::Ended);
}

bool RunControl::Start(const QString& source) {
    if (run_.Running()) {
        statusBar_.showMessage("vantel is still running; Shift+F5 stops it", kStatusMs);
        return false;
    }
    run_.Start(ProgramFolder() + "/vantel", source);
    stopButton_->setEnabled(true);
    statusBar_.clearMessage();
    ShowTime(0);
    time_->show();
    emit runningChanged(true);
    return true;
}

void RunControl::Stop() {
    if (!run_.Running()) return;
    run_.Stop();
    stopButton_->setEnabled(false);
    time_->setText("Stopping vantel...");
}

void RunControl::ShowTime(qint64 elapsedMs) {
    if (stopButton_->isEnabled()) {
        time_->setText(QString("vantel running %1").arg(Elapsed(elapsedMs)));
    }
    stopButton_->setVisible(elapsedMs >= kStopButtonAfterMs);
}

void RunControl::Ended(const RunEnd& end) {
    time_->hide();
    stopButton_->hide();
    const RunReport report = ReportOf(end);
    statusBar_.showMessage(report.status, kStatusMs);
    emit runningChanged(false);
    emit ended(report, end);
}

} // namespace quillpad
