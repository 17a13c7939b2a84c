#pragma once
// The questions that keep the user's work, and what follows from each
// answer: recovery text offered when a file opens, a change on disk while
// there are unsaved changes, a save over a change on disk that was not
// loaded, closing with unsaved changes, and the save and end requests of
// other programs. Every question has the keeping answer as its default,
// and none is asked once the window was asked to end.

#include "document.h"
#include "questions.h"
#include "single_instance.h"

#include <QObject>
#include <functional>

namespace quillpad {

class DocumentKeeper : public QObject {
    Q_OBJECT
public:
    DocumentKeeper(Document& document, QWidget& window);

    // Asked to end: no more questions, the window closes.
    bool Ending() const { return ending_; }
    // A question to the user; NoButton once asked to end, also when that
    // came while the question was open.
    QMessageBox::StandardButton Ask(const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton keeping);

    // Offers the unsaved changes kept for the file; true when they were
    // put back (as one edit that Undo takes back).
    bool OfferRecovery();
    // A change on disk was seen: whether to load it. Without unsaved
    // changes, yes; with them, only when the user says so.
    bool MayReload();
    // Before a save: whether it may go on. A change on disk that was not
    // loaded is asked about, and kept in the state folder before it is
    // written over; `keptIn` then names the copy.
    bool MayOverwrite(QString& keptIn);
    // The window is to close: unsaved changes are saved with `save`,
    // thrown away, or keep the window open, as the user answers.
    bool MayClose(const std::function<bool()>& save);
    // Asked to end: keeps the unsaved changes as recovery text. When they
    // cannot be kept, says so and returns false; the window stays.
    bool KeepForEnd();
    // A request of another program. After an end request that kept the
    // work, `close` runs from the event loop, once the answer has gone.
    EditorReply Answer(const EditorRequest& request, const std::function<void()>& close);

signals:
    void notice(const QString& text);
    void status(const QString& text);

private:
    EditorReply SaveForRequest();

    Document& document_;
    QWidget& window_;
    bool ending_ = false;
};

} // namespace quillpad
