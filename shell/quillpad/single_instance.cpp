#include "single_instance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <array>
#include <cstdio>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpad {
namespace {

constexpr quint32 kRequestMagic = 0x71706431;       // "qpd1": open a file
constexpr quint32 kEditorRequestMagic = 0x71706432; // "qpd2": save or end
constexpr quint32 kReplyMagic = 0x71707231;         // "qpr1": the answer to one
constexpr int kAnswerWait = kHandOffWaitMs;
constexpr char kAccepted = 'y';
// Room for the socket's path in a socket address: 108 bytes on Linux, less
// the terminating NUL and what Qt adds while it makes the socket.
constexpr qsizetype kSocketPathRoom = 100;
// Hex digits of the path's hash in the socket's name: 96 bits.
constexpr qsizetype kSocketHashDigits = 24;
// Symbolic links followed to the file a link names that is not made yet.
constexpr int kMaxLinkDepth = 8;

// A folder only this user can open: a folder (not a link to one) of the
// user's own, closed to everyone else.
bool IsPrivateFolder(const QString& folder) {
    struct stat status {};
    return lstat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && (status.st_mode & 077) == 0;
}

QString UserName() {
    std::array<char, 4096> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QFile::decodeName(found->pw_name);
    return QString::number(geteuid());
}

// The private folder Qt makes when XDG_RUNTIME_DIR is unset: made here
// with mode 0700 when missing, and used only when it passes the same test.
QString TemporaryRuntimeFolder() {
    const QString folder = QDir::tempPath() + "/runtime-" + UserName();
    mkdir(QFile::encodeName(folder).constData(), 0700);
    return folder;
}

QString SocketFolder(const QString& name) {
    const auto fits = [&name](const QString& folder) {
        return folder.size() + 1 + name.size() <= kSocketPathRoom && IsPrivateFolder(folder);
    };
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && fits(runtime)) return runtime;
    const QString temporary = TemporaryRuntimeFolder();
    return fits(temporary) ? temporary : QString();
}

} // namespace

QString CanonicalFile(const QString& path) {
    QFileInfo info(QDir::current().absoluteFilePath(path));
    // A link to a file not yet made names that file.
    for (int depth = 0; depth < kMaxLinkDepth && info.isSymLink() && !info.exists(); ++depth) {
        info = QFileInfo(info.absoluteDir().absoluteFilePath(info.symLinkTarget()));
    }
    const QString existing = info.canonicalFilePath();
    if (!existing.isEmpty()) return existing;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (!folder.isEmpty()) return folder + "/" + info.fileName();
    return QDir::cleanPath(info.absoluteFilePath());
}

QString InstanceSocketName(const QString& path, uid_t uid) {
    const QByteArray digest =
        QCryptographicHash::hash(CanonicalFile(path).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(kSocketHashDigits);
    return QString("quillpad-%1-%2").arg(uid).arg(QString::fromLatin1(digest));
}

QString InstanceSocketFor(const QString& path) {
    const QString name = InstanceSocketName(path, geteuid());
    const QString folder = SocketFolder(name);
    return folder.isEmpty() ? QString() : folder + "/" + name;
}

bool PeerIsThisUser(const QLocalSocket& socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    const auto fd = static_cast<int>(socket.socketDescriptor());
    return fd >= 0 && getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
           credentials.uid == geteuid();
}

namespace {

QByteArray Framed(const QByteArray& body) {
    QByteArray framed;
    QDataStream frame(&framed, QIODevice::WriteOnly);
    frame << body;
    return framed;
}

// The body of the frame at the front of `buffer`, removed from it; none
// while the frame is incomplete.
std::optional<QByteArray> TakeFrame(QByteArray& buffer) {
    QDataStream frame(buffer);
    QByteArray body;
    frame >> body;
    if (frame.status() != QDataStream::Ok) return std::nullopt;
    buffer.remove(0, static_cast<qsizetype>(frame.device()->pos()));
    return body;
}

InstanceMessage OpenRequestIn(QDataStream& in) {
    OpenRequest request;
    qint32 font = 0;
    in >> request.file >> font >> request.readOnly;
    if (in.status() != QDataStream::Ok || font < 0 || font > 2) return std::monostate{};
    // The line came later; a quillpad that sends none sends nothing more.
    if (!in.atEnd()) {
        qint32 line = 0;
        in >> line;
        if (in.status() != QDataStream::Ok || line < 0) return std::monostate{};
        request.line = line;
    }
    // So did the wish to debug.
    if (!in.atEnd()) {
        in >> request.debug;
        if (in.status() != QDataStream::Ok) return std::monostate{};
    }
    request.font = static_cast<FontSwitch>(font);
    return request;
}

InstanceMessage EditorRequestIn(QDataStream& in) {
    EditorRequest request;
    qint32 kind = 0;
    in >> kind >> request.file;
    const bool known = kind == static_cast<qint32>(EditorRequestKind::Save) ||
                       kind == static_cast<qint32>(EditorRequestKind::End);
    if (in.status() != QDataStream::Ok || !known) return std::monostate{};
    request.kind = static_cast<EditorRequestKind>(kind);
    return request;
}

} // namespace

QByteArray EncodeRequest(const OpenRequest& request) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << kRequestMagic << request.file << static_cast<qint32>(request.font) << request.readOnly
        << static_cast<qint32>(request.line) << request.debug;
    return Framed(body);
}

