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
#include <memory>

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
                              line.font, line.readOnly, line.line, line.debug};
    Startup startup = StartInstance(request);
    if (startup.handedOff) return EXIT_SUCCESS;

    EditorWindow window(request);
    EndSignals ends;
    QObject::connect(&ends, &EndSignals::endRequested, &window, [&window] {
        if (window.EndOnRequest()) QCoreApplication::exit(EXIT_SUCCESS);
    });
    window.show();
    std::unique_ptr<InstanceServer> server = std::move(startup.server);
    const auto serve = [&window](InstanceServer& listening) {
        QObject::connect(&listening, &InstanceServer::requested, &window, &EditorWindow::Reopen);
        listening.SetEditorHandler(
            [&window](const EditorRequest& request) { return window.Answer(request); });
        listening.Release();
    };
    // Requests that came while the window was being made were held.
    if (server) serve(*server);
    // After Save As the window answers for its new file.
    QObject::connect(&window, &EditorWindow::fileChanged, &window, [&](const QString& path) {
        const QString socket = InstanceSocketFor(path);
        if (socket.isEmpty()) return; // no folder of the user's own: no socket at all
        auto moved = std::make_unique<InstanceServer>();
        if (!moved->Listen(socket)) {
            std::fprintf(stderr, "quillpad: another window also has %s open\n", qPrintable(path));
            return;
        }
        server = std::move(moved);
        serve(*server);
    });
    return application.exec();
}
