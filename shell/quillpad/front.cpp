// quillpad, as harbex starts it: " /L " and " /S " choose a larger or
// smaller font, "-r" opens the listing view; the remaining words, joined
// with single blanks, are the file (one word is taken whole, blanks and
// all). With HARBEX_EDITOR set, the file goes to that program at once (an
// editor that cannot be started is reported with status 127, and quillpad
// named there is ignored); otherwise the editor window, quillpad-editor
// beside this program, takes over the process. Kept free of Qt, so that
// handing the file on takes no longer than starting a shell script did.

#include "command_line.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void Become(const std::string& program, std::vector<std::string> arguments,
                         bool searchPath) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (searchPath) {
        execvp(program.c_str(), argv.data());
    } else {
        execv(program.c_str(), argv.data());
    }
    std::fprintf(stderr, "quillpad: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    std::_Exit(127);
}

// The folder of this program, with its trailing "/".
std::string OwnFolder(const char* argv0) {
    std::array<char, 4096> path{};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    std::string self = length > 0 ? std::string(path.data(), static_cast<std::size_t>(length))
                                  : std::string(argv0);
    return self.substr(0, self.rfind('/') + 1);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    const quillpad::CommandLine line = quillpad::ParseCommandLine(words);
    if (line.file.empty()) {
        std::fputs("quillpad: no file given\n", stderr);
        return 2;
    }
    const std::string folder = OwnFolder(argv[0]);
    if (const auto editor = quillpad::HandOffArguments(std::getenv("HARBEX_EDITOR"), line.file)) {
        if (!quillpad::IsQuillpadItself(editor->front(), folder)) {
            Become(editor->front(), *editor, true);
        }
        std::fprintf(stderr, "quillpad: HARBEX_EDITOR names quillpad itself (%s); ignored\n",
                     editor->front().c_str());
    }
    std::vector<std::string> arguments{"quillpad"};
    arguments.insert(arguments.end(), words.begin(), words.end());
    Become(folder + "quillpad-editor", arguments, false);
}
