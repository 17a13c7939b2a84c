#include "document.h"

#include "file_store.h"

#include <QFileInfo>
#include <QTextCursor>

namespace quillpad {

Document::Document(const QString& path, QTextDocument& text, QObject* parent)
    : QObject(parent), path_(QFileInfo(path).absoluteFilePath()), text_(text) {
    autosave_.setSingleShot(true);
    autosave_.setInterval(kAutosaveDelayMs);
    connect(&autosave_, &QTimer::timeout, this, &Document::Autosave);
    connect(&text_, &QTextDocument::contentsChanged, this, [this] {
        if (!ReadOnly()) autosave_.start();
    });
}

QString Document::Name() const {
    return QFileInfo(path_).fileName();
}

void Document::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    text_.setUndoRedoEnabled(!ReadOnly());
}

void Document::Load() {
    diskBytes_ = ReadWhole(path_);
    seenOnDisk_.reset();
    unreadable_ = !diskBytes_ && QFileInfo::exists(path_);
    DecodedText decoded = Decode(diskBytes_.value_or(QByteArray()));
    form_ = std::move(decoded.form);
    text_.setUndoRedoEnabled(false); // a fresh history
    text_.setPlainText(decoded.text);
    text_.setUndoRedoEnabled(!ReadOnly());
    text_.setModified(false);
    autosave_.stop();
}

Document::Pending Document::PendingRecovery() const {
    if (ReadOnly()) return {};
    PendingText pending = quillpad::PendingRecovery(path_);
    return {std::move(pending.kept), pending.note};
}

void Document::ReplaceText(const QString& text) {
    QTextCursor cursor(&text_);
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.endEditBlock();
}

void Document::Restore(const QByteArray& kept) {
    ReplaceText(Decode(kept).text);
    keptRecovery_ = true;
    autosave_.stop();
}

void Document::DiscardRecovery() {
    autosave_.stop();
    keptRecovery_ = false;
    quillpad::DiscardRecovery(path_);
}

bool Document::KeepUnsaved(QString& error) {
    if (!Modified()) return true;
    TextForm form = form_;
    if (!KeepRecovery(path_, Encode(TextOf(text_), form), error)) return false;
    keptRecovery_ = true;
    return true;
}

void Document::Autosave() {
    if (ReadOnly()) return;
    if (!Modified()) {
        // Undone back to the file as it was: nothing left to keep.
        if (keptRecovery_) DiscardRecovery();
        return;
    }
    QString error;
    KeepUnsaved(error);
    emit autosaved(error);
}

bool Document::Save(QString& error, bool* convertedToUtf8) {
    if (ReadOnly()) {
        error = QString("%1 is open read-only").arg(path_);
        return false;
    }
    TextForm form = form_;
    // Unedited, the file is written back exactly as it was read, whatever
    // the text widget would make of characters like U+2029.
    const QByteArray bytes =
        !text_.isModified() && diskBytes_ ? *diskBytes_ : Encode(TextOf(text_), form);
    if (!WriteWhole(path_, bytes, error)) return false;
    if (convertedToUtf8 != nullptr) *convertedToUtf8 = form.encoding != form_.encoding;
    form_ = std::move(form);
    diskBytes_ = bytes;
    seenOnDisk_.reset();
    text_.setModified(false);
    DiscardRecovery();
    return true;
}

bool Document::SaveAs(const QString& path, QString& error) {
    const QString old = path_;
    const bool wasModified = text_.isModified();
    const bool wasReadOnly = readOnly_;
    path_ = QFileInfo(path).absoluteFilePath();
    readOnly_ = false;
    unreadable_ = false;
    text_.setModified(true);
    if (!Save(error)) {
        path_ = old;
        readOnly_ = wasReadOnly;
        text_.setModified(wasModified);
        return false;
    }
    quillpad::DiscardRecovery(old);
    text_.setUndoRedoEnabled(true);
    return true;
}

Document::DiskChange Document::LookAtDisk() {
    const std::optional<QByteArray> now = ReadWhole(path_);
    if (!now) {
        if (!diskBytes_ || QFileInfo::exists(path_)) return DiskChange::None;
        diskBytes_.reset();
        if (!ReadOnly()) text_.setModified(true);
        return DiskChange::Deleted;
    }
    if (now == diskBytes_ || now == seenOnDisk_) return DiskChange::None;
    return DiskChange::Changed;
}

void Document::Reload() {
    diskBytes_ = ReadWhole(path_);
    seenOnDisk_.reset();
    DecodedText decoded = Decode(diskBytes_.value_or(QByteArray()));
    form_ = std::move(decoded.form);
    ReplaceText(decoded.text);
    text_.setModified(false);
    autosave_.stop();
    if (keptRecovery_) DiscardRecovery();
}

void Document::KeepDespiteChange() {
    seenOnDisk_ = ReadWhole(path_);
}

bool Document::DiskDiffers() const {
    return ReadWhole(path_) != diskBytes_;
}

std::optional<QByteArray> Document::UnloadedChange() const {
    std::optional<QByteArray> now = ReadWhole(path_);
    if (!now || now == diskBytes_) return std::nullopt;
    return now;
}

} // namespace quillpad
