#include "editor_requests.h"

#include "single_instance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <algorithm>

namespace quillpad {
namespace {

EditorReply NoAnswerIn(const QString& path) {
    return {EditorAnswer::Failed,
            QString("The quillpad window of %1 did not answer in time.").arg(path)};
}

EditorReply Ask(EditorRequestKind kind, const QString& path, int timeoutMs) {
    const QDeadlineTimer deadline(std::max(timeoutMs, 1));
    const QString socket = InstanceSocketFor(path);
    if (socket.isEmpty()) return {};
    QLocalSocket peer;
    peer.connectToServer(socket);
    if (!peer.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        // A socket file nobody listens on is left by a quillpad that ended.
        if (peer.error() == QLocalSocket::SocketTimeoutError) return NoAnswerIn(path);
        return {};
    }
    if (!PeerIsThisUser(peer)) {
        return {EditorAnswer::NoEditor,
                QString("The socket of %1 is held by another user; it was not asked.").arg(path)};
    }
    peer.write(EncodeRequest(EditorRequest{kind, CanonicalFile(path)}));
    QByteArray buffer;
    for (;;) {
        buffer += peer.readAll();
        if (std::optional<EditorReply> reply = TakeReply(buffer)) return *reply;
        if (deadline.hasExpired()) return NoAnswerIn(path);
        if (peer.state() != QLocalSocket::ConnectedState) {
            return {EditorAnswer::Failed,
                    QString("The quillpad window of %1 ended without answering.").arg(path)};
        }
        const int remaining = static_cast<int>(deadline.remainingTime());
        if (peer.bytesToWrite() > 0) {
            peer.waitForBytesWritten(remaining);
        } else {
            peer.waitForReadyRead(remaining);
        }
    }
}

} // namespace

EditorReply AskEditorToSave(const QString& path, int timeoutMs) {
    return Ask(EditorRequestKind::Save, path, timeoutMs);
}

EditorReply AskEditorToEnd(const QString& path, int timeoutMs) {
    return Ask(EditorRequestKind::End, path, timeoutMs);
}

} // namespace quillpad
