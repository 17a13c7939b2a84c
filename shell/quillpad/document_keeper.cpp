#include "document_keeper.h"

#include "file_store.h"

#include <QTimer>
#include <QWidget>

namespace quillpad {

DocumentKeeper::DocumentKeeper(Document& document, QWidget& window)
    : document_(document), window_(window) {}

QMessageBox::StandardButton DocumentKeeper::Ask(const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton keeping) {
    if (ending_) return QMessageBox::NoButton;
    const QMessageBox::StandardButton answer = AskUser(&window_, text, buttons, keeping);
    // Asked to end while the question was open: the answer no longer counts.
    return ending_ ? QMessageBox::NoButton : answer;
}

bool DocumentKeeper::OfferRecovery() {
    const Document::Pending pending = document_.PendingRecovery();
    if (!pending.note.isEmpty()) emit status(pending.note);
    if (!pending.kept) return false;
    const QString text = QString("Unsaved changes to %1 were kept when quillpad last ended.\n"
                                 "Restore them? (No throws them away.)")
                             .arg(document_.Path());
    const QMessageBox::StandardButton answer =
        Ask(text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::No) document_.DiscardRecovery();
    if (answer != QMessageBox::Yes) return false;
    document_.Restore(*pending.kept);
    emit notice(
        QString("Restored the unsaved changes kept in %1.").arg(RecoveryPathFor(document_.Path())));
    return true;
}

bool DocumentKeeper::MayReload() {
    if (!document_.Modified()) return true;
    const QString text =
        QString("%1 was changed on disk.\nReload it and lose your changes?").arg(document_.Path());
    if (Ask(text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
        return true;
    document_.KeepDespiteChange();
    emit status(QString("Kept your changes; saving asks before it writes over %1's change on disk")
                    .arg(document_.Name()));
    return false;
}

bool DocumentKeeper::MayOverwrite(QString& keptIn) {
    const std::optional<QByteArray> change = document_.UnloadedChange();
    if (!change) return true;
    const QString question = QString("%1 was changed on disk since quillpad read it.\n"
                                     "Save over that change? (A copy of it is kept.)")
                                 .arg(document_.Path());
    if (Ask(question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
        emit status(QString("Not saved: %1 keeps its change on disk").arg(document_.Name()));
        return false;
    }
    QString error;
    keptIn = KeepReplacedVersion(document_.Path(), *change, error);
    if (keptIn.isEmpty()) {
        Ask(QString("Not saved: the version of %1 on disk cannot be kept (%2).")
                .arg(document_.Path(), error),
            QMessageBox::Ok, QMessageBox::Ok);
    }
    return !keptIn.isEmpty();
}

bool DocumentKeeper::MayClose(const std::function<bool()>& save) {
    if (ending_ || !document_.Modified()) return true;
    const QMessageBox::StandardButton answer =
        Ask(QString("Save the changes to %1?").arg(document_.Path()),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (ending_) return true; // asked to end meanwhile: the recovery text was kept
    if (answer == QMessageBox::Save) return save();
    if (answer != QMessageBox::Discard) return false;
    document_.DiscardRecovery();
    return true;
}

bool DocumentKeeper::KeepForEnd() {
    if (ending_) return true;
    QString error;
    if (!document_.KeepUnsaved(error)) {
        emit notice(QString("quillpad was asked to end, but the unsaved changes to %1 cannot be "
                            "kept (%2). Save them, or close the window to throw them away.")
                        .arg(document_.Path(), error));
        return false;
    }
    ending_ = true;
    return true;
}

EditorReply DocumentKeeper::Answer(const EditorRequest& request,
                                   const std::function<void()>& close) {
    if (CanonicalFile(request.file) != CanonicalFile(document_.Path())) return {};
    if (request.kind == EditorRequestKind::Save) return SaveForRequest();
    const bool modified = document_.Modified();
    QString error;
    if (!document_.KeepUnsaved(error)) {
        KeepForEnd(); // says why in the window
        return {
            EditorAnswer::Failed,
            QString("The unsaved changes to %1 cannot be kept: %2").arg(document_.Path(), error)};
    }
    ending_ = true;
    QTimer::singleShot(0, &window_, close);
    return {modified ? EditorAnswer::Kept : EditorAnswer::Unchanged, {}};
}

// A save that nobody is there to confirm never writes over a change on
// disk: the run waits until the user has decided in the window.
EditorReply DocumentKeeper::SaveForRequest() {
    if (!document_.Modified()) return {EditorAnswer::Unchanged, {}};
    QString error;
    if (document_.UnloadedChange()) {
        error = "it was changed on disk since quillpad read it; save it in its window first";
    } else if (document_.Save(error)) {
        emit status(QString("Saved %1 before a run").arg(document_.Name()));
        return {EditorAnswer::Saved, {}};
    }
    const QString detail = QString("Cannot save %1: %2").arg(document_.Path(), error);
    emit notice(detail);
    return {EditorAnswer::Failed, detail};
}

} // namespace quillpad
