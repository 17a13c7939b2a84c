// quillpad-editor: the window of quillpad, started by the quillpad program
// (front.cpp) with the same words. One window per file: when another
// quillpad has the file open, the request goes there and this one ends.

#include "command_line.h"
#include "editor_window.h"
#include "end_signals.h"
#include "single_instance.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    using namespace quillpad;
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.file.empty()) {
        std::fputs("quillpad: no file given\n", stderr);
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName("quillpad");
    const OpenRequest request{QFileInfo(QString::fromLocal8Bit(line.file)).absoluteFilePath(),
                              line.font, line.readOnly};
    const Startup startup = StartInstance(request);
    if (startup.handedOff) return EXIT_SUCCESS;

    EditorWindow window(request);
    EndSignals ends;
    QObject::connect(&ends, &EndSignals::endRequested, &window, [&window] {
        if (window.EndOnRequest()) QCoreApplication::exit(EXIT_SUCCESS);
    });
    window.show();
    if (startup.server) {
        // Requests that came while the window was being made were held.
        QObject::connect(startup.server.get(), &InstanceServer::requested, &window,
                         &EditorWindow::Reopen);
        startup.server->SetEditorHandler(
            [&window](const EditorRequest& request) { return window.Answer(request); });
        startup.server->Release();
    }
    return application.exec();
}
