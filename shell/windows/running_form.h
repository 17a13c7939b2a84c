#pragma once
// TRunningForm: the window "Running NAME" that stands while a run waits for
// its language processor. It shows the elapsed time and offers Stop; the
// other windows keep repainting but take no input meanwhile.

#include "process_watch.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace harbex {

class TRunningForm : public QDialog {
    Q_OBJECT

public:
    // Runs appear only once they have taken this long, so that quick ones
    // do not flash a window.
    static constexpr int kShowDelayMs = 250;

    TRunningForm(QWidget* owner, const QString& sourceName, ProcessWatch& watch);
    ~TRunningForm() override;

    // Waits until the processor has ended, showing this window after
    // kShowDelayMs; input to the other windows is held back meanwhile.
    void Wait();

protected:
    // The window stays while the processor runs: Esc and the close box do
    // nothing; Stop is the way to end the run.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showElapsed();
    void stopClicked();

    ProcessWatch& watch_;
    QLabel* elapsed_ = nullptr;   // owned by this window
    QPushButton* stop_ = nullptr; // owned by this window
};

} // namespace harbex
