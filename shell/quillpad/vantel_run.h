#pragma once
// One run of vantel on a source, started from the editor (F5): the process,
// its standard error kept in memory, the elapsed time, and its end, told
// once as a signal. Stop ends the run as harbex ends its children: SIGTERM,
// then SIGKILL when vantel is still there kStopGraceMs later.

#include "fileinfo/run_names.h"
#include "run_files.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QTimer>

namespace quillpad {

struct RunEnd {
    QString source;
    QString listing;             // where vantel writes the listing of the source
    bool started = true;         // false: vantel could not be started (`errors` says why)
    bool listingWritten = false; // the run made or rewrote that listing
    bool normalExit = false;     // ended by itself, not by a signal
    bool stopped = false;        // ended by Stop
    int exitCode = 0;
    QString errors; // what vantel wrote on its standard error, at most kErrorsLimit bytes
};

class VantelRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kStopGraceMs = 2000; // from SIGTERM to SIGKILL
    static constexpr int kTickMs = 1000;      // how often `tick` tells the time
    static constexpr qsizetype kErrorsLimit =
        4096; // vantel's words kept; the rest is read and dropped

    explicit VantelRun(QObject* parent = nullptr);
    // A run still going is ended as Stop does, waiting for it.
    ~VantelRun() override;

    // Starts `program` on `source` in the source's folder, without input and
    // output; false, with nothing started, while a run is going.
    bool Start(const QString& program, const QString& source);
    void Stop();
    bool Running() const { return running_; }
    const QString& Source() const { return end_.source; }
    qint64 ElapsedMs() const { return running_ ? clock_.elapsed() : 0; }

signals:
    void tick(qint64 elapsedMs); // every kTickMs while the run lasts
    void ended(const quillpad::RunEnd& end);

private:
    void TakeErrors();
    void Finished(int exitCode, QProcess::ExitStatus status);
    void FailedToStart(QProcess::ProcessError error);

    QProcess process_;
    QTimer killer_;
    QTimer ticks_;
    QElapsedTimer clock_;
    harbex::FileStamp before_;
    QByteArray errors_;
    RunEnd end_;
    bool running_ = false;
};

// What the window makes of a run's end: the status bar's text, a notice to
// show (vantel's own words, when it said something), and whether to show
// the listing.
struct RunReport {
    QString status;
    QString notice;
    bool showListing = false;
};
RunReport ReportOf(const RunEnd& end);

} // namespace quillpad
