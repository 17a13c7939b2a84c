#pragma once
// An F5 run as the window shows it: the VantelRun, and in the status bar
// its elapsed time and, once it has lasted a second, a Stop button (both
// beside the bar's messages, which they leave free). Its end is told as
// what to show: a status text, a notice, a listing to open.

#include "vantel_run.h"

#include <QObject>

class QLabel;
class QPushButton;
class QStatusBar;

namespace quillpad {

class RunControl : public QObject {
    Q_OBJECT
public:
    static constexpr int kStopButtonAfterMs = 1000;

    RunControl(QStatusBar& statusBar, QObject* parent = nullptr);
    // Starts vantel (beside quillpad) on `source`; when a run is going, says
    // so instead and returns false.
    bool Start(const QString& source);
    void Stop();
    bool Running() const { return run_.Running(); }
    const VantelRun& Run() const { return run_; }

signals:
    void runningChanged(bool running);
    void ended(const quillpad::RunReport& report, const quillpad::RunEnd& end);

private:
    void ShowTime(qint64 elapsedMs);
    void Ended(const RunEnd& end);

    QStatusBar& statusBar_;
    QLabel* time_ = nullptr; // owned by the status bar, as the button
    QPushButton* stopButton_ = nullptr;
    VantelRun run_;
};

} // namespace quillpad
