// quillpad: the editor harbex starts. " /L " and " /S " choose a larger or
// smaller font, "-r" opens the listing view; the remaining words, joined
// with single blanks, are the file. With HARBEX_EDITOR set, the file goes
// to that program instead.

#include "command_line.h"
#include "editor_window.h"
#include "end_signals.h"
#include "single_instance.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

[[noreturn]] void HandOffTo(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "quillpad: cannot start %s (HARBEX_EDITOR)\n", argv[0]);
    std::_Exit(127);
}

} // namespace

int main(int argc, char** argv) {
    using namespace quillpad;
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.file.empty()) {
        std::fputs("quillpad: no file given\n", stderr);
        return 2;
    }
    if (const auto editor = HandOffArguments(std::getenv("HARBEX_EDITOR"), line.file)) {
        HandOffTo(*editor);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName("quillpad");
    const OpenRequest request{QFileInfo(QString::fromLocal8Bit(line.file)).absoluteFilePath(),
                              line.font, line.readOnly};
    const Startup startup = StartInstance(request);
    if (startup.handedOff) return EXIT_SUCCESS;

    EditorWindow window(request);
    if (startup.server) {
        QObject::connect(startup.server.get(), &InstanceServer::requested, &window,
                         &EditorWindow::Reopen);
    }
    EndSignals ends;
    QObject::connect(&ends, &EndSignals::endRequested, &window, [&window] {
        window.EndOnRequest();
        QCoreApplication::exit(EXIT_SUCCESS);
    });
    window.show();
    return application.exec();
}
