#include "single_instance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>
#include <unistd.h>

namespace quillpad {
namespace {

constexpr quint32 kRequestMagic = 0x71706431; // "qpd1"
constexpr int kAnswerWait = 3000;             // milliseconds
constexpr char kAccepted = 'y';
// Room for the socket name in a socket address (108 bytes on Linux).
constexpr qsizetype kSocketPathRoom = 100;

QString RuntimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    return QDir::tempPath();
}

} // namespace

QString CanonicalFile(const QString& path) {
    QFileInfo info(QDir::current().absoluteFilePath(path));
    // A link to a file not yet made names that file.
    for (int depth = 0; depth < 8 && info.isSymLink() && !info.exists(); ++depth) {
        info = QFileInfo(info.absoluteDir().absoluteFilePath(info.symLinkTarget()));
    }
    const QString existing = info.canonicalFilePath();
    if (!existing.isEmpty()) return existing;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (!folder.isEmpty()) return folder + "/" + info.fileName();
    return QDir::cleanPath(info.absoluteFilePath());
}

QString InstanceSocketFor(const QString& path) {
    const QByteArray digest =
        QCryptographicHash::hash(CanonicalFile(path).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    const QString name = QString("quillpad-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
    const QString socket = RuntimeFolder() + "/" + name;
    return socket.size() <= kSocketPathRoom ? socket : "/tmp/" + name;
}

QByteArray EncodeRequest(const OpenRequest& request) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << kRequestMagic << request.file << static_cast<qint32>(request.font) << request.readOnly;
    QByteArray framed;
    QDataStream frame(&framed, QIODevice::WriteOnly);
    frame << body;
    return framed;
}

std::optional<OpenRequest> TakeRequest(QByteArray& buffer) {
    QDataStream frame(buffer);
    QByteArray body;
    frame >> body;
    if (frame.status() != QDataStream::Ok) return std::nullopt;
    buffer.remove(0, static_cast<qsizetype>(frame.device()->pos()));
    QDataStream in(body);
    quint32 magic = 0;
    OpenRequest request;
    qint32 font = 0;
    in >> magic >> request.file >> font >> request.readOnly;
    if (in.status() != QDataStream::Ok || magic != kRequestMagic || font < 0 || font > 2) {
        return std::nullopt;
    }
    request.font = static_cast<FontSwitch>(font);
    return request;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::Accept);
}

bool InstanceServer::Listen(const QString& socket) {
    if (server_.listen(socket)) return true;
    QLocalServer::removeServer(socket);
    return server_.listen(socket);
}

void InstanceServer::Accept() {
    while (QLocalSocket* peer = server_.nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(peer, &QLocalSocket::readyRead, this, [this, peer, buffer] {
            buffer->append(peer->readAll());
            if (std::optional<OpenRequest> request = TakeRequest(*buffer)) {
                peer->write(&kAccepted, 1);
                peer->flush();
                // Handled from the event loop, after the peer has its answer.
                QTimer::singleShot(0, this, [this, chosen = *request] { emit requested(chosen); });
            }
        });
    }
}

bool HandOff(const QString& socket, const OpenRequest& request) {
    QLocalSocket peer;
    peer.connectToServer(socket);
    if (!peer.waitForConnected(kAnswerWait)) return false;
    peer.write(EncodeRequest(request));
    if (!peer.waitForBytesWritten(kAnswerWait)) return false;
    QByteArray answer;
    while (answer.isEmpty() && peer.waitForReadyRead(kAnswerWait))
        answer += peer.readAll();
    return answer.startsWith(kAccepted);
}

Startup StartInstance(const OpenRequest& request) {
    const QString socket = InstanceSocketFor(request.file);
    QLockFile lock(socket + ".lock");
    lock.tryLock(kAnswerWait);
    Startup startup;
    if (HandOff(socket, request)) {
        startup.handedOff = true;
        return startup;
    }
    auto server = std::make_unique<InstanceServer>();
    if (server->Listen(socket)) startup.server = std::move(server);
    return startup;
}

} // namespace quillpad
