#include "file_store.h"

#include "single_instance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpad {
namespace {

constexpr qsizetype kReadableNameLength = 40; // of the file name, in a state file's name
constexpr qsizetype kStateHashDigits = 16;    // hex digits of the path's hash: 64 bits
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr int kExclusiveAttempts = 100; // random names tried before giving up
constexpr int kRandomLetters = 6;       // the "XXXXXX" of a pattern

// A file descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now, reporting the result (a full disk may show only here).
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

QString Reason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray Local(const QString& path) {
    return QFile::encodeName(path);
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += written;
    }
    return true;
}

// Writes `fd` whole, synced, and closes it.
bool FinishFile(Fd& fd, const QByteArray& bytes) {
    if (!WriteAll(fd.Get(), bytes) || fsync(fd.Get()) != 0) return false;
    return fd.Close();
}

bool MakeFolder(const QString& folder, QString& error) {
    const QByteArray name = Local(folder);
    if (mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        error = QString("cannot make %1: %2").arg(folder, Reason());
        return false;
    }
    return true;
}

// The user's own folder, not a link, and closed to everyone else.
bool CheckOwnFolder(const QString& folder, QString& error) {
    struct stat status {};
    if (lstat(Local(folder).constData(), &status) != 0) {
        error = QString("cannot use %1: %2").arg(folder, Reason());
        return false;
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid()) {
        error = QString("%1 is not a folder of your own").arg(folder);
        return false;
    }
    if ((status.st_mode & 077) != 0 && chmod(Local(folder).constData(), 0700) != 0) {
        error = QString("cannot close %1 to others: %2").arg(folder, Reason());
        return false;
    }
    return true;
}

// "/w/My prog.sno" -> "My_prog.sno": a readable tail for a state file name.
QString ReadableName(const QString& path) {
    QString name = QFileInfo(path).fileName().left(kReadableNameLength);
    for (QChar& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain) c = '_';
    }
    return name;
}

QString StateNameFor(const QString& path, const QString& suffix) {
    const QByteArray digest =
        QCryptographicHash::hash(CanonicalFile(path).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(kStateHashDigits);
    return QString::fromLatin1(digest) + "-" + ReadableName(path) + suffix;
}

QString StateBase() {
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty() && QDir::isAbsolutePath(state)) return QDir::cleanPath(state);
    return QDir::cleanPath(QDir::homePath() + "/.local/state");
}

