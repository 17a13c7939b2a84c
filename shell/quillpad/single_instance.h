#pragma once
// One quillpad window per file: the first quillpad on a file listens on a
// local socket named after the file; a later one on the same file hands its
// request over that socket and ends, and the first window reloads the file
// and comes to the front.

#include "command_line.h"

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace quillpad {

// The file as the key sees it: absolute, with symbolic links and ".."
// resolved as far as the path exists, so two spellings of one file meet.
QString CanonicalFile(const QString& path);

// The socket of a file: a per-user name, derived from the canonical path,
// in $XDG_RUNTIME_DIR (or the temporary folder).
QString InstanceSocketFor(const QString& path);

struct OpenRequest {
    QString file;
    FontSwitch font = FontSwitch::Normal;
    bool readOnly = false;
};

QByteArray EncodeRequest(const OpenRequest& request);
// Reads one request from the front of `buffer`, removing it; none while the
// buffer holds only part of one.
std::optional<OpenRequest> TakeRequest(QByteArray& buffer);

// The listening side, owned by the window's process.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    // Listens on the socket, replacing a stale one left by a quillpad that
    // ended without removing it.
    bool Listen(const QString& socket);

signals:
    void requested(const quillpad::OpenRequest& request);

private:
    void Accept();
    QLocalServer server_;
};

// Hands `request` to the quillpad that has the file open; false when there
// is none (or it did not answer in time).
bool HandOff(const QString& socket, const OpenRequest& request);

// Startup of one quillpad: under a lock, so that two started at once do not
// both become the first, either hands the request over or starts listening.
// Returns the server when this process is to open the window itself.
struct Startup {
    bool handedOff = false;
    std::unique_ptr<InstanceServer> server; // null also when listening failed
};
Startup StartInstance(const OpenRequest& request);

} // namespace quillpad
