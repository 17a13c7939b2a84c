#pragma once
// Turns the signals that ask quillpad to end (SIGTERM, SIGHUP, SIGINT) into
// an event of the Qt event loop: the handler only writes a byte into a
// pipe, and a socket notifier on the other end emits endRequested.

#include "fileinfo/file_descriptor.h"

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace quillpad {

class EndSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; only one object may exist at a time.
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    bool Installed() const { return notifier_ != nullptr; }

signals:
    void endRequested();

private:
    void Drain();
    harbex::UniqueFd readEnd_;
    harbex::UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_; // after the ends: goes first
};

} // namespace quillpad