// Reads a file without following a link, and only a regular file.
std::optional<QByteArray> ReadRegular(const QString& path, struct stat& status) {
    Fd fd(open(Local(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid() || fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    QByteArray bytes;
    std::array<char, kReadChunk> chunk{};
    for (;;) {
        const ssize_t got = read(fd.Get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(chunk.data(), got);
    }
}

// Why an old recovery file beside the file is not to be trusted; empty
// when it may be offered.
QString DistrustOf(const QString& legacy, const struct stat& status) {
    const QString name = QFileInfo(legacy).fileName();
    if (S_ISLNK(status.st_mode)) return QString("%1 is a symbolic link").arg(name);
    if (!S_ISREG(status.st_mode)) return QString("%1 is not a plain file").arg(name);
    if (status.st_uid != geteuid()) return QString("%1 belongs to another user").arg(name);
    if ((status.st_mode & 022) != 0) return QString("others may write %1").arg(name);
    if (status.st_nlink != 1) return QString("%1 has other names").arg(name);
    return {};
}

QString Fingerprint(const struct stat& status) {
    return QString("%1:%2:%3:%4")
        .arg(status.st_dev)
        .arg(status.st_ino)
        .arg(status.st_size)
        .arg(status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec);
}

// Takes an older quillpad's recovery file beside `path` into the state
// folder (once), or says why not.
QString AdoptLegacyRecovery(const QString& path) {
    const QString legacy = LegacyRecoveryPathFor(path);
    struct stat status {};
    if (lstat(Local(legacy).constData(), &status) != 0) return {};
    const QString distrust = DistrustOf(legacy, status);
    if (!distrust.isEmpty()) {
        return QString("Unsaved changes found beside the file were not offered: %1.").arg(distrust);
    }
    const QString seen = StateNameFor(path, ".adopted");
    QString error;
    const QString folder = StateFolder(error);
    if (folder.isEmpty())
        return QString("Unsaved changes beside the file cannot be taken: %1.").arg(error);
    if (ReadWhole(folder + "/" + seen) == Fingerprint(status).toUtf8()) return {};
    struct stat opened {};
    const std::optional<QByteArray> bytes = ReadRegular(legacy, opened);
    if (!bytes || opened.st_ino != status.st_ino || opened.st_dev != status.st_dev) return {};
    if (!WriteStateFile(StateNameFor(path, ".recovery"), *bytes, error)) {
        return QString("Unsaved changes beside the file cannot be taken: %1.").arg(error);
    }
    if (unlink(Local(legacy).constData()) != 0) {
        WriteStateFile(seen, Fingerprint(status).toUtf8(), error);
        return QString("%1 could not be removed: %2.").arg(legacy, Reason());
    }
    return {};
}

bool InPlaceNeeded(const struct stat& status) {
    return status.st_nlink > 1 || status.st_uid != geteuid();
}

// Writes over the file's own bytes, after keeping them in the state folder.
bool WriteInPlace(const QString& path, const QByteArray& bytes, QString& error) {
    const std::optional<QByteArray> old = ReadWhole(path);
    const QString backupName = StateNameFor(path, ".before-save");
    if (!old) {
        error = QString("cannot read %1 to keep its old bytes: %2").arg(path, Reason());
        return false;
    }
    QString keepError;
    if (!WriteStateFile(backupName, *old, keepError)) {
        error = QString("cannot keep the old bytes of %1 before writing it in place: %2")
                    .arg(path, keepError);
        return false;
    }
    Fd fd(open(Local(path).constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    const bool written = fd.Valid() && WriteAll(fd.Get(), bytes) &&
                         ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) == 0 &&
                         fsync(fd.Get()) == 0 && fd.Close();
    QString folderError;
    const QString backup = StateFolder(folderError) + "/" + backupName;
    if (!written) {
        error = QString("%1 (its old bytes are kept in %2)").arg(Reason(), backup);
        return false;
    }
    unlink(Local(backup).constData());
    return true;
}

// Creates a new file from `pattern` (ending in "XXXXXX", replaced by random
// letters) with O_EXCL, never through a link; `mode` is subject to the umask.
int CreateExclusive(QByteArray& pattern, mode_t mode) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr int kLetterCount = sizeof(kLetters) - 1;
    for (int attempt = 0; attempt < kExclusiveAttempts; ++attempt) {
        for (qsizetype i = pattern.size() - kRandomLetters; i < pattern.size(); ++i)
            pattern[i] = kLetters[QRandomGenerator::global()->bounded(kLetterCount)];
        const int fd =
            open(pattern.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Writes a temporary file beside `path` and renames it into place; false
// with `cannotMake` set when the temporary file cannot be made there.
bool WriteBeside(const QString& path, const QByteArray& bytes, const struct stat* existing,
                 bool& cannotMake, QString& error) {
    const QFileInfo info(path);
    QByteArray temporary = Local(info.absolutePath() + "/." + info.fileName() + ".quillpad-XXXXXX");
    Fd fd(CreateExclusive(temporary, existing != nullptr ? 0600 : 0666));
    if (!fd.Valid()) {
        cannotMake = true;
        error = Reason();
        return false;
    }
    bool done = true;
    if (existing != nullptr) {
        // The group may stay the user's own where it cannot be the file's.
        if (fchown(fd.Get(), static_cast<uid_t>(-1), existing->st_gid) != 0) errno = 0;
        done = fchmod(fd.Get(), existing->st_mode & 07777) == 0;
    }
    done = done && FinishFile(fd, bytes) &&
           rename(temporary.constData(), Local(path).constData()) == 0;
    if (!done) {
        error = Reason();
        unlink(temporary.constData());
    }
    return done;
}

} // namespace

std::optional<QByteArray> ReadWhole(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

bool WriteWhole(const QString& path, const QByteArray& bytes, QString& error) {
    const QFileInfo info(path);
    // Through a symbolic link: the file it names is written.
    const QString target = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    struct stat status {};
    const bool exists = lstat(Local(target).constData(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        error = QString("%1 is not a plain file").arg(target);
        return false;
    }
    if (exists && InPlaceNeeded(status)) return WriteInPlace(target, bytes, error);
    bool cannotMake = false;
    if (WriteBeside(target, bytes, exists ? &status : nullptr, cannotMake, error)) return true;
    if (exists && cannotMake) return WriteInPlace(target, bytes, error);
    return false;
}

QString StateFolder(QString& error) {
    const QString base = StateBase();
    QString made;
    for (const QString& part : base.split('/', Qt::SkipEmptyParts)) {
        made += "/" + part;
        if (!QFileInfo(made).isDir() && !MakeFolder(made, error)) return {};
    }
    const QString folder = base + "/quillpad";
    if (!MakeFolder(folder, error) || !CheckOwnFolder(folder, error)) return {};
    return folder;
}

bool WriteStateFile(const QString& name, const QByteArray& bytes, QString& error) {
    const QString folder = StateFolder(error);
    if (folder.isEmpty()) return false;
    QByteArray temporary = Local(folder + "/." + name + ".XXXXXX");
    Fd fd(CreateExclusive(temporary, 0600));
    if (!fd.Valid()) {
        error = QString("cannot write in %1: %2").arg(folder, Reason());
        return false;
    }
    const QByteArray target = Local(folder + "/" + name);
    if (!FinishFile(fd, bytes) || rename(temporary.constData(), target.constData()) != 0) {
        error = QString("cannot write %1: %2").arg(folder + "/" + name, Reason());
        unlink(temporary.constData());
        return false;
    }
    return true;
}

QString RecoveryPathFor(const QString& path) {
    return StateBase() + "/quillpad/" + StateNameFor(path, ".recovery");
}

QString LegacyRecoveryPathFor(const QString& path) {
    const QFileInfo info(path);
    return info.absolutePath() + "/." + info.fileName() + ".quillpad-recovery";
}

PendingText PendingRecovery(const QString& path) {
    PendingText pending;
    const QString recovery = RecoveryPathFor(path);
    struct stat status {};
    if (lstat(Local(recovery).constData(), &status) != 0) pending.note = AdoptLegacyRecovery(path);
    std::optional<QByteArray> kept = ReadRegular(recovery, status);
    if (!kept) return pending;
    if (ReadWhole(path) == kept) {
        unlink(Local(recovery).constData());
        return pending;
    }
    pending.kept = std::move(kept);
    return pending;
}

bool KeepRecovery(const QString& path, const QByteArray& bytes, QString& error) {
    return WriteStateFile(StateNameFor(path, ".recovery"), bytes, error);
}

void DiscardRecovery(const QString& path) {
    unlink(Local(RecoveryPathFor(path)).constData());
}

QString KeepReplacedVersion(const QString& path, const QByteArray& bytes, QString& error) {
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss");
    QString name = StateNameFor(path, ".replaced-" + stamp);
    // Two saves within one second keep both versions.
    for (int again = 2; QFileInfo::exists(StateBase() + "/quillpad/" + name); ++again)
        name = StateNameFor(path, QString(".replaced-%1-%2").arg(stamp).arg(again));
    if (!WriteStateFile(name, bytes, error)) return {};
    return StateBase() + "/quillpad/" + name;
}

} // namespace quillpad
