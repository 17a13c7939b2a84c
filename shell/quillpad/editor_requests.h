#pragma once
// Requests from other programs (harbex) to the quillpad window that has a
// file open: save its unsaved changes before a run, or end politely. They
// travel over the file's single-instance socket; the calls below block
// until the window answers or the time is up, and need no event loop.

#include <QString>

namespace quillpad {

// What a quillpad window that has a file open answered.
enum class EditorAnswer {
    NoEditor,  // no live quillpad window has this file open
    Unchanged, // it has the file open with no unsaved changes
    Saved,     // it held unsaved changes and saved them
    Kept,      // (end request) it kept its unsaved text as recovery text and ends
    Failed     // it could not do what was asked; `detail` says why, in words for the user
};
struct EditorReply {
    EditorAnswer answer = EditorAnswer::NoEditor;
    QString detail;
};
// How long harbex waits for an answer: a save may write a large file to a
// slow disk; an end only keeps the recovery text.
inline constexpr int kSaveAnswerMs = 10000;
inline constexpr int kEndAnswerMs = 5000;

// Asks the quillpad window that has `path` open to save its unsaved changes.
// Waits at most `timeoutMs` for the answer (Failed with a detail on timeout).
// A listener of another user is not asked: NoEditor, with a detail.
EditorReply AskEditorToSave(const QString& path, int timeoutMs = kSaveAnswerMs);
// Asks it to end politely: it keeps unsaved text as recovery text and ends (Kept or
// Unchanged); when the text cannot be kept anywhere it stays up, says so in its window,
// and answers Failed with the reason.
EditorReply AskEditorToEnd(const QString& path, int timeoutMs = kEndAnswerMs);

} // namespace quillpad
