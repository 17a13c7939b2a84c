#pragma once
// Reading and writing the edited file, and the recovery text that keeps
// unsaved changes. Recovery text lives only in the user's own state folder
// ($XDG_STATE_HOME/quillpad, by default ~/.local/state/quillpad, mode
// 0700), one file per edited file (mode 0600), written whole and renamed
// into place; nothing of it lies beside the user's file, where others
// might read or plant it.

#include <QByteArray>
#include <QString>
#include <optional>

namespace quillpad {

// The whole file, or none when it cannot be read (missing, a folder, ...).
std::optional<QByteArray> ReadWhole(const QString& path);

// Writes the file whole or not at all: the bytes go to a temporary file
// beside it, which then replaces it (keeping its permissions). Where no
// such file can be made (a folder the user cannot write), or replacing the
// file would change it (several hard links, another owner), the file is
// written in place after its old bytes were kept in the state folder; its
// owner, mode and links stay its own. A symbolic link is written through.
// On failure `error` says why.
bool WriteWhole(const QString& path, const QByteArray& bytes, QString& error);

// The state folder, made (mode 0700) when missing; empty with `error` when
// it cannot be had or is not the user's own.
QString StateFolder(QString& error);
// Writes `bytes` as `name` in the state folder: whole, mode 0600, never
// through a symbolic link, replacing an older one by rename.
bool WriteStateFile(const QString& name, const QByteArray& bytes, QString& error);

// The recovery file of `path` in the state folder, named from its resolved
// path: a hash, then the file name ("3f2a...-prog.sno.recovery").
QString RecoveryPathFor(const QString& path);
// Where older quillpads kept it: "/w/prog.sno" -> "/w/.prog.sno.quillpad-recovery".
QString LegacyRecoveryPathFor(const QString& path);

struct PendingText {
    std::optional<QByteArray> kept; // the unsaved changes to offer
    QString note;                   // for the status bar: what was found and not offered
};
// The kept changes of `path`. Changes that equal what the file holds now
// are nothing to offer: their recovery file is removed. A recovery file of
// an older quillpad beside the file is taken into the state folder and
// removed, once, and only when it is the user's own regular file that no
// one else may write.
PendingText PendingRecovery(const QString& path);
bool KeepRecovery(const QString& path, const QByteArray& bytes, QString& error);
void DiscardRecovery(const QString& path);

// Keeps `bytes`, the version of `path` that a save is about to replace, in
// the state folder under a name of its own ("3f2a...-prog.sno.replaced-
// 20250102-134501"); the full name of the copy, or empty with `error`.
QString KeepReplacedVersion(const QString& path, const QByteArray& bytes, QString& error);

} // namespace quillpad
