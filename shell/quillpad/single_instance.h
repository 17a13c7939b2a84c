#pragma once
// One quillpad window per file: the first quillpad on a file listens on a
// local socket named after the file; a later one on the same file hands its
// request over that socket and ends, and the first window reloads the file
// and comes to the front. Other programs ask the window over the same
// socket to save or to end (editor_requests.h).

#include "command_line.h"
#include "editor_requests.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>
#include <variant>

namespace quillpad {

// The file as the key sees it: absolute, with symbolic links and ".."
// resolved as far as the path exists, so two spellings of one file meet.
QString CanonicalFile(const QString& path);

// The socket of a file, in a folder only this user can open: a per-user
// name derived from the canonical path, in $XDG_RUNTIME_DIR, or when that
// is unset, not private or too long, in the private folder Qt makes for it
// (the temporary folder's "runtime-USER", made with mode 0700). Never
// directly in a shared folder: empty when no private folder can be had,
// and quillpad then works without one window per file.
QString InstanceSocketFor(const QString& path);
// The socket's own name for the user `uid`, without its folder.
QString InstanceSocketName(const QString& path, uid_t uid);

// Whether the other end of a connected socket runs as this user (its
// credentials from SO_PEERCRED). Every client checks the listener before
// it sends a path, and the listener checks every client.
bool PeerIsThisUser(const QLocalSocket& socket);

struct OpenRequest {
    QString file;
    FontSwitch font = FontSwitch::Normal;
    bool readOnly = false;
    int line = 0;       // the line to show, from 1; 0 keeps the cursor where it is
    bool debug = false; // start debugging the file once it is shown
};

enum class EditorRequestKind { Save = 1, End = 2 };
struct EditorRequest {
    EditorRequestKind kind = EditorRequestKind::Save;
    QString file;
};

// One message on the socket: an open request, an editor request, or
// something unreadable (std::monostate).
using InstanceMessage = std::variant<std::monostate, OpenRequest, EditorRequest>;

// A peer that sent this much without one whole request is dropped.
inline constexpr qsizetype kMaxPendingRequestBytes = 64 * 1024;

QByteArray EncodeRequest(const OpenRequest& request);
QByteArray EncodeRequest(const EditorRequest& request);
QByteArray EncodeReply(const EditorReply& reply);
// Reads one message from the front of `buffer`, removing it; none while
// the buffer holds only part of one.
std::optional<InstanceMessage> TakeMessage(QByteArray& buffer);
// The same for open requests alone: none also for any other message.
std::optional<OpenRequest> TakeRequest(QByteArray& buffer);
std::optional<EditorReply> TakeReply(QByteArray& buffer);

// Whether a quillpad of this user listens on `socket`: a connection is
// accepted (also by a window too busy to answer yet). A socket file nobody
// listens on, or a listener of another user, is not one.
bool SomeoneListens(const QString& socket);

// The listening side, owned by the window's process. Requests are held
// until Release(), so that none is lost while the window is still being
// made (it may be asking about recovery text meanwhile).
class InstanceServer : public QObject {
    Q_OBJECT
public:
    using EditorHandler = std::function<EditorReply(const EditorRequest&)>;

    explicit InstanceServer(QObject* parent = nullptr);
    // Listens on the socket, replacing a stale one left by a quillpad that
    // ended without removing it; never one that a live quillpad listens on.
    bool Listen(const QString& socket);
    // Who answers save and end requests.
    void SetEditorHandler(EditorHandler handler);
    // From now on requests are handed on, those held first.
    void Release();

signals:
    void requested(const quillpad::OpenRequest& request);

private:
    struct Held;
    void Accept();
    void Read(QLocalSocket* peer, QByteArray& buffer);
    void Deliver(const InstanceMessage& message, QLocalSocket* peer);
    QLocalServer server_;
    EditorHandler handler_;
    bool released_ = false;
    std::deque<std::function<void()>> held_;
};

enum class HandOffResult {
    Accepted,   // the window took the request
    NoListener, // nobody listens on the socket
    NoAnswer    // someone listens but did not answer in time
};
// How long each step of a hand-off waits for the other quillpad.
inline constexpr int kHandOffWaitMs = 3000;
// Hands `request` to the quillpad that has the file open, waiting at most
// `waitMs` at each step. A listener of another user is told nothing and
// counts as none.
HandOffResult HandOffTo(const QString& socket, const OpenRequest& request,
                        int waitMs = kHandOffWaitMs);
// True when the request was accepted.
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