QByteArray EncodeRequest(const EditorRequest& request) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << kEditorRequestMagic << static_cast<qint32>(request.kind) << request.file;
    return Framed(body);
}

QByteArray EncodeReply(const EditorReply& reply) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << kReplyMagic << static_cast<qint32>(reply.answer) << reply.detail;
    return Framed(body);
}

std::optional<InstanceMessage> TakeMessage(QByteArray& buffer) {
    const std::optional<QByteArray> body = TakeFrame(buffer);
    if (!body) return std::nullopt;
    QDataStream in(*body);
    quint32 magic = 0;
    in >> magic;
    if (magic == kRequestMagic) return OpenRequestIn(in);
    if (magic == kEditorRequestMagic) return EditorRequestIn(in);
    return InstanceMessage{};
}

std::optional<OpenRequest> TakeRequest(QByteArray& buffer) {
    const std::optional<InstanceMessage> message = TakeMessage(buffer);
    if (!message || !std::holds_alternative<OpenRequest>(*message)) return std::nullopt;
    return std::get<OpenRequest>(*message);
}

std::optional<EditorReply> TakeReply(QByteArray& buffer) {
    const std::optional<QByteArray> body = TakeFrame(buffer);
    if (!body) return std::nullopt;
    QDataStream in(*body);
    quint32 magic = 0;
    qint32 answer = 0;
    EditorReply reply;
    in >> magic >> answer >> reply.detail;
    const bool known = answer >= static_cast<qint32>(EditorAnswer::NoEditor) &&
                       answer <= static_cast<qint32>(EditorAnswer::Failed);
    if (in.status() != QDataStream::Ok || magic != kReplyMagic || !known) {
        return EditorReply{EditorAnswer::Failed, "quillpad gave an answer that cannot be read."};
    }
    reply.answer = static_cast<EditorAnswer>(answer);
    return reply;
}

bool SomeoneListens(const QString& socket) {
    if (socket.isEmpty()) return false;
    QLocalSocket probe;
    probe.connectToServer(socket);
    const bool ours = probe.waitForConnected(kAnswerWait) && PeerIsThisUser(probe);
    probe.abort();
    return ours;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::Accept);
}

bool InstanceServer::Listen(const QString& socket) {
    // Qt makes the socket beside and renames it into place, which would
    // replace a live one silently: look first.
    if (QFileInfo::exists(socket) || QFileInfo(socket).isSymLink()) {
        if (SomeoneListens(socket)) return false;
        QLocalServer::removeServer(socket);
    }
    return server_.listen(socket);
}

void InstanceServer::SetEditorHandler(EditorHandler handler) {
    handler_ = std::move(handler);
}

void InstanceServer::Release() {
    released_ = true;
    while (!held_.empty()) {
        const std::function<void()> deliver = std::move(held_.front());
        held_.pop_front();
        deliver();
    }
}

void InstanceServer::Accept() {
    while (QLocalSocket* peer = server_.nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (!PeerIsThisUser(*peer)) {
            peer->abort(); // another user's program: not a word from it is read
            continue;
        }
        auto buffer = std::make_shared<QByteArray>();
        connect(peer, &QLocalSocket::readyRead, this,
                [this, peer, buffer] { Read(peer, *buffer); });
    }
}

