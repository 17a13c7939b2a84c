#pragma once
// Reading and writing the edited file, and the recovery file that keeps
// unsaved changes when quillpad is asked to end.

#include <QByteArray>
#include <QString>
#include <optional>

namespace quillpad {

// The whole file, or none when it cannot be read (missing, a folder, ...).
std::optional<QByteArray> ReadWhole(const QString& path);

// Writes the file whole or not at all: the bytes go to a temporary file
// beside it, which then replaces it (keeping its permissions). On failure
// the old file is untouched and `error` says why.
bool WriteWhole(const QString& path, const QByteArray& bytes, QString& error);

// The recovery file of `path`: a hidden file beside it,
// "/w/prog.sno" -> "/w/.prog.sno.quillpad-recovery".
QString RecoveryPathFor(const QString& path);

// The kept changes of `path`, or none. Changes that equal what the file
// holds now are nothing to offer: their recovery file is removed.
std::optional<QByteArray> PendingRecovery(const QString& path);
bool KeepRecovery(const QString& path, const QByteArray& bytes, QString& error);
void DiscardRecovery(const QString& path);

} // namespace quillpad
