#pragma once
// The shell's requests to the quillpad windows it started: save before a
// run, end politely before the shell ends them. One replaceable pair of
// functions, so that tests can answer in quillpad's place.

#include "editor_requests.h"

#include <QString>
#include <functional>
#include <string>

namespace harbex {

using EditorRequest = std::function<quillpad::EditorReply(const QString& path)>;

struct EditorRequests {
    EditorRequest save;
    EditorRequest end;
};

// Asks the quillpad window that has `path` open to save, or to end.
quillpad::EditorReply AskEditorToSave(const QString& path);
quillpad::EditorReply AskEditorToEnd(const QString& path);

// Replaces the requests; returns those in place. An empty function restores
// the request over quillpad's socket.
EditorRequests SetEditorRequests(EditorRequests requests);

// True when harbex's editor (in `programDir`) hands files on to another
// program that HARBEX_EDITOR names, which has no quillpad window to ask.
bool EditorHandsFilesOn(const std::string& programDir);

// True when HARBEX_EDITOR names quillpad itself, which quillpad ignores.
bool HandOffNamesQuillpad(const std::string& programDir);

} // namespace harbex
