#include "file_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillpad {

std::optional<QByteArray> ReadWhole(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

bool WriteWhole(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        error = file.errorString();
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

QString RecoveryPathFor(const QString& path) {
    const QFileInfo info(path);
    return info.absolutePath() + "/." + info.fileName() + ".quillpad-recovery";
}

std::optional<QByteArray> PendingRecovery(const QString& path) {
    const QString recovery = RecoveryPathFor(path);
    std::optional<QByteArray> kept = ReadWhole(recovery);
    if (!kept) return std::nullopt;
    if (ReadWhole(path) == kept) {
        QFile::remove(recovery);
        return std::nullopt;
    }
    return kept;
}

bool KeepRecovery(const QString& path, const QByteArray& bytes, QString& error) {
    // Only the user may read the kept text: the replacement takes over the
    // permissions of the file it replaces.
    const QString recovery = RecoveryPathFor(path);
    if (!QFileInfo::exists(recovery)) {
        QFile placeholder(recovery);
        if (placeholder.open(QIODevice::WriteOnly)) {
            placeholder.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }
    return WriteWhole(recovery, bytes, error);
}

void DiscardRecovery(const QString& path) {
    QFile::remove(RecoveryPathFor(path));
}

} // namespace quillpad