void InstanceServer::Read(QLocalSocket* peer, QByteArray& buffer) {
    buffer.append(peer->readAll());
    while (std::optional<InstanceMessage> message = TakeMessage(buffer)) {
        if (std::holds_alternative<std::monostate>(*message)) {
            peer->abort();
            return;
        }
        if (std::holds_alternative<OpenRequest>(*message)) {
            peer->write(&kAccepted, 1);
            peer->flush();
        }
        // Handled from the event loop, after the peer has its answer.
        QTimer::singleShot(0, this, [this, chosen = *message, target = QPointer(peer)] {
            if (released_) {
                Deliver(chosen, target);
            } else {
                held_.push_back([this, chosen, target] { Deliver(chosen, target); });
            }
        });
    }
    if (buffer.size() > kMaxPendingRequestBytes) peer->abort();
}

void InstanceServer::Deliver(const InstanceMessage& message, QLocalSocket* peer) {
    if (const auto* open = std::get_if<OpenRequest>(&message)) {
        emit requested(*open);
        return;
    }
    const auto& request = std::get<EditorRequest>(message);
    const EditorReply reply =
        handler_ ? handler_(request)
                 : EditorReply{EditorAnswer::Failed, "This quillpad window cannot take requests."};
    if (peer == nullptr || peer->state() != QLocalSocket::ConnectedState) return;
    peer->write(EncodeReply(reply));
    peer->flush();
    peer->waitForBytesWritten(kAnswerWait);
}

HandOffResult HandOffTo(const QString& socket, const OpenRequest& request, int waitMs) {
    if (socket.isEmpty()) return HandOffResult::NoListener;
    QLocalSocket peer;
    peer.connectToServer(socket);
    if (!peer.waitForConnected(waitMs)) {
        return peer.error() == QLocalSocket::SocketTimeoutError ? HandOffResult::NoAnswer
                                                                : HandOffResult::NoListener;
    }
    if (!PeerIsThisUser(peer)) return HandOffResult::NoListener;
    peer.write(EncodeRequest(request));
    if (!peer.waitForBytesWritten(waitMs)) return HandOffResult::NoAnswer;
    QByteArray answer;
    while (answer.isEmpty() && peer.waitForReadyRead(waitMs))
        answer += peer.readAll();
    if (answer.startsWith(kAccepted)) return HandOffResult::Accepted;
    // A window that ended meanwhile closes the connection at once.
    return peer.state() == QLocalSocket::ConnectedState ? HandOffResult::NoAnswer
                                                        : HandOffResult::NoListener;
}

bool HandOff(const QString& socket, const OpenRequest& request) {
    return HandOffTo(socket, request) == HandOffResult::Accepted;
}

namespace {

// Takes the startup lock, waiting while another quillpad starting on the
// same file holds it. A lock that cannot be made at all (a runtime folder
// without room or rights) does not keep the window from opening.
void TakeStartupLock(QLockFile& lock) {
    while (!lock.tryLock(kAnswerWait)) {
        if (lock.error() != QLockFile::LockFailedError) {
            std::fprintf(stderr, "quillpad: cannot make the lock %s; going on without it\n",
                         qPrintable(lock.fileName()));
            return;
        }
    }
}

} // namespace

Startup StartInstance(const OpenRequest& request) {
    const QString socket = InstanceSocketFor(request.file);
    if (socket.isEmpty()) {
        std::fprintf(stderr,
                     "quillpad: no folder of your own for the socket of %s; "
                     "this window does not stand for the file alone\n",
                     qPrintable(request.file));
        return {};
    }
    QLockFile lock(socket + ".lock");
    TakeStartupLock(lock);
    Startup startup;
    bool toldWaiting = false;
    for (;;) {
        const HandOffResult result = HandOffTo(socket, request);
        if (result == HandOffResult::Accepted) {
            startup.handedOff = true;
            return startup;
        }
        // A window that is busy keeps its file: wait for it rather than
        // take its socket over.
        if (result == HandOffResult::NoAnswer || SomeoneListens(socket)) {
            if (!toldWaiting) {
                std::fprintf(stderr, "quillpad: waiting for the window that has %s open\n",
                             qPrintable(request.file));
                toldWaiting = true;
            }
            continue;
        }
        auto server = std::make_unique<InstanceServer>();
        if (server->Listen(socket)) {
            startup.server = std::move(server);
            return startup;
        }
        if (!SomeoneListens(socket)) return startup; // cannot listen at all
    }
}

} // namespace quillpad
