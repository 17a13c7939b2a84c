#pragma once
// What quillpad's tests share: a private folder per run, answered
// questions, and waiting while the event loop runs.

#include "../launcher/test_support.h"
#include "editor_window.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <thread>

namespace quillpad::test {

using harbex::test::Exists;
using harbex::test::ReadFile;
using harbex::test::RecordedArguments;
using harbex::test::RecordedPid;
using harbex::test::TempDir;
using harbex::test::WriteFile;
using harbex::test::WriteRecordingEditor;
using harbex::test::WriteScript;

// The questions asked so far, and the answers the next ones get (Cancel
// when none is queued).
struct Questions {
    QStringList asked;
    QList<QMessageBox::StandardButton> defaults; // the keeping answer of each
    QList<QMessageBox::StandardButton> answers;
};
Questions& AskedQuestions();

// Runs the event loop until `done` holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline QString TextOf(const EditorWindow& window) {
    return window.Editor().toPlainText();
}

inline int CursorLine(const EditorWindow& window) {
    return window.Editor().textCursor().blockNumber();
}

} // namespace quillpad::test
