#include "editor_requests_client.h"

#include "command_line.h"

#include <cstdlib>
#include <utility>

namespace harbex {

namespace {

quillpad::EditorReply SaveOverSocket(const QString& path) {
    return quillpad::AskEditorToSave(path);
}

quillpad::EditorReply EndOverSocket(const QString& path) {
    return quillpad::AskEditorToEnd(path);
}

EditorRequests& Current() {
    static EditorRequests requests{SaveOverSocket, EndOverSocket};
    return requests;
}

} // namespace

quillpad::EditorReply AskEditorToSave(const QString& path) {
    return Current().save(path);
}

quillpad::EditorReply AskEditorToEnd(const QString& path) {
    return Current().end(path);
}

EditorRequests SetEditorRequests(EditorRequests requests) {
    EditorRequests previous = std::move(Current());
    Current().save = requests.save ? std::move(requests.save) : EditorRequest(SaveOverSocket);
    Current().end = requests.end ? std::move(requests.end) : EditorRequest(EndOverSocket);
    return previous;
}

bool EditorHandsFilesOn(const std::string& programDir) {
    const auto handOff = quillpad::HandOffArguments(std::getenv("HARBEX_EDITOR"), "");
    return handOff && !quillpad::IsQuillpadItself(handOff->front(), programDir);
}

bool HandOffNamesQuillpad(const std::string& programDir) {
    const auto handOff = quillpad::HandOffArguments(std::getenv("HARBEX_EDITOR"), "");
    return handOff && quillpad::IsQuillpadItself(handOff->front(), programDir);
}

} // namespace harbex
