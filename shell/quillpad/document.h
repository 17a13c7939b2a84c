#pragma once
// The edited file apart from its window: its path, the bytes it held when
// last read or saved and their form, and what may be done to them: load,
// save (also under another name), reload when the file changed on disk,
// notice its deletion, and keep or restore unsaved changes as recovery
// text (a few seconds after the last edit, and on request). The text lives
// in a QTextDocument that the window shows; nothing here needs a screen.

#include "text_codec.h"

#include <QObject>
#include <QTextDocument>
#include <QTimer>
#include <optional>

namespace quillpad {

class Document : public QObject {
    Q_OBJECT
public:
    static constexpr int kAutosaveDelayMs = 3000;

    Document(const QString& path, QTextDocument& text, QObject* parent = nullptr);

    const QString& Path() const { return path_; }
    QString Name() const;
    // The listing view, or a file that exists but cannot be read: never
    // written, no modified mark, no Undo.
    bool ReadOnly() const { return readOnly_ || unreadable_; }
    void SetReadOnly(bool readOnly);
    bool Unreadable() const { return unreadable_; }
    bool Exists() const { return diskBytes_.has_value(); }
    bool Modified() const { return !ReadOnly() && text_.isModified(); }
    // How the file's text is saved (UTF-8 or Latin-1).
    Encoding FileEncoding() const { return form_.encoding; }

    // Reads the file and shows it, unmodified, with a fresh Undo history.
    void Load();
    // The unsaved changes kept for this file, and anything to tell about
    // recovery files that were found and not offered.
    struct Pending {
        std::optional<QByteArray> kept;
        QString note;
    };
    Pending PendingRecovery() const;
    // Puts kept changes in place of the text as one undoable edit; the
    // recovery text stays until the changes are saved or thrown away.
    void Restore(const QByteArray& kept);
    void DiscardRecovery();
    // Keeps unsaved changes as recovery text (nothing to do without any).
    bool KeepUnsaved(QString& error);

    // Saves the text; `convertedToUtf8` tells that a Latin-1 file gained
    // characters beyond Latin-1 and is now UTF-8.
    bool Save(QString& error, bool* convertedToUtf8 = nullptr);
    // Saves under `path`, which then is the document's file.
    bool SaveAs(const QString& path, QString& error);

    enum class DiskChange { None, Changed, Deleted };
    // What happened to the file since it was last read or saved. A deleted
    // file marks the text modified, so that Save writes it again; it is
    // told once.
    DiskChange LookAtDisk();
    // Takes what the file holds now, as one undoable step; unmodified after.
    void Reload();
    // Takes note of the change without reloading: asked once per change.
    void KeepDespiteChange();
    // Whether the file on disk holds other bytes than were last read or
    // saved (also when it went or came).
    bool DiskDiffers() const;
    // What the file on disk holds when that is not what was last read or
    // saved: a change a save would write over. None when it is gone.
    std::optional<QByteArray> UnloadedChange() const;

    void SetAutosaveDelay(int milliseconds) { autosave_.setInterval(milliseconds); }

signals:
    // After each autosave: empty when the text was kept, else why not.
    void autosaved(const QString& error);

private:
    void ReplaceText(const QString& text);
    void Autosave();

    QString path_;
    QTextDocument& text_;
    bool readOnly_ = false;
    bool unreadable_ = false;
    std::optional<QByteArray> diskBytes_;  // what the file held when last read or saved
    std::optional<QByteArray> seenOnDisk_; // a change already asked about
    TextForm form_;
    bool keptRecovery_ = false; // this window wrote the recovery text
    QTimer autosave_;
};

} // namespace quillpad
